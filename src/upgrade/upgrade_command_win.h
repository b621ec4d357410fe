// The Upgrade Firmware menu command on Windows: the open-file dialog, the
// Firmware Files List dialog (151) with the report in a rich-edit control,
// and the Upgrade Firmware dialog (152) whose worker thread reports through
// posted UPG_* commands.
#pragma once

#include <windows.h>

namespace qb {

// Runs the command on the main link. owner owns its dialogs and message
// boxes; null takes the front end's owner window.
void UpgradeFirmwareCommand(HWND owner);

// Posts a heap copy of text as the parameter of WM_COMMAND id to window; the
// receiver frees it with free(). Without a window, or when the post fails,
// the copy is freed at once. True when it was posted.
bool PostTextToWindow(HWND window, int commandId, const char* text);

}  // namespace qb
