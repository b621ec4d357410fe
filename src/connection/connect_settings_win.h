// The Connect dialog's defaults in the settings file (section "Connect":
// "Interface", "ComPort", "BaudRate", "IPAddr"), read at start-up and written
// by "Save as Default".
#pragma once

#include "link/instrument_link.h"

namespace qb {

// Reads section "Connect" of the settings file into the link's settings.
void LoadConnectionSettings(const char* settingsFile, InstrumentLink& link);
// Writes the link's four connection settings to section "Connect".
void SaveConnectionSettings(const char* settingsFile, const InstrumentLink& link);

}  // namespace qb
