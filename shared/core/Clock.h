#pragma once
// Time and waiting.
#include <cstdint>
#include <functional>

namespace fragdeck
{

// Milliseconds from a monotonic clock, as a 32-bit signed count (it wraps like the
// classic tick count).
int32_t tickCount();

// Runs the event loop until done() is true or timeoutMs have passed; blocks in the loop
// between events instead of spinning. pollMs > 0 also wakes the loop that often to
// re-check done() (needed where an event cannot wake it, such as a socket whose
// readyRead is being handled further up the stack). Returns done().
bool waitFor(const std::function<bool()>& done, int timeoutMs, int pollMs = 0);

// Lets pending events run, then waits at most maxWaitMs for more (and runs them).
void pumpEvents(int maxWaitMs);

} // namespace fragdeck
