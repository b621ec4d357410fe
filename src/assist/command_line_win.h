// The command assistant's window procedure for the CommandLine, put in front
// of the procedure the shell installed there.
#pragma once

#include <windows.h>

namespace qb {

// Handles the dictionary mode, the Tab key (MSG_COMPLETE_KEY), characters and
// key presses for the assistant; passes everything else to the procedure set
// with MSG_SET_CHAINED_PROC.
LRESULT CALLBACK CommandLineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Replaces the command line's window procedure with CommandLineProc and
// chains the previous one behind it, so Enter still reaches the shell.
void AttachCommandAssistant(HWND commandLine);

}  // namespace qb
