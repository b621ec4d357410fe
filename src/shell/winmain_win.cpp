// Program entry: the command-line switch, the main window and the message
// loop. Tab in the command line never reaches the edit control: the loop turns
// it into MSG_COMPLETE_KEY for the command assistant.
#include <windows.h>

#include "resources/resource.h"
#include "shell/main_window_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
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
