// The values a trend or a sweep works with: a reading taken out of an
// instrument's reply, the text a setting is sent as, the steps of a sweep
// (a list, or a linear or logarithmic range), the set command with its
// placeholder filled in, limits judged as the script language judges them,
// running statistics, and the time stamps and fields of the CSV files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qb {

// The most queries a trend watches or a sweep reads at each step.
constexpr int kMostMeasureQueries = 8;
// Missing replies in a row after which the link counts as lost.
constexpr int kMissesForLostLink = 3;

// One query's reading: a number, a reply that holds none, or no reply at all
// within the time-out.
struct Reading {
  enum Kind { kNumber, kNotANumber, kNoReply };
  Kind kind = kNoReply;
  double value = 0.0;  // kNumber only
  std::string text;    // the reply as received (packed numbers as their text)
};

// The reading in a reply: the number at its start or, when it does not begin
// with one, in the first of its comma-separated fields that does ("12.5",
// "-1.5E-3,2,3" and "W,7.25" all give a number). Only decimal numbers count
// (no "nan", "inf" or hexadecimal), and one too large for a double is not a
// number either.
Reading ReadingFromReply(const std::string& reply);

// The queries of a text with one query a line (blank lines left out, spaces
// around each removed).
std::vector<std::string> QueriesFromLines(const std::string& text);

// A whole text (spaces around it allowed) that is one decimal number; false
// for anything else, an empty text among them.
bool ParseDecimal(const std::string& text, double& value);

// The text a setting is sent as: six significant digits at most, without an
// exponent and without trailing zeros ("1000", "3162.28", "0.00015", "-2.5").
std::string SettingText(double value);

// How a sweep steps its setting.
enum class SweepSpacing { kLinear, kLogarithmic, kList };

struct SweepRange {
  SweepSpacing spacing = SweepSpacing::kLinear;
  double from = 0.0, to = 0.0;
  int steps = 0;          // the number of settings, both ends included
  std::string listText;   // kList: the settings, separated by commas or spaces
};

constexpr int kMostSweepSteps = 100000;

// The settings of a sweep in the order they are set, each already as the
// value its text (SettingText) stands for. False with a message in error for
// a bad range: fewer than one step or more than kMostSweepSteps, an end that
// is not a finite number, a logarithmic range that does not lie above zero,
// a list entry that is not a number or an empty list.
bool SweepSettings(const SweepRange& range, std::vector<double>& settings, std::string& error);

// The set command with every "{}" replaced by the setting's text; false with
// a message when the command has no "{}".
bool FillPlaceholder(const std::string& command, const std::string& settingText, std::string& filled,
                     std::string& error);

// Optional low and high limits: a reading fails when it lies outside them,
// as the script language's =test,lo / =test,hi / =test,out judge it.
struct Limits {
  bool hasLow = false, hasHigh = false;
  double low = 0.0, high = 0.0;
};
bool OutsideLimits(const Limits& limits, double value);

// Latest, smallest, largest and mean of the numbers seen, without keeping
// them; counts of the readings that were not numbers and of missing replies.
struct RunningStats {
  int64_t numbers = 0, notNumbers = 0, noReplies = 0, outside = 0;
  double latest = 0.0, min = 0.0, max = 0.0, mean = 0.0;
};
void AddToStats(RunningStats& stats, const Reading& reading, const Limits& limits);

// Milliseconds since 1970 by the wall clock.
int64_t EpochMs();
// "2024-02-29T13:05:09.042Z" (UTC, milliseconds).
std::string IsoTimestamp(int64_t epochMs);

// One CSV field: as it is, or in double quotes (with its quotes doubled)
// when it holds a comma, a quote, a line end or leading or trailing spaces.
std::string CsvField(const std::string& text);
// A reading's CSV field: the number (17 significant digits at most, as short
// as gives it back exactly), the reply's text for one that is not a number,
// and nothing for a missing reply.
std::string CsvReading(const Reading& reading);

}  // namespace qb
