#pragma once
// Starting programs without waiting for them. Command lines are never given to a shell:
// the program is one path (spaces allowed) and the argument text is split at blanks, so
// typed text can never run a command.
#include <QString>
#include <QStringList>
#include <functional>

namespace fragdeck
{

enum class WindowMode { Hidden, NormalFocus };

struct ProcessRequest {
    QString program;  // as the caller named it (a bare name, or a path)
    QString resolved; // after the look-up (empty when not found)
    QStringList arguments;
    QString workingFolder;
    WindowMode mode = WindowMode::NormalFocus;
    int waitMs = 0; // 0: started and left to run; otherwise waited for up to this long
    // The command line as the tool built it: program + argument text.
    QString commandLine;
};

struct ProcessResult {
    bool started = false;
    QString error;     // why it did not start
    int exitCode = -1; // for a program waited for: its exit status (-1: it did not end)
    qint64 pid = 0;    // the started process, when known (0 otherwise)
};

// Starts `program` with `argumentText` (for example " +connect 10.0.0.1:27960") in
// `workingFolder` (the current folder when empty).
ProcessResult startProgram(const QString& program, const QString& argumentText,
                           const QString& workingFolder, WindowMode mode);
// Starts with an explicit argument list (arguments may hold blanks).
ProcessResult startProgramArgs(const QString& program, const QStringList& arguments,
                               const QString& workingFolder, WindowMode mode);

// Starts with an explicit argument list and does not wait; when the program ends by itself
// while the suite runs, `ended` is called (on the event loop) with its exit status, -1 for
// a crash. A program still running when the suite quits is left running.
ProcessResult startProgramWatched(const QString& program, const QStringList& arguments,
                                  std::function<void(int exitCode)> ended);

// Runs `program` hidden and waits up to `timeoutMs` for it to end; exitCode says how it did.
ProcessResult runProgram(const QString& program, const QString& argumentText,
                         const QString& workingFolder, int timeoutMs);

// Splits argument text at runs of blanks; text in double quotes stays one argument
// (quotes removed).
QStringList splitArguments(const QString& argumentText);

// Tests install a starter that records each request instead of starting programs.
using ProcessStarter = std::function<ProcessResult(const ProcessRequest&)>;
void setProcessStarter(ProcessStarter starter); // empty: the real starter

} // namespace fragdeck
