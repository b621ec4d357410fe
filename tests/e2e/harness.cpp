// The end-to-end helpers; see harness.h.
#include "harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

#include "resources/resource.h"
#include "support/com_port.h"
#include "support/host.h"

namespace e2e {

using qbtest::WaitFor;

bool App::Start(const std::string& args, const std::string& program) {
  std::string line = "\"" + (program.empty() ? std::string(QB_APP_PATH) : program) + "\"";
  return Run(args.empty() ? line : line + " " + args);
}

bool App::Run(const std::string& line) {
  Kill();
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  main_ = nullptr;
  return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != 0;
}

HWND App::WaitForMainWindow(int timeoutMs) {
  main_ = WaitForWindow(Pid(), "QZQuillboxWClass", nullptr, timeoutMs);
  return main_;
}

long App::WaitForExit(int timeoutMs) {
  if (!pi_.hProcess) return -1;
  if (WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return static_cast<long>(code);
}

long App::Close(int timeoutMs) {
  if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
  return WaitForExit(timeoutMs);
}

void App::Kill() {
  if (!pi_.hProcess) return;
  if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(pi_.hProcess, 1);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
  CloseHandle(pi_.hProcess);
  CloseHandle(pi_.hThread);
  pi_ = {};
  main_ = nullptr;
}

namespace {

bool IsMessageBoxOf(HWND window, DWORD pid) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner == pid && IsWindowVisible(window) && ClassNameOf(window) == "#32770" && GetDlgItem(window, 0xFFFF);
}

struct BoxList {
  DWORD pid;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectMessageBoxes(HWND window, LPARAM param) {
  BoxList* list = reinterpret_cast<BoxList*>(param);
  if (IsMessageBoxOf(window, list->pid)) list->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> MessageBoxWindows(DWORD pid) {
  BoxList list{pid, {}};
  EnumWindows(CollectMessageBoxes, reinterpret_cast<LPARAM>(&list));
  return list.windows;
}

HWND FindMessageBoxNow(DWORD pid) {
  std::vector<HWND> windows = MessageBoxWindows(pid);
  return windows.empty() ? nullptr : windows.front();
}

MessageBoxInfo DescribeMessageBox(HWND window) {
  MessageBoxInfo box;
  box.window = window;
  box.caption = TextOf(window);
  box.text = TextOf(GetDlgItem(window, 0xFFFF));
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    std::string cls = ClassNameOf(child);
    if (cls == "Button") {
      box.buttons.push_back(TextOf(child));
      box.buttonIds.push_back(GetDlgCtrlID(child));
    } else if (cls == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      box.hasIcon = SendMessageA(child, STM_GETICON, 0, 0) != 0;
    }
  }
  return box;
}

}  // namespace

bool WaitForWindowGone(HWND window, int timeoutMs) {
  return WaitFor([&] { return !IsWindow(window); }, timeoutMs);
}

std::string ClassNameOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  if (!window) return "";
  LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(copied));
  return text;
}

std::string ControlText(HWND parent, int id) {
  return TextOf(GetDlgItem(parent, id));
}

