// Natively there is no debugger output: the assistant's diagnostic lines are
// dropped unless a sink is installed (the tests install one to read them).
#include "assist/command_dictionary.h"

namespace qb {

void DefaultAssistDiagnostic(const char*) {}

}  // namespace qb
