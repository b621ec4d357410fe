// The millisecond clock on POSIX: the monotonic clock.
#include <time.h>

#include "common/duration_text.h"

namespace qb {

uint64_t MillisecondClock() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return CounterToMilliseconds(static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec, 1000000000);
}

}  // namespace qb
