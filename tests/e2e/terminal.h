// Shared steps of the terminal's end-to-end tests: a fresh settings file, a
// simulator to connect to, and the Connect dialog driven from outside.
#pragma once

#include <string>

#include "harness.h"
#include "support/sim_process.h"

namespace e2e {

// The settings file of this Wine prefix (Windows path).
std::string SettingsFilePath();
// Removes the settings folder so that the next start is a first run.
void ForgetSettings();
// Writes a settings file holding exactly the given text.
void WriteSettings(const std::string& text);

// The Connect dialog of the program, once it shows.
HWND WaitForConnectDialog(DWORD pid, int timeoutMs = kWait);
// Selects an entry of a drop-down list by its text and tells the dialog, as a
// user's choice does (CBN_SELENDOK). False when the text is not in the list.
bool ChooseInList(HWND dialog, int id, const std::string& text);
std::string ListSelection(HWND dialog, int id);
std::vector<std::string> ListEntries(HWND dialog, int id);

// Cancels the Connect dialog the program opens at start and answers the
// "Connection Failed" box. False when either did not show.
bool CancelStartupConnect(const App& app);

// A running program and simulator, connected through the Connect dialog.
class ConnectedApp {
 public:
  ~ConnectedApp();
  // Starts a simulator with simArgs on its own loopback address and the
  // program with a fresh settings file, and connects over LAN. Returns false
  // (with a message in error) when any step fails.
  bool StartLan(const std::vector<std::string>& simArgs, std::string* error);
  // The same over a serial port: the simulator's pseudo-terminal is COMn.
  bool StartSerial(const std::vector<std::string>& simArgs, int comNumber, const char* interfaceName,
                   std::string* error);

  App app;
  qbtest::SimProcess sim;
  std::string address;  // the simulator's TCP address
  int comNumber = 0;

  HWND Control(int id) const { return GetDlgItem(app.Main(), id); }
  // Types a line into the command line and presses Enter.
  void SendLine(const std::string& line);
  std::string PaneText() const;
  // Waits until the pane's text contains needle.
  bool WaitForPane(const std::string& needle, int timeoutMs = kWait) const;

 private:
  bool Finish(HWND dialog, std::string* error);
};

}  // namespace e2e
