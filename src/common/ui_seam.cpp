// The user-interface seam in use and its shortcuts; see ui_seam.h.
#include "common/ui_seam.h"

namespace qb {

static const UiSeam* InstalledSeam = nullptr;

const UiSeam* SetUiSeam(const UiSeam* seam) {
  const UiSeam* previous = InstalledSeam ? InstalledSeam : DefaultUiSeam();
  InstalledSeam = seam;
  return previous;
}

const UiSeam& CurrentUiSeam() {
  return InstalledSeam ? *InstalledSeam : *DefaultUiSeam();
}

int ShowMessageBox(void* owner, const char* text, const char* caption, unsigned flags) {
  return CurrentUiSeam().messageBox(owner, text, caption, flags);
}

void* ShowWaitCursor() {
  return CurrentUiSeam().showWaitCursor();
}

void RestoreCursor(void* previous) {
  CurrentUiSeam().restoreCursor(previous);
}

}  // namespace qb
