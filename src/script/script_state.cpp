// Definitions of the script state.
#include "script/script_state.h"

#include "resources/text_table.h"

namespace qb {

int32_t ScriptState = SCRIPT_NONE;
int32_t ReceivedCharCount = 0;
char CurrentScriptPath[260] = "";

void AddReceivedCharacters(int count) {
  if (count <= 0) return;
  ReceivedCharCount = ReceivedCharCount > INT32_MAX - count ? INT32_MAX : ReceivedCharCount + count;
}

const char* RunStopLabel(int32_t state) {
  return TextTableEntry(state == SCRIPT_RUNNING ? TXT_STOP : TXT_RUN);
}

int32_t ScriptStateAfterRunStop(int32_t state, RunStopSource source) {
  if (state == SCRIPT_NONE) return SCRIPT_NONE;
  if (state == SCRIPT_RUNNING || source == RunStopSource::Runner) return SCRIPT_STOPPED;
  return SCRIPT_RUNNING;
}

}  // namespace qb
