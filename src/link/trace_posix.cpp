// The trace's native sink: there is no debugger output, so the trace goes
// nowhere until a sink is installed (tests install one to read it).
#include "link/trace.h"

namespace qb {

static void DiscardTrace(const char*) {}

TraceSink DefaultTraceSink() {
  return DiscardTrace;
}

}  // namespace qb
