// Where the settings file lives and the rules for what is read from it and
// written to it, apart from the Win32 private-profile calls themselves
// (settings_win.cpp).
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "connection/connect_settings.h"

namespace qb {

// The value of "Created": "%02d:%02d:%02d %d/%d/%d" as hour, minute, second,
// day, month, year.
std::string FormatCreatedStamp(const std::tm& local);

// A stored window width or height is used only when it is positive and fits
// the screen.
bool StoredSizeUsable(long stored, long screen);
// At exit a size is written when it is usable and differs from the stored one.
bool ShouldSaveSize(long current, long stored, long screen);

// What the program's arguments ask for: "-d" (first two characters) turns the
// trace on; "-d1" also deletes the old debug file. Other arguments do nothing.
struct DebugSwitches {
  bool trace = false;
  bool deleteDebugFile = false;
};
DebugSwitches ScanDebugSwitches(const std::vector<std::string>& arguments);

}  // namespace qb
