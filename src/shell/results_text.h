// What the results pane shows: unasked bytes from the instrument collected
// into lines, packed numbers rendered as text, the echo of sent commands, and
// the command recalled by a click on an echo line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qb {

constexpr int kAccumulatorSize = 20480;
constexpr int kAccumulatorLimit = kAccumulatorSize - 1;  // bytes a line can hold

struct ResultsAccumulator {
  unsigned char bytes[kAccumulatorSize];
  int count;
};

extern ResultsAccumulator Accumulator;

void ClearAccumulator(ResultsAccumulator& accumulator);

// Feeds one received byte. Returns true when it completed a line: a line end
// after at least one byte, or a full accumulator. The completed line is then
// accumulator.bytes[0 .. count); the caller shows it and clears the
// accumulator. Line ends with nothing collected are skipped.
bool AccumulateByte(ResultsAccumulator& accumulator, int byte);

// The pane text of a received line: bytes below 0x80 as they are, each packed
// number (a byte of 0x80 or above and the three after it) as its text. A
// packed number cut off by the end of the line is read with zeros for its
// missing bytes.
std::string RenderResultLine(const unsigned char* bytes, int count);

// The length a completed line adds to ReceivedCharCount: up to its first zero.
int ReceivedLength(const unsigned char* bytes, int count);

// Whether lines held back from the results pane should go into it now. Each
// append to a large pane costs time in proportion to the pane's size, so the
// poll appends again only after at least as long as the last append took (at
// most half of the time goes into appending, and each append grows as the
// pane does) or once a lot is waiting. Times are tick counts in ms; they may
// wrap.
constexpr size_t kPaneHoldLimit = 4 * 1024 * 1024;
bool PaneAppendDue(uint32_t now, uint32_t lastAppendEnd, uint32_t lastAppendCost, size_t waiting);

// Removes every carriage return and line feed, closing the gaps.
std::string StripLineEnds(const std::string& text);

// The echo of a sent line: "> %s\r\n".
std::string EchoLine(const std::string& line);

// The command shown by the echo line that starts at lineStart in the pane's
// text: the text after "> ", up to 100 characters, ending at a line end; ""
// when the line is not an echo line.
std::string RecallCommandAt(const std::string& paneText, long lineStart);

}  // namespace qb
