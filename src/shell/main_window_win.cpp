// The main window procedure, the creation of the child controls and fonts, the
// table-driven layout and the subclass procedure shared by the results pane and
// the command line.
#include "shell/main_window_win.h"

#include <commctrl.h>

#include <initializer_list>
#include <new>

#include "assist/command_line_win.h"
#include "common/front_end.h"
#include "common/ui_seam.h"
#include "link/instrument_link.h"
#include "resources/resource.h"
#include "resources/text_table.h"
#include "script/script_runner_win.h"
#include "script/script_state.h"
#include "shell/command_handler_win.h"
#include "shell/control_layout.h"
#include "shell/history.h"
#include "shell/results_pane_win.h"
#include "shell/settings_win.h"

namespace qb {

HINSTANCE AppInstance = nullptr;
HWND MainWindow = nullptr;
UINT_PTR PollTimer = 0;

namespace {

constexpr int kFontCount = 5;
HFONT ControlFonts[kFontCount];
WNDPROC EditProcedure = nullptr;  // the "Edit" class procedure both subclassed controls chain to
bool AssistLinesWanted = false;   // the command assistant has a command set to explain

void CreateControlFonts() {
  LOGFONTA gui = {};
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  LOGFONTA fixed = {};
  GetObjectA(GetStockObject(ANSI_FIXED_FONT), sizeof fixed, &fixed);
  struct Variant {
    const LOGFONTA* from;
    LONG weight;
    BYTE italic;
  } variants[kFontCount] = {{&gui, 400, 0}, {&gui, 700, 0}, {&gui, 100, 1}, {&fixed, 400, 0}, {&fixed, 700, 0}};
  for (int i = 0; i < kFontCount; ++i) {
    LOGFONTA f = *variants[i].from;
    f.lfWeight = variants[i].weight;
    f.lfItalic = variants[i].italic;
    ControlFonts[i] = CreateFontIndirectA(&f);
  }
}

LRESULT CALLBACK ControlSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND parent = GetParent(window);
  int id = GetDlgCtrlID(window);
  if (id == IDC_COMMAND_LINE) {
    if (message == WM_CHAR && wParam == 13) {
      PostMessageA(parent, WM_COMMAND, CMD_SEND, 0);
      return 0;
    }
    if (message == WM_KEYUP && wParam == VK_UP) PostMessageA(parent, WM_COMMAND, CMD_HISTORY_UP, 0);
    if (message == WM_KEYUP && wParam == VK_DOWN) PostMessageA(parent, WM_COMMAND, CMD_HISTORY_DOWN, 0);
  } else if (id == IDC_RESULTS_PANE && message == WM_LBUTTONUP) {
    PostMessageA(parent, WM_COMMAND, CMD_RECALL_FROM_RESULTS, 0);
  }
  return CallWindowProcA(EditProcedure, window, message, wParam, lParam);
}

void CreateChildControls(HWND main) {
  for (ControlLayout& row : ControlTable) {
    if (!row.className) continue;
    row.parent = main;
    row.window = CreateWindowExA(row.exStyle, row.className, row.text, row.style, row.x, row.y, row.width, row.height,
                                 main, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(row.id)), AppInstance, nullptr);
  }
  HWND commandLine = GetControlWindow(IDC_COMMAND_LINE);
  HWND resultsPane = GetControlWindow(IDC_RESULTS_PANE);
  EditProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(commandLine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlSubclassProc)));
  SetWindowLongPtrA(resultsPane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlSubclassProc));
  AttachCommandAssistant(commandLine);  // in front of ControlSubclassProc, which still sends on Enter

  CreateControlFonts();
  for (ControlLayout& row : ControlTable) {
    if (row.window && row.fontIndex < kFontCount)
      SendMessageA(static_cast<HWND>(row.window), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFonts[row.fontIndex]), 0);
  }

  EnableControls(false);
  for (ControlLayout& row : ControlTable) {
    if (row.window) ShowWindow(static_cast<HWND>(row.window), SW_SHOW);
  }
  for (int id : {IDC_SCRIPT_CLOSE_BUTTON, IDC_SCRIPT_LIST, IDC_RUN_STOP_BUTTON, IDC_STEP_BUTTON})
    ShowWindow(GetControlWindow(id), SW_HIDE);
  SendMessageA(resultsPane, EM_LIMITTEXT, 0, 0);
  SendMessageA(commandLine, EM_LIMITTEXT, 100, 0);
  SetFocus(commandLine);
  for (int id : {IDC_ASSIST_LINE_TOP, IDC_ASSIST_LINE_MIDDLE, IDC_ASSIST_LINE_BOTTOM})
    ShowWindow(GetControlWindow(id), SW_HIDE);
}

