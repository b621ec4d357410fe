// The store listings, the QZL transfer lines and the store file names.
#include "stores/store_format.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qb {

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t comma = line.find(',', start);
    if (comma == std::string::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, comma - start));
    start = comma + 1;
  }
}

// The whole text as a decimal number (blanks around it allowed).
bool ParseNumber(const std::string& text, long long& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  value = strtoll(begin, &end, 10);
  if (end == begin || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}

ProgramRow EmptyRow(int slot) {
  ProgramRow row;
  row.id = std::to_string(slot);
  row.name = " ";
  row.date = " ";
  return row;
}

std::string Clip(const std::string& text) {
  return text.size() < static_cast<size_t>(kResultTextSize) ? text : text.substr(0, kResultTextSize - 1);
}

}  // namespace

bool AddProgramListingLine(ProgramListing& listing, const std::string& line) {
  if (line == "empty") return false;
  std::vector<std::string> fields = SplitFields(line);
  long long slot = 0;
  const long long next = static_cast<long long>(listing.rows.size());
  if (fields.size() < 3 || !ParseNumber(fields[0], slot) || slot <= next || slot > kProgramSlots) {
    ++listing.skipped;
    return true;
  }
  while (static_cast<long long>(listing.rows.size()) < slot - 1) {
    listing.rows.push_back(EmptyRow(static_cast<int>(listing.rows.size()) + 1));
  }
  ProgramRow row;
  row.id = fields[0];
  row.name = fields[1];
  row.date = fields[2];
  row.stored = true;
  listing.rows.push_back(row);
  return true;
}

void FinishProgramListing(ProgramListing& listing) {
  while (listing.rows.size() < static_cast<size_t>(kProgramSlots)) {
    listing.rows.push_back(EmptyRow(static_cast<int>(listing.rows.size()) + 1));
  }
}

ListingStep AddResultListingLine(ResultListing& listing, const std::string& line) {
  size_t first = line.find(',');
  if (first == std::string::npos) return ListingStep::End;
  long long number = 0;
  if (!ParseNumber(line.substr(0, first), number) || number < 0 || number > 0xFFFFFFFFll ||
      listing.entries.size() >= static_cast<size_t>(kMaxResultEntries)) {
    ++listing.skipped;
    return ListingStep::Skipped;
  }
  ResultEntry entry;
  entry.number = static_cast<uint32_t>(number);
  size_t second = line.find(',', first + 1);
  std::string name = line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
  entry.name = name.empty() ? " " : Clip(name);
  if (second != std::string::npos) entry.details = Clip(line.substr(second + 1));
  listing.entries.push_back(entry);
  return ListingStep::Added;
}

std::string QzlBlockHeader(int block) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string header = "#X";
  for (int digit = 0; digit < 4; ++digit) header += kHex[(block >> (4 * digit)) & 0xF];
  return header;
}

std::vector<std::string> QzlUploadLines(const std::string& fileBytes) {
  std::vector<std::string> lines;
  for (int block = 0; block < kQzlMaxBlocks; ++block) {
    size_t offset = static_cast<size_t>(block) * kQzlBlockSize;
    if (offset + kQzlBlockSize > fileBytes.size()) break;
    std::string payload = fileBytes.substr(offset, kQzlBlockSize);
    size_t zero = payload.find('\0');
    if (zero != std::string::npos) payload.resize(zero);
    lines.push_back(QzlBlockHeader(block) + payload + "00\n");
  }
  return lines;
}

bool QzlLinePayload(const std::string& line, std::string& payload) {
  if (line.size() < static_cast<size_t>(kQzlHeaderLength + kQzlTrailerLength)) return false;
  payload = line.substr(kQzlHeaderLength, line.size() - kQzlHeaderLength - kQzlTrailerLength);
  return true;
}

std::string ProgramSaveName(const std::string& typed) {
  if (typed.size() >= 4 && typed[typed.size() - 4] == '.') return typed;
  return typed + ".QZL";
}

std::string ProgramDefaultName(int slot) {
  char name[32];
  snprintf(name, sizeof name, "ZTQ_C%03d", slot);
  return name;
}

std::string ResultFileName(uint32_t number) {
  char name[32];
  snprintf(name, sizeof name, "ZTQ_R%03u", static_cast<unsigned>(number));
  return name;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  if (last == '\\' || last == '/') return folder + name;
#ifdef _WIN32
  return folder + "\\" + name;
#else
  return folder + "/" + name;
#endif
}

}  // namespace qb
