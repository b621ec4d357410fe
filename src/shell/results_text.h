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

// The echo of a sent line: "> %s\r\n".
std::string EchoLine(const std::string& line);

// The command shown by the echo line that starts at lineStart in the pane's
// text: the text after "> ", up to 100 characters, ending at a line end; ""
// when the line is not an echo line.
std::string RecallCommandAt(const std::string& paneText, long lineStart);

}  // namespace qb
