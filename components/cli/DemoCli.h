#pragma once
// fragdeck-demo: what recorded demos hold, from the command line. Its arguments, where
// each demo lies (a file or "ARCHIVE.pk3:member"), and its output.
#include "archive/DemoSummary.h"
#include "game/DemoFile.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fragdeck::cli
{

enum DemoExitCode { DemoExitOk = 0, DemoExitUnreadable = 1, DemoExitUsage = 2 };

struct DemoOptions {
    bool json = false;
    bool help = false;
    QStringList files;
};

bool parseDemoArguments(const QStringList& args, DemoOptions* options, QString* error = nullptr);
QString demoUsageText();

// An existing file is read as it is; otherwise the text before a ":" that names an
// existing file is an archive and the rest the member's path in it. False, "no such
// file", when neither fits.
bool parseDemoTarget(const QString& argument, archive::DemoSource* source,
                     QString* error = nullptr);

struct DemoResult {
    QString file; // as given on the command line
    DemoInfo info;
};

DemoResult readDemoArgument(const QString& argument);

// One line per demo, fields apart by tabs: the file, then protocol, map, server, game
// type, length (m:ss, "?" when unknown), player count, players, recorder (names without
// colour codes); or the file, "error" and why.
QString formatDemoPlain(const DemoResult& result);
// An array with one object per demo (UTF-8); names keep their colour codes.
QByteArray formatDemoJson(const QList<DemoResult>& results);

} // namespace fragdeck::cli
