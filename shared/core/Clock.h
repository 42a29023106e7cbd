#pragma once
// Time and waiting.
#include <cstdint>
#include <functional>

namespace fragdeck
{

// Where the program reads the time: the system's monotonic clock unless a test put another
// in its place. Only reading goes through it; waits and timers always run on the real clock.
class Clock
{
public:
    virtual ~Clock() = default;
    // Nanoseconds from an arbitrary origin; never runs backwards.
    virtual int64_t nowNs() const = 0;

    // Now, on the clock in use. Cheap enough to stamp every datagram.
    static int64_t now();
    // Puts clock in use (nullptr: the system's again) and returns the one it replaced.
    static const Clock* replace(const Clock* clock);
};

// Milliseconds from the clock in use, as a 32-bit signed count (it wraps like the classic
// tick count).
int32_t tickCount();

// Runs the event loop until done() is true or timeoutMs have passed; blocks in the loop
// between events instead of spinning. pollMs > 0 also wakes the loop that often to
// re-check done() (needed where an event cannot wake it, such as a socket whose
// readyRead is being handled further up the stack). Returns done().
bool waitFor(const std::function<bool()>& done, int timeoutMs, int pollMs = 0);

// Lets pending events run, then waits at most maxWaitMs for more (and runs them).
void pumpEvents(int maxWaitMs);

} // namespace fragdeck
