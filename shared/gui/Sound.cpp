#include "Sound.h"

#include "core/Paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace fragdeck
{
namespace
{
std::function<bool(const QString&)>& hook()
{
    static std::function<bool(const QString&)> h;
    return h;
}
} // namespace

bool playWave(const QString& path, int /*flags*/)
{
    const QString local = toLocalPath(path);
    if (hook())
        return hook()(local);
    if (!QFileInfo(local).isFile() || !QCoreApplication::instance())
        return false;
    // One effect per file, kept for the process: replaying is then instant. Never waited
    // on: without an audio device an effect reports "playing" forever.
    static QHash<QString, QSoundEffect*> effects;
    QSoundEffect*& effect = effects[local];
    if (!effect) {
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl::fromLocalFile(local));
    }
    effect->play();
    return true;
}

void setSoundHook(std::function<bool(const QString&)> h)
{
    hook() = std::move(h);
}

} // namespace fragdeck
