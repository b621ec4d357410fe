// The timer list, its tick and the process-wide service; see timer_service.h.
#include "common/timer_service.h"

#include <chrono>

#include "common/duration_text.h"

namespace qb {

TimerService::TimerService(TimerPoster poster, void* posterContext, uint64_t (*clock)())
    : poster_(poster), posterContext_(posterContext), clock_(clock ? clock : MillisecondClock) {}

TimerService::~TimerService() {
  StopTicking();
}

bool TimerService::StartTicking() {
  if (ticker_) return true;
  ticker_ = StartPeriodicTick(
      kTickMs, [](void* self) { static_cast<TimerService*>(self)->Tick(); }, this);
  return ticker_ != nullptr;
}

void TimerService::StopTicking() {
  if (!ticker_) return;
  StopPeriodicTick(ticker_);
  ticker_ = nullptr;
}

uint32_t TimerService::Add(double intervalMs, void* target, uint32_t message, bool asCommand) {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  Timer timer;
  timer.post = {++lastId_, target, message, asCommand};
  timer.dueMs = static_cast<double>(clock_()) + intervalMs;
  timers_.push_back(timer);
  return timer.post.id;
}

bool TimerService::Tick() {
  std::unique_lock<std::timed_mutex> lock(mutex_, std::chrono::milliseconds(kTickMs));
  if (!lock.owns_lock()) return false;
  const double now = static_cast<double>(clock_());
  for (size_t i = 0; i < timers_.size();) {
    if (timers_[i].dueMs <= now) {
      if (poster_) poster_(posterContext_, timers_[i].post);
      timers_.erase(timers_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  return true;
}

size_t TimerService::Pending() {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  return timers_.size();
}

uint32_t AddTimer(double intervalMs, void* targetWindow, uint32_t message, bool asCommand) {
  // Never destroyed: the ticking thread may run until the process ends.
  static TimerService* service = [] {
    TimerService* s = new TimerService(PostTimerToWindow, nullptr, MillisecondClock);
    s->StartTicking();
    return s;
  }();
  if (!service->StartTicking()) return 0;
  return service->Add(intervalMs, targetWindow, message, asCommand);
}

}  // namespace qb
