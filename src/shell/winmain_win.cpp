// Program entry: the command-line switch, the main window and the message
// loop. Tab in the command line never reaches the edit control: the loop turns
// it into MSG_COMPLETE_KEY for the command assistant.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "link/instrument_link.h"
#include "resources/resource.h"
#include "shell/main_window_win.h"
#include "shell/settings.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.push_back(__argv[i]);
  qb::DebugSwitches switches = qb::ScanDebugSwitches(arguments);
  if (switches.deleteDebugFile) DeleteFileA("c:\\tmp\\quillbox2.dbg");
  if (switches.trace) qb::TraceEnabled = true;
  qb::RegisterMainWindowClass(instance);
  if (!qb::InitInstance(instance, showCommand)) return 0;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && msg.hwnd == qb::GetControlWindow(IDC_COMMAND_LINE)) {
      PostMessageA(msg.hwnd, MSG_COMPLETE_KEY, 0, 0);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
