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

// A started program: its process id when known (0 otherwise) and, for a program waited
// for, its exit status (-1: it crashed).
struct StartedProcess {
    qint64 pid = 0;
    int exitCode = -1;
};

// Each start returns false, with why, when the program did not start.

// Starts `program` with `argumentText` (for example " +connect 10.0.0.1:27960") in
// `workingFolder` (the current folder when empty).
bool startProgram(const QString& program, const QString& argumentText, const QString& workingFolder,
                  WindowMode mode, StartedProcess* started = nullptr, QString* error = nullptr);
// Starts with an explicit argument list (arguments may hold blanks).
bool startProgramArgs(const QString& program, const QStringList& arguments,
                      const QString& workingFolder, WindowMode mode,
                      StartedProcess* started = nullptr, QString* error = nullptr);

// Starts with an explicit argument list and does not wait; when the program ends by itself
// while the suite runs, `ended` is called (on the event loop) with its exit status, -1 for
// a crash. A program still running when the suite quits is left running.
bool startProgramWatched(const QString& program, const QStringList& arguments,
                         std::function<void(int exitCode)> ended, StartedProcess* started = nullptr,
                         QString* error = nullptr);

// Runs `program` hidden and waits up to `timeoutMs` for it to end; false when it did not
// start or did not end in time, else `exitCode` says how it ended.
bool runProgram(const QString& program, const QString& argumentText, const QString& workingFolder,
                int timeoutMs, int* exitCode, QString* error = nullptr);

// Splits argument text at runs of blanks; text in double quotes stays one argument
// (quotes removed).
QStringList splitArguments(const QString& argumentText);

// Tests install a starter that records each request instead of starting programs. It is
// always given somewhere to put what it started and why it did not.
using ProcessStarter =
    std::function<bool(const ProcessRequest&, StartedProcess* started, QString* error)>;
void setProcessStarter(ProcessStarter starter); // empty: the real starter

} // namespace fragdeck
