#pragma once
// How a tool that adds lines to the player's config reads it: what went wrong is said in a
// message box, never silently.
#include "game/CfgLines.h"

#include <QString>

class QWidget;

namespace fragdeck
{

// The lines of the config at `path`; empty when it cannot be read, after a warning saying
// why. A config the game has not written yet reads as empty too, after a note saying so
// and `whenMissing`, the tool's own sentence on what saving will do.
cfg::CfgLines loadConfigTelling(const QString& path, const QString& whenMissing,
                                const QString& title, QWidget* parent);

} // namespace fragdeck
