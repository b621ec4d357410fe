// Commands of the main window: sending the typed line, the history, recall
// from the pane, connecting and disconnecting, the script buttons, About.
#include "shell/command_handler_win.h"

#include "connection/connect_dialog_win.h"
#include "connection/connect_settings.h"
#include "connection/identification.h"
#include "link/instrument_link.h"
#include "resources/resource.h"
#include "resources/text_table.h"
#include "script/script_runner_win.h"
#include "shell/about_dialog_win.h"
#include "shell/history.h"
#include "shell/main_window_win.h"
#include "shell/results_pane_win.h"
#include "shell/results_text.h"
#include "shell/shell_state.h"
#include "upgrade/upgrade_command_win.h"

namespace qb {

namespace {

const int kInstrumentItems[] = {CMD_UPGRADE_FIRMWARE, CMD_SCREEN_CAPTURE, CMD_DOWNLOAD_RESULTS, CMD_PROGRAM_MANAGEMENT};

void EnableInstrumentItems(HWND main, bool enable) {
  HMENU menu = GetMenu(main);
  for (int id : kInstrumentItems) EnableMenuItem(menu, static_cast<UINT>(id), enable ? MF_ENABLED : MF_GRAYED);
  DrawMenuBar(main);
}

void SetDictionaryMode(int mode) {
  SendMessageA(GetControlWindow(IDC_COMMAND_LINE), MSG_SET_DICTIONARY_MODE, 0, mode);
}

void PostCommand(HWND main, int id, LPARAM lParam = 0) {
  PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(id), lParam);
}

void Send(HWND main) {
  std::string line = GetCommandLineText(GetControlWindow(IDC_COMMAND_LINE), 260);
  if (!MainLink.ConnectedFlag || line.empty()) return;
  if (SendCommandLine((line + "\n").c_str())) {
    MessageBoxA(main, TextTableEntry(TXT_COMMS_FAILED), TextTableEntry(TXT_PROGRAM_NAME), 0x40);
    SendMessageA(main, WM_COMMAND, CMD_DISCONNECT, 0);
  } else {
    line = StripLineEnds(line);
    HistoryAdd(History, line);
    AppendToResults(GetControlWindow(IDC_RESULTS_PANE), EchoLine(line).c_str());
  }
  PostCommand(main, CMD_FOCUS_COMMAND_LINE);
}

void ShowHistoryEntry(HWND main, const std::string* entry) {
  if (!entry) return;
  SetWindowTextA(GetControlWindow(IDC_COMMAND_LINE), entry->c_str());
  PostCommand(main, CMD_FOCUS_COMMAND_LINE);
}

void RecallFromResults(HWND main) {
  HWND pane = GetControlWindow(IDC_RESULTS_PANE);
  DWORD start = 0, end = 0;
  SendMessageA(pane, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start != end) return;
  LRESULT lineStart = SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(-1), 0);
  int length = GetWindowTextLengthA(pane);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(pane, &text[0], length + 1)));
  std::string command = RecallCommandAt(text, static_cast<long>(lineStart));
  if (command.empty()) return;
  SetWindowTextA(GetControlWindow(IDC_COMMAND_LINE), command.c_str());
  PostCommand(main, CMD_FOCUS_COMMAND_LINE);
}

void Connect(HWND main, LPARAM lParam) {
  INT_PTR result = 0;
  if (lParam == 0) {
    SendMessageA(main, WM_COMMAND, CMD_DISCONNECT, 0);
    result = RunConnectDialog(main);
  } else {
    MainLink.ConnectedFlag = IdentifyInstrument(main, &MainLink, false, 0);
  }
  PostCommand(main, CMD_APPLY_CONNECTED_STATE);
  ResultsPoll(main, true);
  if (MainLink.ConnectedFlag) {
    MainLink.PollingEnabled = true;
    EnableInstrumentItems(main, true);
  }
  MessageBoxA(main, ConnectionOutcomeText(MainLink.ConnectedFlag, static_cast<long>(result)), "Connection", MB_OK);
  SetDictionaryMode(DictionaryModeForFamily(MainLink.family));
}

