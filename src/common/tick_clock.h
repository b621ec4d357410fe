// A monotonic millisecond clock and a sleep, for the link's time-outs and
// drains and for identification. Only differences between two readings mean
// anything.
#pragma once

#include <cstdint>

namespace qb {

// Milliseconds since an arbitrary origin; never goes backwards.
uint64_t SteadyMs();
// Suspends the calling thread for about ms milliseconds (nothing when ms <= 0).
void SleepMs(int ms);

}  // namespace qb
