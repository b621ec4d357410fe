// The console program's verbs. Each verb opens the link the way the main
// window's Connect does (identification in connect mode), hands the work to
// the feature that does it in the program, and turns what comes back into
// lines on standard output, progress and errors on standard error, and an
// exit code. Message boxes the features show become error lines; the link's
// trace feeds the transcript.
#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <thread>

#include "cli/cli_platform.h"
#include "common/background_task.h"
#include "common/duration_text.h"
#include "common/job_reporter.h"
#include "common/progress_text.h"
#include "common/ui_seam.h"
#include "connection/connect_settings.h"
#include "connection/identification.h"
#include "link/lan_search.h"
#include "link/reply_lines.h"
#include "link/trace.h"
#include "resources/resource.h"
#include "resources/text_table.h"
#include "script/script_interpreter.h"
#include "script/script_loader.h"
#include "script/script_runner.h"
#include "script/script_state.h"
#include "stores/bmp_writer.h"
#include "stores/screen_capture.h"
#include "stores/screen_image.h"
#include "stores/store_exchange.h"
#include "upgrade/upgrade_command.h"
#include "upgrade/upgrade_report.h"
#include "upgrade/upgrade_transfer.h"

namespace qb {

namespace {

constexpr char kProgramName[] = "quillbox-cli";
// The main window polls the link and ticks the script on a 50 ms timer.
constexpr int kPollPeriodMs = 50;
// What one poll takes from the link at most, as the results pane does.
constexpr int kPollBytesLimit = 4096;
// How many reply time-outs send listens to one command at most.
constexpr uint32_t kSendListenFactor = 4;
// After a script's last line: how long the replies still may come.
constexpr int kReplyQuietMs = kReplySettleMs;

long long EpochMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

uint32_t TickMs() {
  return static_cast<uint32_t>(MillisecondClock());
}

// Text received from the instrument as one printable line: the line end
// taken off.
std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

// ---- transcript -------------------------------------------------------------

// Every line sent and received, stamped. Sent lines are taken from the
// link's trace (so the features' own exchanges are recorded too); lines the
// console program collects from single bytes are recorded where it collects
// them.
class Transcript {
 public:
  bool Open(const std::string& path) {
    file_.open(path, std::ios::binary | std::ios::trunc);
    return file_.good();
  }
  bool Active() const { return file_.is_open(); }
  void Record(char direction, const std::string& text) {
    if (!file_.is_open()) return;
    file_ << TranscriptStamp(EpochMs()) << ' ' << direction << ' ' << text << '\n';
    file_.flush();
  }
  // One piece of the link's trace.
  void TracePiece(const char* piece) {
    std::string text(piece);
    if (expect_ == Expect::SentText) {
      expect_ = Expect::Header;
      for (char c : text) {
        if (c == '\r' || c == '\n') {
          if (!sent_.empty()) Record('>', sent_);
          sent_.clear();
        } else {
          sent_.push_back(c);
        }
      }
      return;
    }
    if (expect_ == Expect::ReplyText) {
      expect_ = Expect::Header;
      Record('<', WithoutLineEnd(text));
      return;
    }
    if (text.compare(0, 4, ">>r:") == 0) {
      // A lone control character comes whole in its header piece.
      if (text.find("\\024") != std::string::npos) {
        Record('>', "\\024");
      } else {
        expect_ = Expect::SentText;
      }
    } else if (text.compare(0, 4, "<<r:") == 0) {
      expect_ = Expect::ReplyText;
    }
    // Single bytes read are recorded as the lines they make, elsewhere.
  }

