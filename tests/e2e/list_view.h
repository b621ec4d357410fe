// Reading and driving a report-view list of another process. A list view's
// item messages carry pointers, which Windows (and Wine) do not carry across
// processes: the records go through memory allocated inside the program.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct ListRow {
  std::vector<std::string> texts;  // one per column
  LPARAM data = 0;                 // the item data
  bool selected = false;
  bool focused = false;
};

// Every row of the list with the texts of its first `columns` columns.
std::vector<ListRow> ReadListRows(HWND list, int columns);
// The width of a column in pixels.
int ListColumnWidth(HWND list, int column);
// Selects and focuses the row as a click does (the list notifies its owner).
bool SelectListRow(HWND list, int row);
// Double-clicks the middle of the row.
bool DoubleClickListRow(HWND list, int row);

}  // namespace e2e
