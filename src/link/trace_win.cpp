// The trace's Windows sink: the debugger output, written only while someone
// listens to it. The trace shows every byte the results poll reads, and under
// some systems one OutputDebugStringA costs tens of microseconds even with
// nobody listening; unheard, it would cap the poll at a few tens of KB/s.
#include <windows.h>

#include <atomic>

#include "link/trace.h"

namespace qb {

namespace {

// The answer of the last look and when it was taken (tick count + 1, 0 = never).
std::atomic<bool> Listening(false);
std::atomic<DWORD> LookedAt(0);

bool EventExists(const char* name) {
  HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name);
  if (!event) return false;
  CloseHandle(event);
  return true;
}

void DebuggerOutput(const char* text) {
  if (TraceListenerPresent()) OutputDebugStringA(text);
}

}  // namespace

bool TraceListenerPresent() {
  DWORD now = GetTickCount();
  DWORD looked = LookedAt.load();
  if (looked == 0 || now + 1 - looked >= 1000) {
    // A debugger attached to the program, or a debug output viewer, which
    // publishes the DBWIN_BUFFER_READY event while it runs.
    Listening = IsDebuggerPresent() || EventExists("DBWIN_BUFFER_READY") || EventExists("Global\\DBWIN_BUFFER_READY");
    LookedAt = now + 1;
  }
  return Listening.load();
}

TraceSink DefaultTraceSink() {
  return DebuggerOutput;
}

}  // namespace qb
