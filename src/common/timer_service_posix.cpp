// The timer service's platform side natively: a thread that ticks on a fixed
// period until stopped. There are no windows to post to, so a due timer of
// the process-wide service is dropped.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/timer_service.h"

namespace qb {

namespace {

struct PosixTicker {
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  std::thread thread;
};

}  // namespace

void* StartPeriodicTick(int periodMs, void (*tick)(void* param), void* param) {
  auto* ticker = new PosixTicker;
  ticker->thread = std::thread([ticker, periodMs, tick, param] {
    auto next = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(ticker->mutex);
    for (;;) {
      next += std::chrono::milliseconds(periodMs);
      if (ticker->wake.wait_until(lock, next, [ticker] { return ticker->stop; })) return;
      lock.unlock();
      tick(param);
      lock.lock();
    }
  });
  return ticker;
}

void StopPeriodicTick(void* ticker) {
  auto* t = static_cast<PosixTicker*>(ticker);
  if (!t) return;
  {
    std::lock_guard<std::mutex> lock(t->mutex);
    t->stop = true;
  }
  t->wake.notify_all();
  t->thread.join();
  delete t;
}

void PostTimerToWindow(void*, const TimerPost&) {}

}  // namespace qb
