// The sweep job, its summary, CSV and chart; see sweep.h.
#include "measure/sweep.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/tick_clock.h"

namespace qb {

namespace {

constexpr int kSettleSliceMs = 20;
constexpr int kReplySize = 4096;

bool OneLine(const std::string& text) {
  return !text.empty() && text.find_first_of("\r\n") == std::string::npos;
}

bool SendLine(const std::string& text, InstrumentLink* link) {
  const std::string line = text + "\n";
  int sent = SendCommand(line.c_str(), link);
  bool serial = link->kind == LINK_SERIAL || link->kind == LINK_USB;
  return sent >= 0 && !(serial && static_cast<size_t>(sent) < line.size());
}

// Waits ms, looking at the stop flag every slice; false when it was raised.
bool Settle(int ms, const std::atomic<bool>& stop) {
  const uint64_t end = SteadyMs() + static_cast<uint64_t>(ms > 0 ? ms : 0);
  for (;;) {
    if (stop.load()) return false;
    uint64_t now = SteadyMs();
    if (now >= end) return true;
    uint64_t left = end - now;
    SleepMs(static_cast<int>(left < kSettleSliceMs ? left : kSettleSliceMs));
  }
}

std::string StepsText(int n) {
  return std::to_string(n) + (n == 1 ? " step" : " steps");
}

}  // namespace

bool CheckSweepPlan(const SweepPlan& plan, std::string& error) {
  if (plan.setCommand.find("{}") == std::string::npos || !OneLine(plan.setCommand)) {
    error = "The set command must be one line with a {} where the setting goes (for example FREQUE,{}).";
    return false;
  }
  if (plan.settings.empty()) {
    error = "The sweep has no settings.";
    return false;
  }
  if (plan.queries.empty() || plan.queries.size() > static_cast<size_t>(kMostMeasureQueries)) {
    error = "A sweep reads 1 to " + std::to_string(kMostMeasureQueries) + " queries at each step.";
    return false;
  }
  for (const std::string& q : plan.queries) {
    if (!OneLine(q)) {
      error = "A query must be one line of text.";
      return false;
    }
  }
  if (plan.settleMs < 0 || plan.settleMs > kLongestSettleMs) {
    error = "The settle time must lie between 0 ms and ten minutes.";
    return false;
  }
  return true;
}

void RunSweep(const SweepPlan& plan, InstrumentLink* link, JobReporter& reporter, const std::atomic<bool>& stop,
              SweepResult& result) {
  result = SweepResult{};
  result.plannedSteps = static_cast<int>(plan.settings.size());
  reporter.Style(ProgressStyle::TimeRemaining);
  reporter.Total(result.plannedSteps);
  SetReadTimeout(plan.replyTimeoutMs, link);
  int misses = 0;
  auto fail = [&result](const std::string& why) {
    result.end = SweepEnd::kLinkFailed;
    result.failure = why;
  };
  for (size_t k = 0; k < plan.settings.size(); ++k) {
    if (stop.load()) {
      result.end = SweepEnd::kStopped;
      return;
    }
    SweepRow row;
    row.step = static_cast<int>(k) + 1;
    row.settingText = SettingText(plan.settings[k]);
    row.setting = plan.settings[k];
    std::string command, error;
    FillPlaceholder(plan.setCommand, row.settingText, command, error);
    reporter.Status("Setting " + command + " (step " + std::to_string(row.step) + " of " +
                    std::to_string(result.plannedSteps) + ")");
    if (!SendLine(command, link)) return fail("the set command " + command + " could not be sent");
    if (!Settle(plan.settleMs, stop)) {
      result.end = SweepEnd::kStopped;
      return;
    }
    char reply[kReplySize];
    for (size_t q = 0; q < plan.queries.size(); ++q) {
      // Whatever came unasked (or late) is no reply to this query.
      Drain(link, 0);
      if (q == 0) row.epochMs = EpochMs();
      if (!SendLine(plan.queries[q], link)) return fail("the query " + plan.queries[q] + " could not be sent");
      int length = ReadReply(reply, sizeof reply, link);
      Reading reading;
      if (length > 0) {
        reading = ReadingFromReply(std::string(reply, strnlen(reply, sizeof reply)));
        misses = 0;
      } else if (++misses >= kMissesForLostLink) {
        row.readings.push_back(reading);
        result.rows.push_back(row);
        return fail("the instrument did not answer " + std::to_string(kMissesForLostLink) + " queries in a row");
      }
      row.readings.push_back(std::move(reading));
    }
    result.rows.push_back(std::move(row));
    reporter.Step(0);
  }
  result.end = SweepEnd::kComplete;
}

std::string SweepSummary(const SweepResult& result) {
  const int done = static_cast<int>(result.rows.size());
  switch (result.end) {
    case SweepEnd::kComplete:
      return "Sweep complete: " + StepsText(done) + ".";
    case SweepEnd::kStopped:
      return "Sweep incomplete: stopped after " + std::to_string(done) + " of " + StepsText(result.plannedSteps) + ".";
    case SweepEnd::kLinkFailed:
      return "Sweep incomplete: " + std::to_string(done) + " of " + StepsText(result.plannedSteps) + " measured; " +
             result.failure + ".";
  }
  return "";
}

std::string SweepCsvText(const SweepPlan& plan, const SweepResult& result) {
  std::string text = "step," + CsvField(plan.setCommand) + ",time";
  for (const std::string& q : plan.queries) text += "," + CsvField(q);
  text += "\n";
  for (const SweepRow& row : result.rows) {
    text += std::to_string(row.step) + "," + CsvField(row.settingText) + "," + IsoTimestamp(row.epochMs);
    for (const Reading& r : row.readings) text += "," + CsvReading(r);
    text += "\n";
  }
  if (result.end != SweepEnd::kComplete) text += "# incomplete: " + SweepSummary(result) + "\n";
  return text;
}

bool WriteSweepCsv(const std::string& path, const SweepPlan& plan, const SweepResult& result, std::string& error) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) {
    error = "The file " + path + " could not be written: " + strerror(errno) + ".";
    return false;
  }
  const std::string text = SweepCsvText(plan, result);
  bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = fclose(file) == 0 && ok;
  if (!ok) error = "The file " + path + " could not be written completely (is the disk full?).";
  return ok;
}

ChartContent SweepChart(const SweepPlan& plan, const SweepResult& result) {
  ChartContent content;
  content.title = "Sweep";
  content.xLabel = plan.setCommand;
  content.logX = plan.logAxis;
  if (result.end != SweepEnd::kComplete) content.note = "incomplete";
  for (size_t q = 0; q < plan.queries.size(); ++q) {
    ChartSeries series;
    series.name = plan.queries[q];
    series.rightAxis = q == 1;
    for (const SweepRow& row : result.rows) {
      series.x.push_back(row.setting);
      bool number = q < row.readings.size() && row.readings[q].kind == Reading::kNumber;
      series.y.push_back(number ? row.readings[q].value : std::numeric_limits<double>::quiet_NaN());
    }
    content.series.push_back(std::move(series));
  }
  return content;
}

}  // namespace qb
