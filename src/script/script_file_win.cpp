// Opening a script file on Windows: binary mode, shared with other readers
// and writers so that a script can be loaded while an editor holds it open.
#include <share.h>

#include <cstdio>

#include "script/script_loader.h"

namespace qb {

std::FILE* OpenScriptFileForReading(const char* path) {
  return _fsopen(path, "rb", _SH_DENYNO);
}

}  // namespace qb
