// Picking and loading script files on Windows, and the ScriptListBox adaptor
// through which the interpreter and the runner read and move the script.
#include "script/script_files_win.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "common/ui_seam.h"
#include "resources/text_table.h"
#include "script/script_loader.h"

namespace qb {

void ScriptListBox::Clear() {
  SendMessageA(box_, LB_RESETCONTENT, 0, 0);
}

void ScriptListBox::Reserve(int lineCount, size_t textBytes) {
  SendMessageA(box_, LB_INITSTORAGE, static_cast<WPARAM>(lineCount), static_cast<LPARAM>(textBytes));
}

void ScriptListBox::AddLine(const char* text) {
  SendMessageA(box_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

int ScriptListBox::LineCount() {
  LRESULT count = SendMessageA(box_, LB_GETCOUNT, 0, 0);
  return count > 0 ? static_cast<int>(count) : 0;
}

void ScriptListBox::LineText(int index, char* buffer, int size) {
  if (size <= 0) return;
  buffer[0] = '\0';
  if (index < 0) return;
  // LB_GETTEXT takes no buffer size: read into a buffer of the item's length.
  LRESULT length = SendMessageA(box_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return;
  std::string text(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied = SendMessageA(box_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
  if (copied < 0) return;
  size_t n = static_cast<size_t>(copied < size - 1 ? copied : size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

int ScriptListBox::Selection() {
  LRESULT selection = SendMessageA(box_, LB_GETCURSEL, 0, 0);
  return selection >= 0 ? static_cast<int>(selection) : -1;
}

void ScriptListBox::SetSelection(int index) {
  SendMessageA(box_, LB_SETCURSEL, index < 0 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(index), 0);
}

bool SelectScriptFile(HWND owner, char* path, int size) {
  if (!path || size <= 0) return false;
  std::memset(path, 0, static_cast<size_t>(size));
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = "Script Files\0*.txt\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = static_cast<DWORD>(size);
  dialog.lpstrTitle = TextTableEntry(TXT_SELECT_SCRIPT_FILE);
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&dialog)) return false;
  return LoadScriptFile(owner, nullptr, path, false);
}

bool LoadScriptFile(HWND owner, HWND listBox, const char* path, bool fill) {
  bool filling = fill && listBox;
  ScriptListBox listing(listBox);
  std::string message;
  void* cursor = ShowWaitCursor();
  if (filling) SendMessageA(listBox, WM_SETREDRAW, FALSE, 0);
  bool loaded = ReadScriptFile(path, filling ? &listing : nullptr, &message);
  if (filling) {
    SendMessageA(listBox, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox, nullptr, TRUE);
  }
  RestoreCursor(cursor);
  if (!loaded) ShowMessageBox(owner, message.c_str(), TextTableEntry(TXT_PROGRAM_NAME), kMbIconInformation);
  return loaded;
}

}  // namespace qb
