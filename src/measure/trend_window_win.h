// The Trend window (Instrument > Trend...): watches queried values on the
// main link while it is open.
#pragma once

#include <windows.h>

namespace qb {

// Opens the modal Trend window owned by owner. The main window's results
// poll is off while it is open.
void RunTrendWindow(HWND owner);

}  // namespace qb
