// Readings, settings, sweep steps, limits, statistics and CSV fields; see
// measure_values.h.
#include "measure/measure_values.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/limit_test.h"

namespace qb {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The length of the decimal number at the start of text ([+-]digits[.digits]
// [e[+-]digits], or one starting with the point), 0 when there is none.
size_t NumberLength(const char* text) {
  size_t i = 0;
  if (text[i] == '+' || text[i] == '-') ++i;
  size_t digits = 0;
  while (IsDigit(text[i])) ++i, ++digits;
  if (text[i] == '.') {
    ++i;
    while (IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (text[i] == 'e' || text[i] == 'E') {
    size_t e = i + 1;
    if (text[e] == '+' || text[e] == '-') ++e;
    if (IsDigit(text[e])) {
      while (IsDigit(text[e])) ++e;
      i = e;
    }
  }
  return i;
}

// The number that begins text after any spaces; false when there is none or
// it does not fit a double.
bool LeadingNumber(const char* text, double& value) {
  while (*text == ' ' || *text == '\t') ++text;
  size_t length = NumberLength(text);
  if (length == 0) return false;
  std::string number(text, length);
  value = std::strtod(number.c_str(), nullptr);
  return std::isfinite(value);
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Days from 1970-01-01 to the civil date, and back (proleptic Gregorian).
void CivilFromDays(int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

Reading ReadingFromReply(const std::string& reply) {
  Reading reading;
  reading.text = reply;
  reading.kind = Reading::kNotANumber;
  size_t start = 0;
  for (;;) {
    double value = 0.0;
    if (LeadingNumber(reply.c_str() + start, value)) {
      reading.kind = Reading::kNumber;
      reading.value = value;
      return reading;
    }
    size_t comma = reply.find(',', start);
    if (comma == std::string::npos) return reading;
    start = comma + 1;
  }
}

std::vector<std::string> QueriesFromLines(const std::string& text) {
  std::vector<std::string> queries;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string q = Trim(text.substr(start, end - start));
    if (!q.empty()) queries.push_back(q);
    start = end + 1;
  }
  return queries;
}

bool ParseDecimal(const std::string& text, double& value) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return false;
  size_t last = text.find_last_not_of(" \t");
  std::string number = text.substr(first, last - first + 1);
  return NumberLength(number.c_str()) == number.size() && LeadingNumber(number.c_str(), value);
}

std::string SettingText(double value) {
  if (!std::isfinite(value)) return "0";
  if (value == 0.0) return "0";
  int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
  int decimals = 5 - magnitude;
  if (decimals < 0) decimals = 0;
  if (decimals > 15) decimals = 15;
  char text[400];
  snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string out = text;
  if (out.find('.') != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  if (out == "-0") out = "0";
  return out;
}

bool SweepSettings(const SweepRange& range, std::vector<double>& settings, std::string& error) {
  settings.clear();
  std::vector<double> raw;
  if (range.spacing == SweepSpacing::kList) {
    const std::string& t = range.listText;
    size_t i = 0;
    while (i < t.size()) {
      size_t end = t.find_first_of(", \t\r\n;", i);
      if (end == std::string::npos) end = t.size();
      std::string entry = t.substr(i, end - i);
      i = end + 1;
      if (entry.empty()) continue;
      double value = 0.0;
      if (!ParseDecimal(entry, value)) {
        error = "The sweep list holds \"" + entry + "\", which is not a number.";
        return false;
      }
      raw.push_back(value);
      if (raw.size() > static_cast<size_t>(kMostSweepSteps)) {
        error = "The sweep list holds more than " + std::to_string(kMostSweepSteps) + " settings.";
        return false;
      }
    }
    if (raw.empty()) {
      error = "The sweep list holds no settings.";
      return false;
    }
  } else {
    if (range.steps < 1 || range.steps > kMostSweepSteps) {
      error = "A sweep takes 1 to " + std::to_string(kMostSweepSteps) + " steps.";
      return false;
    }
    if (!std::isfinite(range.from) || !std::isfinite(range.to)) {
      error = "The sweep's start and end must be numbers.";
      return false;
    }
    const bool log = range.spacing == SweepSpacing::kLogarithmic;
    if (log && (range.from <= 0.0 || range.to <= 0.0)) {
      error = "A logarithmic sweep runs between settings above zero.";
      return false;
    }
    const int n = range.steps;
    for (int k = 0; k < n; ++k) {
      double f = n == 1 ? 0.0 : static_cast<double>(k) / (n - 1);
      double value = log ? std::exp(std::log(range.from) + f * (std::log(range.to) - std::log(range.from)))
                         : range.from + f * (range.to - range.from);
      if (k == n - 1 && n > 1) value = range.to;  // the end exactly, whatever the rounding
      raw.push_back(value);
    }
  }
  for (double value : raw) settings.push_back(std::strtod(SettingText(value).c_str(), nullptr));
  return true;
}

bool FillPlaceholder(const std::string& command, const std::string& settingText, std::string& filled,
                     std::string& error) {
  if (command.find("{}") == std::string::npos) {
    error = "The set command needs a {} where the setting goes (for example FREQUE,{}).";
    return false;
  }
  filled.clear();
  for (size_t i = 0; i < command.size();) {
    if (command.compare(i, 2, "{}") == 0) {
      filled += settingText;
      i += 2;
    } else {
      filled.push_back(command[i++]);
    }
  }
  return true;
}

bool OutsideLimits(const Limits& limits, double value) {
  if (limits.hasLow && limits.hasHigh) return LimitTestFails(LimitTest::Outside, value, limits.low, limits.high);
  if (limits.hasLow) return LimitTestFails(LimitTest::Low, value, limits.low, 0.0);
  if (limits.hasHigh) return LimitTestFails(LimitTest::High, value, limits.high, 0.0);
  return false;
}

void AddToStats(RunningStats& stats, const Reading& reading, const Limits& limits) {
  if (reading.kind == Reading::kNoReply) {
    ++stats.noReplies;
    return;
  }
  if (reading.kind == Reading::kNotANumber) {
    ++stats.notNumbers;
    return;
  }
  const double v = reading.value;
  if (stats.numbers == 0) {
    stats.min = stats.max = stats.mean = v;
  } else {
    if (v < stats.min) stats.min = v;
    if (v > stats.max) stats.max = v;
    stats.mean += (v - stats.mean) / static_cast<double>(stats.numbers + 1);
  }
  ++stats.numbers;
  stats.latest = v;
  if (OutsideLimits(limits, v)) ++stats.outside;
}

int64_t EpochMs() {
  return static_cast<int64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
          .count());
}

std::string IsoTimestamp(int64_t epochMs) {
  int64_t days = epochMs >= 0 ? epochMs / 86400000 : (epochMs - 86399999) / 86400000;
  int64_t inDay = epochMs - days * 86400000;
  int year, month, day;
  CivilFromDays(days, year, month, day);
  char text[40];
  snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", year, month, day,
           static_cast<int>(inDay / 3600000), static_cast<int>(inDay / 60000 % 60),
           static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000));
  return text;
}

std::string CsvField(const std::string& text) {
  bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
               (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string CsvReading(const Reading& reading) {
  if (reading.kind == Reading::kNoReply) return "";
  if (reading.kind == Reading::kNotANumber) return CsvField(reading.text);
  if (reading.value == 0.0) return "0";  // negative zero too
  // At least as many digits as the whole part has, so that 20 reads "20"
  // rather than the exact but odd "2e+01".
  const double magnitude = std::floor(std::log10(std::fabs(reading.value)));
  int first = magnitude >= 0 && magnitude < 17 ? static_cast<int>(magnitude) + 1 : 1;
  char text[40];
  for (int digits = first; digits <= 17; ++digits) {
    snprintf(text, sizeof text, "%.*g", digits, reading.value);
    if (std::strtod(text, nullptr) == reading.value) break;
  }
  return text;
}

}  // namespace qb
