// The results pane's pacing, echo and recall texts.
#include "shell/results_text.h"

namespace qb {

ResultsAccumulator Accumulator;

bool PaneAppendDue(uint32_t now, uint32_t lastAppendEnd, uint32_t lastAppendCost, size_t waiting) {
  if (waiting == 0) return false;
  return waiting >= kPaneHoldLimit || static_cast<uint32_t>(now - lastAppendEnd) >= lastAppendCost;
}

void HoldReceivedLine(std::string& held, const unsigned char* bytes, int count) {
  if (count <= 0 || bytes[0] == 0) return;
  held += RenderResultLine(bytes, count);
  held += "\r\n";
}

const char* const kPaneTrimmedMarker = "--- earlier output was removed from the pane ---\r\n";

size_t PaneTrimCount(size_t paneLength, size_t incoming) {
  if (paneLength + incoming <= kPaneScrollBackLimit) return 0;
  size_t keep = incoming >= kPaneKeepAfterTrim ? 0 : kPaneKeepAfterTrim - incoming;
  return paneLength > keep ? paneLength - keep : 0;
}

size_t PaneBatchStart(const std::string& batch, size_t limit) {
  if (batch.size() <= limit) return 0;
  size_t start = batch.find('\n', batch.size() - limit - 1);
  return start == std::string::npos ? batch.size() : start + 1;
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