bool IsShown(HWND window) {
  return window && (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsEnabled(HWND window) {
  return window && IsWindowEnabled(window);
}

std::string TextWithSelection(HWND edit) {
  std::string text = TextOf(edit);
  DWORD selection = static_cast<DWORD>(SendMessageA(edit, EM_GETSEL, 0, 0));
  size_t start = LOWORD(selection), end = HIWORD(selection);
  if (start > text.size() || end > text.size()) return text + " <bad selection>";
  if (start == end) return text.insert(start, "|");
  text.insert(end, "]");
  return text.insert(start, "[");
}

void TypeText(HWND control, const std::string& text) {
  for (unsigned char c : text) SendMessageA(control, WM_CHAR, c, 1);
}

void PressEnter(HWND control) {
  UINT scan = MapVirtualKeyA(VK_RETURN, 0);
  SendMessageA(control, WM_KEYDOWN, VK_RETURN, 1 | (scan << 16));
  SendMessageA(control, WM_CHAR, 13, 1 | (scan << 16));
  SendMessageA(control, WM_KEYUP, VK_RETURN, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

void PostKey(HWND control, UINT virtualKey) {
  UINT scan = MapVirtualKeyA(virtualKey, 0);
  PostMessageA(control, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  PostMessageA(control, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

void ClickButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void MenuCommand(HWND main, int id) {
  PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void SetControlText(HWND parent, int id, const std::string& text) {
  SendMessageA(GetDlgItem(parent, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<MenuItem> ReadMenu(HWND main) {
  // Another process's menu cannot be read under Wine: the probe hook reads it
  // inside the program's GUI thread (see probe/menu_probe.cpp).
  std::vector<MenuItem> items;
  static HMODULE probe = LoadLibraryA(QB_PROBE_PATH);
  if (!probe) return items;
  HOOKPROC proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeCallWndProc")));
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, "QuillboxE2EProbe");
  if (!proc || !mapping) return items;
  char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 65536));
  if (view) {
    view[0] = '\0';
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, proc, probe, GetWindowThreadProcessId(main, nullptr));
    if (hook) {
      DWORD_PTR ignored;
      SendMessageTimeoutA(main, RegisterWindowMessageA("QuillboxE2EProbeMenu"), 0, 0, SMTO_NORMAL, 5000, &ignored);
      UnhookWindowsHookEx(hook);
    }
    std::string text(view);
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string::npos) break;
      std::string line = text.substr(pos, end - pos);
      pos = end + 1;
      size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1), t3 = line.find('\t', t2 + 1);
      if (t3 == std::string::npos) continue;
      MenuItem item;
      item.popup = line.substr(0, t1);
      item.text = line.substr(t1 + 1, t2 - t1 - 1);
      item.id = static_cast<UINT>(atoi(line.substr(t2 + 1, t3 - t2 - 1).c_str()));
      item.grayed = line.substr(t3 + 1) == "1";
      items.push_back(item);
    }
    UnmapViewOfFile(view);
  }
  CloseHandle(mapping);
  return items;
}

bool MessageBoxShowing(DWORD pid) {
  return FindMessageBoxNow(pid) != nullptr;
}

bool WaitForMessageBox(DWORD pid, MessageBoxInfo& box, int timeoutMs) {
  HWND window = nullptr;
  if (!WaitFor([&] { return (window = FindMessageBoxNow(pid)) != nullptr; }, timeoutMs)) return false;
  box = DescribeMessageBox(window);
  return true;
}

std::vector<MessageBoxInfo> MessageBoxesNow(DWORD pid) {
  std::vector<MessageBoxInfo> boxes;
  for (HWND window : MessageBoxWindows(pid)) boxes.push_back(DescribeMessageBox(window));
  return boxes;
}

bool WaitForMessageBoxText(DWORD pid, const std::string& text, MessageBoxInfo& box, int timeoutMs) {
  return WaitFor(
      [&] {
        for (const MessageBoxInfo& b : MessageBoxesNow(pid)) {
          if (b.text == text) {
            box = b;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
}

bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId) {
  ClickButton(box.window, buttonId);
  return WaitForWindowGone(box.window);
}

std::string AnswerNextBox(DWORD pid, int timeoutMs) {
  MessageBoxInfo box;
  if (!WaitForMessageBox(pid, box, timeoutMs)) return "";
  AnswerMessageBox(box, IDOK);
  return box.caption + ": " + box.text + (box.hasIcon ? " (icon)" : "");
}

std::string Screenshot(const std::string& name) {
  const char* folder = getenv("QB_SCREENSHOTS");
  if (!folder) return "";
  std::string path = std::string(folder) + "/" + name + ".png";
  if (qbtest::RunHost({"/usr/bin/env", "import", "-window", "root", path}, 20000) != 0) return "";
  return path;
}

namespace {

// A screenshot of the display at a case's first failure, while its windows
// still show, named after the case.
class ScreenshotOnFailure : public ::testing::EmptyTestEventListener {
  void OnTestPartResult(const ::testing::TestPartResult& result) override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!result.failed() || !info || info == shot_) return;
    shot_ = info;
    std::string name = std::string("failed-") + info->test_suite_name() + "-" + info->name();
    for (char& c : name)
      if (c == '/') c = '-';
    Screenshot(name);
  }
  const ::testing::TestInfo* shot_ = nullptr;
};

const bool kScreenshotsOnFailure = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ScreenshotOnFailure);
  return true;
}();

}  // namespace

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path))) return "";
  return path;
}


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
    item.mask = LVIF_STATE;
    item.iItem = row;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (memory.Write(0, &item, sizeof item) &&
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.At(0))) &&
        memory.Read(0, &item, sizeof item)) {
      r.selected = (item.state & LVIS_SELECTED) != 0;
      r.focused = (item.state & LVIS_FOCUSED) != 0;
    }
    rows.push_back(r);
  }
  return rows;
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

