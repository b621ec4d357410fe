// The runner in the main window: the script host that reaches the results
// pane, the instrument link, the main window's message queue, the tick count
// and the beep, and the entry points the shell calls.
#include "script/script_runner_win.h"

#include <cstring>

#include "link/instrument_link.h"
#include "resources/resource.h"
#include "script/script_files_win.h"
#include "script/script_runner.h"
#include "shell/main_window_win.h"
#include "shell/results_pane_win.h"
#include "shell/shell_state.h"

namespace qb {

namespace {

class MainWindowScriptHost final : public ScriptHost {
 public:
  explicit MainWindowScriptHost(HWND mainWindow) : main_(mainWindow) {}

  void AppendToResults(const char* text) override { qb::AppendToResults(GetControlWindow(IDC_RESULTS_PANE), text); }
  bool SendCommandLine(const char* text) override { return qb::SendCommandLine(text); }
  void PostCommand(int commandId) override { PostMessageA(main_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0); }
  uint32_t TickCount() override { return GetTickCount(); }
  void Beep() override { MessageBeep(255); }

 private:
  HWND main_;
};

}  // namespace

bool PickAndLoadScript(HWND mainWindow) {
  char path[sizeof CurrentScriptPath];
  if (!SelectScriptFile(mainWindow, path, sizeof path)) return false;
  if (!LoadScriptFile(mainWindow, GetControlWindow(IDC_SCRIPT_LIST), path, true)) return false;
  std::memcpy(CurrentScriptPath, path, sizeof CurrentScriptPath);
  return true;
}

void ScriptTick(HWND mainWindow) {
  if (ScriptState != SCRIPT_RUNNING && ScriptState != SCRIPT_STEP) return;
  ScriptListBox listing(GetControlWindow(IDC_SCRIPT_LIST));
  MainWindowScriptHost host(mainWindow);
  ScriptTick(listing, host);
}

}  // namespace qb
