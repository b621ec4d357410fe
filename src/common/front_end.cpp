// The front end in use and its null-tolerant shortcuts; see front_end.h.
#include "common/front_end.h"

namespace qb {

namespace {
const FrontEnd kNoFrontEnd = {};
const FrontEnd* Installed = nullptr;
}  // namespace

const FrontEnd* SetFrontEnd(const FrontEnd* frontEnd) {
  const FrontEnd* previous = Installed;
  Installed = frontEnd;
  return previous;
}

const FrontEnd& CurrentFrontEnd() {
  return Installed ? *Installed : kNoFrontEnd;
}

void* DialogInstance() {
  return CurrentFrontEnd().instance;
}

void* OwnerWindow() {
  return CurrentFrontEnd().mainWindow;
}

void* ControlWindow(int id) {
  const FrontEnd& f = CurrentFrontEnd();
  return f.controlWindow ? f.controlWindow(id) : nullptr;
}

void AppendToResultsPane(const char* text) {
  const FrontEnd& f = CurrentFrontEnd();
  if (f.appendToResults && text) f.appendToResults(text);
}

void PostMainCommand(int commandId, intptr_t lParam) {
  const FrontEnd& f = CurrentFrontEnd();
  if (f.postCommand) f.postCommand(commandId, lParam);
}

void SetAssistLinesShown(bool show) {
  const FrontEnd& f = CurrentFrontEnd();
  if (f.showAssistLines) f.showAssistLines(show);
}

const char* SettingsFilePath() {
  const FrontEnd& f = CurrentFrontEnd();
  return f.settingsFile ? f.settingsFile : "";
}

}  // namespace qb
