// The monotonic clock and sleep behind the link's time-outs; see tick_clock.h.
// The standard library's steady clock serves both platforms.
#include "common/tick_clock.h"

#include <chrono>
#include <thread>

namespace qb {

uint64_t SteadyMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

void SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace qb
