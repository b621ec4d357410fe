// The main window's command handler: every menu item, the buttons and the
// internal commands other code posts to the main window.
#pragma once

#include <windows.h>

namespace qb {

// Returns false for ids it does not handle (they go to DefWindowProcA).
bool HandleCommand(HWND main, int id, LPARAM lParam);

}  // namespace qb
