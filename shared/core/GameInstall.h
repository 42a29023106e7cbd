#pragma once
// One model of a game installation, derived from "Q3path" (and "ConfigPath" when set).
// Every tool that needs the game's folders asks it; nothing else guesses paths.
//
// The original layout is one folder with quake3.exe and baseq3/ holding the archives,
// q3config.cfg and demos. ioquake3 and OpenArena split this: a read-only base path with
// the archives and a per-user home path (~/.q3a/baseq3, ~/.openarena/baseoa) with
// q3config.cfg, demos, downloads and the scripts the suite writes. The game reads a file
// from the home path first, then from the base path.
#include "core/Process.h"

#include <QString>
#include <QStringList>

namespace fragdeck
{

struct GameInstall {
    QString program;         // "Q3path" as given (may be a Windows path)
    QString programFolder;   // the program's folder, local form, ending in "/"
    QString gameFolderName;  // "baseq3" or "baseoa"
    QStringList baseFolders; // data folders of the base path(s), ending in "/"
    QString homeFolder;      // the per-user data folder, ending in "/" (may not exist yet)
    QString configPath;      // "ConfigPath" (or the derived one when the setting is empty)
    QString scriptFolder;    // folder of configPath, ending in "/": where scripts go

    // Existing data folders, home first, then the base folders; each once.
    QStringList dataFolders() const;
    // The folder a user browses for archives first: the first existing base folder.
    QString browseFolder() const;
    bool isWindowsProgram() const;
    // The program that runs this installation as a dedicated (headless) server: the server
    // program shipped with the client (ioq3ded, openarena-server, oa_ded, quake3-server),
    // or the client itself, which takes "+set dedicated" too, where there is none.
    QString dedicatedProgram() const;

    static GameInstall fromPaths(const QString& q3path, const QString& configPath);
    // From the store's "Q3path" and "ConfigPath", read now.
    static GameInstall fromSettings();
};

// The program names the locator looks for, in order ("quake3.exe" first).
QStringList gameProgramNames();
// The q3config.cfg the game found at programPath uses: for ioquake3 and OpenArena the one
// in the home path (~/.q3a/baseq3, ~/.openarena/baseoa), even before the game's first run
// writes it; for a Windows program the one in the game folder beside it.
QString configPathFor(const QString& programPath);
// Demo file extensions, by protocol (".dm3" ... ".dm_71").
QStringList demoExtensions();
bool isDemoFile(const QString& name);

// A message for a game path that cannot be started ("" when it looks usable).
QString gamePathProblem(const QString& q3path);

// The one check of every map, demo, address, password or value that the suite puts on a
// game command line or into a script the game runs. The game splits its command line at
// blanks, ends a command at ";" or a line end, a quoted value at '"', and takes "//" as a
// comment, so a value holding any of them (or another control byte) could end its
// argument and start a command of its own; an empty value would leave its command
// without one. Empty when `value` is safe; otherwise the message for the user, naming
// the value as `what` ("map", "server address", ...).
QString gameArgumentProblem(const QString& what, const QString& value);
inline bool isGameArgumentSafe(const QString& value)
{
    return gameArgumentProblem(QString(), value).isEmpty();
}

// Starts the game `q3path` with the argument text in the game's folder, normal window.
// A Windows program (".exe") runs through wine when it is installed; without wine the
// result says so. The request's command line is q3path + argumentText. Argument text that
// holds a command separator, a quote or a control byte is refused: callers check each
// value with gameArgumentProblem first, and this stops whatever slipped past.
bool startGame(const QString& q3path, const QString& argumentText,
               StartedProcess* started = nullptr, QString* error = nullptr);

// The home folder used for ~ (tests point HOME elsewhere).
QString userHome();

} // namespace fragdeck
