// The About dialog (resource 103).
#pragma once

#include <windows.h>

namespace qb {

void RunAboutDialog(HWND owner);

}  // namespace qb
