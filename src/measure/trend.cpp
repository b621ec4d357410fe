// The trend's poller and log; see trend.h.
#include "measure/trend.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/tick_clock.h"

namespace qb {

namespace {

// Six significant digits, as the statistics line shows a value.
std::string NumberText(double value) {
  char text[32];
  snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// Bytes dropped at most before a query, so an instrument that never stops
// talking cannot hold the tick.
constexpr int kMostBytesDropped = 65536;

}  // namespace

bool CheckTrendSettings(const TrendSettings& s, std::string& error) {
  if (s.queries.empty()) {
    error = "Give at least one query to watch (for example POWER?).";
    return false;
  }
  if (s.queries.size() > static_cast<size_t>(kMostMeasureQueries)) {
    error = "A trend watches at most " + std::to_string(kMostMeasureQueries) + " queries.";
    return false;
  }
  for (const std::string& q : s.queries) {
    if (q.empty() || q.find_first_of("\r\n") != std::string::npos || q.find('\0') != std::string::npos) {
      error = "A query must be one line of text.";
      return false;
    }
  }
  if (s.periodMs < kShortestTrendPeriodMs || s.periodMs > kLongestTrendPeriodMs) {
    error = "The period must lie between 50 ms and one hour.";
    return false;
  }
  if (s.limits.hasLow && s.limits.hasHigh && s.limits.low > s.limits.high) {
    error = "The low limit lies above the high limit.";
    return false;
  }
  return true;
}

int64_t NextSampleIndex(int64_t after, uint64_t startMs, int periodMs, uint64_t nowMs) {
  int64_t next = after + 1;
  if (nowMs > startMs && periodMs > 0) {
    int64_t passed = static_cast<int64_t>((nowMs - startMs) / static_cast<uint64_t>(periodMs));
    if (passed > next) next = passed;
  }
  return next;
}

// ---- the poller -------------------------------------------------------------------

TrendPoller::TrendPoller(InstrumentLink* link, const TrendSettings& settings) : link_(link), settings_(settings) {
  accumulator_.count = 0;
  ClearAccumulator(accumulator_);
}

void TrendPoller::Start(uint64_t nowMs, int64_t epochMs) {
  startMs_ = nowMs;
  startEpochMs_ = epochMs;
  index_ = 0;
  inSample_ = awaiting_ = false;
  misses_ = 0;
  lost_ = false;
  lostReason_.clear();
  ClearAccumulator(accumulator_);
  packedLeft_ = 0;
  if (link_) Drain(link_, 0);
}

uint64_t TrendPoller::NextDueMs() const {
  if (awaiting_) return replyDeadline_;
  if (inSample_) return 0;
  return startMs_ + static_cast<uint64_t>(index_) * static_cast<uint64_t>(settings_.periodMs);
}

void TrendPoller::Lose(const std::string& reason) {
  lost_ = true;
  lostReason_ = reason;
  inSample_ = awaiting_ = false;
}

bool TrendPoller::SendQuery(uint64_t nowMs) {
  // A late reply to an earlier query must not pass for this one's.
  for (int n = 0; n < kMostBytesDropped && ReadByte(link_) >= 0; ++n) {
  }
  ClearAccumulator(accumulator_);
  packedLeft_ = 0;
  const std::string line = settings_.queries[current_] + "\n";
  int sent = SendCommand(line.c_str(), link_);
  bool serial = link_->kind == LINK_SERIAL || link_->kind == LINK_USB;
  if (sent < 0 || (serial && static_cast<size_t>(sent) < line.size())) {
    Lose("The query " + settings_.queries[current_] + " could not be sent: the link to the instrument is down.");
    return false;
  }
  awaiting_ = true;
  replyDeadline_ = nowMs + static_cast<uint64_t>(settings_.replyTimeoutMs > 0 ? settings_.replyTimeoutMs : 1);
  return true;
}

bool TrendPoller::FeedByte(int byte) {
  // The three bytes after a packed number's first belong to the number, even
  // one that happens to be a line end.
  if (packedLeft_ > 0) {
    --packedLeft_;
    if (accumulator_.count < kAccumulatorLimit)
      accumulator_.bytes[accumulator_.count++] = static_cast<unsigned char>(byte);
    return accumulator_.count >= kAccumulatorLimit;
  }
  if (byte >= 0x80) packedLeft_ = 3;
  return AccumulateByte(accumulator_, byte);
}

void TrendPoller::FinishReading(Reading reading) {
  awaiting_ = false;
  if (reading.kind == Reading::kNoReply) {
    ++misses_;
  } else {
    misses_ = 0;
  }
  sample_.readings.push_back(std::move(reading));
  ++current_;
  if (misses_ >= kMissesForLostLink) {
    Lose("The instrument did not answer " + std::to_string(kMissesForLostLink) +
         " queries in a row: the link to it is lost.");
  }
}

bool TrendPoller::Tick(uint64_t nowMs, TrendSample& sample) {
  if (lost_ || !link_ || settings_.queries.empty()) return false;
  for (int guard = 0; guard < 4 * kMostMeasureQueries + 4; ++guard) {
    if (awaiting_) {
      int byte = -2;
      bool line = false;
      while (!line && (byte = ReadByte(link_)) >= 0) line = FeedByte(byte);
      if (!line && byte == -1) {
        Lose("Reading from the instrument failed: the link to it is lost.");
        return false;
      }
      if (line) {
        std::string text = RenderResultLine(accumulator_.bytes, accumulator_.count);
        ClearAccumulator(accumulator_);
        FinishReading(ReadingFromReply(text));
      } else if (nowMs >= replyDeadline_) {
        FinishReading(Reading{});
      } else {
        return false;
      }
      if (lost_) return false;
      continue;
    }
    if (inSample_) {
      if (current_ < settings_.queries.size()) {
        if (!SendQuery(nowMs)) return false;
        continue;
      }
      inSample_ = false;
      ++taken_;
      sample = std::move(sample_);
      sample_ = TrendSample{};
      index_ = NextSampleIndex(index_, startMs_, settings_.periodMs, nowMs);
      return true;
    }
    if (nowMs < NextDueMs()) return false;
    inSample_ = true;
    current_ = 0;
    sample_ = TrendSample{};
    sample_.epochMs = startEpochMs_ + static_cast<int64_t>(nowMs - startMs_);
  }
  return false;
}

void RunTrendLoop(TrendPoller& poller, uint64_t endMs, const std::function<bool(TrendSample&)>& take) {
  for (;;) {
    TrendSample sample;
    uint64_t now = SteadyMs();
    if (poller.Tick(now, sample) && !take(sample)) return;
    if (poller.LinkLost()) return;
    if (poller.SampleUnderWay()) {
      SleepMs(kTrendLoopSliceMs);
      continue;
    }
    const uint64_t due = poller.NextDueMs();
    if (endMs != 0 && due >= endMs) return;
    now = SteadyMs();
    if (due > now) SleepMs(static_cast<int>(due - now));
  }
}

// ---- the log -------------------------------------------------------------------

std::string TrendCsvLine(const TrendSample& sample) {
  std::string line = IsoTimestamp(sample.epochMs);
  for (const Reading& r : sample.readings) line += "," + CsvReading(r);
  return line;
}

TrendLog::~TrendLog() {
  Close();
}

void TrendLog::Close() {
  if (csv_) fclose(csv_);
  csv_ = nullptr;
}

void TrendLog::WriteLine(const std::string& line) {
  if (!csv_) return;
  if (fputs(line.c_str(), csv_) < 0 || fputs("\n", csv_) < 0 || fflush(csv_) != 0) writeFailed_ = true;
}

void TrendLog::WriteHeader() {
  std::string header = "time";
  for (const std::string& q : queries_) header += "," + CsvField(q);
  WriteLine(header);
}

bool TrendLog::Open(const std::string& csvPath, const std::vector<std::string>& queries, const Limits& limits,
                    std::string& error) {
  Close();
  queries_ = queries;
  limits_ = limits;
  csvPath_ = csvPath;
  stats_.assign(queries.size(), RunningStats{});
  newest_.clear();
  samples_ = 0;
  writeFailed_ = false;
  csv_ = fopen(csvPath.c_str(), "w");
  if (!csv_) {
    error = "The file " + csvPath + " could not be written: " + strerror(errno) + ".";
    return false;
  }
  WriteHeader();
  return !writeFailed_;
}

void TrendLog::Add(TrendSample sample) {
  if (samples_ == 0) firstEpochMs_ = sample.epochMs;
  ++samples_;
  for (size_t i = 0; i < sample.readings.size() && i < stats_.size(); ++i)
    AddToStats(stats_[i], sample.readings[i], limits_);
  WriteLine(TrendCsvLine(sample));
  // What the chart keeps of a reading: its number, or a little of its text.
  for (Reading& r : sample.readings) {
    if (r.kind == Reading::kNumber) {
      std::string().swap(r.text);
    } else if (r.text.size() > kKeptReplyText) {
      r.text.resize(kKeptReplyText);
      r.text.shrink_to_fit();
    }
  }
  newest_.push_back(std::move(sample));
  while (newest_.size() > kChartSamples) newest_.pop_front();
}

void TrendLog::Note(const std::string& text) {
  WriteLine("# " + text);
}

bool TrendLog::Clear(std::string& error) {
  std::vector<std::string> queries = queries_;
  Limits limits = limits_;
  return Open(csvPath_, queries, limits, error);
}

bool TrendLog::CopyCsvTo(const std::string& path, std::string& error) {
  if (csv_) fflush(csv_);
  FILE* in = fopen(csvPath_.c_str(), "rb");
  if (!in) {
    error = "The trend's records could not be read back: " + std::string(strerror(errno)) + ".";
    return false;
  }
  FILE* out = fopen(path.c_str(), "wb");
  if (!out) {
    error = "The file " + path + " could not be written: " + strerror(errno) + ".";
    fclose(in);
    return false;
  }
  char chunk[65536];
  size_t n;
  bool ok = true;
  while ((n = fread(chunk, 1, sizeof chunk, in)) > 0) {
    if (fwrite(chunk, 1, n, out) != n) {
      ok = false;
      break;
    }
  }
  ok = !ferror(in) && ok;
  fclose(in);
  ok = fclose(out) == 0 && ok;
  if (!ok) error = "The file " + path + " could not be written completely (is the disk full?).";
  return ok;
}

ChartContent TrendLog::Chart(const std::string& note) const {
  ChartContent content;
  content.title = "Trend";
  content.xLabel = "Time (s)";
  content.note = note;
  content.limits = limits_;
  for (size_t q = 0; q < queries_.size(); ++q) {
    ChartSeries series;
    series.name = queries_[q];
    series.x.reserve(newest_.size());
    series.y.reserve(newest_.size());
    for (const TrendSample& s : newest_) {
      series.x.push_back(static_cast<double>(s.epochMs - firstEpochMs_) / 1000.0);
      bool number = q < s.readings.size() && s.readings[q].kind == Reading::kNumber;
      series.y.push_back(number ? s.readings[q].value : std::numeric_limits<double>::quiet_NaN());
    }
    content.series.push_back(std::move(series));
  }
  return content;
}

std::string TrendLog::StatsLine(size_t query) const {
  if (query >= stats_.size()) return "";
  const RunningStats& s = stats_[query];
  std::string line = queries_[query] + ": ";
  if (s.numbers == 0) {
    line += "no numbers yet";
  } else {
    line += "latest " + NumberText(s.latest) + ", min " + NumberText(s.min) + ", max " + NumberText(s.max) + ", mean " +
            NumberText(s.mean);
  }
  line += " (" + std::to_string(s.numbers) + (s.numbers == 1 ? " number" : " numbers");
  if (s.notNumbers) line += ", " + std::to_string(s.notNumbers) + " not a number";
  if (s.noReplies) line += ", " + std::to_string(s.noReplies) + " no reply";
  if (s.outside) line += ", " + std::to_string(s.outside) + " outside limits";
  return line + ")";
}

}  // namespace qb