 private:
  enum class Expect { Header, SentText, ReplyText };
  std::ofstream file_;
  Expect expect_ = Expect::Header;
  std::string sent_;
};

Transcript* ActiveTranscript = nullptr;

void TranscriptSink(const char* text) {
  if (ActiveTranscript) ActiveTranscript->TracePiece(text);
}

// ---- message boxes and progress ----------------------------------------------

std::ostream* BoxStream = nullptr;
// Answers a feature's yes/no question (its text already printed) while a
// verb that asks is running; otherwise every question is answered No.
bool (*BoxQuestion)() = nullptr;

int BoxToStandardError(void*, const char* text, const char*, unsigned flags) {
  if (BoxStream) {
    std::string line(text ? text : "");
    std::replace(line.begin(), line.end(), '\n', ' ');
    *BoxStream << kProgramName << ": " << line << '\n';
  }
  if ((flags & kMbYesNo) != kMbYesNo) return kIdOk;
  return BoxQuestion && BoxQuestion() ? kIdYes : kIdNo;
}

void* NoCursor() {
  return nullptr;
}
void KeepCursor(void*) {}

const UiSeam kConsoleSeam = {BoxToStandardError, NoCursor, KeepCursor};

// Progress of a long job on standard error: on a terminal a bar redrawn in
// place with the percentage and the time remaining; otherwise the status
// lines alone.
class ConsoleReporter final : public JobReporter {
 public:
  explicit ConsoleReporter(CliConsole& console) : console_(console) {
    display_ = ProgressDisplay{0, 0, true, false, MillisecondClock()};
  }
  ~ConsoleReporter() { EndBar(); }
  void Status(const std::string& text) override {
    EndBar();
    console_.err << text << '\n';
  }
  void Log(const std::string& line) override {
    EndBar();
    console_.err << line << '\n';
  }
  void Total(int total) override {
    ProgressSetTotal(display_, total);
    display_.startMs = MillisecondClock();
    Draw();
  }
  void Step(int count) override {
    ProgressStep(display_, count, MillisecondClock());
    Draw();
  }
  void Percent(int percent) override {
    display_.total = 100;
    display_.count = percent;
    Draw();
  }

