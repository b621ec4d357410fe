// The timer service's platform side on Windows: a periodic timer on the
// default timer queue, and the post of a due timer to its window.
#include <windows.h>

#include "common/timer_service.h"

namespace qb {

namespace {

struct QueueTicker {
  HANDLE timer;
  void (*tick)(void*);
  void* param;
};

VOID CALLBACK OnQueueTimer(PVOID param, BOOLEAN) {
  auto* ticker = static_cast<QueueTicker*>(param);
  ticker->tick(ticker->param);
}

}  // namespace

void* StartPeriodicTick(int periodMs, void (*tick)(void* param), void* param) {
  auto* ticker = new QueueTicker{nullptr, tick, param};
  DWORD period = static_cast<DWORD>(periodMs);
  if (!CreateTimerQueueTimer(&ticker->timer, nullptr, OnQueueTimer, ticker, period, period, WT_EXECUTEDEFAULT)) {
    delete ticker;
    return nullptr;
  }
  return ticker;
}

void StopPeriodicTick(void* ticker) {
  auto* t = static_cast<QueueTicker*>(ticker);
  if (!t) return;
  // INVALID_HANDLE_VALUE: wait for a callback that is running to return.
  DeleteTimerQueueTimer(nullptr, t->timer, INVALID_HANDLE_VALUE);
  delete t;
}

void PostTimerToWindow(void*, const TimerPost& post) {
  HWND target = static_cast<HWND>(post.target);
  if (post.asCommand) {
    PostMessageA(target, WM_COMMAND, static_cast<WPARAM>(post.message), 0);
  } else {
    PostMessageA(target, post.message, 0, 0);
  }
}

}  // namespace qb
