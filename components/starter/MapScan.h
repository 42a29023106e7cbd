#pragma once
// The match starter's logic, free of widgets: the scan of the game's data folders for maps
// and level shots, the choice of a map's level shot, the rotation script and the command
// line. The window wires its events to these functions.
#include "LevelShots.h"
#include "Rotation.h"
#include "Unzip.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace fragdeck::starter
{

// A map under an archive node or under the loose-maps node.
struct MapNode {
    QString key;  // running number + archive path (or + "maps")
    QString text; // the map name, lower case
    QString tag;  // the name the script loads
};

// A top-level node: one archive holding maps, or the loose maps ("maps").
struct TopNode {
    QString key;  // the archive's full path, or "baseq3maps"
    QString text; // the archive's file name, or "maps"
    QList<MapNode> maps;
};

// Level shots and archive listings live with the archive access, shared with the other
// tools that preview maps.
using archive::extractLevelShot;
using archive::findLevelShot;
using archive::LevelShot;
using archive::ListedMember;
using archive::listMembers;

struct MapScan {
    QList<TopNode> nodes;        // in tree order
    QList<LevelShot> levelShots; // in scan order
    int mapCount() const;
};

inline const QString LooseMapsKey = QStringLiteral("baseq3maps");

// Scans the data folders in the order given (home first, as the game reads them): the
// pk3 archives of each folder in name order, then the loose "maps/*.bsp" files of each
// folder. A map is listed once, under the first archive (or folder) that holds it.
// `listFolder` is the target folder handed to listing runs (nothing is written there).
MapScan scanMaps(const QStringList& dataFolders, archive::UnzipModule& unzip,
                 const QString& listFolder);

// The game types in list order and their numbers for g_gametype.
QStringList gameTypeNames();
int gameTypeNumber(int listIndex);
QStringList dedicatedNames();

struct MatchRules {
    QString maxClients = QStringLiteral("8");
    int gameTypeIndex = 0;
    QString timeLimit = QStringLiteral("20");
    QString fragLimit = QStringLiteral("20");
    bool mapCycle = false;
};

// The rotation script "fragdeck_maps.cfg", lines ended by CR LF.
QByteArray mapScript(const MatchRules& rules, const QStringList& tickedMaps);

// Why the match cannot be started as asked: no map ticked, or a value that would break out
// of its script line or its argument. Empty when it can; then nothing else is checked.
QString startProblem(const MatchRules& rules, const QStringList& tickedMaps,
                     const QString& rconPassword);

// The argument text after the program: the dedicated choice unless cheats are on.
QString startArguments(int dedicatedIndex, const QString& rconPassword, bool cheats);

inline const QString MapScriptName = QStringLiteral("fragdeck_maps.cfg");

} // namespace fragdeck::starter
