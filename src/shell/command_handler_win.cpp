// Commands of the main window: sending the typed line, the history, recall
// from the pane, connecting and disconnecting, the script buttons, About.
#include "shell/command_handler_win.h"

#include "common/text_lines.h"
#include "common/ui_seam.h"
#include "connection/connect_dialog_win.h"
#include "connection/connect_settings.h"
#include "connection/identification.h"
#include "link/instrument_link.h"
#include "measure/sweep_dialog_win.h"
#include "measure/trend_window_win.h"
#include "resources/resource.h"
#include "resources/text_table.h"
#include "script/script_runner_win.h"
#include "script/script_state.h"
#include "shell/about_dialog_win.h"
#include "shell/history.h"
#include "shell/main_window_win.h"
#include "shell/results_pane_win.h"
#include "shell/results_text.h"
#include "stores/program_stores_win.h"
#include "stores/results_download_win.h"
#include "stores/screen_capture_win.h"
#include "upgrade/upgrade_command_win.h"

namespace qb {

namespace {

const int kInstrumentItems[] = {CMD_UPGRADE_FIRMWARE,   CMD_SCREEN_CAPTURE, CMD_DOWNLOAD_RESULTS,
                                CMD_PROGRAM_MANAGEMENT, CMD_TREND,          CMD_SWEEP};

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

void UpdateScriptButtons() {
  bool running = ScriptState == SCRIPT_RUNNING;
  EnableWindow(GetControlWindow(IDC_STEP_BUTTON), !running);
  EnableWindow(GetControlWindow(IDC_SCRIPT_CLOSE_BUTTON), !running);
  SetWindowTextA(GetControlWindow(IDC_RUN_STOP_BUTTON), RunStopLabel(ScriptState));
}

// The one place the window takes its connected look from the link; every
// command that may have changed the link ends here.
ShownLinkState ApplyShownLinkState(HWND main) {
  ShownLinkState shown = ShownStateOf(MainLink);
  if (shown.closeLink) {
    LinkControl(LINK_CLOSE, &MainLink);
    MainLink.ConnectedFlag = false;
  }
  MainLink.PollingEnabled = shown.connected;
  EnableControls(shown.connected);
  EnableInstrumentItems(main, shown.connected);
  SetDictionaryMode(shown.dictionaryMode);
  return shown;
}

// While a script is loaded the command line is hidden and the script list
// takes the focus in its place.
void FocusInput() {
  if (ScriptState != SCRIPT_NONE) {
    SetFocus(GetControlWindow(IDC_SCRIPT_LIST));
    return;
  }
  HWND line = GetControlWindow(IDC_COMMAND_LINE);
  SetFocus(line);
  SendMessageA(line, EM_SETSEL, 0, -1);
}

void Send(HWND main) {
  if (ScriptState != SCRIPT_NONE) return;  // the hidden command line sends nothing
  std::string line = GetCommandLineText(GetControlWindow(IDC_COMMAND_LINE), 260);
  if (!MainLink.ConnectedFlag || line.empty()) return;
  if (SendCommandLine((line + "\n").c_str())) {
    ShowMessageBox(main, TextTableEntry(TXT_COMMS_FAILED), TextTableEntry(TXT_PROGRAM_NAME), kMbIconInformation);
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
  // Only the caret's line is read: "> " and at most 100 characters of it.
  LRESULT line = SendMessageA(pane, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0);
  char buffer[128] = {};
  *reinterpret_cast<WORD*>(buffer) = static_cast<WORD>(sizeof buffer - 1);
  LRESULT copied = SendMessageA(pane, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer));
  if (copied <= 0 || copied >= static_cast<LRESULT>(sizeof buffer)) return;
  std::string command = RecallCommandAt(std::string(buffer, static_cast<size_t>(copied)), 0);
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
  (void)result;  // a cancelled or silent attempt leaves the link shown as failed
  ShownLinkState shown = ApplyShownLinkState(main);
  PostCommand(main, CMD_FOCUS_COMMAND_LINE);
  if (shown.connected) ResultsPoll(main, true);
  ShowMessageBox(main, shown.outcome, "Connection", kMbOk);
}

void Disconnect(HWND main, LPARAM lParam) {
  FlushResults();
  // A running script stops with the link: its buttons are about to be
  // disabled, so nothing could stop it later.
  if (ScriptState == SCRIPT_RUNNING || ScriptState == SCRIPT_STEP) {
    ScriptState = SCRIPT_STOPPED;
    UpdateScriptButtons();
  }
  LinkControl(LINK_CLOSE, &MainLink);
  MainLink.ConnectedFlag = false;
  ApplyShownLinkState(main);
  if (lParam != 0 && ShowMessageBox(main, TextTableEntry(TXT_RECONNECT_QUESTION), TextTableEntry(TXT_PROGRAM_NAME),
                                    kMbYesNo | kMbIconExclamation) == kIdYes)
    PostCommand(main, CMD_CONNECTION, 1);
}

}  // namespace

bool HandleCommand(HWND main, int id, LPARAM lParam) {
  switch (id) {
    case CMD_ABOUT:
      RunAboutDialog(main);
      return true;
    case CMD_DOWNLOAD_RESULTS:
      MainLink.PollingEnabled = false;
      RunResultsDownloadDialog(main);
      MainLink.PollingEnabled = MainLink.ConnectedFlag;
      return true;
    case CMD_PROGRAM_MANAGEMENT:
      MainLink.PollingEnabled = false;
      RunProgramStoresDialog(main);
      MainLink.PollingEnabled = MainLink.ConnectedFlag;
      return true;
    case CMD_EXIT:
      DestroyWindow(main);
      return true;
    case CMD_APPLY_CONNECTED_STATE:
      ApplyShownLinkState(main);
      FocusInput();
      return true;
    case CMD_FOCUS_COMMAND_LINE:
      FocusInput();
      return true;
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
      // A click carries the button's window; the runner's stop requests carry 0.
      ScriptState = ScriptStateAfterRunStop(
          ScriptState, lParam != 0 && reinterpret_cast<HWND>(lParam) == GetControlWindow(IDC_RUN_STOP_BUTTON)
                           ? RunStopSource::Button
                           : RunStopSource::Runner);
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
    case CMD_SCREEN_CAPTURE:
      RunScreenCaptureDialog(main);
      return true;
    case CMD_TREND:
    case CMD_SWEEP:
      // A running script would talk over the readings: it stops first.
      if (ScriptState == SCRIPT_RUNNING || ScriptState == SCRIPT_STEP) ScriptState = SCRIPT_STOPPED;
      UpdateScriptButtons();
      if (!MainLink.ConnectedFlag) return true;
      if (id == CMD_TREND) {
        RunTrendWindow(main);
      } else {
        RunSweepDialog(main);
      }
      PostCommand(main, CMD_FOCUS_COMMAND_LINE);
      return true;
    case CMD_UPGRADE_FIRMWARE:
      // A running script would talk to the loader: it stops first.
      if (ScriptState == SCRIPT_RUNNING || ScriptState == SCRIPT_STEP) ScriptState = SCRIPT_STOPPED;
      UpdateScriptButtons();
      if (MainLink.ConnectedFlag) UpgradeFirmwareCommand(main);
      // The upgrade reopens the link, and may fail to.
      ApplyShownLinkState(main);
      PostCommand(main, CMD_FOCUS_COMMAND_LINE);
      return true;
    default:
      return false;
  }
}

}  // namespace qb