 private:
  void Draw() {
    if (!console_.errorIsTerminal || display_.total <= 0) return;
    int percent = static_cast<int>(100LL * std::min(display_.count, display_.total) / display_.total);
    constexpr int kWidth = 30;
    std::string bar(static_cast<size_t>(kWidth * percent / 100), '#');
    bar.resize(kWidth, '.');
    ProgressDisplay timed = display_;
    SetTimeMode(timed, true);
    console_.err << "\r[" << bar << "] " << percent << "%  " << ProgressLineText(timed, MillisecondClock()) << "   "
                 << std::flush;
    drawn_ = true;
  }
  void EndBar() {
    if (drawn_) console_.err << '\n';
    drawn_ = false;
  }
  CliConsole& console_;
  ProgressDisplay display_;
  bool drawn_ = false;
};

// ---- the link -------------------------------------------------------------------

struct LinkOptions {
  std::string lan, serial, usb;
  int baud = 0;
  std::string transcript;
  int timeoutMs = kDefaultReadTimeoutMs;
};

void AddLinkOptions(CLI::App& verb, LinkOptions& options) {
  auto* lan = verb.add_option("--lan", options.lan, "IPv4 address of an instrument on the LAN");
  auto* serial = verb.add_option("--serial", options.serial, "serial port (COM3, or natively a device path)");
  auto* usb = verb.add_option("--usb", options.usb, "the virtual serial port of a USB instrument (19200 baud)");
  lan->excludes(serial)->excludes(usb);
  serial->excludes(usb);
  const std::vector<std::string> rates(kBaudRateNames, kBaudRateNames + kBaudRateCount);
  verb.add_option("--baud", options.baud, "baud rate of --serial")
      ->check(CLI::IsMember(std::vector<int>{1200, 2400, 4800, 9600, 19200, 38400}));
  verb.add_option("--transcript", options.transcript, "write every line sent and received, stamped, to FILE");
  verb.add_option("--timeout", options.timeoutMs, "reply time-out in milliseconds")
      ->check(CLI::Range(1, kLongestWaitMs));
}

// Why the verb must stop, printed as one line; kCliFailed.
int Fail(CliConsole& console, const std::string& message) {
  console.err << kProgramName << ": " << message << '\n';
  return kCliFailed;
}

// While it lives, the features' message boxes print as error lines and the
// link's trace feeds the transcript; at its end the link is closed.
class Session {
 public:
  Session(CliConsole& console, const LinkOptions& options) : console_(console), options_(options) {
    BoxStream = &console.err;
    previousSeam_ = SetUiSeam(&kConsoleSeam);
    previousTrace_ = TraceEnabled;
    MainLink = MakeClosedLink();
    ResetScriptInterpreter();
  }
  ~Session() {
    if (MainLink.ConnectedFlag || MainLink.kind != LINK_NONE) LinkControl(LINK_CLOSE, &MainLink);
    MainLink = MakeClosedLink();
    if (transcript_.Active()) SetTraceSink(previousSink_ == DefaultTraceSink() ? nullptr : previousSink_);
    TraceEnabled = previousTrace_;
    ActiveTranscript = nullptr;
    SetUiSeam(previousSeam_ == DefaultUiSeam() ? nullptr : previousSeam_);
    BoxStream = nullptr;
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Transcript& Record() { return transcript_; }

  // Settings, transcript, open and identification. Returns kCliSuccess or
  // the exit code after the error line.
  int Open() {
    if (!options_.transcript.empty()) {
      if (!transcript_.Open(options_.transcript)) return Fail(console_, "Unable to write " + options_.transcript);
      ActiveTranscript = &transcript_;
      TraceEnabled = true;
      previousSink_ = SetTraceSink(TranscriptSink);
    } else {
      TraceEnabled = false;
    }
    InstrumentLink& link = MainLink;
    std::string message;
    if (!options_.lan.empty()) {
      link.kind = LINK_LAN;
      if (options_.lan.size() > 15) return Fail(console_, "Not an IPv4 address: " + options_.lan);
      CopyField(link.ipAddress, sizeof link.ipAddress, options_.lan, 15);
    } else if (!options_.serial.empty() || !options_.usb.empty()) {
      bool usb = !options_.usb.empty();
      link.kind = usb ? LINK_USB : LINK_SERIAL;
      if (!UseSerialPort(usb ? options_.usb : options_.serial, link, message)) return Fail(console_, message);
      link.baudRate = usb ? kUsbBaudRate : options_.baud;
    } else if (!LoadStoredConnection(link)) {
      return Fail(console_, "No connection given: use --lan ADDRESS or --serial PORT --baud RATE");
    }
    if (options_.baud != 0 && link.kind == LINK_SERIAL) link.baudRate = options_.baud;
    if (const char* problem = ConnectSettingsProblem(link)) return Fail(console_, problem);
    // Marked connected first, so that the identification's exchange is in
    // the transcript too.
    link.ConnectedFlag = true;
    if (!IdentifyInstrument(nullptr, &link, false, 0)) {
      link.ConnectedFlag = false;
      return kCliFailed;  // the box said why
    }
    link.PollingEnabled = true;
    SetReadTimeout(options_.timeoutMs, &link);
    if (link.identification[0] == '\0') return Fail(console_, "The instrument did not answer \"*IDN?\"");
    return kCliSuccess;
  }

 private:
  CliConsole& console_;
  const LinkOptions& options_;
  Transcript transcript_;
  const UiSeam* previousSeam_ = nullptr;
  TraceSink previousSink_ = nullptr;
  bool previousTrace_ = false;
};

const char* FamilyName(int family) {
  switch (family) {
    case FAMILY_HXA15:
      return "HXA15";
    case FAMILY_HXA25:
      return "HXA25";
    case FAMILY_HXA26:
      return "HXA26";
    case FAMILY_HXA55:
      return "HXA55";
    case FAMILY_HXA5:
      return "HXA5";
    case FAMILY_KRV17:
      return "KRV17";
    case FAMILY_HXA45:
      return "HXA45";
    case FAMILY_ZTQ:
      return "ZTQ";
    default:
      return "unknown";
  }
}

// Collects the bytes waiting on the link into lines, as the results pane's
// poll does, and prints each line. False when the link failed.
class ReplyPoll {
 public:
  ReplyPoll(CliConsole& console, Transcript& transcript) : console_(console), transcript_(transcript) {
    ClearAccumulator(accumulator_);
  }
  bool Poll() {
    int value = ReadByte(&MainLink);
    for (int taken = 0; value >= 0; value = ReadByte(&MainLink)) {
      if (AccumulateByte(accumulator_, value)) {
        std::string line = WithoutLineEnd(RenderResultLine(accumulator_.bytes, accumulator_.count));
        AddReceivedCharacters(ReceivedLength(accumulator_.bytes, accumulator_.count));
        ClearAccumulator(accumulator_);
        console_.out << line << '\n' << std::flush;
        transcript_.Record('<', line);
        lastLineMs_ = TickMs();
        ++lines_;
      }
      if (++taken >= kPollBytesLimit) break;
    }
    return value != -1;
  }
  uint32_t LastLineMs() const { return lastLineMs_; }
  int Lines() const { return lines_; }

