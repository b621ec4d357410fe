// Helpers for the end-to-end tests: they start the real quillbox.exe in this
// Wine session and drive it from outside, only through window messages, as a
// user's clicks and keystrokes would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

constexpr int kWait = 10000;  // default deadline for anything to appear, ms

// The program under test.
class App {
 public:
  App() = default;
  ~App() { Kill(); }
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Starts quillbox.exe (the build's, or the program at the Windows path
  // program) with the given command-line arguments.
  bool Start(const std::string& args = "", const std::string& program = "");
  // The main window, once it exists (null after the deadline).
  HWND WaitForMainWindow(int timeoutMs = kWait);
  HWND Main() const { return main_; }
  DWORD Pid() const { return pi_.dwProcessId; }
  // Closes the main window as the close box does and waits for the process to
  // end. Returns its exit code, or -1 when it did not end in time.
  long Close(int timeoutMs = kWait);
  // Waits for the process to end by itself; its exit code or -1.
  long WaitForExit(int timeoutMs);
  void Kill();

 private:
  PROCESS_INFORMATION pi_ = {};
  HWND main_ = nullptr;
};

// A top-level window of process pid with the class and title (either may be
// null for any), polled until the deadline.
HWND WaitForWindow(DWORD pid, const char* className, const char* title, int timeoutMs = kWait);
// Waits until the window no longer exists.
bool WaitForWindowGone(HWND window, int timeoutMs = kWait);

std::string ClassNameOf(HWND window);
// The text of a window or control through WM_GETTEXT.
std::string TextOf(HWND window);
std::string ControlText(HWND parent, int id);
bool IsShown(HWND window);
bool IsEnabled(HWND window);

// An edit control's text with its selection in brackets ("harm[on]"), or a
// bar at the caret ("harmon,|").
std::string TextWithSelection(HWND edit);

// Sends each character as WM_CHAR straight to the control.
void TypeText(HWND control, const std::string& text);
// Presses Enter as the keyboard does: key down, the character 13, key up,
// sent straight to the control.
void PressEnter(HWND control);
// Posts a key press (down and up) through the program's message loop.
void PostKey(HWND control, UINT virtualKey);
// Posts WM_COMMAND (id, BN_CLICKED) with the button's handle, as a click does.
void ClickButton(HWND dialog, int id);
// Posts WM_COMMAND for a menu item.
void MenuCommand(HWND main, int id);
// Sets the text of a control (WM_SETTEXT).
void SetControlText(HWND parent, int id, const std::string& text);

// One menu item as the menu bar holds it.
struct MenuItem {
  std::string popup;  // the top-level title ("" for a top-level item)
  std::string text;
  UINT id = 0;
  bool grayed = false;
};
// The items of the main window's menu bar and their state right now.
std::vector<MenuItem> ReadMenu(HWND main);

// A message box (dialog class #32770 whose text is the static control 0xFFFF).
struct MessageBoxInfo {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;  // button labels in creation order
  std::vector<int> buttonIds;
  bool hasIcon = false;
};
// Waits for a message box of process pid.
bool WaitForMessageBox(DWORD pid, MessageBoxInfo& box, int timeoutMs = kWait);
// Every message box of process pid showing right now, topmost first.
std::vector<MessageBoxInfo> MessageBoxesNow(DWORD pid);
// Waits for a message box of process pid with this text.
bool WaitForMessageBoxText(DWORD pid, const std::string& text, MessageBoxInfo& box, int timeoutMs = kWait);
// Whether a message box is showing right now (without waiting).
bool MessageBoxShowing(DWORD pid);
// Presses one of the box's buttons (IDOK, IDYES, IDNO, ...) and waits until
// the box is gone.
bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId);
// Waits for a message box of process pid, presses OK and returns
// "caption: text", with " (icon)" when it shows one ("" when none came).
std::string AnswerNextBox(DWORD pid, int timeoutMs = kWait);

// Maps COMn of the Wine prefix to a host path (the simulator's
// pseudo-terminal), both in the registry and as the dosdevices symlink.
bool MapComPort(int number, const std::string& hostPath);
void UnmapComPort(int number);

// Saves a PNG of the whole display as $QB_SCREENSHOTS/<name>.png; returns the
// host path, or "" when it failed.
std::string Screenshot(const std::string& name);

// The folder of this Wine prefix's local application data (Windows path).
std::string LocalAppDataFolder();

}  // namespace e2e
