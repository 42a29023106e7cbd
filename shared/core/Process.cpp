#include "Process.h"

#include "Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
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
