// Watching queried values over time. The poller asks each query in turn on
// a fixed schedule (sample n falls due at start + n x period, so late samples
// never push the later ones back) and never waits on the link: each tick
// sends what is due, takes the reply bytes that have arrived and gives up on
// a reply whose time-out has passed, so the window can tick it from its timer
// and the console program from a loop. The log keeps what the chart needs
// (the newest samples, a bounded number), the statistics of every sample, and
// streams every sample to a CSV file as it comes, so a long trend holds no
// more memory than a short one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/instrument_link.h"
#include "link/reply_lines.h"
#include "measure/chart.h"
#include "measure/measure_values.h"

namespace qb {

constexpr int kShortestTrendPeriodMs = 50;
constexpr int kLongestTrendPeriodMs = 3600000;

struct TrendSettings {
  std::vector<std::string> queries;
  int periodMs = 1000;
  int replyTimeoutMs = 2000;
  Limits limits;
};

// False with a message for settings a trend cannot run with: no query, more
// than kMostMeasureQueries, an empty query or one with a line end in it, a
// period outside 50 ms to an hour, limits with the low one above the high.
bool CheckTrendSettings(const TrendSettings& settings, std::string& error);

struct TrendSample {
  int64_t epochMs = 0;  // when its first query was sent
  std::vector<Reading> readings;
};

// The index of the sample that comes after sample `after` when it has just
// been taken at nowMs: the next one, or the last one whose time has already
// come when the schedule has fallen behind by more than a period.
int64_t NextSampleIndex(int64_t after, uint64_t startMs, int periodMs, uint64_t nowMs);

class TrendPoller {
 public:
  TrendPoller(InstrumentLink* link, const TrendSettings& settings);
  // Starts the schedule: the first sample falls due at nowMs, stamped
  // epochMs. Bytes already waiting on the link are dropped.
  void Start(uint64_t nowMs, int64_t epochMs);
  // Does what is due at nowMs without waiting. True when a sample was
  // completed; it is then in sample.
  bool Tick(uint64_t nowMs, TrendSample& sample);
  // When something other than arriving bytes is due next (a sample or a
  // reply's time-out).
  uint64_t NextDueMs() const;
  // The queries of a sample are being asked (a reply may be awaited).
  bool SampleUnderWay() const { return inSample_; }
  bool LinkLost() const { return lost_; }
  const std::string& LostReason() const { return lostReason_; }
  int64_t SamplesTaken() const { return taken_; }

 private:
  void Lose(const std::string& reason);
  bool SendQuery(uint64_t nowMs);
  void FinishReading(Reading reading);
  bool FeedByte(int byte);  // true when a line is complete

  InstrumentLink* link_;
  TrendSettings settings_;
  uint64_t startMs_ = 0;
  int64_t startEpochMs_ = 0;
  int64_t index_ = 0;      // the sample under way or due next
  bool inSample_ = false;  // queries of sample index_ are being asked
  bool awaiting_ = false;  // a reply to query current_ is awaited
  size_t current_ = 0;
  uint64_t replyDeadline_ = 0;
  int misses_ = 0;
  int64_t taken_ = 0;
  bool lost_ = false;
  std::string lostReason_;
  TrendSample sample_;
  ResultsAccumulator accumulator_;
  int packedLeft_ = 0;  // bytes of a packed number still to come
};

// While a reply is awaited, how long a loop of RunTrendLoop sleeps before it
// looks for the bytes again.
constexpr int kTrendLoopSliceMs = 1;

// Runs a started poller from a loop of its own, as the console program and
// the benchmark do: ticks it, hands every sample to take, and sleeps until
// the next sample is due or, while a reply is awaited, for a slice. Ends
// when take returns false, when the link is lost, or between samples once
// the next one would fall due at or after endMs (0: no end time).
void RunTrendLoop(TrendPoller& poller, uint64_t endMs, const std::function<bool(TrendSample&)>& take);

// A trend's record. Open writes the CSV header (time and one column per
// query); each Add appends a line at once, so what is in the file survives
// whatever happens to the program.
class TrendLog {
 public:
  static constexpr size_t kChartSamples = 4096;
  // The longest text kept from a reply that is not a number.
  static constexpr size_t kKeptReplyText = 256;

  TrendLog() = default;
  ~TrendLog();
  TrendLog(const TrendLog&) = delete;
  TrendLog& operator=(const TrendLog&) = delete;

  bool Open(const std::string& csvPath, const std::vector<std::string>& queries, const Limits& limits,
            std::string& error);
  void Close();
  void Add(TrendSample sample);
  // A line "# text" in the CSV (a lost link, for one).
  void Note(const std::string& text);
  // Forgets every sample: the chart and statistics start again and the CSV
  // holds its header alone.
  bool Clear(std::string& error);
  // Copies the CSV as it stands to path.
  bool CopyCsvTo(const std::string& path, std::string& error);
  // A write to the CSV failed (a full disk); the samples since are not in it.
  bool WriteFailed() const { return writeFailed_; }

  int64_t Samples() const { return samples_; }
  const std::vector<RunningStats>& Stats() const { return stats_; }
  const std::vector<std::string>& Queries() const { return queries_; }
  const std::deque<TrendSample>& Newest() const { return newest_; }
  // The chart of the newest samples: seconds since the first sample along
  // the bottom, every query on the value axis, the limits.
  ChartContent Chart(const std::string& note) const;
  // "POWER?: latest 12.5, min -3, max 40.25, mean 7.5 (1200 numbers, 2 not numbers, 1 no reply, 3 outside limits)".
  std::string StatsLine(size_t query) const;

 private:
  void WriteHeader();
  void WriteLine(const std::string& line);

  FILE* csv_ = nullptr;
  std::string csvPath_;
  std::vector<std::string> queries_;
  Limits limits_;
  std::vector<RunningStats> stats_;
  std::deque<TrendSample> newest_;
  int64_t samples_ = 0;
  int64_t firstEpochMs_ = 0;
  bool writeFailed_ = false;
};

// The CSV line of one sample: its ISO 8601 time stamp, then each reading.
std::string TrendCsvLine(const TrendSample& sample);

}  // namespace qb
