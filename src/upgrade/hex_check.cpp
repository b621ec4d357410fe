// The Intel HEX checker; see hex_check.h.
#include "upgrade/hex_check.h"

#include <cstdio>

namespace qb {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

void HexChecker::Fail(const char* problem) {
  if (failed_) return;
  failed_ = true;
  result_.ok = false;
  result_.line = lineNumber_;
  result_.problem = problem;
}

void HexChecker::Feed(const char* data, size_t size) {
  for (size_t i = 0; i < size && !failed_; ++i) {
    char c = data[i];
    if (c == '\n') {
      ++lineNumber_;
      Line();
      line_.clear();
      continue;
    }
    // The line feed counts towards the limit too, so 509 characters is the most.
    if (line_.size() + 1 >= kHexLineLimit) {
      // A carriage return before the line feed is the line end, not content.
      if (c == '\r' && line_.size() + 1 == kHexLineLimit) {
        line_.push_back(c);
        continue;
      }
      ++lineNumber_;
      Fail("line too long");
      return;
    }
    line_.push_back(c);
  }
}

void HexChecker::Line() {
  std::string& text = line_;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  if (text.size() + 1 > kHexLineLimit) return Fail("line too long");
  if (text.empty()) return;
  // Comment lines, as HEX writers put them in; the transfer skips them. Any
  // other line without ':' (a record that lost it) is still refused.
  if (text[0] == ';' || text[0] == '#') return;
  if (ended_) return Fail("data after the end-of-file record");
  if (text[0] != ':') return Fail("not a record (no ':')");
  size_t digits = text.size() - 1;
  if (digits % 2 != 0) return Fail("odd number of hex digits");
  if (digits < 10) return Fail("record too short");
  unsigned bytes[260];
  size_t count = digits / 2;
  if (count > sizeof bytes / sizeof bytes[0]) return Fail("record too long");
  unsigned sum = 0;
  for (size_t i = 0; i < count; ++i) {
    int high = HexValue(text[1 + 2 * i]), low = HexValue(text[2 + 2 * i]);
    if (high < 0 || low < 0) return Fail("not a hex digit");
    bytes[i] = static_cast<unsigned>(high * 16 + low);
    sum += bytes[i];
  }
  if (bytes[0] != count - 5) return Fail("length byte does not match");
  if ((sum & 0xFF) != 0) return Fail("checksum mismatch");
  unsigned type = bytes[3];
  static const int kLengthOfType[] = {-1, 0, 2, 4, 2, 4};
  if (type > 5) return Fail("unknown record type");
  if (kLengthOfType[type] >= 0 && bytes[0] != static_cast<unsigned>(kLengthOfType[type]))
    return Fail("wrong length for its type");
  ++records_;
  if (type == 0) ++dataRecords_;
  if (type == 1) ended_ = true;
}

HexCheckResult HexChecker::Finish() {
  if (!failed_ && !line_.empty()) {
    ++lineNumber_;
    Line();
    line_.clear();
  }
  if (!failed_ && !ended_) {
    lineNumber_ = lineNumber_ + 1;
    Fail("no end-of-file record");
  }
  if (!failed_ && dataRecords_ == 0) {
    lineNumber_ = 1;
    Fail("no data records");
  }
  if (!failed_) {
    result_.ok = true;
    result_.line = 0;
    result_.problem.clear();
  }
  result_.records = records_;
  return result_;
}

HexCheckResult CheckHexText(const char* data, size_t size) {
  HexChecker checker;
  checker.Feed(data, size);
  return checker.Finish();
}

HexCheckResult CheckHexFile(const std::string& path) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) {
    HexCheckResult result;
    result.line = 1;
    result.problem = "cannot be read";
    return result;
  }
  HexChecker checker;
  char chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) checker.Feed(chunk, n);
  bool readError = ferror(file) != 0;
  fclose(file);
  HexCheckResult result = checker.Finish();
  if (readError && result.ok) {
    result.ok = false;
    result.line = 1;
    result.problem = "cannot be read";
  }
  return result;
}

}  // namespace qb
