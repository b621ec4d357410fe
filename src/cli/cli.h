// quillbox-cli: the terminal's jobs from a command line. RunCli parses the
// verb and its options and carries the verb out over the same features the
// main window uses (identification, the LAN search, the script runner, the
// screen capture, the stores and the firmware upgrade); this front end only
// wires them to standard output, standard error and files. Exit codes: 0
// success, 1 a limit test of a script failed, 2 anything else went wrong (bad
// options, the link, files, an upgrade not accepted or not finished).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qb {

constexpr int kCliSuccess = 0;
constexpr int kCliTestsFailed = 1;
constexpr int kCliFailed = 2;

// Where the console program reads and writes, and whether standard input and
// standard error are terminals (a #wait then waits for Enter; progress draws
// a bar).
struct CliConsole {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool inputIsTerminal = false;
  bool errorIsTerminal = false;
  // The console program itself, started again for each instrument of a run
  // on several; "" when it cannot be.
  std::string program;
};

// Runs the program with its arguments (without the program name).
int RunCli(const std::vector<std::string>& arguments, CliConsole& console);

// The transcript's time stamp of a moment given in milliseconds since the
// epoch: ISO 8601 in UTC with milliseconds ("2026-12-06T12:09:03.042Z").
std::string TranscriptStamp(long long epochMs);

// Text placed in an XML attribute or text node: markup characters escaped,
// control characters other than tab, CR and LF dropped.
std::string XmlEscaped(const std::string& text);

}  // namespace qb
