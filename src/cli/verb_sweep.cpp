// quillbox-cli sweep: a setting stepped by the Sweep dialog's job (a linear or
// logarithmic range, or a list of settings), each step's readings tabulated
// into the CSV file the dialog exports, and its chart saved as the dialog
// saves it. Progress goes to standard error. Exit 0, or 2 for bad options,
// the link or the files; a sweep cut short by the link keeps its rows and
// its CSV says that it is incomplete.
#include <atomic>

#include "cli/cli_front.h"
#include "measure/sweep.h"

namespace qb {
namespace cli {

namespace {

class SweepVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("sweep", "step a setting and tabulate readings into a CSV file (and a chart)");
    AddLinkOptions(*verb, link_);
    verb->add_option("--set", plan_.setCommand, "the set command, {} where the setting goes (FREQUE,{})")->required();
    from_ = verb->add_option("--from", range_.from, "the first setting of a range");
    to_ = verb->add_option("--to", range_.to, "the last setting of a range");
    steps_ = verb->add_option("--steps", range_.steps, "the settings of a range, both ends included");
    log_ = verb->add_flag("--log", "logarithmic spacing of the range (and the chart's axis)");
    values_ = verb->add_option("--values", range_.listText, "the settings as a list instead of a range (1,2,5,10)");
    verb->add_option("--settle", plan_.settleMs, "milliseconds to wait after each setting (default 0)");
    verb->add_option("--query", plan_.queries, "a query read at each step (up to 8, each --query once)")->required();
    verb->add_option("--csv", csv_, "the CSV file to write, a line per step")->required();
    verb->add_option("--png", png_, "the chart as a PNG file");
    return verb;
  }

  int Run(CliConsole& console) override {
    const bool list = values_->count() > 0;
    const bool range = from_->count() > 0 || to_->count() > 0 || steps_->count() > 0 || log_->count() > 0;
    if (list && range) return Fail(console, "Give either --values or --from, --to and --steps, not both.");
    if (!list && !(from_->count() > 0 && to_->count() > 0 && steps_->count() > 0))
      return Fail(console, "Give --from, --to and --steps (or a list of settings with --values).");
    range_.spacing = list ? SweepSpacing::kList : log_->count() > 0 ? SweepSpacing::kLogarithmic : SweepSpacing::kLinear;
    plan_.logAxis = range_.spacing == SweepSpacing::kLogarithmic;
    plan_.replyTimeoutMs = link_.timeoutMs;
    std::string error;
    if (!SweepSettings(range_, plan_.settings, error) || !CheckSweepPlan(plan_, error)) return Fail(console, error);

    Session session(console, link_);
    if (int code = session.Open()) return code;
    SweepResult result;
    {
      ConsoleReporter reporter(console);
      const std::atomic<bool> stop(false);
      RunSweep(plan_, &MainLink, reporter, stop, result);
    }
    const std::string summary = SweepSummary(result);
    if (!WriteSweepCsv(csv_, plan_, result, error)) return Fail(console, summary + " " + error);
    if (!png_.empty() &&
        !WritePngFile(png_, RenderChart(SweepChart(plan_, result), kSavedChartWidth, kSavedChartHeight), error))
      return Fail(console, summary + " " + error);
    if (result.end != SweepEnd::kComplete)
      return Fail(console, summary + " The rows measured are kept in " + csv_ + ".");
    console.out << summary << '\n';
    return kCliSuccess;
  }

 private:
  LinkOptions link_;
  SweepPlan plan_;
  SweepRange range_;
  std::string csv_, png_;
  CLI::Option *from_ = nullptr, *to_ = nullptr, *steps_ = nullptr, *log_ = nullptr, *values_ = nullptr;
};

}  // namespace

std::unique_ptr<CliVerb> MakeSweepVerb() {
  return std::make_unique<SweepVerb>();
}

}  // namespace cli
}  // namespace qb
