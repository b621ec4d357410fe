// The Connect dialog's defaults in the settings file (section "Connect":
// "Interface", "ComPort", "BaudRate", "IPAddr"), read at start-up and written
// by "Save as Default".
#pragma once

#include <string>

#include "link/instrument_link.h"

namespace qb {

// The user's local application data folder, looked up at run time in
// SHFOLDER.DLL; "" when the library or the function is missing.
std::string LocalAppDataFolder();

// Reads section "Connect" of the settings file into the link's settings.
void LoadConnectionSettings(const char* settingsFile, InstrumentLink& link);
// Writes the link's four connection settings to section "Connect".
void SaveConnectionSettings(const char* settingsFile, const InstrumentLink& link);

}  // namespace qb
