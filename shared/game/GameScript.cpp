#include "GameScript.h"
#include "core/AtomicFile.h"

#include "core/Failure.h"
#include "core/Paths.h"
#include "core/TextFile.h"

#include <QFileInfo>

namespace fragdeck
{

QByteArray rotationLines(const QString& verb, const QString& nextVariable, const QStringList& names,
                         bool loop)
{
    LineWriter out;
    QString pending;
    for (int i = 0; i < names.size(); ++i) {
        const int n = i + 1;
        if (i > 0)
            out.line(pending + QStringLiteral(" ; set %1 vstr d%2\"").arg(nextVariable).arg(n));
        pending = QStringLiteral("set d%1 \"%2 %3").arg(n).arg(verb, names.at(i));
    }
    if (loop)
        out.line(pending + QStringLiteral(" ; set %1 vstr d1\"").arg(nextVariable));
    else
        out.line(pending + u'"');
    out.line(QStringLiteral("vstr d1"));
    return out.bytes();
}

QString scriptStartProblem(const GameInstall& install, const QString& scriptName,
                           const QString& program)
{
    const QString folder = install.scriptFolder;
    if (folder.trimmed().isEmpty())
        return QStringLiteral("The game's data folder is not known, so %1 cannot be "
                              "written. Go to 'Fragdeck Options' and give in the path "
                              "of the game and of its configuration file.")
            .arg(scriptName);
    if (!QFileInfo(toLocalPath(folder)).isDir())
        return QStringLiteral("The game's data folder '%1' does not exist, so %2 cannot "
                              "be written. Go to 'Fragdeck Options' and give in the "
                              "correct path of the game's configuration file.")
            .arg(folder, scriptName);
    return gamePathProblem(program.isEmpty() ? install.program : program);
}

bool writeScriptAndStart(const GameInstall& install, const QString& scriptName,
                         const QByteArray& script, const QString& arguments, const QString& program,
                         StartedProcess* started, QString* error)
{
    const QString problem = scriptStartProblem(install, scriptName, program);
    if (!problem.isEmpty())
        return fail(error, problem);
    const QString folder = install.scriptFolder;
    // A script may carry the rcon password: only its owner reads it.
    AtomicFile file(toLocalPath(folder) + scriptName);
    file.setMode(0600);
    if (!file.open() || !file.write(script) || !file.commit())
        return fail(error, QStringLiteral("The script %1 could not be written: %2")
                               .arg(toLocalPath(folder) + scriptName, file.errorString()));
    QString why;
    if (!startGame(program.isEmpty() ? install.program : program, arguments, started, &why))
        return fail(error, why.isEmpty() ? QStringLiteral("The game could not be started.") : why);
    return true;
}

} // namespace fragdeck