 private:
  CliConsole& console_;
  Transcript& transcript_;
  ResultsAccumulator accumulator_;
  uint32_t lastLineMs_ = 0;
  int lines_ = 0;
};

// LAN links report a dropped connection only when something is sent; the
// poll's read error is the serial link's.
constexpr char kCommsErrorLine[] = "A Comms error has occured, Disconnected from instrument";

// ---- verbs -------------------------------------------------------------------------

int Identify(CliConsole& console, const LinkOptions& options) {
  Session session(console, options);
  if (int code = session.Open()) return code;
  console.out << MainLink.identification << '\n' << "family: " << FamilyName(MainLink.family) << '\n';
  return kCliSuccess;
}

int Send(CliConsole& console, const LinkOptions& options, const std::vector<std::string>& commands) {
  Session session(console, options);
  if (int code = session.Open()) return code;
  ReplyPoll poll(console, session.Record());
  for (const std::string& command : commands) {
    if (SendCommandLine(command.c_str())) return Fail(console, "Unable to send " + command);
    // Replies are collected until none came for the settle time after the
    // last line, or for the time-out when none came at all; an instrument
    // that keeps talking is left after kSendListenFactor time-outs.
    uint32_t start = TickMs();
    uint32_t limit = static_cast<uint32_t>(options.timeoutMs) * kSendListenFactor;
    int before = poll.Lines();
    for (;;) {
      if (!poll.Poll()) return Fail(console, kCommsErrorLine);
      uint32_t now = TickMs();
      bool answered = poll.Lines() > before;
      if (answered && now - poll.LastLineMs() >= static_cast<uint32_t>(kReplySettleMs)) break;
      if (!answered && now - start >= static_cast<uint32_t>(options.timeoutMs)) break;
      if (now - start >= limit) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return kCliSuccess;
}

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

bool WriteJunit(const std::string& path, const std::string& script, const std::vector<LimitTest>& tests,
                bool scriptFailed, double seconds) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  int failures =
      static_cast<int>(std::count_if(tests.begin(), tests.end(), [](const LimitTest& t) { return t.failed; }));
  file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       << "<testsuites>\n"
       << "  <testsuite name=\"" << XmlEscaped(script) << "\" tests=\"" << tests.size() << "\" failures=\"" << failures
       << "\" errors=\"" << (scriptFailed ? 1 : 0) << "\" time=\"" << Number(seconds) << "\">\n";
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
  file << "  </testsuite>\n</testsuites>\n";
  return file.good();
}

struct RunOptions {
  std::string script;
  std::string junit;
};

int Run(CliConsole& console, const LinkOptions& options, const RunOptions& run) {
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
  if (!run.junit.empty() && !WriteJunit(run.junit, run.script, tests, !failure.empty(), seconds)) {
    return Fail(console, "Unable to write " + run.junit);
  }
  if (!failure.empty()) return Fail(console, failure);
  return anyFailed ? kCliTestsFailed : kCliSuccess;
}

// ---- LAN search ------------------------------------------------------------------

std::string JsonEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u >= 0x80) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\u%04x", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

struct FoundRow {
  std::string address, text, family;
};

void CollectRow(void* context, int, const char* address, const char* text) {
  static_cast<std::vector<FoundRow>*>(context)->push_back(FoundRow{address, text, ""});
}

int Discover(CliConsole& console, bool json) {
  BoxStream = &console.err;
  const UiSeam* previousSeam = SetUiSeam(&kConsoleSeam);
  bool previousTrace = TraceEnabled;
  TraceEnabled = false;
  auto list = std::make_unique<FoundInstrumentList>();
  *list = FoundInstrumentList{};
  DiscoverInstruments(*list);
  std::vector<FoundRow> rows;
  IdentifyFoundInstruments(*list, CollectRow, &rows);
  for (FoundRow& row : rows) {
    // The family needs the whole reply, which the list's row no longer holds.
    InstrumentLink link = MakeClosedLink();
    link.kind = LINK_LAN;
    CopyField(link.ipAddress, sizeof link.ipAddress, row.address, 15);
    bool known = row.text != kNoConnectionText && row.text != kNoReplyText && !row.text.empty();
    row.family = known && IdentifyInstrument(nullptr, &link, false, 1) ? FamilyName(link.family) : "unknown";
  }
  TraceEnabled = previousTrace;
  SetUiSeam(previousSeam == DefaultUiSeam() ? nullptr : previousSeam);
  if (json) {
    console.out << "[";
    for (size_t i = 0; i < rows.size(); ++i) {
      console.out << (i ? ",\n " : "\n ") << "{\"address\": \"" << JsonEscaped(rows[i].address) << "\", \"family\": \""
                  << JsonEscaped(rows[i].family) << "\", \"identification\": \"" << JsonEscaped(rows[i].text) << "\"}";
    }
    console.out << (rows.empty() ? "]\n" : "\n]\n");
  } else {
    char line[128];
    snprintf(line, sizeof line, "%-16s %-8s %s", "ADDRESS", "FAMILY", "INSTRUMENT");
    console.out << line << '\n';
    for (const FoundRow& row : rows) {
      snprintf(line, sizeof line, "%-16s %-8s %s", row.address.c_str(), row.family.c_str(), row.text.c_str());
      console.out << line << '\n';
    }
  }
  if (rows.empty()) console.err << "No instruments found\n";
  return kCliSuccess;
}

// ---- screen capture ------------------------------------------------------------------

int Capture(CliConsole& console, const LinkOptions& options, const std::string& path, bool colour) {
  Session session(console, options);
  if (int code = session.Open()) return code;
  auto image = std::make_unique<ScreenImage>();
  CaptureJob job;
  BeginScreenCapture(job, &MainLink, image.get(), colour, "");
  ConsoleReporter reporter(console);
  CaptureOutcome outcome = DownloadScreen(job, [&reporter](CaptureJob& running) {
    RunCaptureJob(running, reporter);
    return kProgressFinished;
  });
  ReportCaptureOutcome(outcome, nullptr);  // the box's text goes to standard error
  if (outcome != CaptureOutcome::Captured) return kCliFailed;
  std::vector<unsigned char> rows(static_cast<size_t>(image->width) * static_cast<size_t>(image->height) * 3);
  ScreenImageToBottomUpBgr(*image, rows.data());
  if (!WriteBmpFile(path.c_str(), rows.data(), image->width, image->height)) {
    return Fail(console, "Unable to write " + path);
  }
  console.out << path << '\n';
  return kCliSuccess;
}

// ---- program and result stores ------------------------------------------------------

bool FileExists(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return file.good();
}

struct ProgramOptions {
  std::string action;
  int slot = 0;
  std::string file;
  bool yes = false;
};

int Programs(CliConsole& console, const LinkOptions& options, const ProgramOptions& program) {
  Session session(console, options);
  if (int code = session.Open()) return code;
  if (program.action == "list") {
    if (const char* refusal = ScanRefusal(MainLink.family)) return Fail(console, refusal);
    ProgramListing listing = ListPrograms(MainLink);
    for (size_t i = 0; i < listing.rows.size(); ++i) {
      const ProgramRow& row = listing.rows[i];
      if (row.stored) console.out << i + 1 << '\t' << row.id << '\t' << row.name << '\t' << row.date << '\n';
    }
    if (listing.skipped > 0) console.err << listing.skipped << " listing lines could not be read\n";
    return kCliSuccess;
  }
  if (program.action == "default") {
    LoadDefaultProgram(MainLink);
    return kCliSuccess;
  }
  if (program.slot < 1 || program.slot > kProgramSlots) return Fail(console, "Give a program slot from 1 to 999");
  if (program.action == "delete") {
    DeleteProgram(MainLink, program.slot);
    return kCliSuccess;
  }
  bool upload = program.action == "upload";
  std::string path = program.file.empty() ? ProgramDefaultName(program.slot) : program.file;
  if (!upload) {
    path = ProgramSaveName(path);
    if (FileExists(path) && !program.yes) return Fail(console, path + " already exists (--yes replaces it)");
  }
  TransferResult result =
      upload ? UploadProgram(MainLink, program.slot, path) : DownloadProgram(MainLink, program.slot, path);
  if (const char* message = ProgramTransferMessage(result, upload)) {
    std::string line = message;
    if (!result.keptPath.empty()) line += " (received part kept as " + result.keptPath + ")";
    return Fail(console, line);
  }
  console.out << (upload ? "uploaded " : "saved ") << path << " (" << result.lines << " lines)\n";
  return kCliSuccess;
}

struct ResultOptions {
  std::string action;
  std::vector<uint32_t> numbers;
  std::string folder = ".";
  bool qzl = false;
};

int Results(CliConsole& console, const LinkOptions& options, const ResultOptions& results) {
  Session session(console, options);
  if (int code = session.Open()) return code;
  const char* refusal = ScanRefusal(MainLink.family);
  if (MainLink.family == 0 && IdentifyStoreInstrument(MainLink)) refusal = nullptr;
  if (refusal) return Fail(console, refusal);
  ResultListing listing;
  {
    ConsoleReporter reporter(console);
    ScanResults(MainLink, reporter, listing);
  }
  if (results.action == "list") {
    for (const ResultEntry& entry : listing.entries) {
      console.out << entry.number << '\t' << entry.name << '\t' << entry.details << '\n';
    }
    if (listing.skipped > 0) console.err << listing.skipped << " listing lines could not be read\n";
    return kCliSuccess;
  }
  std::vector<ResultEntry> queue;
  for (uint32_t number : results.numbers) {
    auto found = std::find_if(listing.entries.begin(), listing.entries.end(),
                              [number](const ResultEntry& e) { return e.number == number; });
    if (found == listing.entries.end())
      return Fail(console, "The instrument holds no result " + std::to_string(number));
    queue.push_back(*found);
  }
  if (results.numbers.empty()) queue = listing.entries;
  if (queue.empty()) return Fail(console, "No results selected");
  ConsoleReporter reporter(console);
  DownloadReport report = DownloadResults(MainLink, queue, results.folder,
                                          results.qzl ? ResultFileKind::Qzl : ResultFileKind::Text, reporter);
  for (const std::string& name : report.written) console.out << JoinPath(results.folder, name) << '\n';
  if (!report.complete) {
    std::string text = DownloadFailureText(report);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return Fail(console, text);
  }
  return kCliSuccess;
}

// ---- firmware upgrade ------------------------------------------------------------------

struct UpgradeOptions {
  std::string file;
  bool yes = false;
};

// The upgrade command's three windows on the console. The views are plain
// functions, so the running verb's state is reached through this pointer.
struct UpgradeConsole {
  CliConsole& console;
  const UpgradeOptions& options;
  bool problem = false;      // the report marked a file or a sector
  bool transferred = false;  // the transfer ran and succeeded
};
UpgradeConsole* ActiveUpgrade = nullptr;

// A y/N question on standard error: yes with --yes, otherwise the answer
// typed at the terminal (no terminal: no).
bool AskYesNo() {
  CliConsole& console = ActiveUpgrade->console;
  if (ActiveUpgrade->options.yes) {
    console.err << "[y/N] y (--yes)\n";
    return true;
  }
  if (!console.inputIsTerminal) return false;
  console.err << "[y/N] " << std::flush;
  std::string answer;
  if (!std::getline(console.in, answer)) {
    console.err << '\n';  // end of input: the next line starts on its own
    return false;
  }
  answer.erase(std::remove_if(answer.begin(), answer.end(), [](char c) { return c == ' ' || c == '\r'; }),
               answer.end());
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

bool UpgradeFileGiven(void*, std::string& path) {
  path = ActiveUpgrade->options.file;
  return !path.empty();
}

int ConsoleFilesList(void*, const std::string& report, bool problem) {
  CliConsole& console = ActiveUpgrade->console;
  console.out << ProposedOperationText(report) << std::flush;
  ActiveUpgrade->problem = problem;
  if (problem) return kIdCancel;  // the dialog's Accept is disabled
  console.err << "Accept the proposed operation? ";
  return AskYesNo() ? kAcceptButton : kIdCancel;
}

void ConsoleUpgradeRun(void*, UpgradeJob& job) {
  {
    ConsoleReporter reporter(ActiveUpgrade->console);
    UpgradeThread(job, &MainLink, reporter);
  }
  ActiveUpgrade->transferred = job.success;
}

const UpgradeViews kConsoleUpgradeViews = {UpgradeFileGiven, ConsoleFilesList, ConsoleUpgradeRun};

int Upgrade(CliConsole& console, const LinkOptions& options, const UpgradeOptions& upgrade) {
  // The upgrade erases the instrument's firmware: somebody must have agreed.
  if (!upgrade.yes && !console.inputIsTerminal) {
    return Fail(console, "An upgrade asks before it erases the firmware: give --yes, or run it at a terminal");
  }
  Session session(console, options);
  if (int code = session.Open()) return code;
  UpgradeConsole state{console, upgrade};
  struct Asking {
    explicit Asking(UpgradeConsole* state) {
      ActiveUpgrade = state;
      BoxQuestion = AskYesNo;
    }
    ~Asking() {
      BoxQuestion = nullptr;
      ActiveUpgrade = nullptr;
    }
  } asking(&state);
  UpgradeOutcome outcome = RunUpgradeFirmwareCommand(nullptr, &MainLink, kConsoleUpgradeViews);
  if (outcome == UpgradeOutcome::Transferred && state.transferred) {
    console.out << "Firmware upgraded from " << upgrade.file << '\n';
    return kCliSuccess;
  }
  switch (outcome) {
    case UpgradeOutcome::NotAccepted:
      return Fail(console, state.problem ? "A file of the set is missing, not sound Intel HEX or for an invalid "
                                           "sector (marked above): nothing was sent"
                                         : "The proposed operation was not accepted: nothing was sent");
    case UpgradeOutcome::NotContinued:
    case UpgradeOutcome::WrongInstrument:
      return Fail(console, "The upgrade was not started: nothing was sent");
    case UpgradeOutcome::Transferred:
      return Fail(console, "The upgrade did not finish (see the log above)");
    case UpgradeOutcome::LinkNotOpened:
      return Fail(console, "The link could not be opened again");
    default:
      return kCliFailed;  // the message said why
  }
}

// ---- the command line ------------------------------------------------------------------

void AddRunOptions(CLI::App& verb, RunOptions& run) {
  verb.add_option("--junit", run.junit, "write the limit tests as JUnit XML to FILE");
  verb.add_option("script", run.script, "the script file")->required();
}

}  // namespace

std::string TranscriptStamp(long long epochMs) {
  long long ms = ((epochMs % 1000) + 1000) % 1000;
  long long seconds = (epochMs - ms) / 1000;
  long long days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  long long rest = seconds - days * 86400;
  // Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
  long long z = days + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  long long day = doy - (153 * mp + 2) / 5 + 1;
  long long month = mp < 10 ? mp + 3 : mp - 9;
  long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[128];
  snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lldZ", year, month, day, rest / 3600,
           rest / 60 % 60, rest % 60, ms);
  return text;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        if (u >= 0x20 || c == '\t' || c == '\r' || c == '\n') out += u < 0x80 ? std::string(1, c) : "?";
    }
  }
  return out;
}

