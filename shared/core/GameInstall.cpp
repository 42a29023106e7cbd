#include "GameInstall.h"

#include "core/Failure.h"
#include "core/Paths.h"
#include "core/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace fragdeck
{
namespace
{

struct Flavour {
    const char* gameFolder; // baseq3 / baseoa
    const char* homeFolder; // relative to the user's home
    QStringList basePaths;  // where the distribution keeps the base data
};

bool isOpenArenaName(const QString& name)
{
    return name.startsWith(QLatin1String("openarena"), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String("oa_ded"), Qt::CaseInsensitive);
}

Flavour flavourOf(const QString& programPath)
{
    if (isOpenArenaName(fileNameOf(programPath)))
        return {
            "baseoa",
            ".openarena",
            {QStringLiteral("/usr/lib/openarena"), QStringLiteral("/usr/share/games/openarena")}};
    return {"baseq3",
            ".q3a",
            {QStringLiteral("/usr/lib/quake3"), QStringLiteral("/usr/share/games/quake3")}};
}

} // namespace

QString userHome()
{
    const QString h = qEnvironmentVariable("HOME");
    return h.isEmpty() ? QDir::homePath() : h;
}

QStringList gameProgramNames()
{
    return {QStringLiteral("quake3.exe"), QStringLiteral("ioquake3.x86_64"),
            QStringLiteral("ioquake3"),   QStringLiteral("quake3"),
            QStringLiteral("openarena"),  QStringLiteral("openarena.x86_64"),
            QStringLiteral("ioq3ded"),    QStringLiteral("openarena-server")};
}

QStringList demoExtensions()
{
    return {QStringLiteral(".dm3"),   QStringLiteral(".dm_48"), QStringLiteral(".dm_66"),
            QStringLiteral(".dm_67"), QStringLiteral(".dm_68"), QStringLiteral(".dm_69"),
            QStringLiteral(".dm_70"), QStringLiteral(".dm_71")};
}

bool isDemoFile(const QString& name)
{
    for (const QString& ext : demoExtensions())
        if (name.endsWith(ext, Qt::CaseInsensitive))
            return true;
    return false;
}

bool GameInstall::isWindowsProgram() const
{
    return program.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive);
}

GameInstall GameInstall::fromPaths(const QString& q3path, const QString& config)
{
    GameInstall g;
    g.program = q3path;
    const QString local = toLocalPath(q3path);
    g.programFolder = folderOf(local);
    const Flavour f = flavourOf(local);
    g.gameFolderName = QLatin1String(f.gameFolder);
    if (!local.isEmpty()) {
        // The game folder beside the program (the original layout, upstream installs).
        if (!g.programFolder.isEmpty())
            g.baseFolders.append(g.programFolder + g.gameFolderName + u'/');
        if (!g.isWindowsProgram()) {
            for (const QString& base : f.basePaths)
                g.baseFolders.append(base + u'/' + g.gameFolderName + u'/');
            g.homeFolder =
                userHome() + u'/' + QLatin1String(f.homeFolder) + u'/' + g.gameFolderName + u'/';
        }
    }
    g.configPath = config.isEmpty() && !local.isEmpty() ? configPathFor(q3path) : config;
    g.scriptFolder = folderOf(toLocalPath(g.configPath));
    return g;
}

GameInstall GameInstall::fromSettings()
{
    const QString app = QStringLiteral("Fragdeck"), sec = QStringLiteral("Options");
    return fromPaths(GetSetting(app, sec, QStringLiteral("Q3path")),
                     GetSetting(app, sec, QStringLiteral("ConfigPath")));
}

QString GameInstall::dedicatedProgram() const
{
    const QString local = toLocalPath(program);
    const QString exe = QStringLiteral(".exe");
    QString file = fileNameOf(local);
    const bool windows = file.endsWith(exe, Qt::CaseInsensitive);
    if (windows)
        file.chop(exe.size());
    const QString name = file.toLower();
    // A server program given as Q3path stays what it is.
    for (const char* server : {"ioq3ded", "openarena-server", "oa_ded", "quake3-server"})
        if (name.startsWith(QLatin1String(server)))
            return program;
    // The server's name follows the client's, suffix and all (ioquake3.x86_64 beside
    // ioq3ded.x86_64); Debian's wrapper scripts carry no suffix.
    struct Pair {
        const char* client;
        QStringList servers;
    };
    const Pair pairs[] = {
        {"openarena", {QStringLiteral("openarena-server"), QStringLiteral("oa_ded")}},
        {"ioquake3", {QStringLiteral("ioq3ded")}},
        {"quake3", {QStringLiteral("quake3-server"), QStringLiteral("ioq3ded")}},
    };
    QStringList candidates;
    for (const Pair& p : pairs) {
        const QString client = QLatin1String(p.client);
        if (!name.startsWith(client))
            continue;
        const QString suffix = file.mid(client.size());
        if (!suffix.isEmpty() && !suffix.startsWith(u'.'))
            continue; // another game's name that merely starts alike
        for (const QString& server : p.servers)
            candidates.append(programFolder + server + suffix + (windows ? exe : QString()));
        break;
    }
    // Debian keeps ioquake3's server out of /usr/games.
    if (programFolder == QLatin1String("/usr/games/") && name == QLatin1String("ioquake3"))
        candidates.append(QStringLiteral("/usr/lib/ioquake3/ioq3ded"));
    for (const QString& c : candidates) {
        const QFileInfo fi(c);
        if (fi.isFile() && (windows || fi.isExecutable()))
            return c;
    }
    return program;
}

