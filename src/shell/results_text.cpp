// Line collection and rendering for the results pane.
#include "shell/results_text.h"

#include <cstring>

namespace qb {

ResultsAccumulator Accumulator;

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

bool PaneAppendDue(uint32_t now, uint32_t lastAppendEnd, uint32_t lastAppendCost, size_t waiting) {
  if (waiting == 0) return false;
  return waiting >= kPaneHoldLimit || static_cast<uint32_t>(now - lastAppendEnd) >= lastAppendCost;
}

std::string StripLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

std::string EchoLine(const std::string& line) {
  return "> " + line + "\r\n";
}

std::string RecallCommandAt(const std::string& paneText, long lineStart) {
  if (lineStart < 0 || static_cast<size_t>(lineStart) >= paneText.size() || paneText[lineStart] != '>') return "";
  std::string command;
  for (size_t i = static_cast<size_t>(lineStart) + 2; i < paneText.size() && command.size() < 100; ++i) {
    char c = paneText[i];
    if (c == '\r' || c == '\n') break;
    command.push_back(c);
  }
  return command;
}

}  // namespace qb
