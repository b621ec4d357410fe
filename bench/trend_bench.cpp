// The trend's poller and the sweep job in real time against whatever
// instrument listens on port 10001 of the address.
//
//   quillbox-trend-bench trend ADDRESS QUERIES SECONDS CSV [LABEL]
//
// watches the first QUERIES (1 to 3) of VRMS?, TEMPER?, POWER? every 50 ms
// for SECONDS, with the loop the console program's trend runs, into the CSV
// file. Every 30 s (and at the end) it prints the points taken against the
// points the schedule expects, the period between samples (its mean and
// worst error, overall and in the last 30 s), how late the samples fall on
// their grid and the process's working set (VmRSS), which stays flat when
// memory is bounded.
//
//   quillbox-trend-bench sweep ADDRESS STEPS SETTLE_MS [LABEL]
//
// measures the round trip of GAIN?, then sweeps FREQUE,{} logarithmically
// over STEPS settings from 10 Hz to 100 kHz reading GAIN? at each, and prints
// its time beside the goal 1.1 x steps x (settle + round trip) and the ratio.
// Exits 0, or 1 naming what failed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/tick_clock.h"
#include "link/instrument_link.h"
#include "measure/sweep.h"
#include "measure/trend.h"

namespace {

constexpr int kPeriodMs = 50;
constexpr int kReportMs = 30000;

long VmRssKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, 6, "VmRSS:") == 0) return atol(line.c_str() + 6);
  }
  return -1;
}

bool OpenLink(qb::InstrumentLink& link, const char* address, const char* label) {
  link = qb::MakeClosedLink();
  link.kind = qb::LINK_LAN;
  snprintf(link.ipAddress, sizeof link.ipAddress, "%s", address);
  if (qb::LinkControl(qb::LINK_OPEN, &link) != 0) {
    fprintf(stderr, "%s: cannot connect to %s:10001\n", label, address);
    return false;
  }
  link.ConnectedFlag = true;
  return true;
}

// The intervals between samples, overall and since the last report.
struct Intervals {
  int64_t count = 0;
  double sum = 0.0, worst = 0.0;
  double worstLate = 0.0, sumLate = 0.0;
  int64_t lateCount = 0;
  void Add(double interval) {
    ++count;
    sum += interval;
    worst = std::max(worst, std::fabs(interval - kPeriodMs));
  }
  void AddLate(double late) {
    ++lateCount;
    sumLate += late;
    worstLate = std::max(worstLate, late);
  }
};

int Trend(const char* address, int queries, double seconds, const char* csv, const char* label) {
  qb::InstrumentLink link;
  if (!OpenLink(link, address, label)) return 1;
  const char* const kQueries[] = {"VRMS?", "TEMPER?", "POWER?"};
  qb::TrendSettings settings;
  for (int q = 0; q < queries && q < 3; ++q) settings.queries.push_back(kQueries[q]);
  settings.periodMs = kPeriodMs;
  std::string error;
  qb::TrendLog log;
  if (!qb::CheckTrendSettings(settings, error) || !log.Open(csv, settings.queries, settings.limits, error)) {
    fprintf(stderr, "%s: %s\n", label, error.c_str());
    return 1;
  }
  printf("%s: %zu %s every %d ms for %.0f s\n", label, settings.queries.size(),
         settings.queries.size() == 1 ? "query" : "queries", kPeriodMs, seconds);
  fflush(stdout);
  qb::TrendPoller poller(&link, settings);
  const uint64_t start = qb::SteadyMs();
  poller.Start(start, 0);
  Intervals overall, recent;
  int64_t previous = -1, nextReport = kReportMs;
  auto report = [&](uint64_t nowMs) {
    const double t = static_cast<double>(nowMs - start) / 1000.0;
    const int64_t expected = static_cast<int64_t>((nowMs - start) / kPeriodMs) + 1;
    auto mean = [](const Intervals& i) { return i.count ? i.sum / static_cast<double>(i.count) : 0.0; };
    auto late = [](const Intervals& i) { return i.lateCount ? i.sumLate / static_cast<double>(i.lateCount) : 0.0; };
    printf("%s: t=%.0f s: %lld of %lld points; period mean %.3f ms (error %+.3f), worst error %.1f ms overall, "
           "%.1f ms in the last 30 s; late on the grid mean %.2f ms, worst %.1f ms; VmRSS %ld kB\n",
           label, t, static_cast<long long>(log.Samples()), static_cast<long long>(expected), mean(overall),
           mean(overall) - kPeriodMs, overall.worst, recent.worst, late(overall), overall.worstLate, VmRssKb());
    fflush(stdout);
    recent = Intervals{};
  };
  const uint64_t end = start + static_cast<uint64_t>(std::llround(seconds * 1000.0));
  qb::RunTrendLoop(poller, end, [&](qb::TrendSample& sample) {
    const int64_t stamp = sample.epochMs;
    if (previous >= 0) {
      overall.Add(static_cast<double>(stamp - previous));
      recent.Add(static_cast<double>(stamp - previous));
    }
    // A sample is never early and, once the schedule has fallen a period
    // behind, the next one due is taken: it lies less than a period late.
    overall.AddLate(static_cast<double>(stamp % kPeriodMs));
    previous = stamp;
    log.Add(std::move(sample));
    if (stamp >= nextReport) {
      report(start + static_cast<uint64_t>(stamp));
      nextReport += kReportMs;
    }
    return true;
  });
  if (poller.LinkLost()) {
    fprintf(stderr, "%s: %s\n", label, poller.LostReason().c_str());
    return 1;
  }
  report(qb::SteadyMs());
  for (size_t q = 0; q < log.Queries().size(); ++q) printf("%s: %s\n", label, log.StatsLine(q).c_str());
  qb::LinkControl(qb::LINK_CLOSE, &link);
  return 0;
}

