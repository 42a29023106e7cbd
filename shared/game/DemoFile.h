#pragma once
// What a recorded demo holds, read from the recording itself: the server's info, the
// map, every player seen with team, the recording player, the length (first to last
// snapshot) and a team game's final score. A demo is a sequence of messages (sequence
// number, length, the game's network message); the first carries the game state with
// every configuration string, later ones carry server commands that change them and
// snapshots stamped with the server time.
//
// Every length in the file is checked against what remains and against the game's own
// message limit, so a truncated, damaged or foreign file gives an error and never more
// work than its size.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

namespace fragdeck
{

struct DemoPlayer {
    int client = -1;
    QString name;      // with colour codes
    int team = 0;      // 0 free, 1 red, 2 blue, 3 spectator
    bool left = false; // the slot was emptied (or taken by someone else) later on
};

struct DemoInfo {
    bool readable = false;
    QString error; // "not a readable demo: ..." when it is not

    int protocol = 0; // the server's "protocol", else the file name's
    QString map;
    QString server; // sv_hostname, colour codes kept
    int gameType = -1;
    QString recorder; // the recording player's name, colour codes kept ("" when unknown)
    int recorderClient = -1;
    QList<DemoPlayer> players; // every player seen, in order of appearance

    // Filled by a whole read only.
    bool wholeRead = false;
    bool lengthKnown = false;
    qint64 durationMs = 0;
    bool scoreKnown = false; // a team game whose scores the configuration strings carry
    int redScore = 0;
    int blueScore = 0;
    QString note; // what a whole read met on the way (a cut-off end, a damaged message)

    QStringList playerNames() const;
};

enum class DemoDepth {
    GameState, // the first message only: map, server, players at the start, recorder
    Whole,     // every message: also the length, later players and the final score
};

// The demo kind a file name says: 3 for ".dm3", 48 for ".dm_48", 66 .. 71 for
// ".dm_66" .. ".dm_71"; 0 for any other name.
int demoFormatOfName(const QString& fileName);

// The bytes a game-state read needs at most (the first message's header and body).
constexpr qint64 kDemoGameStateBytes = 8 + 16384;

// Reads a demo from a device positioned at its start. `format` as demoFormatOfName (0
// tries every kind). `cancelled` is asked between messages; a cancelled read is not
// readable. Reads at most kDemoGameStateBytes for a game-state read.
DemoInfo readDemo(QIODevice& in, int format, DemoDepth depth,
                  const std::function<bool()>& cancelled = {});
DemoInfo readDemo(QByteArrayView bytes, int format, DemoDepth depth,
                  const std::function<bool()>& cancelled = {});
DemoInfo readDemoFile(const QString& path, DemoDepth depth,
                      const std::function<bool()>& cancelled = {});

// "Free For All", "Capture the Flag", ... ; "Game type N" for numbers without a name.
QString gameTypeName(int gameType);
QString teamName(int team);
// m:ss, or h:mm:ss from an hour on.
QString formatDuration(qint64 ms);

} // namespace fragdeck
