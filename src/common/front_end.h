// What the features borrow from the front end that hosts them, without
// knowing which one it is. The GUI's shell fills this in at start-up (its
// module, its main window as the owner of every dialog and message box, the
// results pane, its command queue, the command line's assist lines); the
// console program fills in what it has. Every entry may be missing: the
// helpers below then do nothing and return null.
#pragma once

#include <cstdint>

namespace qb {

struct FrontEnd {
  // The module that holds the dialog templates (an HINSTANCE), or null.
  void* instance;
  // The window that owns dialogs and message boxes (an HWND), or null.
  void* mainWindow;
  // The main window's child control with this id (an HWND), or null.
  void* (*controlWindow)(int id);
  // Appends text at the end of the results pane (in order with the poll's
  // held lines); the console prints it.
  void (*appendToResults)(const char* text);
  // Posts a command id (with its lParam) to the main window; it runs after
  // the current message.
  void (*postCommand)(int commandId, intptr_t lParam);
  // Shows or hides the command assistant's three lines.
  void (*showAssistLines)(bool show);
  // The settings file ("" when there is none).
  const char* settingsFile;
};

// Installs the front end (null: none); returns the one it replaced.
const FrontEnd* SetFrontEnd(const FrontEnd* frontEnd);
// The front end in use; all entries null when none was installed.
const FrontEnd& CurrentFrontEnd();

// Shortcuts that tolerate missing entries.
void* DialogInstance();
void* OwnerWindow();
void* ControlWindow(int id);
void AppendToResultsPane(const char* text);
void PostMainCommand(int commandId, intptr_t lParam = 0);
void SetAssistLinesShown(bool show);
const char* SettingsFilePath();

}  // namespace qb
