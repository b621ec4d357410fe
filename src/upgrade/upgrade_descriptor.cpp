// Reads upgrade descriptors and builds the .hex-derived file set; see
// upgrade_descriptor.h.
#include "upgrade/upgrade_descriptor.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/ui_seam.h"
#include "resources/text_table.h"
#include "upgrade/hex_check.h"

namespace qb {

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\';
#else
  return c == '\\' || c == '/';
#endif
}

size_t LastSeparator(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return i - 1;
  }
  return std::string::npos;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

bool Begins(const std::string& line, const char* keyword) {
  return line.compare(0, strlen(keyword), keyword) == 0;
}

// The position after the comma at or after from, and blanks and tabs.
size_t AfterComma(const std::string& line, size_t from, bool skipBlanks) {
  size_t comma = line.find(',', from);
  if (comma == std::string::npos) return std::string::npos;
  size_t at = comma + 1;
  if (skipBlanks) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  }
  return at;
}

// Fills the record from the file at path, or its name alone when none is found.
void LookUp(LoadRecord& record, const std::string& path, const std::string& nameAsWritten) {
  record.path = path;
  std::string actual;
  record.found = FindFileInfo(path, record.info, &actual);
  if (record.found) {
    record.path = actual;
  } else {
    record.info.name = nameAsWritten;
  }
}

struct PendingRange {
  int32_t count = 0, low = 0, high = 0;
};

void ParseSerial(const std::string& line, PendingRange& range) {
  range = PendingRange();
  size_t at = AfterComma(line, 0, false);
  if (at == std::string::npos) return;
  int32_t n = ReadInteger(line.c_str() + at);
  if (n < 1 || n > 9) return;
  at = AfterComma(line, at, false);
  if (at == std::string::npos) return;
  int32_t low = ReadInteger(line.c_str() + at);
  if (low < 0) return;
  at = AfterComma(line, at, false);
  if (at == std::string::npos) return;
  int32_t high = ReadInteger(line.c_str() + at);
  if (high < 0) return;
  range.count = n;
  range.low = low;
  range.high = high;
}

// A LOAD line into the record; false when the line is not usable.
bool ParseLoad(const std::string& line, const std::string& folder, PendingRange& range, LoadRecord& record,
               bool& problem) {
  record = LoadRecord();
  size_t at = AfterComma(line, 0, true);
  if (at == std::string::npos || at >= line.size()) return false;
  int32_t sector = ReadInteger(line.c_str() + at);
  at = AfterComma(line, at, true);
  if (at == std::string::npos || at >= line.size()) return false;
  record.sector = sector;
  if (sector < 0 || sector >= kSectorCount) problem = true;
  std::string name = line.substr(at);
  LookUp(record, folder + name, name);
  if (range.count > 0) {
    record.serialLow = range.low;
    record.serialHigh = range.high;
    --range.count;
  }
  return true;
}

}  // namespace

