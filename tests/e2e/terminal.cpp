// Shared steps of the terminal's end-to-end tests; see terminal.h.
#include "terminal.h"

#include "resources/resource.h"
#include "support/host.h"

namespace e2e {

std::string SettingsFilePath() {
  return LocalAppDataFolder() + "\\Quartzline\\Quillboxer\\Quillboxer.ini";
}

void ForgetSettings() {
  std::string folder = LocalAppDataFolder() + "\\Quartzline";
  DeleteFileA(SettingsFilePath().c_str());
  RemoveDirectoryA((folder + "\\Quillboxer").c_str());
  RemoveDirectoryA(folder.c_str());
}

void WriteSettings(const std::string& text) {
  std::string folder = LocalAppDataFolder() + "\\Quartzline";
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "\\Quillboxer").c_str(), nullptr);
  FILE* f = fopen(SettingsFilePath().c_str(), "wb");
  if (!f) return;
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
}

HWND WaitForConnectDialog(DWORD pid, int timeoutMs) {
  return WaitForWindow(pid, "#32770", "Connect", timeoutMs);
}

bool ChooseInList(HWND dialog, int id, const std::string& text) {
  HWND combo = GetDlgItem(dialog, id);
  LRESULT index =
      SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  if (index == CB_ERR) return false;
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
  return true;
}

// An entry's text. Under Wine the ANSI form of CB_GETLBTEXT comes back from
// another process still in UTF-16, so the Unicode form is asked for.
static std::string ListEntry(HWND combo, LRESULT index) {
  wchar_t wide[256] = L"";
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide));
  char text[256] = "";
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

std::string ListSelection(HWND dialog, int id) {
  HWND combo = GetDlgItem(dialog, id);
  LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? "" : ListEntry(combo, index);
}

std::vector<std::string> ListEntries(HWND dialog, int id) {
  HWND combo = GetDlgItem(dialog, id);
  std::vector<std::string> entries;
  LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) entries.push_back(ListEntry(combo, i));
  return entries;
}

bool CancelStartupConnect(const App& app) {
  HWND dialog = WaitForConnectDialog(app.Pid());
  if (!dialog) return false;
  ClickButton(dialog, IDCANCEL);
  MessageBoxInfo box;
  return WaitForMessageBoxText(app.Pid(), "Connection Failed", box) && AnswerMessageBox(box, IDOK);
}

ConnectedApp::~ConnectedApp() {
  app.Kill();
  sim.Stop();
  if (comNumber) UnmapComPort(comNumber);
}

bool ConnectedApp::Finish(HWND dialog, std::string* error) {
  ClickButton(dialog, IDC_CONNECT);
  MessageBoxInfo box;
  if (!WaitForMessageBox(app.Pid(), box)) {
    *error = "no message after Connect";
    return false;
  }
  std::string text = box.text;
  AnswerMessageBox(box, IDOK);
  if (text != "Connection Successful") {
    *error = "Connect said: " + text;
    return false;
  }
  return true;
}

bool ConnectedApp::StartLan(const std::vector<std::string>& simArgs, std::string* error) {
  address = qbtest::LoopbackAddress();
  std::vector<std::string> args = {"--tcp", address + ":10001"};
  args.insert(args.end(), simArgs.begin(), simArgs.end());
  if (!sim.Start(args, error)) return false;
  ForgetSettings();
  if (!app.Start() || !app.WaitForMainWindow()) {
    *error = "the program did not start";
    return false;
  }
  HWND dialog = WaitForConnectDialog(app.Pid());
  if (!dialog || !ChooseInList(dialog, IDC_INTERFACE, "LAN")) {
    *error = "no Connect dialog with a LAN choice";
    return false;
  }
  SetControlText(dialog, IDC_IP_ADDRESS, address);
  return Finish(dialog, error);
}

bool ConnectedApp::StartSerial(const std::vector<std::string>& simArgs, int number, const char* interfaceName,
                               std::string* error) {
  // The port is mapped to the simulator's link, which follows a pseudo-terminal
  // that hangs up and comes back.
  std::string link = qbtest::MakeScratchDir("com") + "/ttyQB";
  std::vector<std::string> args = {"--no-tcp", "--pty-link", link};
  args.insert(args.end(), simArgs.begin(), simArgs.end());
  if (!sim.Start(args, error)) return false;
  comNumber = number;
  if (!MapComPort(number, link)) {
    *error = "cannot map the COM port";
    return false;
  }
  ForgetSettings();
  if (!app.Start() || !app.WaitForMainWindow()) {
    *error = "the program did not start";
    return false;
  }
  HWND dialog = WaitForConnectDialog(app.Pid());
  std::string port = "COM" + std::to_string(number);
  if (!dialog || !ChooseInList(dialog, IDC_INTERFACE, interfaceName) || !ChooseInList(dialog, IDC_COM_PORT, port) ||
      !ChooseInList(dialog, IDC_BAUD_RATE, "38400")) {
    *error = "the Connect dialog does not offer " + port;
    return false;
  }
  return Finish(dialog, error);
}

void ConnectedApp::SendLine(const std::string& line) {
  HWND commandLine = Control(IDC_COMMAND_LINE);
  SendMessageA(commandLine, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  TypeText(commandLine, line);
  PressEnter(commandLine);
}

std::string ConnectedApp::PaneText() const {
  return TextOf(Control(IDC_RESULTS_PANE));
}

bool ConnectedApp::WaitForPane(const std::string& needle, int timeoutMs) const {
  return qbtest::WaitFor([&] { return PaneText().find(needle) != std::string::npos; }, timeoutMs);
}

}  // namespace e2e
