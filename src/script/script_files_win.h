// The script runner's file side on Windows: the open-file dialog that picks a
// script, the check and loading of the file into the main window's
// ScriptListBox, and the list box as the interpreter's listing.
#pragma once

#include <windows.h>

#include "script/script_seam.h"

namespace qb {

// A list box (no sorting) seen as the script listing.
class ScriptListBox final : public ScriptListing {
 public:
  explicit ScriptListBox(HWND box) : box_(box) {}
  void Clear() override;
  void Reserve(int lineCount, size_t textBytes) override;
  void AddLine(const char* text) override;
  int LineCount() override;
  void LineText(int index, char* buffer, int size) override;
  int Selection() override;
  void SetSelection(int index) override;

 private:
  HWND box_;
};

// Shows the open-file dialog "Select Script File" (filter "Script Files",
// *.txt) and checks the chosen file without loading it. False when the user
// cancelled or the file is no script (the user has then been told why).
bool SelectScriptFile(HWND owner, char* path, int size);

// Reads and checks the file; with fill and a list box, the list box then holds
// the script's lines with no selection. A file that cannot be read or is no
// script is reported in a message box ("Vantor", information icon) and
// leaves the list box as it was.
bool LoadScriptFile(HWND owner, HWND listBox, const char* path, bool fill);

}  // namespace qb