std::string SettingsFilePath() {
  return ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Quartzline\\Quillboxer\\Quillboxer.ini";
}

void ForgetSettings() {
  std::string folder = ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Quartzline";
  DeleteFileA(SettingsFilePath().c_str());
  RemoveDirectoryA((folder + "\\Quillboxer").c_str());
  RemoveDirectoryA(folder.c_str());
}

void WriteSettings(const std::string& text) {
  std::string folder = ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Quartzline";
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "\\Quillboxer").c_str(), nullptr);
  FILE* f = fopen(SettingsFilePath().c_str(), "wb");
  if (!f) return;
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
}

std::string ReadWindowsFile(const std::string& path) {
  std::string text;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return text;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  fclose(f);
  return text;
}

HWND WaitForConnectDialog(DWORD pid, int timeoutMs) {
  return WaitForWindow(pid, "#32770", "Connect", timeoutMs);
}

HWND StartFresh(App& app) {
  ForgetSettings();
  if (!app.Start() || !app.WaitForMainWindow()) return nullptr;
  return WaitForConnectDialog(app.Pid());
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
  if (comNumber) qbtest::UnmapComPort(comNumber);
}

bool ConnectedApp::Finish(HWND dialog) {
  ClickButton(dialog, IDC_CONNECT);
  MessageBoxInfo box;
  if (!WaitForMessageBox(app.Pid(), box)) {
    error = "no message after Connect";
    return false;
  }
  AnswerMessageBox(box, IDOK);
  if (box.text != "Connection Successful") {
    error = "Connect said: " + box.text;
    return false;
  }
  return true;
}

bool ConnectedApp::StartLan(const std::vector<std::string>& simArgs) {
  address = qbtest::LoopbackAddress();
  std::vector<std::string> args = {"--tcp", address + ":10001"};
  args.insert(args.end(), simArgs.begin(), simArgs.end());
  if (!sim.Start(args, &error)) return false;
  HWND dialog = StartFresh(app);
  if (!dialog || !ChooseInList(dialog, IDC_INTERFACE, "LAN")) {
    error = "no Connect dialog with a LAN choice";
    return false;
  }
  SetControlText(dialog, IDC_IP_ADDRESS, address);
  return Finish(dialog);
}

bool ConnectedApp::StartSerial(const std::vector<std::string>& simArgs, int number, const char* interfaceName) {
  // The port is mapped to the simulator's link, which follows a pseudo-terminal
  // that hangs up and comes back.
  std::string link = qbtest::MakeScratchDir("com") + "/ttyQB";
  std::vector<std::string> args = {"--no-tcp", "--pty-link", link};
  args.insert(args.end(), simArgs.begin(), simArgs.end());
  if (!sim.Start(args, &error)) return false;
  comNumber = number;
  if (!qbtest::MapComPort(number, link)) {
    error = "cannot map the COM port";
    return false;
  }
  HWND dialog = StartFresh(app);
  std::string port = "COM" + std::to_string(number);
  if (!dialog || !ChooseInList(dialog, IDC_INTERFACE, interfaceName) || !ChooseInList(dialog, IDC_COM_PORT, port) ||
      !ChooseInList(dialog, IDC_BAUD_RATE, "38400")) {
    error = "the Connect dialog does not offer " + port;
    return false;
  }
  return Finish(dialog);
}

HWND ConnectedApp::Dialog(const char* title, int timeoutMs) const {
  return WaitForWindow(app.Pid(), "#32770", title, timeoutMs);
}

HWND ConnectedApp::Open(int command, const char* title) {
  MenuCommand(app.Main(), command);
  HWND dialog = Dialog(title);
  if (!dialog) Screenshot(std::string("no-dialog-") + title);
  return dialog;
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
