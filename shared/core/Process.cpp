#include "Process.h"

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

ProcessResult realStart(const ProcessRequest& r)
{
    if (r.resolved.isEmpty())
        return {false, QStringLiteral("The program %1 was not found.").arg(r.program)};
    const QFileInfo fi(r.resolved);
    if (!fi.exists())
        return {false, QStringLiteral("The program %1 does not exist.").arg(r.resolved)};
    if (!fi.isExecutable())
        return {false, QStringLiteral("The program %1 cannot be run.").arg(r.resolved)};
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
            return {false, p.errorString()};
        if (!p.waitForFinished(r.waitMs)) {
            p.kill();
            p.waitForFinished(1000);
            return {true, QStringLiteral("%1 did not end in time.").arg(r.resolved)};
        }
        ProcessResult ended{true, QString()};
        ended.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return ended;
    }
    qint64 pid = 0;
    if (!p.startDetached(&pid))
        return {false, p.errorString()};
    ProcessResult started{true, QString()};
    started.pid = pid;
    return started;
}

ProcessResult run(ProcessRequest r)
{
    if (r.workingFolder.isEmpty())
        r.workingFolder = QDir::currentPath();
    r.workingFolder = toLocalPath(r.workingFolder);
    r.resolved = findProgram(r.program, r.workingFolder);
    if (starter())
        return starter()(r);
    return realStart(r);
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

ProcessResult startProgram(const QString& program, const QString& argumentText,
                           const QString& workingFolder, WindowMode mode)
{
    return run(request(program, splitArguments(argumentText), workingFolder, mode,
                       program + argumentText));
}

ProcessResult startProgramArgs(const QString& program, const QStringList& arguments,
                               const QString& workingFolder, WindowMode mode)
{
    QString commandLine = program;
    for (const QString& a : arguments)
        commandLine += QLatin1Char(' ') + a;
    return run(request(program, arguments, workingFolder, mode, commandLine));
}

ProcessResult startProgramWatched(const QString& program, const QStringList& arguments,
                                  std::function<void(int exitCode)> ended)
{
    QString commandLine = program;
    for (const QString& a : arguments)
        commandLine += QLatin1Char(' ') + a;
    ProcessRequest r =
        request(program, arguments, QDir::currentPath(), WindowMode::NormalFocus, commandLine);
    r.resolved = findProgram(r.program, r.workingFolder);
    if (starter()) {
        // A recorded start "ends" with the recorder's exit status, as a real one would later.
        ProcessResult result = starter()(r);
        if (result.started && result.exitCode >= 0 && ended)
            QTimer::singleShot(0, [ended, code = result.exitCode] { ended(code); });
        return result;
    }
    const QFileInfo fi(r.resolved);
    if (r.resolved.isEmpty() || !fi.isFile() || !fi.isExecutable())
        return realStart(r); // says why
    // No parent: a QProcess destroyed at quit would kill a program that is still running.
    auto* p = new QProcess;
    p->setProgram(r.resolved);
    p->setArguments(r.arguments);
    p->setStandardInputFile(QProcess::nullDevice());
    p->start();
    if (!p->waitForStarted(5000)) {
        ProcessResult failed{false, p->errorString()};
        delete p;
        return failed;
    }
    QObject::connect(p, &QProcess::finished, p, [p, ended](int code, QProcess::ExitStatus status) {
        if (ended)
            ended(status == QProcess::NormalExit ? code : -1);
        p->deleteLater();
    });
    ProcessResult started{true, QString()};
    started.pid = p->processId();
    return started;
}

ProcessResult runProgram(const QString& program, const QString& argumentText,
                         const QString& workingFolder, int timeoutMs)
{
    ProcessRequest r = request(program, splitArguments(argumentText), workingFolder,
                               WindowMode::Hidden, program + argumentText);
    r.waitMs = std::max(1, timeoutMs);
    return run(r);
}

void setProcessStarter(ProcessStarter s)
{
    starter() = std::move(s);
}

} // namespace fragdeck
