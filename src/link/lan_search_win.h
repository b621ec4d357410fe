// The LAN search behind the Connect dialog's search button and its "Please
// Choose Instrument" dialog (resource 153).
#pragma once

#include <windows.h>

#include "link/lan_search.h"

namespace qb {

// Searches the subnet with both probes; reports "No Instruments found on this
// subnet" when nothing answers, else lets the user choose among the found
// instruments and writes the chosen address into the Connect dialog's IP
// address control.
void FindInstruments(HWND connectDialog);
// Runs the "Please Choose Instrument" dialog over the found instruments.
// Returns the chosen record's index, or -1.
INT_PTR RunChooseInstrumentDialog(HWND owner, FoundInstrumentList* list);

}  // namespace qb
