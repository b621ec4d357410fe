// The Intel HEX check every firmware file passes before the user sees the
// proposed operation: each line a record (":", an even number of hex digits,
// a length byte that matches, a correct checksum, a type from 00 to 05 with
// the length its type needs), no line longer than the transfer reads as one
// (509 characters and its line end), nothing but empty lines after the
// end-of-file record, and that record present. Lines opening with ';' or '#'
// are comments and are passed over, as the transfer passes over them.
// Line ends may be LF or CR LF.
#pragma once

#include <cstddef>
#include <string>

namespace qb {

// The transfer reads at most this many characters of a line, its line feed
// included; a longer record would go out in two pieces.
constexpr size_t kHexLineLimit = 510;

struct HexCheckResult {
  bool ok = false;
  int line = 0;         // the first bad line (1-based); 0 when ok
  std::string problem;  // short text, "" when ok
  long records = 0;     // records seen
};

// Checks text fed in pieces of any size.
class HexChecker {
 public:
  void Feed(const char* data, size_t size);
  // Ends the text and gives the verdict.
  HexCheckResult Finish();

 private:
  void Fail(const char* problem);
  void Line();

  std::string line_;
  int lineNumber_ = 0;
  bool failed_ = false;
  bool ended_ = false;  // the end-of-file record has been seen
  long records_ = 0;
  long dataRecords_ = 0;
  HexCheckResult result_;
};

HexCheckResult CheckHexText(const char* data, size_t size);
// The file at path; "cannot be read" when it cannot be opened.
HexCheckResult CheckHexFile(const std::string& path);

}  // namespace qb
