// Opening a script file on POSIX systems, where an open file never keeps
// others from reading or writing it.
#include <cstdio>

#include "script/script_loader.h"

namespace qb {

std::FILE* OpenScriptFileForReading(const char* path) {
  return std::fopen(path, "rb");
}

}  // namespace qb
