// The runner in the main window: the script host that reaches the results
// pane, the instrument link, the main window's message queue, the tick count
// and the beep, and the entry points the shell calls.
#include "script/script_runner_win.h"

#include <cstring>

#include "common/front_end.h"
#include "link/instrument_link.h"
#include "resources/resource.h"
#include "script/script_files_win.h"
#include "script/script_runner.h"
#include "script/script_state.h"

namespace qb {

namespace {

class MainWindowScriptHost final : public ScriptHost {
 public:
  void AppendToResults(const char* text) override { AppendToResultsPane(text); }
  bool SendCommandLine(const char* text) override { return qb::SendCommandLine(text); }
  void PostCommand(int commandId) override { PostMainCommand(commandId); }
  uint32_t TickCount() override { return GetTickCount(); }
  void Beep() override { MessageBeep(255); }
};

}  // namespace

bool PickAndLoadScript(HWND mainWindow) {
  char path[sizeof CurrentScriptPath];
  if (!SelectScriptFile(mainWindow, path, sizeof path)) return false;
  if (!LoadScriptFile(mainWindow, static_cast<HWND>(ControlWindow(IDC_SCRIPT_LIST)), path, true)) return false;
  std::memcpy(CurrentScriptPath, path, sizeof CurrentScriptPath);
  return true;
}

void ScriptTick() {
  if (ScriptState != SCRIPT_RUNNING && ScriptState != SCRIPT_STEP) return;
  ScriptListBox listing(static_cast<HWND>(ControlWindow(IDC_SCRIPT_LIST)));
  MainWindowScriptHost host;
  ScriptTick(listing, host);
}

}  // namespace qb
