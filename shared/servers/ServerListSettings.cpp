#include "ServerListSettings.h"

#include "core/GameInstall.h"
#include "core/Settings.h"

#include <QRegularExpression>

namespace fragdeck::servers
{
namespace
{

const QString kApp = QStringLiteral("Fragdeck");
const QString kSection = QStringLiteral("Servers");

int intSetting(const QString& key, int fallback, int low, int high)
{
    bool ok = false;
    const int v = GetSetting(kApp, kSection, key).trimmed().toInt(&ok);
    return ok && v >= low && v <= high ? v : fallback;
}

} // namespace

const char* const kDefaultMasters[4] = {"master.quake3arena.com:27950", "master.ioquake3.org:27950",
                                        "directory.ioquake3.org:27950",
                                        "dpmaster.deathmask.net:27950"};

QList<MasterServer> parseMasterList(const QStringList& entries)
{
    QList<MasterServer> out;
    for (const QString& entry : entries) {
        MasterServer m;
        if (MasterServer::parse(entry, &m))
            out.append(m);
    }
    return out;
}

QList<MasterServer> parseMasterList(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    return parseMasterList(text.split(separators, Qt::SkipEmptyParts));
}

QList<MasterServer> loadMasters()
{
    QStringList defaults;
    for (const char* m : kDefaultMasters)
        defaults.append(QString::fromLatin1(m));
    // A marker default tells "absent" from "set to nothing".
    const QString absent = QStringLiteral("\x01");
    const QString stored = GetSetting(kApp, kSection, QStringLiteral("Masters"), absent);
    return parseMasterList(stored == absent ? defaults.join(u' ') : stored);
}

void saveMasters(const QList<MasterServer>& masters)
{
    QStringList entries;
    for (const MasterServer& m : masters)
        entries.append(m.toString());
    SaveSetting(kApp, kSection, QStringLiteral("Masters"), entries.join(u' '));
}

int protocolForInstalledGame()
{
    return GameInstall::fromSettings().gameFolderName == QLatin1String("baseoa") ? 71 : 68;
}

int loadProtocol()
{
    const QString stored = GetSetting(kApp, kSection, QStringLiteral("Protocol")).trimmed();
    if (stored == QLatin1String("68") || stored == QLatin1String("71"))
        return stored.toInt();
    return protocolForInstalledGame();
}

void saveProtocol(int protocol)
{
    SaveSetting(kApp, kSection, QStringLiteral("Protocol"), QString::number(protocol));
}

PollerSettings loadPollerSettings()
{
    PollerSettings s;
    s.maxInFlight = intSetting(QStringLiteral("MaxInFlight"), s.maxInFlight, 1, 10000);
    s.paceUs = intSetting(QStringLiteral("PaceUs"), s.paceUs, 0, 1000000);
    s.attemptTimeoutMs = intSetting(QStringLiteral("AttemptTimeout"), s.attemptTimeoutMs, 1, 30000);
    s.minAttemptTimeoutMs =
        intSetting(QStringLiteral("AttemptTimeoutFloor"), s.minAttemptTimeoutMs, 1, 30000);
    s.limits.maxBytes = intSetting(QStringLiteral("MaxReplyBytes"), s.limits.maxBytes, 64, 65536);
    s.limits.maxKeys = intSetting(QStringLiteral("MaxReplyKeys"), s.limits.maxKeys, 1, 65536);
    s.limits.maxPlayers =
        intSetting(QStringLiteral("MaxReplyPlayers"), s.limits.maxPlayers, 0, 65536);
    return s;
}

MasterLimits loadMasterLimits()
{
    MasterLimits m;
    m.maxServers = intSetting(QStringLiteral("MaxServers"), m.maxServers, 1, 1 << 22);
    m.maxDatagrams = intSetting(QStringLiteral("MaxMasterDatagrams"), m.maxDatagrams, 1, 1 << 20);
    m.maxListMs =
        1000 * intSetting(QStringLiteral("MasterListSeconds"), m.maxListMs / 1000, 1, 3600);
    return m;
}

} // namespace fragdeck::servers