QStringList GameInstall::dataFolders() const
{
    QStringList out;
    QStringList seen;
    QStringList candidates;
    if (!homeFolder.isEmpty())
        candidates.append(homeFolder);
    candidates += baseFolders;
    // The folder of the configuration file is a data folder too (a Windows layout, or a
    // configuration kept somewhere unusual).
    if (!scriptFolder.isEmpty())
        candidates.append(scriptFolder);
    for (const QString& c : candidates) {
        const QFileInfo fi(c);
        if (!fi.isDir())
            continue;
        const QString canonical = fi.canonicalFilePath();
        if (seen.contains(canonical))
            continue;
        seen.append(canonical);
        out.append(withSlash(c));
    }
    return out;
}

QString GameInstall::browseFolder() const
{
    for (const QString& b : baseFolders)
        if (QFileInfo(b).isDir())
            return b;
    return baseFolders.value(0);
}

QString configPathFor(const QString& programPath)
{
    const QString local = toLocalPath(programPath);
    const Flavour f = flavourOf(local);
    const QString gameFolder = QLatin1String(f.gameFolder);
    // ioquake3 and OpenArena read and write it in the home path, which the game makes the
    // first time it runs: the path is known before the file exists.
    if (!local.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        return userHome() + u'/' + QLatin1String(f.homeFolder) + u'/' + gameFolder +
               QStringLiteral("/q3config.cfg");
    // The original layout keeps it beside the program, with the separator it uses.
    const QString folder = folderOf(programPath);
    const QChar sep = folder.endsWith(u'\\') ? u'\\' : u'/';
    return folder + gameFolder + sep + QLatin1String("q3config.cfg");
}

QString gamePathProblem(const QString& q3path)
{
    if (q3path.trimmed().isEmpty())
        return QStringLiteral("The path of the game is not set. Go to 'Fragdeck Options' and "
                              "give in the path of the game.");
    const QFileInfo fi(toLocalPath(q3path));
    if (!fi.isFile())
        return QStringLiteral("The game was not found at '%1'. Go to 'Fragdeck Options' and "
                              "give in the correct path of the game.")
            .arg(q3path);
    if (q3path.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) {
        if (QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty())
            return QStringLiteral("'%1' is a Windows program, and Wine is not installed to run "
                                  "it. Install Wine, or install ioquake3 or OpenArena and give "
                                  "in its path in 'Fragdeck Options'.")
                .arg(q3path);
        return QString();
    }
    if (!fi.isExecutable())
        return QStringLiteral("'%1' cannot be run: it is not a program.").arg(q3path);
    return QString();
}

namespace
{

// What in `text` would end a game argument or command; empty when nothing does.
QString breakingCharacter(const QString& text, bool blanksBreak)
{
    if (text.contains(QLatin1String("//")))
        return QStringLiteral("\"//\", which starts a comment");
    for (const QChar c : text) {
        if (c == u';')
            return QStringLiteral("\";\", which ends a command");
        if (c == u'"')
            return QStringLiteral("a double quote");
        if (c == u'\r' || c == u'\n')
            return QStringLiteral("a line break");
        if (blanksBreak && (c == u' ' || c == u'\t'))
            return QStringLiteral("a blank, where the game splits arguments");
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("a control character");
    }
    return QString();
}

} // namespace

QString gameArgumentProblem(const QString& what, const QString& value)
{
    if (value.isEmpty())
        return QStringLiteral("No %1 was given. Nothing was written or started.").arg(what);
    const QString found = breakingCharacter(value, true);
    if (found.isEmpty())
        return QString();
    QString shown = value;
    for (QChar& c : shown)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'?';
    return QStringLiteral("The %1 \"%2\" cannot be given to the game: it holds %3. Nothing "
                          "was written or started.")
        .arg(what, shown, found);
}

bool startGame(const QString& q3path, const QString& argumentText, StartedProcess* started,
               QString* error)
{
    const QString problem = gamePathProblem(q3path);
    if (!problem.isEmpty())
        return fail(error, problem);
    const QString found = breakingCharacter(argumentText, false);
    if (!found.isEmpty())
        return fail(
            error,
            QStringLiteral("The game was not started: its command line holds %1.").arg(found));
    const QString local = toLocalPath(q3path);
    const QString folder = folderOf(local);
    if (local.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        return startProgramArgs(QStringLiteral("wine"),
                                QStringList{local} + splitArguments(argumentText), folder,
                                WindowMode::NormalFocus, started, error);
    return startProgram(local, argumentText, folder, WindowMode::NormalFocus, started, error);
}

} // namespace fragdeck
