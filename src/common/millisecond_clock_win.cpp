// The millisecond clock on Windows: the high-resolution performance counter,
// or the tick count where the machine has no such counter. The counter's
// frequency is asked for once.
#include <windows.h>

#include <atomic>

#include "common/duration_text.h"

namespace qb {

namespace {

// 0: not asked yet; -1: no high-resolution counter; else the frequency.
std::atomic<int64_t> CounterFrequency{0};

}  // namespace

uint64_t MillisecondClock() {
  int64_t frequency = CounterFrequency.load();
  if (frequency == 0) {
    LARGE_INTEGER f;
    frequency = QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : -1;
    CounterFrequency.store(frequency);
  }
  LARGE_INTEGER counter;
  if (frequency < 0 || !QueryPerformanceCounter(&counter)) return GetTickCount();
  return CounterToMilliseconds(counter.QuadPart, frequency);
}

}  // namespace qb
