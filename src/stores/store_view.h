// Decisions the store dialogs take, as plain functions: which Programs
// buttons a selection enables and what the upload button says, the results
// dialog's column widths, and the download queue (no result twice).
#pragma once

#include <string>
#include <vector>

#include "stores/store_format.h"

namespace qb {

struct ProgramButtons {
  bool upload = false;
  bool download = false;
  bool remove = false;     // the Delete button
  bool overwrite = false;  // upload button titled "Overwrite with QZL file"
};

// The buttons for the selected row; null when no row is selected (then none
// is usable, so nothing acts on a slot that is not selected).
ProgramButtons ProgramButtonsFor(const ProgramRow* selected);

struct ResultColumns {
  int id, name, date;
};

// "ID", "Name" and "Date" widths for a list of that client width: a third of
// the width left beside a vertical scroll bar, times 0.3, 2 and 0.7.
ResultColumns ResultColumnWidths(int clientWidth, int scrollBarWidth);

enum class QueueChange { Added, AlreadyQueued, Removed, NoSelection };

// Appends a copy of entry unless one with its number is queued.
QueueChange AddToQueue(std::vector<ResultEntry>& queue, const ResultEntry& entry);
// Removes queue row index (-1 or out of range: no selection).
QueueChange RemoveFromQueue(std::vector<ResultEntry>& queue, int index);

}  // namespace qb
