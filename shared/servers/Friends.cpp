#include "Friends.h"

#include "core/Settings.h"
#include "game/GameText.h"
#include "servers/Watch.h"
#include "servers/Watcher.h"

namespace fragdeck::servers
{
namespace
{

const QString kApp = QStringLiteral("Fragdeck");
const QString kSection = QStringLiteral("Friends");

QStringList lines(const char* key)
{
    QStringList out;
    for (const QString& l : GetSetting(kApp, kSection, QLatin1String(key)).split(u'\n')) {
        const QString t = l.trimmed();
        if (!t.isEmpty() && !out.contains(t, Qt::CaseInsensitive))
            out.append(t);
    }
    return out;
}

void saveLines(const char* key, const QStringList& list)
{
    SaveSetting(kApp, kSection, QLatin1String(key), list.join(u'\n'));
}

} // namespace

QStringList loadFriends()
{
    return lines("Names");
}

void saveFriends(const QStringList& patterns)
{
    saveLines("Names", patterns);
}

bool addFriend(const QString& name)
{
    const QString plain = withoutColourCodes(name).trimmed();
    QStringList list = loadFriends();
    if (plain.isEmpty() || !FriendList(list).match(plain).isEmpty())
        return false;
    list.append(plain);
    saveFriends(list);
    return true;
}

QStringList loadHidden()
{
    return lines("Hidden");
}

void saveHidden(const QStringList& keys)
{
    saveLines("Hidden", keys);
}

bool loadWatch()
{
    return GetSetting(kApp, kSection, QStringLiteral("Watch")).trimmed() == QLatin1String("1");
}

void saveWatch(bool on)
{
    SaveSetting(kApp, kSection, QStringLiteral("Watch"),
                on ? QStringLiteral("1") : QStringLiteral("0"));
}

int loadWatchInterval()
{
    bool ok = false;
    const int s = GetSetting(kApp, kSection, QStringLiteral("Interval")).trimmed().toInt(&ok);
    return ok ? std::max(kMinWatchIntervalS, s) : kDefaultWatchIntervalS;
}

} // namespace fragdeck::servers
