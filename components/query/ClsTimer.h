#pragma once
// A millisecond stopwatch over the system tick count. A stop reading of 0 means running.
#include <cstdint>

namespace fragdeck::query
{

class clsTimer
{
public:
    void StopTimer();
    void StartTimer();
    void DebugTrace() const;
    // Running: now - start; stopped: stop - start (wrapping like the tick count).
    int32_t Elapsed() const;

private:
    int32_t m_start = 0;
    int32_t m_stop = 0;
};

} // namespace fragdeck::query
