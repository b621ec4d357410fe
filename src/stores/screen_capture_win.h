// The Screen Capture dialog (resource 155), opened by the main window's
// Screen Capture command.
#pragma once

#include <windows.h>

namespace qb {

// Runs the modal dialog owned by owner (the front end's main window when
// null). The main link's poll is off while it is open.
void RunScreenCaptureDialog(HWND owner);

}  // namespace qb
