#pragma once
// The demo player's logic, free of widgets: the list of recorded demos found in the game's
// archives and demo folders, and the demo rotation script.
#include "archive/DemoSummary.h"
#include "archive/LevelShots.h"
#include "archive/Unzip.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace fragdeck::demos
{

struct Demo {
    QString text;               // as listed: lower case, folder under demos/ kept
    QString name;               // what the script hands to "demo"
    archive::DemoSource source; // where its bytes are
};

// The name "demo" plays for a file below demos/ ("sub/match1.dm_68"): a ".dm3" demo loses
// its extension, as the oldest releases add it themselves; the newer kinds keep theirs, so
// the game opens exactly that file whatever protocol it speaks. Empty for a file that is
// not a demo or cannot stand in a script.
QString demoName(const QString& pathBelowDemos);

// Archive demos first: the "demos/" members of every pk3 archive of every data folder, in
// folder order (home first) and name order (no duplicate check among archives, but an
// archive reached twice, through a link or a second folder, is read once). Then the demo
// files in each folder's "demos" folder and its subfolders, unless a demo of the same
// listed text is already there.
QList<Demo> scanDemos(const QStringList& dataFolders, archive::UnzipModule& unzip,
                      const QString& listFolder);

// The level shots of every archive of the data folders, in folder and name order, each
// archive read once.
QList<archive::LevelShot> scanLevelShots(const QStringList& dataFolders,
                                         archive::UnzipModule& unzip, const QString& listFolder);

// Whether the filter text (any case) is part of the demo's name, its map, its server or
// one of its players' names; colour codes do not count. An empty filter matches all.
bool demoMatches(const Demo& demo, const DemoInfo& info, const QString& filter);

inline const QString DemoScriptName = QStringLiteral("fragdeck_demo.cfg");

// The demo rotation script "fragdeck_demo.cfg", lines ended by CR LF.
QByteArray demoScript(const QStringList& selectedNames, bool loop);
QString demoStartArguments();
// Why nothing can be started when no demo is selected; empty when some are.
QString demoSelectionProblem(const QStringList& selectedNames);

// The demo protocols the game at `program` plays, in ascending order. The engine takes a
// demo by its extension: ".dm_N" opens when N is its protocol, its legacy protocol or one
// of those built in (66 and 67 in ioquake3); anything else it refuses ("COULDN'T OPEN").
// A wrapper script's "+set com_protocol N" and "+set com_legacyprotocol N" count, and the
// engine it runs is read for what it is. Empty when the engine is not recognised: then
// nothing is refused.
QList<int> playedDemoProtocols(const QString& program);
// "recorded for protocol 70; this game plays 71" for a demo (its script name) the game
// cannot play; empty when it can, or when `played` is empty.
QString demoProtocolProblem(const QString& name, const QList<int>& played);

} // namespace fragdeck::demos
