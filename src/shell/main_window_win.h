// The main window: its class, creation, child controls, layout and the
// process-wide window handles every dialog borrows.
#pragma once

#include <windows.h>

namespace qb {

extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern UINT_PTR PollTimer;

void RegisterMainWindowClass(HINSTANCE instance);
bool InitInstance(HINSTANCE instance, int showCommand);

// Handle of child control 18000-18009, or null for any other id.
HWND GetControlWindow(int id);
// EnableWindow on every created control whose style lacks WS_DISABLED.
void EnableControls(bool enable);
// Moves every row whose rules say so to its computed rectangle.
void LayoutControls();
// Shows the script controls or the command controls for the state and lays
// the window out again.
void ApplyScriptModeLayout(int scriptState);
// Shows the command assistant's three lines (in command mode) or hides them,
// and makes room for them above the command line.
void ShowAssistLines(bool show);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qb
