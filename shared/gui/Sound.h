#pragma once
// Asynchronous sound playback with no default sound: a sound that cannot be played is
// simply not heard.
#include <QString>
#include <functional>

namespace fragdeck
{

// Returns true when the sound started (the file exists and playback was asked for).
bool playWave(const QString& path, int flags = 0);

// Tests install a hook that sees every sound asked for (and nothing is played).
void setSoundHook(std::function<bool(const QString& path)> hook);

} // namespace fragdeck
