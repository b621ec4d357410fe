// How portable code reaches the user: a message box and the wait cursor.
// On Windows the default seam calls MessageBoxA and SetCursor; natively the
// default shows nothing and answers every box with IDOK. Tests install a seam
// of their own that records what would have been shown.
#pragma once

namespace qb {

// Message-box flags and results, with the platform's values.
constexpr unsigned kMbOk = 0x00;
constexpr unsigned kMbOkCancel = 0x01;
constexpr unsigned kMbYesNo = 0x04;
constexpr unsigned kMbIconExclamation = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

struct UiSeam {
  // Shows a modal message box owned by owner (a window handle or null) and
  // returns the button chosen.
  int (*messageBox)(void* owner, const char* text, const char* caption, unsigned flags);
  // Shows the wait cursor; returns the cursor it replaced.
  void* (*showWaitCursor)();
  // Puts back the cursor that showWaitCursor returned.
  void (*restoreCursor)(void* previous);
};

// The platform's own seam (Win32 on Windows, silent natively).
const UiSeam* DefaultUiSeam();
// Installs a seam (null puts the default back); returns the one it replaced.
const UiSeam* SetUiSeam(const UiSeam* seam);
// The seam in use.
const UiSeam& CurrentUiSeam();

// Shortcuts through the seam in use.
int ShowMessageBox(void* owner, const char* text, const char* caption, unsigned flags);
// How many message boxes of the user-interface thread are open right now. A
// box runs a message loop of its own; timer work that must not run again
// inside it (the results poll, the script tick) checks this first.
int OpenMessageBoxes();
void* ShowWaitCursor();
void RestoreCursor(void* previous);

}  // namespace qb
