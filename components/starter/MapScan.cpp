#include "MapScan.h"

#include "core/Paths.h"
#include "core/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QUdpSocket>
#include <algorithm>

namespace fragdeck::starter
{
namespace
{

const QString MapsFilter = QStringLiteral("MAPS/");

bool hasExtension(const QString& name, const char* ext)
{
    return name.endsWith(QLatin1String(ext), Qt::CaseInsensitive);
}

} // namespace

int MapScan::mapCount() const
{
    int n = 0;
    for (const TopNode& t : nodes)
        n += int(t.maps.size());
    return n;
}

MapScan scanMaps(const QStringList& dataFolders, archive::UnzipModule& unzip,
                 const QString& listFolder)
{
    MapScan scan;
    QSet<QString> listed; // map names already in the tree

    for (const QString& archivePath : archive::archivesIn(dataFolders)) {
        scan.levelShots += archive::levelShotsIn(unzip, archivePath, listFolder);
        TopNode node{archivePath, fileNameOf(archivePath), {}};
        for (const ListedMember& m : listMembers(unzip, archivePath, MapsFilter, listFolder)) {
            // Only compiled maps load; bot files, sources and folders do not.
            if (m.rest.size() <= 4 || !hasExtension(m.rest, ".bsp"))
                continue;
            const QString name = m.rest.left(m.rest.size() - 4).toLower();
            if (!isGameArgumentSafe(name) || listed.contains(name))
                continue;
            listed.insert(name);
            node.maps.append({QString::number(node.maps.size()) + archivePath, name, name});
        }
        if (!node.maps.isEmpty())
            scan.nodes.append(std::move(node));
    }

    TopNode loose{LooseMapsKey, QStringLiteral("maps"), {}};
    for (const QString& rawFolder : dataFolders) {
        const QString folder = withSlash(rawFolder);
        if (folder.isEmpty())
            continue;
        const QStringList files =
            QDir(folder + QStringLiteral("maps/"))
                .entryList({QStringLiteral("*.bsp")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QString& file : files) {
            // The game finds a loose file by its exact name on this file system.
            const QString tag = file.left(file.size() - 4);
            const QString name = tag.toLower();
            if (!isGameArgumentSafe(tag) || listed.contains(name))
                continue;
            listed.insert(name);
            loose.maps.append(
                {QString::number(loose.maps.size()) + QStringLiteral("maps"), name, tag});
        }
    }
    if (!loose.maps.isEmpty())
        scan.nodes.append(std::move(loose));
    return scan;
}

QStringList gameTypeNames()
{
    return {QStringLiteral("FFA"), QStringLiteral("Tournament (1v1)"), QStringLiteral("Team DM"),
            QStringLiteral("CTF")};
}

int gameTypeNumber(int listIndex)
{
    static const int numbers[] = {0, 1, 3, 4};
    return listIndex >= 0 && listIndex < 4 ? numbers[listIndex] : 0;
}

QStringList dedicatedNames()
{
    return {QStringLiteral("no"), QStringLiteral("LAN"), QStringLiteral("internet")};
}

int serverSlots(const MatchRules& rules)
{
    bool ok = false;
    const int players = rules.maxClients.trimmed().toInt(&ok);
    return ok ? std::clamp(players, GameDefaultSlots, GameMaxClients) : GameDefaultSlots;
}

QByteArray mapScript(const MatchRules& rules, const QStringList& tickedMaps,
                     const QString& rconPassword)
{
    LineWriter out;
    // Here, not on the command line, where every local user could read it.
    out.line(QStringLiteral("set rconpassword \"") + rconPassword + u'"');
    out.line(QStringLiteral("set g_maxgameclients ") + rules.maxClients);
    // A latched value: it takes effect with the first map below.
    out.line(QStringLiteral("set sv_maxclients ") + QString::number(serverSlots(rules)));
    out.line(QStringLiteral("set g_gametype ") +
             QString::number(gameTypeNumber(rules.gameTypeIndex)));
    out.line(QStringLiteral("set timelimit ") + rules.timeLimit);
    out.line(QStringLiteral("set fraglimit ") + rules.fragLimit);
    out.raw(rotationLines(QStringLiteral("map"), QStringLiteral("nextmap"), tickedMaps,
                          rules.mapCycle));
    return out.bytes();
}

QString startProblem(const MatchRules& rules, const QStringList& tickedMaps,
                     const QString& rconPassword)
{
    if (tickedMaps.isEmpty())
        return QStringLiteral("Tick the maps to play first: the server starts on the first "
                              "one. Nothing was written or started.");
    const std::pair<QString, QString> values[] = {{QStringLiteral("max clients"), rules.maxClients},
                                                  {QStringLiteral("time limit"), rules.timeLimit},
                                                  {QStringLiteral("frag limit"), rules.fragLimit}};
    for (const auto& [what, value] : values) {
        const QString problem = gameArgumentProblem(what, value);
        if (!problem.isEmpty())
            return problem;
    }
    // The server's slots follow from it, so it must be a number the game takes.
    bool ok = false;
    const int players = rules.maxClients.trimmed().toInt(&ok);
    if (!ok || players < 1 || players > GameMaxClients)
        return QStringLiteral("Max clients must be a whole number from 1 to %1, not \"%2\". "
                              "Nothing was written or started.")
            .arg(GameMaxClients)
            .arg(rules.maxClients);
    // No password is a choice; one that is given must stay one argument.
    if (!rconPassword.isEmpty())
        return gameArgumentProblem(QStringLiteral("rcon password"), rconPassword);
    return QString();
}

quint16 freeServerPort(quint16 first, int tries)
{
    for (int i = 0; i < tries && first + i <= 65535; ++i) {
        const auto port = quint16(first + i);
        // The game binds every address; a server bound to one of them takes the port too.
        QUdpSocket probe;
        if (probe.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress))
            return port;
    }
    return first;
}

bool isDedicatedStart(int dedicatedIndex, bool cheats)
{
    return !cheats && dedicatedIndex > 0;
}

QString startArguments(int dedicatedIndex, bool cheats, quint16 port)
{
    // The port is read when the game starts, so it goes on the command line.
    const QString portArgument =
        port == DefaultServerPort ? QString() : QStringLiteral(" +set net_port %1").arg(port);
    if (cheats)
        return QStringLiteral(" +set cheats 1") + portArgument + QStringLiteral(" +exec ") +
               MapScriptName;
    return QStringLiteral(" +set dedicated ") + QString::number(std::max(0, dedicatedIndex)) +
           portArgument + QStringLiteral(" +exec ") + MapScriptName;
}

QString startedText(const QString& program, int dedicatedIndex, bool cheats, quint16 port)
{
    QString what;
    if (cheats)
        what = QStringLiteral("the game with cheats");
    else if (dedicatedIndex == 1)
        what = QStringLiteral("a LAN server");
    else if (dedicatedIndex == 2)
        what = QStringLiteral("an internet server");
    else
        what = QStringLiteral("the game, hosting the match");
    return QStringLiteral("Started %1 (%2) on port %3.").arg(fileNameOf(program), what).arg(port);
}

} // namespace fragdeck::starter
