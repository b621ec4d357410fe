// The results pane and the command line as Win32 controls: appending text,
// reading the typed line, and the poll that moves unasked instrument output
// into the pane.
#pragma once

#include <windows.h>

#include <string>

namespace qb {

// Appends text at the end of an edit control. For the results pane, lines the
// poll still holds back go in first, so the pane keeps the order of events.
void AppendToResults(HWND control, const char* text);
// Puts the lines the poll holds back into the results pane now (before a
// disconnect), or forgets them (when the pane is cleared).
void FlushResults();
void DiscardHeldResults();
// The first line of an edit control, at most size - 1 characters.
std::string GetCommandLineText(HWND control, int size);
// Moves every byte the instrument sent into the pane, line by line; with reset
// set it only forgets a partly received line.
void ResultsPoll(HWND main, bool reset);

}  // namespace qb
