// The script state the runner keeps and the main window reads: whether a
// script is loaded, running or stepping, and the count of reply characters
// shown that tells a waiting script its query was answered.
#pragma once

#include <cstdint>

namespace qb {

// 0 = no script (command layout), 1 = loaded and stopped, 2 = running,
// 3 = one step requested.
enum ScriptStateValue : int32_t {
  SCRIPT_NONE = 0,
  SCRIPT_STOPPED = 1,
  SCRIPT_RUNNING = 2,
  SCRIPT_STEP = 3,
};

extern int32_t ScriptState;
// Reply characters shown by the results poll. The interpreter sets it to 0 when
// it awaits a reply; the runner sets it to -1 once it has seen the reply.
extern int32_t ReceivedCharCount;
// Adds the length of a line the poll showed. The count stops at its largest
// value instead of overflowing: a script only asks whether it grew.
void AddReceivedCharacters(int count);
// The Run/Stop button's label names what pressing it does, and the state
// after it follows from the label alone: "Stop" while running, "Run"
// otherwise. A stop the runner asks for (end of the script, a #wait, a failed
// test) only ever stops; it never starts a run the user has just stopped.
enum class RunStopSource { Button, Runner };
const char* RunStopLabel(int32_t state);
int32_t ScriptStateAfterRunStop(int32_t state, RunStopSource source);
// The chosen script file.
extern char CurrentScriptPath[260];

}  // namespace qb
