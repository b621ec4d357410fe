// The store dialogs' decisions; see store_view.h.
#include "stores/store_view.h"

namespace qb {

ProgramButtons ProgramButtonsFor(const ProgramRow* selected) {
  ProgramButtons buttons;
  if (!selected) return buttons;
  buttons.upload = true;
  buttons.download = selected->stored;
  buttons.remove = selected->stored;
  buttons.overwrite = selected->stored;
  return buttons;
}

ResultColumns ResultColumnWidths(int clientWidth, int scrollBarWidth) {
  int unit = (clientWidth - scrollBarWidth) / 3;
  if (unit < 0) unit = 0;
  return {static_cast<int>(unit * 0.3), unit * 2, static_cast<int>(unit * 0.7)};
}

QueueChange AddToQueue(std::vector<ResultEntry>& queue, const ResultEntry& entry) {
  for (const ResultEntry& queued : queue) {
    if (queued.number == entry.number) return QueueChange::AlreadyQueued;
  }
  queue.push_back(entry);
  return QueueChange::Added;
}

QueueChange RemoveFromQueue(std::vector<ResultEntry>& queue, int index) {
  if (index < 0 || static_cast<size_t>(index) >= queue.size()) return QueueChange::NoSelection;
  queue.erase(queue.begin() + index);
  return QueueChange::Removed;
}

}  // namespace qb
