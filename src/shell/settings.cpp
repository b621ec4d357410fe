// Settings file rules: paths, the creation stamp, stored window sizes and the
// debug switch.
#include "shell/settings.h"

#include <cstdio>

namespace qb {

std::string FormatCreatedStamp(const std::tm& local) {
  char text[64];
  snprintf(text, sizeof text, "%02d:%02d:%02d %d/%d/%d", local.tm_hour, local.tm_min, local.tm_sec, local.tm_mday,
           local.tm_mon + 1, local.tm_year + 1900);
  return text;
}

bool StoredSizeUsable(long stored, long screen) {
  return stored > 0 && stored <= screen;
}

bool ShouldSaveSize(long current, long stored, long screen) {
  return StoredSizeUsable(current, screen) && current != stored;
}

DebugSwitches ScanDebugSwitches(const std::vector<std::string>& arguments) {
  DebugSwitches switches;
  for (const std::string& arg : arguments) {
    if (arg.compare(0, 2, "-d") != 0) continue;
    switches.trace = true;
    if (arg.size() > 2 && arg[2] == '1') switches.deleteDebugFile = true;
  }
  return switches;
}

}  // namespace qb
