// quillbox-cli run: a script run with the main window's interpreter and
// timings; every line sent and every reply printed, each limit test kept for
// the summary and the JUnit file. Exit 0 when every limit test passed, 1 when
// one failed, 2 when the link or the script failed. With several instruments
// (--on more than once, --on-file) the run goes to each at once (RunOnEach).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "cli/cli_front.h"
#include "common/duration_text.h"
#include "resources/resource.h"
#include "resources/text_table.h"
#include "script/script_interpreter.h"
#include "script/script_loader.h"
#include "script/script_runner.h"
#include "script/script_state.h"

namespace qb {
namespace cli {

namespace {

// After a script's last line: how long the replies still may come.
constexpr int kReplyQuietMs = kReplySettleMs;

// The script's lines, held for the runner.
class ConsoleListing final : public ScriptListing {
 public:
  void Clear() override {
    lines_.clear();
    selection_ = -1;
  }
  void AddLine(const char* text) override { lines_.emplace_back(text); }
  int LineCount() override { return static_cast<int>(lines_.size()); }
  void LineText(int index, char* buffer, int size) override {
    if (size <= 0) return;
    std::string text = index >= 0 && index < LineCount() ? lines_[static_cast<size_t>(index)] : "";
    snprintf(buffer, static_cast<size_t>(size), "%s", text.c_str());
  }
  int Selection() override { return selection_; }
  void SetSelection(int index) override { selection_ = index < LineCount() ? index : -1; }
  const std::string& Line(int index) const { return lines_[static_cast<size_t>(index)]; }

 private:
  std::vector<std::string> lines_;
  int selection_ = -1;
};

// The main window's side of a run: the results pane is standard output, the
// posted commands are kept for the loop, #beep rings the terminal bell.
class ConsoleHost final : public ScriptHost {
 public:
  explicit ConsoleHost(CliConsole& console) : console_(console) {}
  void AppendToResults(const char* text) override {
    pending_ += text;
    size_t end;
    while ((end = pending_.find('\n')) != std::string::npos) {
      console_.out << WithoutLineEnd(pending_.substr(0, end)) << '\n';
      pending_.erase(0, end + 1);
    }
    console_.out << std::flush;
  }
  bool SendCommandLine(const char* text) override {
    bool failed = qb::SendCommandLine(text);
    sendFailed_ = sendFailed_ || failed;
    return failed;
  }
  void PostCommand(int commandId) override { posted_.push_back(commandId); }
  uint32_t TickCount() override { return TickMs(); }
  void Beep() override { console_.err << '\a' << std::flush; }

  std::vector<int> TakePosted() {
    std::vector<int> posted;
    posted.swap(posted_);
    return posted;
  }
  bool SendFailed() const { return sendFailed_; }

