// The debug trace of the link's traffic. While TraceEnabled is set, sends,
// reply lines and single-byte reads are written piece by piece to a sink:
// OutputDebugStringA on Windows, nothing natively unless a sink is installed.
//
//   send        ">>r:%d\t" with the send result, then the text itself
//               (a lone DC4 shows as ">>r:%d\t\\024\n")  - only while connected
//   reply line  "<<r:%d\t", the reply as read, "\n"    - only while connected
//   byte read   the byte as a one-character text, or " " when none came
#pragma once

#include "link/instrument_link.h"

namespace qb {

using TraceSink = void (*)(const char* text);

// The platform's sink: OutputDebugStringA on Windows, a no-op natively.
TraceSink DefaultTraceSink();

#ifdef _WIN32
// Whether anyone hears the debugger output: a debugger attached to the
// program or a debug output viewer running. Looked up at most once a second.
// The Windows sink writes only while this holds.
bool TraceListenerPresent();
#endif
// Installs a sink (null puts the default back); returns the one it replaced.
TraceSink SetTraceSink(TraceSink sink);

// Writes one piece to the sink in use, whatever TraceEnabled says.
void TraceWrite(const char* text);

void TraceSend(const InstrumentLink* link, const char* text, int result);
void TraceReply(const InstrumentLink* link, const char* reply, int result);
void TraceByte(int value);

}  // namespace qb
