#include "ServerProcess.h"

#include <QFile>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace fragdeck::starter
{

qint64 processStartTime(qint64 pid)
{
    if (pid <= 0)
        return -1;
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // "pid (name) state ppid ...": the name may hold blanks and parentheses.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = line.mid(close + 1).simplified().split(' ');
    // fields[0] is the state (field 3), fields[19] the start time (field 22).
    if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X")
        return -1;
    bool ok = false;
    const qint64 start = fields[19].toLongLong(&ok);
    return ok ? start : -1;
#else
    return ::kill(pid_t(pid), 0) == 0 ? 0 : -1;
#endif
}

StartedGame StartedGame::of(const QString& text, quint16 port, qint64 pid)
{
    StartedGame g;
    g.text = text;
    g.port = port;
    g.pid = pid;
    g.startTime = processStartTime(pid);
    return g;
}

bool StartedGame::running() const
{
    return pid > 0 && startTime >= 0 && processStartTime(pid) == startTime;
}

bool StartedGame::stop() const
{
    return running() && ::kill(pid_t(pid), SIGTERM) == 0;
}

void StartedGame::kill() const
{
    if (running())
        ::kill(pid_t(pid), SIGKILL);
}

} // namespace fragdeck::starter
