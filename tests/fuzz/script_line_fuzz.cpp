// Fuzzes the script language: the input (after a first byte that picks the run
// mode) is a script whose lines go through the runner's tick and the
// interpreter over recording stand-ins, with replies, failed sends, a
// wrapping tick count and Run pressed again after every stop.
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/resource.h"
#include "script/script_interpreter.h"
#include "script/script_runner.h"
#include "support/script_recorder.h"

using namespace qb;

namespace {

constexpr size_t kMostLines = 200;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  qbtest::VectorListing listing;
  std::string line;
  for (size_t i = 1; i < size && listing.lines.size() < kMostLines; ++i) {
    if (data[i] == '\n') {
      listing.lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(data[i]));
    }
  }
  if (listing.lines.size() < kMostLines) listing.lines.push_back(line);

  for (const std::string& l : listing.lines) {
    int32_t ms = ParseSeconds(l.c_str());
    Check(ms >= 1000 && ms <= kLongestWaitMs && ms % 1000 == 0);
  }

  const int32_t pressed = (mode & 1) ? SCRIPT_RUNNING : SCRIPT_STEP;
  qbtest::ResetScriptGlobals(pressed);
  qbtest::RecordingScriptHost host;
  host.failSends = (mode & 2) != 0;
  host.now = 0xFFFFF000u + (static_cast<uint32_t>(mode) << 4);  // runs across the tick count's wrap
  const int count = listing.LineCount();
  for (int tick = 0; tick < 3 * count + 10; ++tick) {
    // Either the poll timer's 50 ms, or straight to the due time.
    host.now += (mode & 4) ? 50 : (NextStepTime - host.now) + 1;
    if ((mode & 8) && ReplyAwaited) ReceivedCharCount += tick % 3;
    if (ScriptState == SCRIPT_STOPPED) ScriptState = pressed;
    size_t posted = host.posted.size();
    ScriptTick(listing, host);
    for (size_t i = posted; i < host.posted.size(); ++i) {
      Check(host.posted[i] == CMD_RUN_STOP || host.posted[i] == CMD_CLEAR_RESULTS);
      if (host.posted[i] == CMD_RUN_STOP) ScriptState = ScriptStateAfterRunStop(ScriptState, RunStopSource::Runner);
    }
    Check(listing.selection >= -1 && listing.selection < count);
    Check(ScriptState == SCRIPT_RUNNING || ScriptState == SCRIPT_STOPPED);
  }
  for (const std::string& sent : host.sent) Check(sent.size() < kScriptLineSize);
  return 0;
}
