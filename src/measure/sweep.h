// Stepping a setting and tabulating readings: the sweep is a job over the
// link, run behind the progress dialog (or on the console) with a reporter
// and a stop flag. At each step it sends the set command with the setting
// in place of "{}", waits the settle time, asks each query and keeps a row;
// the stop flag is looked at between steps and during the settle time, so a
// stopped sweep keeps every row it measured and says that it is incomplete.
// The table becomes a CSV file and a chart (a logarithmic setting axis for a
// logarithmic sweep, the second query on a value axis of its own).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/job_reporter.h"
#include "link/instrument_link.h"
#include "measure/chart.h"
#include "measure/measure_values.h"

namespace qb {

constexpr int kLongestSettleMs = 600000;

struct SweepPlan {
  std::string setCommand;  // holds "{}"
  std::vector<double> settings;
  bool logAxis = false;
  int settleMs = 0;
  std::vector<std::string> queries;
  int replyTimeoutMs = 2000;
};

// False with a message for a plan that cannot run: a set command without
// "{}" or with a line end, no settings, no query or too many, an empty query
// or one with a line end, a settle time outside 0 ms to ten minutes.
bool CheckSweepPlan(const SweepPlan& plan, std::string& error);

struct SweepRow {
  int step = 0;  // from 1
  double setting = 0.0;
  std::string settingText;  // as sent
  int64_t epochMs = 0;      // when its first query was sent
  std::vector<Reading> readings;
};

enum class SweepEnd { kComplete, kStopped, kLinkFailed };

struct SweepResult {
  std::vector<SweepRow> rows;
  SweepEnd end = SweepEnd::kComplete;
  int plannedSteps = 0;
  std::string failure;  // kLinkFailed: what went wrong
};

// The job. Reports the time-remaining style, the total and a step per row;
// the status names the setting being made. The link's read time-out becomes
// the plan's reply time-out.
void RunSweep(const SweepPlan& plan, InstrumentLink* link, JobReporter& reporter, const std::atomic<bool>& stop,
              SweepResult& result);

// "Sweep complete: 20 steps." or "Sweep incomplete: stopped after 7 of 20
// steps." or "Sweep incomplete: ... (the link failed at step 8 of 20)".
std::string SweepSummary(const SweepResult& result);

// The table: a header (step, the set command, time, one column per query),
// a line per row, and for an incomplete sweep a last line "# incomplete: ...".
std::string SweepCsvText(const SweepPlan& plan, const SweepResult& result);
bool WriteSweepCsv(const std::string& path, const SweepPlan& plan, const SweepResult& result, std::string& error);

ChartContent SweepChart(const SweepPlan& plan, const SweepResult& result);

}  // namespace qb
