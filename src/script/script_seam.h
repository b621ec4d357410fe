// What the script interpreter and runner need from the program around them:
// the results pane, the instrument link's line send, the main window's command
// queue, the tick count and the beep (ScriptHost), and the
// list of script lines with its selection (ScriptListing). The program wires
// them to the main window's controls (script_runner_win.cpp); the tests wire
// them to recorders.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qb {

class ScriptHost {
 public:
  // Appends text at the end of the results pane.
  virtual void AppendToResults(const char* text) = 0;
  // Sends a script's command line to the instrument (a "^x" command as the
  // control character) followed by a carriage return. True when it failed.
  virtual bool SendCommandLine(const char* text) = 0;
  // Posts a command id to the main window; it is handled after the current tick.
  virtual void PostCommand(int commandId) = 0;
  // Milliseconds of the system tick count (wraps after 49.7 days).
  virtual uint32_t TickCount() = 0;
  // The alert beep of #beep.
  virtual void Beep() = 0;

 protected:
  ~ScriptHost() = default;
};

// The lines of the loaded script and the selected line (the next one to run).
class ScriptListing {
 public:
  virtual void Clear() = 0;
  // A hint before adding many lines: how many and their total length.
  virtual void Reserve(int lineCount, size_t textBytes) {
    (void)lineCount;
    (void)textBytes;
  }
  virtual void AddLine(const char* text) = 0;
  virtual int LineCount() = 0;
  // Copies line index into buffer (zero-terminated, cut to size - 1
  // characters); "" for an index outside the listing.
  virtual void LineText(int index, char* buffer, int size) = 0;
  // The selected line, or a negative value when none is selected.
  virtual int Selection() = 0;
  // Selects line index; a negative index selects none.
  virtual void SetSelection(int index) = 0;

 protected:
  ~ScriptListing() = default;
};

}  // namespace qb
