#pragma once
// The match starter's logic, free of widgets: the scan of the game's data folders for maps
// and level shots, the choice of a map's level shot, the rotation script and the command
// line. The window wires its events to these functions.
#include "archive/LevelShots.h"
#include "archive/Unzip.h"
#include "game/GameScript.h"
#include "game/ServerAddress.h"

#include <QByteArray>
#include <QList>
#include <QSet>
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

// The player slots a server has unless told otherwise. "Max clients" counts the players
// in the game; the server's own slots (sv_maxclients, spectators included) are raised to at
// least that many.
constexpr int GameDefaultSlots = 8;
// The most clients the game can take.
constexpr int GameMaxClients = 64;
int serverSlots(const MatchRules& rules);

// The rotation script "fragdeck_maps.cfg", lines ended by CR LF. It sets the rcon password
// too, so the script is written readable by its owner only.
QByteArray mapScript(const MatchRules& rules, const QStringList& tickedMaps,
                     const QString& rconPassword = QString());

// Why the match cannot be started as asked: no map ticked, or a value that would break out
// of its script line or its argument. Empty when it can; then nothing else is checked.
QString startProblem(const MatchRules& rules, const QStringList& tickedMaps,
                     const QString& rconPassword);

// The port a game server listens on unless told otherwise.
constexpr quint16 DefaultServerPort = kDefaultGamePort;
// The first of `tries` UDP ports from `first` that nothing listens on (the game takes the
// next one itself when its port is taken); `first` when none is free.
quint16 freeServerPort(quint16 first = DefaultServerPort, int tries = 10);

// Whether the choices start a dedicated server: a server mode other than "no", without
// cheats (cheats start the game itself).
bool isDedicatedStart(int dedicatedIndex, bool cheats);

// The argument text after the program: the dedicated choice unless cheats are on, and the
// port when it is not the game's own.
QString startArguments(int dedicatedIndex, bool cheats, quint16 port = DefaultServerPort);

// What a start started, for the window: "Started openarena-server (a LAN server) on port
// 27960."
QString startedText(const QString& program, int dedicatedIndex, bool cheats, quint16 port);

inline const QString MapScriptName = QStringLiteral("fragdeck_maps.cfg");

} // namespace fragdeck::starter
