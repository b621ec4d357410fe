// What every verb of the console program shares: the link opened the way the
// main window's Connect opens it (a Session), the features' message boxes as
// error lines on standard error, the transcript fed from the link's trace,
// progress of long jobs on standard error, and the replies collected into
// lines as the results pane collects them. A verb is one CliVerb: it adds its
// subcommand with its options and runs when the command line chose it.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "common/job_reporter.h"
#include "common/progress_text.h"
#include "common/ui_seam.h"
#include "link/instrument_link.h"
#include "link/reply_lines.h"
#include "link/trace.h"

namespace qb {
namespace cli {

extern const char kProgramName[];
// The main window polls the link and ticks the script on a 50 ms timer.
constexpr int kPollPeriodMs = 50;
// LAN links report a dropped connection only when something is sent; the
// poll's read error is the serial link's.
extern const char kCommsErrorLine[];

long long EpochMs();
uint32_t TickMs();
// Text received from the instrument as one printable line: the line end
// taken off.
std::string WithoutLineEnd(std::string text);

// Why the verb must stop, printed as one line; kCliFailed.
int Fail(CliConsole& console, const std::string& message);

// ---- one verb ------------------------------------------------------------------

class CliVerb {
 public:
  virtual ~CliVerb() = default;
  // Adds the verb's subcommand, with its options bound to the verb's fields.
  virtual CLI::App* Add(CLI::App& app) = 0;
  // Carries the verb out once the command line parsed; the exit code.
  virtual int Run(CliConsole& console) = 0;
};

// ---- transcript -------------------------------------------------------------

// Every line sent and received, stamped. Sent lines are taken from the
// link's trace (so the features' own exchanges are recorded too); lines the
// console program collects from single bytes are recorded where it collects
// them.
class Transcript {
 public:
  bool Open(const std::string& path);
  bool Active() const { return file_.is_open(); }
  void Record(char direction, const std::string& text);
  // One piece of the link's trace.
  void TracePiece(const char* piece);

 private:
  enum class Expect { Header, SentText, ReplyText };
  std::ofstream file_;
  Expect expect_ = Expect::Header;
  std::string sent_;
};

// ---- message boxes and progress ----------------------------------------------

// While it lives, the features' message boxes print as error lines on the
// console's standard error; a yes/no question is answered by the given
// function (its text already printed), or No without one.
class ConsoleBoxes {
 public:
  explicit ConsoleBoxes(CliConsole& console, bool (*question)() = nullptr);
  ~ConsoleBoxes();
  ConsoleBoxes(const ConsoleBoxes&) = delete;
  ConsoleBoxes& operator=(const ConsoleBoxes&) = delete;

 private:
  const UiSeam* previousSeam_;
};

// Sets the function that answers the features' yes/no questions while a verb
// that asks is running (nullptr: every question is answered No).
void SetBoxQuestion(bool (*question)());

// Progress of a long job on standard error: on a terminal a bar redrawn in
// place with the percentage and the time remaining; otherwise the status
// lines alone.
class ConsoleReporter final : public JobReporter {
 public:
  explicit ConsoleReporter(CliConsole& console);
  ~ConsoleReporter();
  void Status(const std::string& text) override;
  void Log(const std::string& line) override;
  void Total(int total) override;
  void Step(int count) override;
  void Percent(int percent) override;

 private:
  void Draw();
  void EndBar();
  CliConsole& console_;
  ProgressDisplay display_;
  bool drawn_ = false;
};

// ---- the link -------------------------------------------------------------------

// Where the instrument is: --on takes any address form (resource_address.h),
// --lan a LAN one, --serial and --usb a serial port.
struct LinkOptions {
  std::string on, lan, serial, usb;
  int baud = 0;
  std::string transcript;
  int timeoutMs = kDefaultReadTimeoutMs;
};

// Adds the link's options. With many, --on may be given more than once and
// its addresses go there instead.
void AddLinkOptions(CLI::App& verb, LinkOptions& options, std::vector<std::string>* many = nullptr);

// While it lives, the features' message boxes print as error lines and the
// link's trace feeds the transcript; at its end the link is closed.
class Session {
 public:
  Session(CliConsole& console, const LinkOptions& options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Transcript& Record() { return transcript_; }

  // Settings, transcript, open and identification. Returns kCliSuccess or
  // the exit code after the error line.
  int Open();

 private:
  CliConsole& console_;
  const LinkOptions& options_;
  ConsoleBoxes boxes_;
  Transcript transcript_;
  TraceSink previousSink_ = nullptr;
  bool previousTrace_ = false;
};

// The family's short name ("HXA15", "ZTQ", ...), "unknown" for 0.
const char* FamilyName(int family);

// Collects the bytes waiting on the link into lines, as the results pane's
// poll does, and prints each line. False when the link failed.
class ReplyPoll {
 public:
  ReplyPoll(CliConsole& console, Transcript& transcript);
  bool Poll();
  uint32_t LastLineMs() const { return lastLineMs_; }
  int Lines() const { return lines_; }

 private:
  CliConsole& console_;
  Transcript& transcript_;
  ResultsAccumulator accumulator_;
  uint32_t lastLineMs_ = 0;
  int lines_ = 0;
};

// ---- a script on several instruments --------------------------------------------

struct BenchRun {
  std::vector<std::string> addresses;
  std::string script;
  std::string junit;          // the merged JUnit file, "" for none
  std::string transcriptDir;  // one transcript per instrument there, "" for none
  int timeoutMs = kDefaultReadTimeoutMs;
  int baud = 0;
};

// Runs the script on every address at once, each a run of the program of
// its own with that one address, so that each is exactly the single run.
// Each instrument's output is printed whole, every line headed by its
// address, with its outcome; the JUnit file holds one test suite per
// instrument, named by its address (an instrument whose run ended without
// one gets a suite with one error saying why). Exit 0 when every
// instrument passed, 2 when any run failed, else 1.
int RunOnEach(CliConsole& console, const BenchRun& bench);

// The addresses of a list file, one a line; blank lines and lines starting
// with '#' are skipped. False with a message when it cannot be read.
bool ReadAddressList(const std::string& path, std::vector<std::string>& addresses, std::string& message);

// ---- the verbs -------------------------------------------------------------------

std::unique_ptr<CliVerb> MakeDiscoverVerb();
std::unique_ptr<CliVerb> MakeIdentifyVerb();
std::unique_ptr<CliVerb> MakeSendVerb();
std::unique_ptr<CliVerb> MakeRunVerb();
std::unique_ptr<CliVerb> MakeCaptureVerb();
std::unique_ptr<CliVerb> MakeProgramsVerb();
std::unique_ptr<CliVerb> MakeResultsVerb();
std::unique_ptr<CliVerb> MakeUpgradeVerb();
std::unique_ptr<CliVerb> MakeTrendVerb();
std::unique_ptr<CliVerb> MakeSweepVerb();

}  // namespace cli
}  // namespace qb
