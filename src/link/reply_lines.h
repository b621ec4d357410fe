// Lines received from the instrument: bytes collected into lines, and each
// line's text with its packed numbers rendered, as the results pane and the
// console program show them.
#pragma once

#include <string>

namespace qb {

constexpr int kAccumulatorSize = 20480;
constexpr int kAccumulatorLimit = kAccumulatorSize - 1;  // bytes a line can hold

struct ResultsAccumulator {
  unsigned char bytes[kAccumulatorSize];
  int count;
};

void ClearAccumulator(ResultsAccumulator& accumulator);

// Feeds one received byte. Returns true when it completed a line: a line end
// after at least one byte, or a full accumulator. The completed line is then
// accumulator.bytes[0 .. count); the caller shows it and clears the
// accumulator. Line ends with nothing collected are skipped.
bool AccumulateByte(ResultsAccumulator& accumulator, int byte);

// The pane text of a received line: bytes below 0x80 as they are, each packed
// number (a byte of 0x80 or above and the three after it) as its text. A
// packed number cut off by the end of the line is read with zeros for its
// missing bytes. The text ends at a zero byte of the line (one outside a
// packed number), so it never holds one.
std::string RenderResultLine(const unsigned char* bytes, int count);

// The length a completed line adds to ReceivedCharCount: up to its first zero.
int ReceivedLength(const unsigned char* bytes, int count);

}  // namespace qb
