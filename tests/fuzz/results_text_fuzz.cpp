// Fuzzes what the results pane makes of the instrument's bytes: line
// collection (over-long lines, line ends anywhere), packed-number rendering
// (lead bytes cut off by the line's end), the recall of a clicked line, and
// stored connection settings of any shape. No read or write outside a buffer,
// and every rendered line holds no line end of its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/text_lines.h"
#include "connection/connect_settings.h"
#include "shell/results_text.h"

namespace {

qb::ResultsAccumulator Accumulator;

void CheckLine(const unsigned char* bytes, int count) {
  if (count <= 0 || count > qb::kAccumulatorLimit) abort();
  std::string shown = qb::RenderResultLine(bytes, count);
  // A packed number's 4 bytes become at most 12 characters.
  if (shown.size() > static_cast<size_t>(count) * 3 + 12) abort();
  if (qb::ReceivedLength(bytes, count) > count) abort();
  // What the pane is handed goes through c_str(): it must hold no zero byte.
  std::string held;
  qb::HoldReceivedLine(held, bytes, count);
  if (strlen(held.c_str()) != held.size()) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Each input byte repeated by the next byte's low bits lets short inputs
  // reach over-long lines.
  qb::ClearAccumulator(Accumulator);
  for (size_t i = 0; i < size; ++i) {
    int repeat = (i + 1 < size && data[i] == 'x') ? 1 + data[i + 1] * 97 : 1;
    for (int r = 0; r < repeat; ++r) {
      if (qb::AccumulateByte(Accumulator, data[i])) {
        CheckLine(Accumulator.bytes, Accumulator.count);
        qb::ClearAccumulator(Accumulator);
      }
    }
  }
  // Whatever stays collected is still a line in the making.
  if (Accumulator.count < 0 || Accumulator.count > qb::kAccumulatorLimit) abort();
  for (int i = Accumulator.count; i < qb::kAccumulatorSize; ++i) {
    if (Accumulator.bytes[i] != 0) abort();
  }

  std::string text(reinterpret_cast<const char*>(data), size);
  std::string stripped = qb::StripLineEnds(text);
  if (stripped.find_first_of("\r\n") != std::string::npos) abort();
  long at = size > 0 ? static_cast<long>(data[0]) - 8 : 0;
  std::string recalled = qb::RecallCommandAt(text, at);
  if (recalled.size() > 100 || recalled.find_first_of("\r\n") != std::string::npos) abort();

  qb::InstrumentLink link;
  memset(&link, 0, sizeof link);
  size_t half = size / 2;
  qb::ApplyStoredConnection(size > 0 ? static_cast<long>(data[0]) - 128 : 0, text.substr(0, half),
                            static_cast<long>(size * 1000) - 5000, text.substr(half), link);
  if (link.kind < 0 || link.kind > 3 || strlen(link.portName) > 6 || strlen(link.ipAddress) > 15) abort();
  return 0;
}
