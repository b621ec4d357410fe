// Received lines: collection into lines, and packed numbers rendered as text.
#include "link/reply_lines.h"

#include <cstring>

#include "link/instrument_link.h"

namespace qb {

void ClearAccumulator(ResultsAccumulator& accumulator) {
  // Only the bytes in use can be non-zero: the rest of the buffer stays zeroed.
  if (accumulator.count > 0 && accumulator.count <= kAccumulatorSize)
    memset(accumulator.bytes, 0, static_cast<size_t>(accumulator.count));
  else if (accumulator.count != 0)
    memset(accumulator.bytes, 0, sizeof accumulator.bytes);
  accumulator.count = 0;
}

bool AccumulateByte(ResultsAccumulator& accumulator, int byte) {
  bool lineEnd = byte == '\n' || byte == '\r';
  if (accumulator.count < kAccumulatorLimit && !lineEnd)
    accumulator.bytes[accumulator.count++] = static_cast<unsigned char>(byte);
  return accumulator.count > 0 && (lineEnd || accumulator.count >= kAccumulatorLimit);
}

int ReceivedLength(const unsigned char* bytes, int count) {
  int n = 0;
  while (n < count && bytes[n] != 0) ++n;
  return n;
}

std::string RenderResultLine(const unsigned char* bytes, int count) {
  std::string out;
  out.reserve(static_cast<size_t>(count) * 2);
  for (int i = 0; i < count;) {
    if (bytes[i] == 0) break;
    if (bytes[i] < 0x80) {
      out.push_back(static_cast<char>(bytes[i]));
      ++i;
      continue;
    }
    unsigned char packed[4] = {0, 0, 0, 0};
    for (int k = 0; k < 4 && i + k < count; ++k) packed[k] = bytes[i + k];
    char text[kPackedNumberTextSize];
    DecodePackedNumber(packed, text);
    out += text;
    i += 4;
  }
  return out;
}

}  // namespace qb
