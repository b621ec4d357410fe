// The Sweep dialog (Instrument > Sweep...): steps a setting on the main link
// and tabulates the readings.
#pragma once

#include <windows.h>

namespace qb {

// Opens the modal Sweep dialog owned by owner. The main window's results
// poll is off while it is open.
void RunSweepDialog(HWND owner);

}  // namespace qb
