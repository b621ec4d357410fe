// Fuzzes the store listings and the QZL transfer lines: listing replies of
// any shape (short lines, no commas, huge or negative numbers, too many
// entries) and transfer lines of any length, both ways. The program list
// always ends with 999 rows in slot order, the results table never passes 999
// entries, and a file cut into upload lines reads back as its blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "stores/store_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // The input as lines, for both listings and for transfer lines.
  qb::ProgramListing programs;
  qb::ResultListing results;
  bool programsOpen = true;
  size_t start = 0;
  while (start <= input.size()) {
    size_t end = input.find('\n', start);
    std::string line = input.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (programsOpen) programsOpen = qb::AddProgramListingLine(programs, line);
    qb::AddResultListingLine(results, line);
    std::string payload;
    if (qb::QzlLinePayload(line, payload) && payload.size() + 8 != line.size()) abort();
    if (end == std::string::npos) break;
    start = end + 1;
  }
  qb::FinishProgramListing(programs);
  if (programs.rows.size() != static_cast<size_t>(qb::kProgramSlots)) abort();
  for (size_t i = 0; i < programs.rows.size(); ++i) {
    if (!programs.rows[i].stored && programs.rows[i].id != std::to_string(i + 1)) abort();
    if (programs.rows[i].stored && atoi(programs.rows[i].id.c_str()) != static_cast<int>(i) + 1) abort();
  }
  if (results.entries.size() > static_cast<size_t>(qb::kMaxResultEntries)) abort();
  for (const auto& entry : results.entries) {
    if (entry.name.empty() || entry.name.size() > 255 || entry.details.size() > 255) abort();
  }

  // The whole input as a file to upload.
  std::string back;
  for (std::string line : qb::QzlUploadLines(input)) {
    if (line.back() != '\n') abort();
    line.pop_back();
    std::string payload;
    if (!qb::QzlLinePayload(line, payload) || payload.size() > 64) abort();
    back += payload;
  }
  if (back.size() > 1024 || input.compare(0, back.size(), back) != 0) {
    // Blocks without zero bytes come back unchanged.
    if (input.find('\0') == std::string::npos) abort();
  }
  qb::ProgramSaveName(input);
  return 0;
}
