// The one harness of the end-to-end tests: they start the real quillbox.exe
// in this Wine session and drive it from outside, only through window
// messages, as a user's clicks and keystrokes would: launching it (with a
// fresh settings file, connected to a simulator), finding its windows and
// controls, waiting for text, answering its boxes, reading its list views,
// and screenshots of the display.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/file_dialog_win.h"
#include "support/sim_process.h"

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
  // Starts any program by its whole command line.
  bool Run(const std::string& commandLine);
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
using qbtest::WaitForWindow;
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

// Saves a PNG of the whole display as $QB_SCREENSHOTS/<name>.png; returns the
// host path, or "" when it failed.
std::string Screenshot(const std::string& name);

// A shell folder of this Wine prefix (CSIDL_...) as a Windows path; "" when
// there is none.
std::string ShellFolder(int csidl);


// Reading and driving a report-view list of another process. A list view's
// item messages carry pointers, which Windows (and Wine) do not carry across
// processes: the records go through memory allocated inside the program.
struct ListRow {
  std::vector<std::string> texts;  // one per column
  bool selected = false;
  bool focused = false;
};

// Every row of the list with the texts of its first `columns` columns.
std::vector<ListRow> ReadListRows(HWND list, int columns);
// Selects and focuses the row as a click does (the list notifies its owner).
bool SelectListRow(HWND list, int row);
// Double-clicks the middle of the row.
bool DoubleClickListRow(HWND list, int row);

// The settings file of this Wine prefix (Windows path).
std::string SettingsFilePath();
// Removes the settings folder so that the next start is a first run.
void ForgetSettings();
// Writes a settings file holding exactly the given text.
void WriteSettings(const std::string& text);
// A whole file of this prefix by its Windows path; "" when it cannot be read.
std::string ReadWindowsFile(const std::string& path);

// The Connect dialog of the program, once it shows.
HWND WaitForConnectDialog(DWORD pid, int timeoutMs = kWait);
// Starts the program with no stored settings (a first run); its Connect
// dialog once it shows, null when the program or the dialog did not come.
HWND StartFresh(App& app);
// Selects an entry of a drop-down list by its text and tells the dialog, as a
// user's choice does (CBN_SELENDOK). False when the text is not in the list.
bool ChooseInList(HWND dialog, int id, const std::string& text);
std::string ListSelection(HWND dialog, int id);
std::vector<std::string> ListEntries(HWND dialog, int id);

// Cancels the Connect dialog the program opens at start and answers the
// "Connection Failed" box. False when either did not show.
bool CancelStartupConnect(const App& app);

// A running program and simulator, connected through the Connect dialog.
class ConnectedApp {
 public:
  ~ConnectedApp();
  // Starts a simulator with simArgs on its own loopback address and the
  // program with a fresh settings file, and connects over LAN. Returns false
  // (with a message in error) when any step fails.
  bool StartLan(const std::vector<std::string>& simArgs);
  // The same over a serial port: the simulator's pseudo-terminal is COMn.
  bool StartSerial(const std::vector<std::string>& simArgs, int comNumber, const char* interfaceName);

  App app;
  qbtest::SimProcess sim;
  std::string address;  // the simulator's TCP address
  int comNumber = 0;
  std::string error;  // why StartLan or StartSerial failed

  HWND Control(int id) const { return GetDlgItem(app.Main(), id); }
  // A dialog of the program with this title, once it shows (null after the deadline).
  HWND Dialog(const char* title, int timeoutMs = kWait) const;
  // Chooses the menu command and waits for its dialog; a screenshot when none came.
  HWND Open(int command, const char* title);
  // Types a line into the command line and presses Enter.
  void SendLine(const std::string& line);
  std::string PaneText() const;
  // Waits until the pane's text contains needle.
  bool WaitForPane(const std::string& needle, int timeoutMs = kWait) const;

 private:
  bool Finish(HWND dialog);
};

}  // namespace e2e
