#pragma once
// A clock that moves only when the test moves it, in use for the object's lifetime: what
// the code under test stamps and decides from it is exact. Timers still run on the real
// clock, so code that re-checks the time from a timer sees a move within a timer's period.
#include "core/Clock.h"

namespace fragdeck::test
{

class ManualClock final : public Clock
{
public:
    explicit ManualClock(int64_t startNs = int64_t(1000) * 1000000000)
        : m_ns(startNs), m_previous(Clock::replace(this))
    {
    }
    ~ManualClock() override { Clock::replace(m_previous); }
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    int64_t nowNs() const override { return m_ns; }
    void setNs(int64_t ns) { m_ns = ns; }
    void advanceUs(int64_t us) { m_ns += us * 1000; }
    void advanceMs(int64_t ms) { m_ns += ms * 1000000; }

private:
    int64_t m_ns;
    const Clock* m_previous;
};

} // namespace fragdeck::test
