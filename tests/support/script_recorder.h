// Stand-ins for the script interpreter's and runner's surroundings: a host
// that records what the script appended, sent, posted and beeped, with a
// clock the test sets, and a listing held in a vector. Header-only, so the
// fuzz targets can use it without the test-support library.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "script/script_interpreter.h"
#include "script/script_seam.h"
#include "script/script_state.h"

namespace qbtest {

class RecordingScriptHost final : public qb::ScriptHost {
 public:
  std::string results;            // everything appended to the results pane
  std::vector<std::string> sent;  // command lines, as handed to the link
  std::vector<int> posted;        // command ids posted to the main window
  int beeps = 0;
  uint32_t now = 1000000;                      // the tick count
  bool failSends = false;                      // every send fails while set
  bool (*sendThrough)(const char*) = nullptr;  // when set, sends really go out through it

  void AppendToResults(const char* text) override { results += text; }
  bool SendCommandLine(const char* text) override {
    sent.push_back(text);
    return sendThrough ? sendThrough(text) : failSends;
  }
  void PostCommand(int commandId) override { posted.push_back(commandId); }
  uint32_t TickCount() override { return now; }
  void Beep() override { ++beeps; }
};

class VectorListing final : public qb::ScriptListing {
 public:
  std::vector<std::string> lines;
  int selection = -1;

  VectorListing() = default;
  explicit VectorListing(std::vector<std::string> l) : lines(std::move(l)) {}

  void Clear() override { lines.clear(); }
  void AddLine(const char* text) override { lines.push_back(text); }
  int LineCount() override { return static_cast<int>(lines.size()); }
  void LineText(int index, char* buffer, int size) override {
    std::string text = index >= 0 && index < LineCount() ? lines[static_cast<size_t>(index)] : std::string();
    size_t n = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  int Selection() override { return selection; }
  void SetSelection(int index) override { selection = index < 0 ? -1 : index; }
};

// Everything the scripts share, as at program start, with ScriptState given.
inline void ResetScriptGlobals(int32_t scriptState) {
  qb::ResetScriptInterpreter();
  for (double& v : qb::ResultTable) v = 0.0;
  qb::ReplyAwaited = qb::ReplySeen = qb::RunStopPosted = false;
  qb::ReceivedCharCount = 0;
  qb::ScriptState = scriptState;
}

}  // namespace qbtest
