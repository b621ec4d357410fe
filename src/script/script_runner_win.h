// The script runner's entry points for the main window: the Script menu
// command's choice and loading of a file, and the tick run on every
// poll-timer tick.
#pragma once

#include <windows.h>

namespace qb {

// Lets the user pick a script file, checks it, loads it into the
// ScriptListBox (no selection) and records its path in CurrentScriptPath.
// False when nothing was loaded: cancelled, or the user was told why the file
// cannot be used; the script loaded before, if any, then stays as it was.
// The caller owns the ScriptState change and the layout.
bool PickAndLoadScript(HWND mainWindow);

// One runner tick (after the results poll): carries out the selected line of
// the ScriptListBox when it is due; posts CMD_RUN_STOP to the main window to
// stop a run, and returns a requested step to Stopped.
void ScriptTick();

}  // namespace qb
