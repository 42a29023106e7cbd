#pragma once
// The game or server a start started: watched, and stopped when the player asks.
#include <QString>
#include <QtGlobal>

namespace fragdeck::starter
{

// When the running process `pid` started, as the system counts it; -1 when no such process
// runs (an ended one that its parent has not collected yet counts as ended). With it a stop
// tells its own process from a later one that was given the same number.
qint64 processStartTime(qint64 pid);

struct StartedGame {
    QString text; // what was started, as the window says it
    quint16 port = 0;
    qint64 pid = 0; // 0: not known, so it cannot be stopped
    qint64 startTime = -1;
    bool stopped = false; // the player stopped it

    // Records the process that started just now.
    static StartedGame of(const QString& text, quint16 port, qint64 pid);
    bool running() const;
    // Asks it to end (SIGTERM), as a server's console does on "quit"; false when it had
    // ended already.
    bool stop() const;
    // Ends it at once (SIGKILL), for one that does not end when asked.
    void kill() const;
};

} // namespace fragdeck::starter
