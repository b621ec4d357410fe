// Builds the upgrade's "Proposed Operation" report; see upgrade_report.h.
#include "upgrade/upgrade_report.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/fixed_font.h"
#include "resources/text_table.h"
#include "upgrade/upgrade_descriptor.h"

namespace qb {

namespace {

// The font table names the system's fixed-pitch face and marks it fixed pitch
// (\\fmodern\\fprq1), so a renderer that lacks the face keeps the columns.
constexpr char kFontTable[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang2057{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 ";
constexpr char kDocumentHead[] =
    ";}}{\\colortbl "
    ";\\red0\\green0\\blue0;\\red0\\green192\\blue0;\\red255\\green0\\blue0;\\red127\\green127\\blue127;}"
    "\\deftab1000\\viewkind4\\uc1\\ul\\pard\\cf4\\b\\f0\\fs20 Proposed "
    "Operation\\par\\fs20\\ulnone\\b0\\par%s\\cf4 Erase Sectors: %s\\par\\cf0\\par\\cf4 Program Sectors with the "
    "following "
    "code:\\par\\cf0\\par\\cf4 File Sector Filename            Date\\par";

constexpr int kColourNormal = 0;
constexpr int kColourRed = 3;

// printf into a string of any length.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  int length = snprintf(nullptr, 0, format, args...);
  if (length <= 0) return "";
  std::string text(static_cast<size_t>(length) + 1, '\0');
  snprintf(&text[0], text.size(), format, args...);
  text.resize(static_cast<size_t>(length));
  return text;
}

// Fills the head's two places (the only "%s" in it) without a fixed buffer.
std::string FillHead(const std::string& header, const std::string& eraseList) {
  std::string head = std::string(kFontTable) + RtfEscape(SystemFixedFace()) + kDocumentHead;
  size_t first = head.find("%s");
  head.replace(first, 2, header);
  size_t second = head.find("%s", first + header.size());
  head.replace(second, 2, eraseList);
  return head;
}

bool LocalDate(time_t time, struct tm& out) {
#ifdef _WIN32
  return localtime_s(&out, &time) == 0;
#else
  return localtime_r(&time, &out) != nullptr;
#endif
}

// The file name cut or padded to 20 characters, as "%-20.20s" gives it, then
// escaped (escaping first could cut an escape in half).
std::string NameColumn(const std::string& name) {
  std::string column = name.substr(0, 20);
  column.resize(20, ' ');
  return RtfEscape(column);
}

}  // namespace

std::string RtfEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\' || c == '{' || c == '}') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

std::string ProposedOperationText(const std::string& report) {
  std::string text, line;
  bool red = false, lineRed = false;
  int depth = 0;
  int skipDepth = 0;  // inside a group of document tables (font, colour)
  auto endLine = [&]() {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line;
    if (lineRed) text += kPlainProblemMark;
    text += '\n';
    line.clear();
    lineRed = false;
  };
  for (size_t i = 0; i < report.size(); ++i) {
    char c = report[i];
    if (c == '{') {
      ++depth;
      // A group that opens with a table's control word holds no text.
      if (!skipDepth && (report.compare(i + 1, 8, "\\fonttbl") == 0 || report.compare(i + 1, 9, "\\colortbl") == 0))
        skipDepth = depth;
      continue;
    }
    if (c == '}') {
      if (skipDepth == depth) skipDepth = 0;
      if (depth > 0) --depth;
      continue;
    }
    if (c == '\\' && i + 1 < report.size() && isalpha(static_cast<unsigned char>(report[i + 1]))) {
      size_t end = i + 1;
      while (end < report.size() && isalpha(static_cast<unsigned char>(report[end]))) ++end;
      std::string word = report.substr(i + 1, end - i - 1);
      size_t digits = end;
      if (digits < report.size() && report[digits] == '-') ++digits;
      while (digits < report.size() && isdigit(static_cast<unsigned char>(report[digits]))) ++digits;
      int parameter = digits > end ? atoi(report.c_str() + end) : 0;
      i = digits < report.size() && report[digits] == ' ' ? digits : digits - 1;  // the delimiting space
      if (skipDepth) continue;
      if (word == "par") endLine();
      if (word == "cf") red = parameter == kColourRed;
      continue;
    }
    if (c == '\\' && i + 1 < report.size()) c = report[++i];  // an escaped character
    if (skipDepth || c == '\r' || c == '\n') continue;
    line.push_back(c);
    lineRed = lineRed || red;
  }
  if (!line.empty()) endLine();
  return text;
}

std::string ReportDate(int64_t time) {
  struct tm date;
  if (time <= 86400 || !LocalDate(static_cast<time_t>(time), date)) return "--/--/--";
  return Format("%02d/%02d/%02d", date.tm_mday, date.tm_mon + 1, (date.tm_year + 1900) % 100);
}

std::string BuildProposedOperationReport(const std::string& target, bool& problem, LoadRecord* records, int count,
                                         const std::string& identification) {
  const int32_t number = InstrumentNumberFromIdentification(identification);
  if (!records || count < 0) count = 0;

  std::string eraseList;
  bool listed[256] = {};
  std::string others;  // sectors outside 0..255 are compared by their text
  for (int i = 0; i < count; ++i) {
    const LoadRecord& record = records[i];
    if (!RecordInRange(record, number)) continue;
    bool valid = record.sector >= 0 && record.sector < kSectorCount;
    if (record.sector >= 0 && record.sector < 256) {
      if (listed[record.sector]) continue;
      listed[record.sector] = true;
    } else {
      std::string key = Format("|%d|", record.sector);
      if (others.find(key) != std::string::npos) continue;
      others += key;
    }
    eraseList += Format("\\cf%d %d,", valid ? kColourNormal : kColourRed, record.sector);
  }

  std::string header = Format(TextTableEntry(TXT_REPORT_INSTRUMENT), RtfEscape(identification).c_str());
  if (!target.empty()) header += Format(TextTableEntry(TXT_REPORT_TARGET), RtfEscape(target).c_str());

  std::string report = FillHead(header, eraseList);
  for (int i = 0; i < count; ++i) {
    LoadRecord& record = records[i];
    if (!RecordInRange(record, number)) continue;
    std::string date = record.found ? ReportDate(record.info.lastWriteTime) : "--/--/--";
    for (char& c : record.info.name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    bool sound = record.found && record.badLine == 0;
    // The space ends the colour word: a name beginning with a digit would
    // otherwise be read as part of its number.
    report += Format("\\cf0 %-2d   %-2d     \\cf%d ", i + 1, record.sector, sound ? kColourNormal : kColourRed);
    report += NameColumn(record.info.name);
    report += "\\cf0 " + date;
    if (record.found && record.badLine > 0) {
      report += Format(" \\cf3 line %d: %s\\cf0 ", record.badLine, RtfEscape(record.problem).c_str());
    }
    report += "\\par";
    if (!sound) problem = true;
  }
  report += "}";
  return report;
}

}  // namespace qb
