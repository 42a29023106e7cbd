#include "Clock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <ctime>

namespace fragdeck
{

int32_t tickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const int64_t ms = int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

void pumpEvents(int maxWaitMs)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (maxWaitMs <= 0)
        return;
    // A precise timer bounds the blocking wait; any event (a datagram, a click) ends it.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(maxWaitMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs, int pollMs)
{
    QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    while (!done()) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return done();
        int slice = int(left);
        if (pollMs > 0 && slice > pollMs)
            slice = pollMs;
        pumpEvents(slice);
    }
    return true;
}

} // namespace fragdeck
