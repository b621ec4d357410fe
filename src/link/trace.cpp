// The traffic trace's formats and the sink it writes to; see trace.h.
#include "link/trace.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace qb {

bool TraceEnabled = true;

static std::atomic<TraceSink> InstalledSink{nullptr};

TraceSink SetTraceSink(TraceSink sink) {
  TraceSink previous = InstalledSink.exchange(sink);
  return previous ? previous : DefaultTraceSink();
}

void TraceWrite(const char* text) {
  TraceSink sink = InstalledSink.load();
  (sink ? sink : DefaultTraceSink())(text);
}

void TraceSend(const InstrumentLink* link, const char* text, int result) {
  if (!TraceEnabled || !link || !link->ConnectedFlag || !text) return;
  char piece[128];
  if (text[0] == '\x14' && text[1] == '\0') {
    snprintf(piece, sizeof piece, ">>r:%d\t\\024\n", result);
    TraceWrite(piece);
    return;
  }
  snprintf(piece, sizeof piece, ">>r:%d\t", result);
  TraceWrite(piece);
  TraceWrite(text);
}

void TraceReply(const InstrumentLink* link, const char* reply, int result) {
  if (!TraceEnabled || !link || !link->ConnectedFlag) return;
  char piece[128];
  snprintf(piece, sizeof piece, "<<r:%d\t", result);
  TraceWrite(piece);
  TraceWrite(reply ? reply : "");
  TraceWrite("\n");
}

void TraceByte(int value) {
  if (!TraceEnabled) return;
  char piece[2] = {value >= 0 ? static_cast<char>(value) : ' ', '\0'};
  TraceWrite(piece);
}

}  // namespace qb
