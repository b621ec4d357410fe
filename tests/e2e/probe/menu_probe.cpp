// A hook library that the end-to-end driver installs into the program's GUI
// thread to read its menu bar. Menus cannot be read from another process under
// Wine, so the driver asks this hook, which runs inside the program, to write
// the menu's items into a shared memory block.
//
// Protocol: the driver creates the file mapping kProbeMapping, installs
// ProbeCallWndProc as a WH_CALLWNDPROC hook on the program's GUI thread and
// sends the registered message kProbeMenuMessage to the main window. The hook
// writes one line per item: popup TAB text TAB id TAB grayed(0/1) LF.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void DescribeMenu(HMENU menu, const std::string& popup, std::string& out) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = sizeof text - 1;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    if (info.hSubMenu) {
      DescribeMenu(info.hSubMenu, text, out);
    } else {
      char line[400];
      snprintf(line, sizeof line, "%s\t%s\t%u\t%d\n", popup.c_str(), text, info.wID,
               (info.fState & MFS_GRAYED) ? 1 : 0);
      out += line;
    }
  }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCallWndProc(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT menuMessage = RegisterWindowMessageA("QuillboxE2EProbeMenu");
  if (code == HC_ACTION) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call->message == menuMessage) {
      std::string text;
      HMENU menu = GetMenu(call->hwnd);
      if (menu) DescribeMenu(menu, "", text);
      HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "QuillboxE2EProbe");
      if (mapping) {
        char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 65536));
        if (view) {
          size_t n = text.size() < 65535 ? text.size() : 65535;
          memcpy(view, text.data(), n);
          view[n] = '\0';
          UnmapViewOfFile(view);
        }
        CloseHandle(mapping);
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
