// Definitions of the main window's shared state.
#include "shell/shell_state.h"

namespace qb {

int32_t ScriptState = SCRIPT_NONE;
int32_t ReceivedCharCount = 0;
char CurrentScriptPath[260] = "";

}  // namespace qb