// What the features borrow from the main window.
void* ControlWindowOf(int id) {
  return GetControlWindow(id);
}

void AppendToPane(const char* text) {
  AppendToResults(GetControlWindow(IDC_RESULTS_PANE), text);
}

void PostToMainWindow(int commandId, intptr_t lParam) {
  if (MainWindow) PostMessageA(MainWindow, WM_COMMAND, static_cast<WPARAM>(commandId), static_cast<LPARAM>(lParam));
}

FrontEnd ShellFrontEnd = {nullptr, nullptr, ControlWindowOf, AppendToPane, PostToMainWindow, ShowAssistLines, ""};

LayoutFrame CurrentFrame() {
  RECT outer = {}, client = {};
  GetWindowRect(MainWindow, &outer);
  GetClientRect(MainWindow, &client);
  return LayoutFrame{outer.right - outer.left, outer.bottom - outer.top, static_cast<int>(client.top),
                     client.right - client.left, client.bottom - client.top};
}

}  // namespace

HWND GetControlWindow(int id) {
  int row = RowOfControl(static_cast<uint32_t>(id));
  return row < 0 ? nullptr : static_cast<HWND>(ControlTable[row].window);
}

void EnableControls(bool enable) {
  for (ControlLayout& row : ControlTable) {
    if (row.window && !(row.style & kStyleDisabled)) EnableWindow(static_cast<HWND>(row.window), enable);
  }
}

void LayoutControls() {
  if (!MainWindow) return;
  LayoutFrame frame = CurrentFrame();
  bool moved[kControlCount] = {};
  for (int i = 0; i < kControlCount; ++i) {
    ControlLayout& row = ControlTable[i];
    if (ComputeControlRect(row, MainWindowLayout, frame) && row.window) {
      MoveWindow(static_cast<HWND>(row.window), row.x, row.y, row.width, row.height, TRUE);
      moved[i] = true;
    }
  }
  for (int i = 0; i < kControlCount; ++i) {
    if (moved[i] && ControlTable[i].placementRule != 0)
      InvalidateRect(static_cast<HWND>(ControlTable[i].window), nullptr, FALSE);
  }
}

void ApplyScriptModeLayout(int scriptState) {
  for (int i = 0; i < kControlCount; ++i) {
    int visible = ScriptModeVisibility(i, scriptState);
    bool assistRow = i == ROW_ASSIST_LINE_TOP || i == ROW_ASSIST_LINE_MIDDLE || i == ROW_ASSIST_LINE_BOTTOM;
    if (assistRow && !AssistLinesWanted) visible = 0;
    if (visible >= 0 && ControlTable[i].window)
      ShowWindow(static_cast<HWND>(ControlTable[i].window), visible ? SW_SHOW : SW_HIDE);
  }
  ControlTable[ROW_RESULTS_PANE].designHeight = ResultsPaneDesignHeight(scriptState, AssistLinesWanted);
  ResetLayout(ControlTable, kControlCount);
  LayoutControls();
}

void ShowAssistLines(bool show) {
  AssistLinesWanted = show;
  ApplyScriptModeLayout(ScriptState);
}

void RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = 0;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLBOX));
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
  wc.lpszClassName = MainWindowLayout.className;
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLBOX), IMAGE_ICON, 16, 16, 0));
  RegisterClassExA(&wc);  // a failure shows as a failed window creation
}

