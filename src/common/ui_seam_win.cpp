// The Win32 user-interface seam: MessageBoxA and the IDC_WAIT cursor.
#include <windows.h>

#include "common/ui_seam.h"

namespace qb {

static int Win32MessageBox(void* owner, const char* text, const char* caption, unsigned flags) {
  return MessageBoxA(static_cast<HWND>(owner), text, caption, flags);
}

static void* Win32ShowWaitCursor() {
  return SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

static void Win32RestoreCursor(void* previous) {
  SetCursor(static_cast<HCURSOR>(previous));
}

const UiSeam* DefaultUiSeam() {
  static const UiSeam seam = {Win32MessageBox, Win32ShowWaitCursor, Win32RestoreCursor};
  return &seam;
}

}  // namespace qb
