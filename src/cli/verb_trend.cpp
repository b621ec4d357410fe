// quillbox-cli trend: queries watched on the Trend window's schedule by its
// poller, every sample written to the CSV file as it comes (the file the
// window exports), the chart saved as the window saves it and each query's
// statistics printed at the end. Exit 0, 1 when a reading fell outside the
// limits, 2 for bad options, the link or the files; a link lost mid-trend
// leaves the samples taken so far in the file.
#include <cmath>

#include "cli/cli_front.h"
#include "common/tick_clock.h"
#include "measure/trend.h"

namespace qb {
namespace cli {

namespace {

// The longest trend by --duration: a year.
constexpr double kLongestTrendSeconds = 366.0 * 24 * 3600;

std::string SamplesText(int64_t n) {
  return std::to_string(n) + (n == 1 ? " sample" : " samples");
}

class TrendVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("trend", "watch queried values over time into a CSV file (and a chart)");
    AddLinkOptions(*verb, link_);
    verb->add_option("--query", queries_, "a query to watch (up to 8, each --query once)")->required();
    verb->add_option("--period", periodMs_, "milliseconds from one sample to the next (50 or more)")->required();
    count_ = verb->add_option("--count", samples_, "stop after this many samples");
    duration_ = verb->add_option("--duration", seconds_, "stop after this many seconds");
    verb->add_option("--csv", csv_, "the CSV file to write, a line per sample")->required();
    verb->add_option("--png", png_, "the chart of the newest samples as a PNG file");
    low_ = verb->add_option("--min", limits_.low, "the low limit: a reading below it fails");
    high_ = verb->add_option("--max", limits_.high, "the high limit: a reading above it fails");
    return verb;
  }

  int Run(CliConsole& console) override {
    const bool byCount = count_->count() > 0, byDuration = duration_->count() > 0;
    if (byCount == byDuration) return Fail(console, "Give either --count or --duration, one of them.");
    if (byCount && samples_ < 1) return Fail(console, "The count must be 1 sample or more.");
    if (byDuration && !(seconds_ > 0 && seconds_ <= kLongestTrendSeconds))
      return Fail(console, "The duration must be more than 0 seconds and at most a year.");
    TrendSettings settings;
    settings.queries = queries_;
    settings.periodMs = periodMs_;
    settings.replyTimeoutMs = link_.timeoutMs;
    settings.limits = limits_;
    settings.limits.hasLow = low_->count() > 0;
    settings.limits.hasHigh = high_->count() > 0;
    std::string error;
    if (!CheckTrendSettings(settings, error)) return Fail(console, error);

    Session session(console, link_);
    if (int code = session.Open()) return code;
    TrendLog log;
    if (!log.Open(csv_, settings.queries, settings.limits, error)) return Fail(console, error);
    TrendPoller poller(&MainLink, settings);
    const uint64_t start = SteadyMs();
    poller.Start(start, qb::EpochMs());
    const uint64_t end = byDuration ? start + static_cast<uint64_t>(std::llround(seconds_ * 1000.0)) : 0;
    RunTrendLoop(poller, end, [&](TrendSample& sample) {
      log.Add(std::move(sample));
      return !byCount || log.Samples() < samples_;
    });

    std::string note;
    if (poller.LinkLost()) {
      note = "link lost";
      log.Note("link lost at " + IsoTimestamp(qb::EpochMs()) + ": " + poller.LostReason());
    } else if (log.WriteFailed()) {
      note = "not all samples saved";
    }
    const bool writeFailed = log.WriteFailed();
    log.Close();
    bool outside = false;
    for (size_t q = 0; q < log.Queries().size(); ++q) {
      console.out << log.StatsLine(q) << '\n';
      outside = outside || log.Stats()[q].outside > 0;
    }
    std::string pngError;
    const bool pngFailed =
        !png_.empty() && !WritePngFile(png_, RenderChart(log.Chart(note), kSavedChartWidth, kSavedChartHeight), pngError);
    if (poller.LinkLost()) {
      return Fail(console, poller.LostReason() + " The " + SamplesText(log.Samples()) + " so far are kept in " + csv_ +
                               ".");
    }
    if (writeFailed)
      return Fail(console, "The file " + csv_ + " could not be written completely (is the disk full?): it misses samples.");
    if (pngFailed) return Fail(console, pngError);
    return outside ? kCliTestsFailed : kCliSuccess;
  }

 private:
  LinkOptions link_;
  std::vector<std::string> queries_;
  int periodMs_ = 1000;
  int64_t samples_ = 0;
  double seconds_ = 0;
  std::string csv_, png_;
  Limits limits_;
  CLI::Option *count_ = nullptr, *duration_ = nullptr, *low_ = nullptr, *high_ = nullptr;
};

}  // namespace

std::unique_ptr<CliVerb> MakeTrendVerb() {
  return std::make_unique<TrendVerb>();
}

}  // namespace cli
}  // namespace qb
