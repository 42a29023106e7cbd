#include "Process.h"

#include "core/Failure.h"
#include "core/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <algorithm>

namespace fragdeck
{
namespace
{

ProcessStarter& starter()
{
    static ProcessStarter s;
    return s;
}

bool realStart(const ProcessRequest& r, StartedProcess* started, QString* error)
{
    if (r.resolved.isEmpty())
        return fail(error, QStringLiteral("The program %1 was not found.").arg(r.program));
    const QFileInfo fi(r.resolved);
    if (!fi.exists())
        return fail(error, QStringLiteral("The program %1 does not exist.").arg(r.resolved));
    if (!fi.isExecutable())
        return fail(error, QStringLiteral("The program %1 cannot be run.").arg(r.resolved));
    QProcess p;
    p.setProgram(r.resolved);
    p.setArguments(r.arguments);
    p.setWorkingDirectory(r.workingFolder);
    if (r.mode == WindowMode::Hidden) {
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
    }
    p.setStandardInputFile(QProcess::nullDevice());
    if (r.waitMs > 0) {
        p.start();
        if (!p.waitForStarted(r.waitMs))
            return fail(error, p.errorString());
        if (!p.waitForFinished(r.waitMs)) {
            p.kill();
            p.waitForFinished(1000);
            return fail(error, QStringLiteral("%1 did not end in time.").arg(r.resolved));
        }
        started->exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return true;
    }
    if (!p.startDetached(&started->pid))
        return fail(error, p.errorString());
    return true;
}

// Every start goes through here, so callers may leave `started` and `error` null.
bool run(ProcessRequest r, StartedProcess* started, QString* error)
{
    if (r.workingFolder.isEmpty())
        r.workingFolder = QDir::currentPath();
    r.workingFolder = toLocalPath(r.workingFolder);
    r.resolved = findProgram(r.program, r.workingFolder);
    StartedProcess scratch;
    QString why;
    const bool ok = starter() ? starter()(r, &scratch, &why) : realStart(r, &scratch, &why);
    if (started)
        *started = scratch;
    return ok || fail(error, why);
}

ProcessRequest request(const QString& program, const QStringList& arguments,
                       const QString& workingFolder, WindowMode mode, const QString& commandLine)
{
    ProcessRequest r;
    r.program = program;
    r.arguments = arguments;
    r.workingFolder = workingFolder;
    r.mode = mode;
    r.commandLine = commandLine;
    return r;
}

} // namespace

QStringList splitArguments(const QString& argumentText)
{
    QStringList args;
    QString cur;
    bool inQuotes = false, have = false;
    for (const QChar c : argumentText) {
        if (c == u'"') {
            inQuotes = !inQuotes;
            have = true;
        } else if (!inQuotes && (c == u' ' || c == u'\t')) {
            if (have)
                args.append(cur);
            cur.clear();
            have = false;
        } else {
            cur += c;
            have = true;
        }
    }
    if (have)
        args.append(cur);
    return args;
}

bool startProgram(const QString& program, const QString& argumentText, const QString& workingFolder,
                  WindowMode mode, StartedProcess* started, QString* error)
{
    return run(
        request(program, splitArguments(argumentText), workingFolder, mode, program + argumentText),
        started, error);
}

bool startProgramArgs(const QString& program, const QStringList& arguments,
                      const QString& workingFolder, WindowMode mode, StartedProcess* started,
                      QString* error)
{
    QString commandLine = program;
    for (const QString& a : arguments)
        commandLine += QLatin1Char(' ') + a;
    return run(request(program, arguments, workingFolder, mode, commandLine), started, error);
}

bool startProgramWatched(const QString& program, const QStringList& arguments,
                         std::function<void(int exitCode)> ended, StartedProcess* started,
                         QString* error)
{
    QString commandLine = program;
    for (const QString& a : arguments)
        commandLine += QLatin1Char(' ') + a;
    ProcessRequest r =
        request(program, arguments, QDir::currentPath(), WindowMode::NormalFocus, commandLine);
    r.resolved = findProgram(r.program, r.workingFolder);
    StartedProcess scratch;
    StartedProcess& out = started ? *started : scratch;
    out = {};
    if (starter()) {
        // A recorded start "ends" with the recorder's exit status, as a real one would later.
        QString why;
        if (!starter()(r, &out, &why))
            return fail(error, why);
        if (out.exitCode >= 0 && ended)
            QTimer::singleShot(0, [ended, code = out.exitCode] { ended(code); });
        return true;
    }
    const QFileInfo fi(r.resolved);
    if (r.resolved.isEmpty() || !fi.isFile() || !fi.isExecutable())
        return realStart(r, &out, error); // says why
    // No parent: a QProcess destroyed at quit would kill a program that is still running.
    auto* p = new QProcess;
    p->setProgram(r.resolved);
    p->setArguments(r.arguments);
    p->setStandardInputFile(QProcess::nullDevice());
    p->start();
    if (!p->waitForStarted(5000)) {
        const QString why = p->errorString();
        delete p;
        return fail(error, why);
    }
    QObject::connect(p, &QProcess::finished, p, [p, ended](int code, QProcess::ExitStatus status) {
        if (ended)
            ended(status == QProcess::NormalExit ? code : -1);
        p->deleteLater();
    });
    out.pid = p->processId();
    return true;
}

bool runProgram(const QString& program, const QString& argumentText, const QString& workingFolder,
                int timeoutMs, int* exitCode, QString* error)
{
    ProcessRequest r = request(program, splitArguments(argumentText), workingFolder,
                               WindowMode::Hidden, program + argumentText);
    r.waitMs = std::max(1, timeoutMs);
    StartedProcess ran;
    const bool ok = run(r, &ran, error);
    *exitCode = ran.exitCode;
    return ok;
}

void setProcessStarter(ProcessStarter s)
{
    starter() = std::move(s);
}

} // namespace fragdeck
