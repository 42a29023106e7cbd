#include "ClsTimer.h"

#include "core/Clock.h"

namespace fragdeck::query
{
namespace
{
// Tick differences wrap with the 32-bit count instead of overflowing.
int32_t difference(int32_t later, int32_t earlier)
{
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}
} // namespace

void clsTimer::StopTimer()
{
    m_stop = tickCount();
}

void clsTimer::StartTimer()
{
    m_start = tickCount();
    m_stop = 0;
}

void clsTimer::DebugTrace() const
{
    (void)Elapsed();
}

int32_t clsTimer::Elapsed() const
{
    if (m_stop == 0)
        return difference(tickCount(), m_start);
    return difference(m_stop, m_start);
}

} // namespace fragdeck::query
