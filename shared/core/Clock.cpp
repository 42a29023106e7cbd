#include "Clock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <ctime>

namespace fragdeck
{

namespace
{

class SystemClock final : public Clock
{
public:
    int64_t nowNs() const override
    {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }
};

const SystemClock systemClock;
std::atomic<const Clock*> clockInUse{&systemClock};

} // namespace

int64_t Clock::now()
{
    return clockInUse.load(std::memory_order_relaxed)->nowNs();
}

const Clock* Clock::replace(const Clock* clock)
{
    return clockInUse.exchange(clock ? clock : &systemClock);
}

int32_t tickCount()
{
    const int64_t ms = Clock::now() / 1000000;
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
