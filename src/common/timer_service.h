// One-shot timers that post a message to a window once their interval has
// passed: the progress dialog starts its worker this way, the Download
// Results dialog its first scan. The process-wide service behind AddTimer is
// created on first use and ticks every 10 ms on the platform's timer thread
// (a Win32 timer queue; a plain thread natively) for the rest of the process.
//
// The TimerService class is the whole service with the posting and the clock
// handed in, so tests can run one of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace qb {

// A timer that has come due, as the service hands it to its poster.
struct TimerPost {
  uint32_t id;
  void* target;      // the window (HWND)
  uint32_t message;  // as a command: WM_COMMAND with wParam = message; else the message itself
  bool asCommand;
};

// Delivers a due timer; called on the ticking thread with the list locked.
using TimerPoster = void (*)(void* context, const TimerPost& post);

class TimerService {
 public:
  static constexpr int kTickMs = 10;

  TimerService(TimerPoster poster, void* posterContext, uint64_t (*clock)());
  ~TimerService();  // stops ticking first
  TimerService(const TimerService&) = delete;
  TimerService& operator=(const TimerService&) = delete;

  // Starts the periodic tick (first after 10 ms, then every 10 ms); false
  // when the platform refused. Starting twice does nothing more.
  bool StartTicking();
  // Stops it, waiting for a tick that is running.
  void StopTicking();

  // Adds a timer that comes due intervalMs after now; its id counts up from 1.
  uint32_t Add(double intervalMs, void* target, uint32_t message, bool asCommand);

  // One tick: posts every timer whose time has come, in the order they were
  // added, and forgets them. False (and nothing done) when the list could not
  // be had within one tick's time.
  bool Tick();

  size_t Pending();

 private:
  struct Timer {
    TimerPost post;
    double dueMs;  // start + interval
  };

  TimerPoster poster_;
  void* posterContext_;
  uint64_t (*clock_)();
  std::timed_mutex mutex_;
  std::vector<Timer> timers_;  // in the order added
  uint32_t lastId_ = 0;
  void* ticker_ = nullptr;
};

// Adds a timer to the process-wide service (created on first use): after
// intervalMs, targetWindow receives WM_COMMAND with wParam = message and
// lParam 0 (asCommand), or message with wParam and lParam 0. Returns the id,
// or 0 when the service could not start ticking.
uint32_t AddTimer(double intervalMs, void* targetWindow, uint32_t message, bool asCommand);

// The platform's side, in timer_service_win.cpp and timer_service_posix.cpp:
// a periodic tick and the post of a due timer to its window.
void* StartPeriodicTick(int periodMs, void (*tick)(void* param), void* param);
void StopPeriodicTick(void* ticker);
void PostTimerToWindow(void* context, const TimerPost& post);

}  // namespace qb
