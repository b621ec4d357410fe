// Fuzzes the script file check and the choice of listed lines over arbitrary
// bytes, read through a memory stream exactly as a file is read. The check is
// compared with a plain restatement of the rule: a file is a script when some
// line after the last line holding a character above 127 begins with '"' or '#',
// where lines are pieces of at most 299 characters cut at their first CR or LF.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "script/script_interpreter.h"
#include "script/script_loader.h"

using namespace qb;

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool ReferenceCheck(const uint8_t* data, size_t size) {
  bool script = false;
  size_t start = 0;
  while (start < size) {
    size_t end = start;
    while (end < size && end - start < static_cast<size_t>(kScriptReadLimit) && data[end] != '\n') ++end;
    if (end < size && data[end] == '\n' && end - start < static_cast<size_t>(kScriptReadLimit)) ++end;
    bool high = false;
    for (size_t i = start; i < end && data[i] != '\r' && data[i] != '\n'; ++i) high = high || data[i] > 127;
    if (high) {
      script = false;
    } else if (data[start] == '"' || data[start] == '#') {
      script = true;
    }
    start = end;
  }
  return script;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return 0;
  ScriptFileScan scan;
  scan.collect = true;
  Check(ScanScriptStream(file, scan));
  std::fclose(file);

  Check(LooksLikeScript(scan) == ReferenceCheck(data, size));
  for (const std::string& line : scan.lines) {
    Check(!line.empty() && line.size() < static_cast<size_t>(kScriptLineLimit));
    Check(line[0] != kEndOfFileMark && line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
  }
  return 0;
}