int RunCli(const std::vector<std::string>& arguments, CliConsole& console) {
  CLI::App app{"The terminal's jobs from a command line: quillbox-cli VERB [options]", kProgramName};
  app.require_subcommand(1, 1);
  app.fallthrough(false);

  LinkOptions link;
  bool json = false;
  std::vector<std::string> commands;
  RunOptions run;
  std::string capturePath;
  bool colour = false;
  ProgramOptions program;
  ResultOptions results;
  UpgradeOptions upgrade;

  CLI::App* discover = app.add_subcommand("discover", "find the instruments on the LAN (both probes)");
  discover->add_flag("--json", json, "print the instruments as JSON");
  CLI::App* identify = app.add_subcommand("identify", "print the instrument's identification and family");
  AddLinkOptions(*identify, link);
  CLI::App* send = app.add_subcommand("send", "send each command as a typed line and print the replies");
  AddLinkOptions(*send, link);
  send->add_option("command", commands, "commands to send")->required();
  CLI::App* runVerb = app.add_subcommand("run", "run a script; exit 0 all limit tests passed, 1 any failed, 2 error");
  AddLinkOptions(*runVerb, link);
  AddRunOptions(*runVerb, run);
  CLI::App* capture = app.add_subcommand("capture", "download the instrument's screen into a BMP file");
  AddLinkOptions(*capture, link);
  capture->add_flag("--colour,--color", colour, "a colour capture (default black and white)");
  capture->add_option("file", capturePath, "the BMP file to write")->required();
  CLI::App* programs = app.add_subcommand("programs", "list, save, upload or delete programs in the instrument");
  AddLinkOptions(*programs, link);
  programs->add_option("action", program.action, "list, save, upload, delete or default")
      ->required()
      ->check(CLI::IsMember({"list", "save", "upload", "delete", "default"}));
  programs->add_option("slot", program.slot, "program slot, 1 to 999")->check(CLI::Range(1, kProgramSlots));
  programs->add_option("file", program.file, "QZL file (default ZTQ_Cnnn.QZL)");
  programs->add_flag("--yes,-y", program.yes, "replace an existing file");
  CLI::App* resultsVerb = app.add_subcommand("results", "list the stored results or download them");
  AddLinkOptions(*resultsVerb, link);
  resultsVerb->add_option("action", results.action, "list or download")
      ->required()
      ->check(CLI::IsMember({"list", "download"}));
  resultsVerb->add_option("numbers", results.numbers, "results to download (default all)");
  resultsVerb->add_option("--folder", results.folder, "where the files go (default the current folder)");
  resultsVerb->add_flag("--qzl", results.qzl, "download QZL files instead of text");
  CLI::App* upgradeVerb =
      app.add_subcommand("upgrade", "upgrade the instrument's firmware from a .upg or main .hex file");
  AddLinkOptions(*upgradeVerb, link);
  upgradeVerb->add_option("file", upgrade.file, "the upgrade descriptor (.upg) or the main .hex file")->required();
  upgradeVerb->add_flag("--yes,-y", upgrade.yes, "answer yes to every question (needed without a terminal)");

  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    CLI::App* verb = app.get_subcommands().empty() ? &app : app.get_subcommands().front();
    console.out << verb->help();
    return kCliSuccess;
  } catch (const CLI::ParseError& e) {
    console.err << kProgramName << ": " << e.what() << '\n';
    CLI::App* verb = app.get_subcommands().empty() ? &app : app.get_subcommands().front();
    console.err << verb->help();
    return kCliFailed;
  }

  try {
    if (discover->parsed()) return Discover(console, json);
    if (identify->parsed()) return Identify(console, link);
    if (send->parsed()) return Send(console, link, commands);
    if (runVerb->parsed()) return Run(console, link, run);
    if (capture->parsed()) return Capture(console, link, capturePath, colour);
    if (programs->parsed()) {
      bool needsSlot = program.action != "list" && program.action != "default";
      if (needsSlot && program.slot == 0) {
        console.err << kProgramName << ": " << program.action << " needs a program slot\n" << programs->help();
        return kCliFailed;
      }
      return Programs(console, link, program);
    }
    if (resultsVerb->parsed()) return Results(console, link, results);
    if (upgradeVerb->parsed()) return Upgrade(console, link, upgrade);
  } catch (const std::exception& e) {
    return Fail(console, e.what());
  }
  return kCliFailed;
}

}  // namespace qb
