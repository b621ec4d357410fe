// Fuzzes the upgrade descriptor parser and the Intel HEX checker over
// arbitrary bytes. The descriptor text is parsed with an empty folder (no
// file is found, so nothing outside the input matters) and every record must
// come out within the table with a sector and name taken from a LOAD line.
// The checker's verdict must not depend on how the text is split into pieces,
// and a text it accepts must be made of records (and comment lines) that fit
// the transfer's line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "upgrade/hex_check.h"
#include "upgrade/load_record.h"
#include "upgrade/upgrade_descriptor.h"

using namespace qb;

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void FuzzDescriptor(const std::string& text) {
  LoadRecord records[kMaxLoadRecords];
  bool problem = false;
  std::string target;
  // A folder that cannot exist keeps the look-ups away from real files.
  int count =
      ParseUpgradeDescriptorText(problem, text, "/nonexistent-quillbox-fuzz/", records, kMaxLoadRecords, target);
  Check(count >= 0 && count <= kMaxLoadRecords);
  Check(target.size() <= static_cast<size_t>(kMaxTargetLength));
  for (int i = 0; i < count; ++i) {
    Check(!records[i].found);
    Check(records[i].info.name.size() < kDescriptorLineLimit);
    Check(records[i].serialLow >= 0 && records[i].serialHigh >= 0);
    if (records[i].sector < 0 || records[i].sector >= kSectorCount) Check(problem);
  }
}

void FuzzHex(const std::string& text, size_t piece) {
  HexCheckResult whole = CheckHexText(text.data(), text.size());
  HexChecker checker;
  for (size_t at = 0; at < text.size(); at += piece) {
    checker.Feed(text.data() + at, text.size() - at < piece ? text.size() - at : piece);
  }
  HexCheckResult pieces = checker.Finish();
  Check(whole.ok == pieces.ok && whole.line == pieces.line);
  Check(whole.ok ? whole.line == 0 : whole.line >= 1);
  if (!whole.ok) return;
  // Every non-empty line of an accepted text is a record or a comment line
  // (which the transfer passes over), short enough to send.
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const bool recordOrComment = line[0] == ':' || line[0] == ';' || line[0] == '#';
    Check(line.empty() || (recordOrComment && line.size() + 1 <= kHexLineLimit));
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the piece size for the split feed.
  size_t piece = 1 + data[0] % 64;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  FuzzDescriptor(text);
  FuzzHex(text, piece);
  return 0;
}