 private:
  CliConsole& console_;
  std::string pending_;
  std::vector<int> posted_;
  bool sendFailed_ = false;
};

struct LimitTest {
  int line;  // 1-based line of the listing
  std::string text;
  bool failed;
  double x, y, z;
};

bool IsLimitTest(const std::string& line) {
  return line.compare(0, 6, "=test,") == 0;
}

std::string Number(double value) {
  char text[40];
  snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// One suite named suite (the script when empty); a run that failed ends
// with a case "run" holding the error.
bool WriteJunit(const std::string& path, const std::string& script, const std::string& suite,
                const std::vector<LimitTest>& tests, const std::string& failure, double seconds) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  int failures =
      static_cast<int>(std::count_if(tests.begin(), tests.end(), [](const LimitTest& t) { return t.failed; }));
  bool scriptFailed = !failure.empty();
  file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       << "<testsuites>\n"
       << "  <testsuite name=\"" << XmlEscaped(suite.empty() ? script : suite) << "\" tests=\""
       << tests.size() + (scriptFailed ? 1 : 0) << "\" failures=\"" << failures << "\" errors=\""
       << (scriptFailed ? 1 : 0) << "\" time=\"" << Number(seconds) << "\">\n";
  for (const LimitTest& test : tests) {
    file << "    <testcase classname=\"" << XmlEscaped(script) << "\" name=\"line " << test.line << ": "
         << XmlEscaped(test.text) << "\"";
    if (!test.failed) {
      file << "/>\n";
      continue;
    }
    file << ">\n      <failure message=\"" << XmlEscaped(test.text) << " failed: X=" << Number(test.x)
         << " Y=" << Number(test.y) << " Z=" << Number(test.z) << "\"/>\n    </testcase>\n";
  }
  if (scriptFailed) {
    file << "    <testcase classname=\"" << XmlEscaped(script) << "\" name=\"run\">\n      <error message=\""
         << XmlEscaped(failure) << "\"/>\n    </testcase>\n";
  }
  file << "  </testsuite>\n</testsuites>\n";
  return file.good();
}

struct RunOptions {
  std::string script;
  std::string junit;
  std::string suite;  // the JUnit suite's name, the script's when empty
};

int RunScript(CliConsole& console, const LinkOptions& options, const RunOptions& run) {
  Session session(console, options);
  ConsoleListing listing;
  std::string message;
  if (!ReadScriptFile(run.script.c_str(), &listing, &message)) return Fail(console, message);
  if (int code = session.Open()) return code;

  ConsoleHost host(console);
  ReplyPoll poll(console, session.Record());
  std::vector<LimitTest> tests;
  std::string failure;
  uint64_t startMs = MillisecondClock();
  ScriptState = SCRIPT_RUNNING;
  ReceivedCharCount = 0;
  listing.SetSelection(-1);
  bool ended = false;
  while (!ended) {
    if (!poll.Poll()) {
      failure = kCommsErrorLine;
      break;
    }
    int index = listing.Selection() < 0 ? 0 : listing.Selection();
    int32_t failsBefore = FailCount;
    bool wasStarting = listing.Selection() < 0;
    ScriptTick(listing, host);
    bool ran = wasStarting || listing.Selection() != index;
    if (ran && index < listing.LineCount() && IsLimitTest(listing.Line(index))) {
      tests.push_back(
          LimitTest{index + 1, listing.Line(index), FailCount > failsBefore, CalcStack.X, CalcStack.Y, CalcStack.Z});
    }
    for (int command : host.TakePosted()) {
      if (command == CMD_CLEAR_RESULTS) console.out << std::string(40, '-') << '\n';
      if (command != CMD_RUN_STOP) continue;
      if (host.SendFailed()) {
        failure = "The link to the instrument failed: a command could not be sent";
        ended = true;
      } else if (listing.Selection() < 0 || (StopOnFail && FailCount != 0)) {
        ended = true;
      } else if (console.inputIsTerminal) {  // a #wait
        console.err << "Press Enter to go on" << std::flush;
        std::string ignored;
        if (!std::getline(console.in, ignored)) {
          failure = "The script was stopped at a #wait";
          ended = true;
        }
      }
    }
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(kPollPeriodMs));
  }
  // The last line's replies: until they settle or the line's wait ends.
  if (failure.empty() && ReplyAwaited) {
    for (;;) {
      if (!poll.Poll()) {
        failure = kCommsErrorLine;
        break;
      }
      uint32_t now = TickMs();
      bool seen = ReceivedCharCount != 0;
      if (seen && now - poll.LastLineMs() >= static_cast<uint32_t>(kReplyQuietMs)) break;
      if (static_cast<int32_t>(now - NextStepTime) >= 0) {
        if (!seen) host.AppendToResults(TextTableEntry(TXT_TIMEOUT_LINE));
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ScriptState = SCRIPT_NONE;
  ReplyAwaited = false;

  bool anyFailed = std::any_of(tests.begin(), tests.end(), [](const LimitTest& t) { return t.failed; });
  int passed =
      static_cast<int>(std::count_if(tests.begin(), tests.end(), [](const LimitTest& t) { return !t.failed; }));
  console.err << "limit tests: " << passed << " passed, " << tests.size() - static_cast<size_t>(passed) << " failed\n";
  double seconds = static_cast<double>(MillisecondClock() - startMs) / 1000.0;
  if (!run.junit.empty() && !WriteJunit(run.junit, run.script, run.suite, tests, failure, seconds)) {
    return Fail(console, "Unable to write " + run.junit);
  }
  if (!failure.empty()) return Fail(console, failure);
  return anyFailed ? kCliTestsFailed : kCliSuccess;
}

class RunVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("run", "run a script; exit 0 all limit tests passed, 1 any failed, 2 error");
    AddLinkOptions(*verb, link_, &on_);
    auto* list = verb->add_option("--on-file", onFile_, "run on every instrument of FILE (one address a line) at once");
    for (const char* plain : {"--lan", "--serial", "--usb"}) list->excludes(plain);
    verb->add_option("--junit", run_.junit, "write the limit tests as JUnit XML to FILE (a suite per instrument)");
    verb->add_option("--suite", run_.suite, "the JUnit suite's name")->group("");
    verb->add_option("script", run_.script, "the script file")->required();
    verb->footer(
        "With several instruments (--on more than once, or --on-file) the script runs on each at once and\n"
        "--transcript names a folder: one transcript per instrument in it.");
    return verb;
  }
  int Run(CliConsole& console) override {
    if (on_.size() <= 1 && onFile_.empty()) {
      if (!on_.empty()) link_.on = on_.front();
      return RunScript(console, link_, run_);
    }
    BenchRun bench;
    bench.addresses = on_;
    std::string message;
    if (!onFile_.empty() && !ReadAddressList(onFile_, bench.addresses, message)) return Fail(console, message);
    bench.script = run_.script;
    bench.junit = run_.junit;
    bench.transcriptDir = link_.transcript;
    bench.timeoutMs = link_.timeoutMs;
    bench.baud = link_.baud;
    return RunOnEach(console, bench);
  }

 private:
  LinkOptions link_;
  RunOptions run_;
  std::vector<std::string> on_;
  std::string onFile_;
};

}  // namespace

std::unique_ptr<CliVerb> MakeRunVerb() {
  return std::make_unique<RunVerb>();
}

}  // namespace cli
}  // namespace qb