void Disconnect(HWND main, LPARAM lParam) {
  FlushResults();
  EnableInstrumentItems(main, false);
  SetDictionaryMode(0);
  LinkControl(LINK_CLOSE, &MainLink);
  MainLink.PollingEnabled = false;
  MainLink.ConnectedFlag = false;
  EnableControls(false);
  if (lParam != 0 &&
      MessageBoxA(main, TextTableEntry(TXT_RECONNECT_QUESTION), TextTableEntry(TXT_PROGRAM_NAME), 0x34) == IDYES)
    PostCommand(main, CMD_CONNECTION, 1);
}

void UpdateScriptButtons() {
  bool running = ScriptState == SCRIPT_RUNNING;
  EnableWindow(GetControlWindow(IDC_STEP_BUTTON), !running);
  EnableWindow(GetControlWindow(IDC_SCRIPT_CLOSE_BUTTON), !running);
  SetWindowTextA(GetControlWindow(IDC_RUN_STOP_BUTTON), TextTableEntry(running ? TXT_STOP : TXT_RUN));
}

}  // namespace

bool HandleCommand(HWND main, int id, LPARAM lParam) {
  switch (id) {
    case CMD_ABOUT:
      RunAboutDialog(main);
      return true;
    case CMD_EXIT:
      DestroyWindow(main);
      return true;
    case CMD_APPLY_CONNECTED_STATE:
      EnableControls(MainLink.ConnectedFlag);
      SetFocus(GetControlWindow(IDC_COMMAND_LINE));
      return true;
    case CMD_FOCUS_COMMAND_LINE: {
      HWND line = GetControlWindow(IDC_COMMAND_LINE);
      SetFocus(line);
      SendMessageA(line, EM_SETSEL, 0, -1);
      return true;
    }
    case CMD_RECALL_FROM_RESULTS:
      RecallFromResults(main);
      return true;
    case CMD_HISTORY_UP:
      ShowHistoryEntry(main, HistoryUp(History));
      return true;
    case CMD_HISTORY_DOWN:
      ShowHistoryEntry(main, HistoryDown(History));
      return true;
    case CMD_SEND:
      Send(main);
      return true;
    case CMD_RUN_STOP:
      ScriptState = ScriptState == SCRIPT_RUNNING ? SCRIPT_STOPPED : SCRIPT_RUNNING;
      UpdateScriptButtons();
      return true;
    case CMD_STEP:
      if (ScriptState == SCRIPT_STOPPED) ScriptState = SCRIPT_STEP;
      return true;
    case CMD_CLOSE_SCRIPT:
      ScriptState = SCRIPT_NONE;
      ApplyScriptModeLayout(ScriptState);
      PostCommand(main, CMD_FOCUS_COMMAND_LINE);
      return true;
    case CMD_SCRIPT: {
      if (ScriptState == SCRIPT_RUNNING || ScriptState == SCRIPT_STEP || !MainLink.ConnectedFlag) return true;
      bool loaded = PickAndLoadScript(main);
      if (loaded) ScriptState = SCRIPT_STOPPED;
      ApplyScriptModeLayout(ScriptState);
      if (!loaded) PostCommand(main, CMD_FOCUS_COMMAND_LINE);
      return true;
    }
    case CMD_CONNECTION:
      Connect(main, lParam);
      return true;
    case CMD_CLEAR_RESULTS:
      DiscardHeldResults();
      SetWindowTextA(GetControlWindow(IDC_RESULTS_PANE), "");
      PostCommand(main, CMD_FOCUS_COMMAND_LINE);
      return true;
    case CMD_DISCONNECT:
      Disconnect(main, lParam);
      return true;
    case CMD_UPGRADE_FIRMWARE:
      // A running script would talk to the loader: it stops first.
      if (ScriptState == SCRIPT_RUNNING || ScriptState == SCRIPT_STEP) ScriptState = SCRIPT_STOPPED;
      UpdateScriptButtons();
      if (MainLink.ConnectedFlag) UpgradeFirmwareCommand(main);
      PostCommand(main, CMD_FOCUS_COMMAND_LINE);
      return true;
    default:
      return false;
  }
}

}  // namespace qb
