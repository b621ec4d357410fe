// The command history: the last 50 lines sent from the command line, and a
// cursor that Up and Down move through them with wrap-around.
#pragma once

#include <string>

namespace qb {

constexpr int kHistorySize = 50;

struct CommandHistory {
  std::string slots[kHistorySize];  // filled from 0 upward; "" = empty
  int cursor = 0;                   // the entry last added or recalled
};

extern CommandHistory History;

// Stores a sent line (without line ends) and rests the cursor on it. When all
// slots are full the oldest entry is dropped.
void HistoryAdd(CommandHistory& history, const std::string& line);
// Moves the cursor one entry back (Up) or forward (Down) with wrap-around and
// returns the entry to show, or nullptr when there is none.
const std::string* HistoryUp(CommandHistory& history);
const std::string* HistoryDown(CommandHistory& history);
void HistoryClear(CommandHistory& history);

}  // namespace qb
