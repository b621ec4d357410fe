// The command assistant's diagnostic lines go to the debugger output, always.
#include <windows.h>

#include "assist/command_dictionary.h"

namespace qb {

void DefaultAssistDiagnostic(const char* line) {
  OutputDebugStringA(line);
}

}  // namespace qb
