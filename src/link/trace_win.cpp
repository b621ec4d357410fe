// The trace's Windows sink: the debugger output.
#include <windows.h>

#include "link/trace.h"

namespace qb {

static void DebuggerOutput(const char* text) {
  OutputDebugStringA(text);
}

TraceSink DefaultTraceSink() {
  return DebuggerOutput;
}

}  // namespace qb
