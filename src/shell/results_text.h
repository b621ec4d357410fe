// What the results pane shows beside the received lines: the pacing of
// appends, the echo of sent commands, and the command recalled by a click on
// an echo line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/reply_lines.h"

namespace qb {

// The results pane's line being collected.
extern ResultsAccumulator Accumulator;

// Whether lines held back from the results pane should go into it now. Each
// append to a large pane costs time in proportion to the pane's size, so the
// poll appends again only after at least as long as the last append took (at
// most half of the time goes into appending, and each append grows as the
// pane does) or once a lot is waiting. Times are tick counts in ms; they may
// wrap.
constexpr size_t kPaneHoldLimit = 4 * 1024 * 1024;
bool PaneAppendDue(uint32_t now, uint32_t lastAppendEnd, uint32_t lastAppendCost, size_t waiting);

// Adds a completed received line to the text held for the pane: its
// rendering and "\r\n", or nothing for a line whose first byte is 0. The held
// text goes to the edit control as a zero-terminated string, so it never
// holds a zero byte.
void HoldReceivedLine(std::string& held, const unsigned char* bytes, int count);

// The pane keeps at most kPaneScrollBackLimit characters. When an append
// would pass it, whole lines go from the top, down to three quarters of the
// limit, and the marker line takes their place.
constexpr size_t kPaneScrollBackLimit = 2 * 1024 * 1024;
constexpr size_t kPaneKeepAfterTrim = kPaneScrollBackLimit / 4 * 3;
extern const char* const kPaneTrimmedMarker;
// How many characters must go from the top of a pane of paneLength
// characters before incoming more are appended (the caller rounds up to a
// line start); 0 when everything fits.
size_t PaneTrimCount(size_t paneLength, size_t incoming);
// Where the part of a batch that a pane can take whole starts: the first line
// start from which at most limit characters remain (0 when all fit).
size_t PaneBatchStart(const std::string& batch, size_t limit);

// The echo of a sent line: "> %s\r\n".
std::string EchoLine(const std::string& line);

// The command shown by the echo line that starts at lineStart in the pane's
// text: the text after "> ", up to 100 characters, ending at a line end; ""
// when the line is not an echo line.
std::string RecallCommandAt(const std::string& paneText, long lineStart);

}  // namespace qb
