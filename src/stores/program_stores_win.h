// The Programs dialog (resource 158): the instrument's 999 program slots, with
// saving a slot to a QZL file, uploading a QZL file into a slot, deleting a
// slot and loading the default set-up. Runs on the GUI thread over the main
// link; the caller clears the link's polling while it is open.
#pragma once

#include <windows.h>

namespace qb {

// Opens the dialog modally, owned by owner (null: the front end's main window).
void RunProgramStoresDialog(HWND owner);

}  // namespace qb
