// Driving the common open-file dialog and message boxes through window
// messages. The file name
// box is control edt1 (0x480) in one layout of the dialog and the combo box
// cmb13 (0x47C), with an edit control inside, in the other.
#include "support/file_dialog_win.h"

#include <windows.h>

#include "support/host.h"

namespace qbtest {

namespace {

struct DialogSearch {
  DWORD pid;
  const std::string* title;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  DialogSearch* search = reinterpret_cast<DialogSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = {}, title[256] = {};
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, title, sizeof title);
  if (pid == search->pid && IsWindowVisible(window) && std::string(cls) == "#32770" && *search->title == title) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForDialog(DWORD pid, const std::string& title, int timeoutMs) {
  DialogSearch search{pid, &title, nullptr};
  WaitFor(
      [&] {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeoutMs);
  return search.found;
}

// The edit control that takes the file name.
HWND FileNameBox(HWND dialog) {
  for (int id : {0x47C, 0x480}) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) continue;
    char cls[64] = {};
    GetClassNameA(control, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") == 0) return control;
    // A combo box (or the extended combo box) holds its edit control inside.
    for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_CHILD)) {
      GetClassNameA(child, cls, sizeof cls);
      if (lstrcmpiA(cls, "Edit") == 0) return child;
    }
  }
  return nullptr;
}

bool Press(HWND dialog, int id, int timeoutMs) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  return WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, timeoutMs);
}

}  // namespace

bool ChooseInFileDialog(unsigned long pid, const std::string& title, const std::string& path, int timeoutMs) {
  HWND dialog = WaitForDialog(pid, title, timeoutMs);
  HWND box = dialog ? FileNameBox(dialog) : nullptr;
  if (!box) return false;
  SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  return Press(dialog, IDOK, timeoutMs);
}

bool CancelFileDialog(unsigned long pid, const std::string& title, int timeoutMs) {
  HWND dialog = WaitForDialog(pid, title, timeoutMs);
  return dialog && Press(dialog, IDCANCEL, timeoutMs);
}

std::string AnswerMessageBoxOk(unsigned long pid, const std::string& caption, int timeoutMs) {
  HWND box = WaitForDialog(pid, caption, timeoutMs);
  if (!box || !GetDlgItem(box, 0xFFFF)) return "(no message box)";
  char text[600] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return text;
}

}  // namespace qbtest
