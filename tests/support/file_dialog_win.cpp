// Finding another process's windows, and driving the common open-file dialog
// and message boxes through window messages. The file name box is control
// edt1 (0x480) in one layout of the dialog and the combo box cmb13 (0x47C),
// with an edit control inside, in the other.
#include "support/file_dialog_win.h"

#include <cstring>

#include "support/host.h"

namespace qbtest {

namespace {

struct WindowSearch {
  DWORD pid;
  const char* className;
  const char* title;
  HWND found;
};

// The caption is read without a message, so that a busy window cannot hold
// the search up.
BOOL CALLBACK FindWindowOf(HWND window, LPARAM param) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[256] = {}, title[256] = {};
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, title, sizeof title);
  if (pid != search->pid || !IsWindowVisible(window) || (search->className && strcmp(cls, search->className)) ||
      (search->title && strcmp(title, search->title)))
    return TRUE;
  search->found = window;
  return FALSE;
}

HWND WaitForDialog(DWORD pid, const std::string& title, int timeoutMs) {
  return WaitForWindow(pid, "#32770", title.c_str(), timeoutMs);
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

HWND WaitForWindow(unsigned long pid, const char* className, const char* title, int timeoutMs) {
  WindowSearch search{pid, className, title, nullptr};
  WaitFor(
      [&] {
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeoutMs);
  return search.found;
}

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
