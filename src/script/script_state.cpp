// Definitions of the script state.
#include "script/script_state.h"

namespace qb {

int32_t ScriptState = SCRIPT_NONE;
int32_t ReceivedCharCount = 0;
char CurrentScriptPath[260] = "";

void AddReceivedCharacters(int count) {
  if (count <= 0) return;
  ReceivedCharCount = ReceivedCharCount > INT32_MAX - count ? INT32_MAX : ReceivedCharCount + count;
}

}  // namespace qb