// The main row's rectangles from its design size; where the design position is
// CW_USEDEFAULT the window manager places the window.
static void ResetAllLayouts() {
  ResetLayout(&MainWindowLayout, 1);
  ResetLayout(ControlTable, kControlCount);
}

bool InitInstance(HINSTANCE instance, int showCommand) {
  AppInstance = instance;
  LoadSettings();
  ShellFrontEnd.instance = instance;
  ShellFrontEnd.settingsFile = SettingsFile.c_str();
  SetFrontEnd(&ShellFrontEnd);
  int savedWidth = SavedWindowWidth, savedHeight = SavedWindowHeight;
  AdjustMainWindowForFrame(MainWindowLayout, GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
  ResetAllLayouts();
  ControlLayout& m = MainWindowLayout;
  if (savedWidth) m.baseWidth = m.width = savedWidth;
  if (savedHeight) m.baseHeight = m.height = savedHeight;
  HWND window = CreateWindowExA(m.exStyle, m.className, TextTableEntry(TXT_PROGRAM_NAME), m.style, m.x, m.y, m.width,
                                m.height, nullptr, nullptr, instance, nullptr);
  // The layout's reference stays the design size whatever size the window
  // was created with, so the stored size shows as growth of the controls.
  if (!window) return false;
  if (savedWidth || savedHeight) {
    ResetAllLayouts();
    LayoutControls();
  }
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return true;
}

namespace {

LRESULT HandleMainWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      MainWindow = window;
      ShellFrontEnd.mainWindow = window;
      LoadLibraryA("riched32.dll");  // kept loaded for the rich edit controls of dialogs
      // List views, progress bars, tabs and up-down controls, and the IP
      // address control of the Connect dialog.
      INITCOMMONCONTROLSEX icc = {sizeof icc, 0x1D | ICC_INTERNET_CLASSES};
      InitCommonControlsEx(&icc);
      CreateChildControls(window);
      PollTimer = SetTimer(window, POLL_TIMER_ID, POLL_TIMER_MS, nullptr);
      PostMessageA(window, WM_COMMAND, CMD_CONNECTION, 0);
      return 0;
    }
    case WM_DESTROY:
      HistoryClear(History);
      SaveWindowSize(window);
      if (PollTimer) KillTimer(window, PollTimer);
      PollTimer = 0;
      LinkControl(LINK_CLOSE, &MainLink);
      PostQuitMessage(0);
      return 0;
    case WM_TIMER: {
      // A message box opened by the poll or a script line runs its own
      // message loop, which delivers further ticks: those wait until it is
      // closed, so boxes never nest and the poll never runs inside itself.
      static bool ticking = false;
      if (ticking || OpenMessageBoxes() > 0) return 0;
      struct Ticking {
        Ticking() { ticking = true; }
        ~Ticking() { ticking = false; }
      } guard;
      if (MainLink.ConnectedFlag && MainLink.PollingEnabled) ResultsPoll(window, false);
      ScriptTick();
      return 0;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) LayoutControls();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_GETMINMAXINFO: {
      MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = MainWindowLayout.width / 2;
      info->ptMinTrackSize.y = MainWindowLayout.height / 2;
      return 0;
    }
    case WM_COMMAND:
      if (HandleCommand(window, LOWORD(wParam), lParam)) return 0;
      return DefWindowProcA(window, message, wParam, lParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Nothing may throw through the window procedure into the system's code.
  // An allocation that fails (a huge burst of output in the 32-bit build)
  // drops the lines held back for the pane and says so; the window goes on.
  try {
    return HandleMainWindowMessage(window, message, wParam, lParam);
  } catch (const std::bad_alloc&) {
    DiscardHeldResults();
    try {
      AppendToResults(GetControlWindow(IDC_RESULTS_PANE), "--- output lost: out of memory ---\r\n");
    } catch (const std::bad_alloc&) {
    }
    return 0;
  }
}

}  // namespace qb
