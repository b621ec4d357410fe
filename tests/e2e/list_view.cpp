// Reading and driving another process's list view; see list_view.h.
#include "list_view.h"

#include <commctrl.h>

#include <cstring>

namespace e2e {

namespace {

// A block of memory inside the process that owns a window, for the records a
// message points at.
class RemoteMemory {
 public:
  RemoteMemory(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) base_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
  }
  ~RemoteMemory() {
    if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  bool Ok() const { return base_ != nullptr; }
  char* At(size_t offset) const { return base_ + offset; }
  bool Write(size_t offset, const void* data, size_t size) {
    SIZE_T done = 0;
    return offset + size <= size_ && WriteProcessMemory(process_, base_ + offset, data, size, &done) && done == size;
  }
  bool Read(size_t offset, void* data, size_t size) const {
    SIZE_T done = 0;
    return offset + size <= size_ && ReadProcessMemory(process_, base_ + offset, data, size, &done) && done == size;
  }

 private:
  HANDLE process_ = nullptr;
  char* base_ = nullptr;
  size_t size_;
};

constexpr size_t kTextOffset = 512;  // the item record first, its text after it
constexpr int kTextChars = 260;

std::string ItemText(HWND list, RemoteMemory& memory, int row, int column) {
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<LPWSTR>(memory.At(kTextOffset));
  item.cchTextMax = kTextChars;
  wchar_t empty = 0;
  if (!memory.Write(0, &item, sizeof item) || !memory.Write(kTextOffset, &empty, sizeof empty)) return "";
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0)));
  wchar_t wide[kTextChars] = {};
  if (!memory.Read(kTextOffset, wide, sizeof wide)) return "";
  wide[kTextChars - 1] = 0;
  char text[kTextChars * 2] = "";
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

}  // namespace

std::vector<ListRow> ReadListRows(HWND list, int columns) {
  std::vector<ListRow> rows;
  RemoteMemory memory(list, kTextOffset + kTextChars * sizeof(wchar_t));
  if (!memory.Ok()) return rows;
  int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    ListRow r;
    for (int column = 0; column < columns; ++column) r.texts.push_back(ItemText(list, memory, row, column));
    LVITEMW item = {};
    item.mask = LVIF_PARAM | LVIF_STATE;
    item.iItem = row;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (memory.Write(0, &item, sizeof item) &&
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.At(0))) &&
        memory.Read(0, &item, sizeof item)) {
      r.data = item.lParam;
      r.selected = (item.state & LVIS_SELECTED) != 0;
      r.focused = (item.state & LVIS_FOCUSED) != 0;
    }
    rows.push_back(r);
  }
  return rows;
}

int ListColumnWidth(HWND list, int column) {
  return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

bool SelectListRow(HWND list, int row) {
  RemoteMemory memory(list, sizeof(LVITEMW));
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  return memory.Ok() && memory.Write(0, &item, sizeof item) &&
         SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0)));
}

bool DoubleClickListRow(HWND list, int row) {
  RemoteMemory memory(list, sizeof(RECT));
  RECT bounds = {};
  bounds.left = LVIR_BOUNDS;
  if (!memory.Ok() || !memory.Write(0, &bounds, sizeof bounds) ||
      !SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0))) ||
      !memory.Read(0, &bounds, sizeof bounds))
    return false;
  LPARAM point = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
  // As the mouse does it: the first click selects, the second is the double click.
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageW(list, WM_LBUTTONUP, 0, point);
  PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
  PostMessageW(list, WM_LBUTTONUP, 0, point);
  return true;
}

}  // namespace e2e
