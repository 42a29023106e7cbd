#include "MapScan.h"

#include "Paths.h"
#include "TextFile.h"

#include <QDir>
#include <QSet>
#include <algorithm>

namespace fragdeck::starter
{
namespace
{

const QString MapsFilter = QStringLiteral("MAPS/");

QString withSlash(QString folder)
{
    folder = toLocalPath(folder);
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// The pk3 archives of a folder in name order (the order the game loads them in).
QStringList archivesOf(const QString& folder)
{
    QDir dir(folder);
    return dir.entryList({QStringLiteral("*.pk3")}, QDir::Files | QDir::Readable,
                         QDir::Name | QDir::IgnoreCase);
}

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

    for (const QString& rawFolder : dataFolders) {
        const QString folder = withSlash(rawFolder);
        if (folder.isEmpty())
            continue;
        for (const QString& file : archivesOf(folder)) {
            const QString archivePath = folder + file;
            scan.levelShots += archive::levelShotsIn(unzip, archivePath, listFolder);
            TopNode node{archivePath, file, {}};
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

QByteArray mapScript(const MatchRules& rules, const QStringList& tickedMaps)
{
    LineWriter out;
    out.line(QStringLiteral("set g_maxgameclients ") + rules.maxClients);
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
    // No password is a choice; one that is given must stay one argument.
    if (!rconPassword.isEmpty())
        return gameArgumentProblem(QStringLiteral("rcon password"), rconPassword);
    return QString();
}

QString startArguments(int dedicatedIndex, const QString& rconPassword, bool cheats)
{
    if (cheats)
        return QStringLiteral(" +set rconpassword ") + rconPassword +
               QStringLiteral(" +set cheats 1 +exec ") + MapScriptName;
    return QStringLiteral(" +set dedicated ") + QString::number(std::max(0, dedicatedIndex)) +
           QStringLiteral(" +set rconpassword ") + rconPassword + QStringLiteral(" +exec ") +
           MapScriptName;
}

} // namespace fragdeck::starter