int32_t ReadInteger(const char* text) {
  if (!text) return 0;
  errno = 0;
  long long value = strtoll(text, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

int ParseUpgradeDescriptorText(bool& problem, const std::string& text, const std::string& folder, LoadRecord* records,
                               int maxRecords, std::string& target) {
  target.clear();
  if (!records || maxRecords <= 0) return 0;
  PendingRange range;
  int count = 0;
  size_t start = 0;
  while (count < maxRecords && start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, std::min(end - start, kDescriptorLineLimit));
    start = end + 1;
    size_t cut = line.find_first_of("\r");
    if (cut != std::string::npos) line.resize(cut);
    // A zero byte ends the line, as it ends any text the program reads.
    cut = line.find('\0');
    if (cut != std::string::npos) line.resize(cut);
    line = UpperCase(line);
    if (target.empty() && Begins(line, "TARGET")) {
      size_t at = AfterComma(line, 0, true);
      if (at != std::string::npos && at < line.size()) target = line.substr(at, kMaxTargetLength);
    }
    if (Begins(line, "SERIAL")) ParseSerial(line, range);
    if (Begins(line, "LOAD") && ParseLoad(line, folder, range, records[count], problem)) ++count;
  }
  return count;
}

int ParseUpgradeDescriptor(bool& problem, const std::string& path, LoadRecord* records, int maxRecords,
                           std::string& target) {
  target.clear();
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return 0;
  // Read as a whole, but never more than the table can use: 50 LOAD lines of
  // the kept length and as many lines again of anything else is far beyond
  // any real descriptor, and a huge file cannot exhaust memory.
  std::string text;
  const size_t limit = static_cast<size_t>(maxRecords > 0 ? maxRecords : 1) * kDescriptorLineLimit * 64;
  char chunk[65536];
  size_t n;
  bool cut = false;
  while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (text.size() >= limit) {
      cut = true;
      break;
    }
    text.append(chunk, n);
  }
  fclose(file);
  // A line cut by the limit is not read at all: half a file name is another name.
  if (cut) text.resize(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
  size_t separator = LastSeparator(path);
  std::string folder = separator == std::string::npos ? "" : path.substr(0, separator + 1);
  return ParseUpgradeDescriptorText(problem, text, folder, records, maxRecords, target);
}

int BuildHexFileSet(LoadRecord* records, bool& problem, void* owner, const std::string& chosenPath) {
  size_t separator = LastSeparator(chosenPath);
  std::string folder = separator == std::string::npos ? "" : chosenPath.substr(0, separator);
  std::string name = separator == std::string::npos ? chosenPath : chosenPath.substr(separator + 1);
  auto letter = [&](size_t i) { return i < name.size() && isalpha(static_cast<unsigned char>(name[i])); };
  bool mainFile = letter(0) && (letter(1) || (name.size() > 1 && isdigit(static_cast<unsigned char>(name[1])))) &&
                  name.size() > 2 && name[2] == '_';
  if (!records) return -1;
  if (!mainFile) {
    ShowMessageBox(owner, TextTableEntry(TXT_CHOOSE_MAIN_HEX), TextTableEntry(TXT_UPGRADE_FIRMWARE),
                   kMbIconInformation);
    return -1;
  }
  std::string joined = separator == std::string::npos ? "" : folder + chosenPath[separator];
  std::string suffix = name.substr(2);
  std::string prefix = UpperCase(name.substr(0, 2));
  int count = 0;
  auto add = [&](const std::string& fileName, int32_t sector) {
    LoadRecord& record = records[count++];
    record = LoadRecord();
    record.sector = sector;
    LookUp(record, joined + fileName, fileName);
    if (!record.found) problem = true;
  };
  add("DSP" + suffix, 2);
  if (prefix != "SQ" && prefix != "PC") add("FPG" + suffix, 1);
  add(name, 0);
  return count;
}

bool CheckLoadRecordFiles(LoadRecord* records, int count) {
  bool sound = true;
  for (int i = 0; records && i < count; ++i) {
    LoadRecord& record = records[i];
    record.badLine = 0;
    record.problem.clear();
    if (!record.found) continue;
    HexCheckResult check = CheckHexFile(record.path);
    if (!check.ok) {
      record.badLine = check.line > 0 ? check.line : 1;
      record.problem = check.problem;
      sound = false;
    }
  }
  return sound;
}

std::string ModelFromIdentification(const std::string& reply) {
  size_t comma = reply.find(',');
  if (comma == std::string::npos) return "";
  size_t end = reply.find(',', comma + 1);
  std::string model = reply.substr(comma + 1, end == std::string::npos ? std::string::npos : end - comma - 1);
  return model.substr(0, 127);
}

int32_t InstrumentNumberFromIdentification(const std::string& reply) {
  size_t first = reply.find(',');
  size_t second = first == std::string::npos ? first : reply.find(',', first + 1);
  if (second == std::string::npos) return -1;
  return ReadInteger(reply.c_str() + second + 1);
}

bool RecordInRange(const LoadRecord& record, int32_t instrumentNumber) {
  if (instrumentNumber < 0) return true;
  return instrumentNumber >= record.serialLow && (record.serialHigh == 0 || instrumentNumber <= record.serialHigh);
}

}  // namespace qb
