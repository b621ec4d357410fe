// The end-to-end helpers; see harness.h.
#include "harness.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

#include "support/com_port.h"
#include "support/host.h"

namespace e2e {

using qbtest::WaitFor;

bool App::Start(const std::string& args, const std::string& program) {
  Kill();
  std::string line = "\"" + (program.empty() ? std::string(QB_APP_PATH) : program) + "\"";
  if (!args.empty()) line += " " + args;
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

struct FindRequest {
  DWORD pid;
  const char* className;
  const char* title;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
  FindRequest* request = reinterpret_cast<FindRequest*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != request->pid || !IsWindowVisible(window)) return TRUE;
  if (request->className && ClassNameOf(window) != request->className) return TRUE;
  if (request->title && TextOf(window) != request->title) return TRUE;
  request->found = window;
  return FALSE;
}

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

HWND WaitForWindow(DWORD pid, const char* className, const char* title, int timeoutMs) {
  FindRequest request{pid, className, title, nullptr};
  WaitFor(
      [&] {
        request.found = nullptr;
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&request));
        return request.found != nullptr;
      },
      timeoutMs);
  return request.found;
}

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

bool MapComPort(int number, const std::string& hostPath) {
  return qbtest::MapComPort(number, hostPath);
}

void UnmapComPort(int number) {
  qbtest::UnmapComPort(number);
}

std::string Screenshot(const std::string& name) {
  const char* folder = getenv("QB_SCREENSHOTS");
  if (!folder) return "";
  std::string path = std::string(folder) + "/" + name + ".png";
  if (qbtest::RunHost({"/usr/bin/env", "import", "-window", "root", path}, 20000) != 0) return "";
  return path;
}

std::string LocalAppDataFolder() {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path))) return "";
  return path;
}

}  // namespace e2e
