// The user-interface seam in use and its shortcuts; see ui_seam.h.
#include "common/ui_seam.h"

#include <atomic>

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

// Worker threads show boxes too.
static std::atomic<int> OpenBoxes{0};

int ShowMessageBox(void* owner, const char* text, const char* caption, unsigned flags) {
  ++OpenBoxes;
  int answer = CurrentUiSeam().messageBox(owner, text, caption, flags);
  --OpenBoxes;
  return answer;
}

int OpenMessageBoxes() {
  return OpenBoxes;
}

void* ShowWaitCursor() {
  return CurrentUiSeam().showWaitCursor();
}

void RestoreCursor(void* previous) {
  CurrentUiSeam().restoreCursor(previous);
}

}  // namespace qb
