// The native user-interface seam: there is no screen, so message boxes are
// answered with IDOK and the cursor calls do nothing.
#include "common/ui_seam.h"

namespace qb {

static int SilentMessageBox(void*, const char*, const char*, unsigned) {
  return kIdOk;
}

static void* SilentShowWaitCursor() {
  return nullptr;
}

static void SilentRestoreCursor(void*) {}

const UiSeam* DefaultUiSeam() {
  static const UiSeam seam = {SilentMessageBox, SilentShowWaitCursor, SilentRestoreCursor};
  return &seam;
}

}  // namespace qb
