// The command history's ring of sent lines.
#include "shell/history.h"

namespace qb {

CommandHistory History;

void HistoryAdd(CommandHistory& history, const std::string& line) {
  for (int i = 0; i < kHistorySize; ++i) {
    if (history.slots[i].empty()) {
      history.slots[i] = line;
      history.cursor = i;
      return;
    }
  }
  for (int i = 1; i < kHistorySize; ++i) history.slots[i - 1].swap(history.slots[i]);
  history.slots[kHistorySize - 1] = line;
  history.cursor = kHistorySize - 1;
}

static const std::string* EntryAtCursor(const CommandHistory& history) {
  if (history.cursor < 0 || history.cursor >= kHistorySize) return nullptr;
  const std::string& entry = history.slots[history.cursor];
  return entry.empty() ? nullptr : &entry;
}

const std::string* HistoryUp(CommandHistory& history) {
  int cursor = history.cursor - 1;
  if (cursor < 0) {
    // From the oldest entry Up wraps to the newest.
    cursor = -1;
    for (int i = kHistorySize - 1; i >= 0; --i) {
      if (!history.slots[i].empty()) {
        cursor = i;
        break;
      }
    }
    if (cursor < 0) return nullptr;
  }
  history.cursor = cursor;
  return EntryAtCursor(history);
}

const std::string* HistoryDown(CommandHistory& history) {
  int cursor = history.cursor + 1;
  // From the newest entry Down wraps to the oldest.
  if (cursor >= kHistorySize || history.slots[cursor].empty()) cursor = 0;
  history.cursor = cursor;
  return EntryAtCursor(history);
}

void HistoryClear(CommandHistory& history) {
  for (std::string& slot : history.slots) std::string().swap(slot);
  history.cursor = 0;
}

}  // namespace qb