class QuietReporter final : public qb::JobReporter {
 public:
  void Status(const std::string&) override {}
};

int Sweep(const char* address, int steps, int settleMs, const char* label) {
  qb::InstrumentLink link;
  if (!OpenLink(link, address, label)) return 1;
  qb::SetReadTimeout(2000, &link);
  // The round trip of the query the sweep reads, the median of 50.
  std::vector<double> trips;
  char reply[256];
  for (int i = 0; i < 50; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    if (qb::SendCommand("GAIN?\n", &link) < 0 || qb::ReadReply(reply, sizeof reply, &link) <= 0) {
      fprintf(stderr, "%s: GAIN? was not answered\n", label);
      return 1;
    }
    trips.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(trips.begin(), trips.end());
  const double trip = trips[trips.size() / 2];
  qb::SweepRange range;
  range.spacing = qb::SweepSpacing::kLogarithmic;
  range.from = 10;
  range.to = 100000;
  range.steps = steps;
  qb::SweepPlan plan;
  plan.setCommand = "FREQUE,{}";
  plan.logAxis = true;
  plan.settleMs = settleMs;
  plan.queries = {"GAIN?"};
  std::string error;
  if (!qb::SweepSettings(range, plan.settings, error) || !qb::CheckSweepPlan(plan, error)) {
    fprintf(stderr, "%s: %s\n", label, error.c_str());
    return 1;
  }
  QuietReporter reporter;
  std::atomic<bool> stop(false);
  qb::SweepResult result;
  auto t0 = std::chrono::steady_clock::now();
  qb::RunSweep(plan, &link, reporter, stop, result);
  const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  qb::LinkControl(qb::LINK_CLOSE, &link);
  if (result.end != qb::SweepEnd::kComplete) {
    fprintf(stderr, "%s: %s\n", label, qb::SweepSummary(result).c_str());
    return 1;
  }
  const double goal = 1.1 * steps * (settleMs + trip);
  printf("%s: %d steps, settle %d ms, round trip %.3f ms: %.1f ms, goal %.1f ms, ratio %.3f\n", label, steps,
         settleMs, trip, took, goal, took / goal);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 6 && strcmp(argv[1], "trend") == 0) {
    int queries = atoi(argv[3]);
    double seconds = atof(argv[4]);
    if (queries < 1 || queries > 3 || !(seconds > 0)) {
      fprintf(stderr, "quillbox-trend-bench: 1 to 3 queries for more than 0 s\n");
      return 1;
    }
    return Trend(argv[2], queries, seconds, argv[5], argc > 6 ? argv[6] : "trend");
  }
  if (argc >= 5 && strcmp(argv[1], "sweep") == 0) {
    int steps = atoi(argv[3]), settle = atoi(argv[4]);
    if (steps < 1 || settle < 0) {
      fprintf(stderr, "quillbox-trend-bench: 1 step or more, a settle time of 0 ms or more\n");
      return 1;
    }
    return Sweep(argv[2], steps, settle, argc > 5 ? argv[5] : "sweep");
  }
  fprintf(stderr,
          "usage: quillbox-trend-bench trend ADDRESS QUERIES SECONDS CSV [LABEL]\n"
          "       quillbox-trend-bench sweep ADDRESS STEPS SETTLE_MS [LABEL]\n");
  return 1;
}
