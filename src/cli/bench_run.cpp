// A script on several instruments at once: one child run of the console
// program per instrument, their output printed whole as each ends and
// their JUnit files merged into one; see cli_front.h.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/cli_front.h"
#include "cli/cli_platform.h"
#include "cli/resource_address.h"
#include "common/duration_text.h"

namespace qb {
namespace cli {

namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A folder of this run's own under the system's temporary folder.
fs::path MakeWorkFolder() {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) return {};
  std::mt19937 random(static_cast<unsigned>(EpochMs()) ^ std::random_device{}());
  for (int attempt = 0; attempt < 20; ++attempt) {
    fs::path folder = base / ("quillbox-cli-" + std::to_string(random()));
    if (fs::create_directory(folder, error)) return folder;
  }
  return {};
}

// The value of attribute name in the tag, 0 when missing.
int Attribute(const std::string& tag, const char* name) {
  std::string key = std::string(" ") + name + "=\"";
  size_t at = tag.find(key);
  return at == std::string::npos ? 0 : atoi(tag.c_str() + at + key.size());
}

struct Instrument {
  std::string address;
  fs::path junit, output;
  intptr_t child = -1;
  int code = -1;
};

// The suite the child wrote, or one with a single error saying why there
// is none.
std::string SuiteOf(const Instrument& one, const std::string& script, const std::string& why) {
  std::string text = FileText(one.junit);
  size_t start = text.find("<testsuite ");
  size_t end = text.find("</testsuite>", start == std::string::npos ? 0 : start);
  if (start != std::string::npos && end != std::string::npos) {
    return "  " + text.substr(start, end + 12 - start) + "\n";
  }
  return "  <testsuite name=\"" + XmlEscaped(one.address) + "\" tests=\"1\" failures=\"0\" errors=\"1\" time=\"0\">\n" +
         "    <testcase classname=\"" + XmlEscaped(script) + "\" name=\"run\">\n" + "      <error message=\"" +
         XmlEscaped(why) + "\"/>\n    </testcase>\n  </testsuite>\n";
}

std::string Outcome(int code, const std::string& lastLine) {
  if (code == kCliSuccess) return "passed";
  if (code == kCliTestsFailed) return "a limit test failed";
  if (code == kCliFailed) {
    std::string prefix = std::string(kProgramName) + ": ";
    std::string why = lastLine.compare(0, prefix.size(), prefix) == 0 ? lastLine.substr(prefix.size()) : lastLine;
    return "failed: " + (why.empty() ? std::string("no reason given") : why);
  }
  if (code < 0) return "failed: the run ended without an exit code";
  return "failed: the run ended with exit code " + std::to_string(code);
}

}  // namespace

bool ReadAddressList(const std::string& path, std::vector<std::string>& addresses, std::string& message) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    message = "Unable to read " + path;
    return false;
  }
  for (std::string line; std::getline(file, line);) {
    line = WithoutLineEnd(line);
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    size_t last = line.find_last_not_of(" \t");
    addresses.push_back(line.substr(first, last + 1 - first));
  }
  return true;
}

int RunOnEach(CliConsole& console, const BenchRun& bench) {
  if (bench.addresses.empty()) return Fail(console, "No instrument to run " + bench.script + " on");
  std::vector<std::string> seen;
  for (const std::string& address : bench.addresses) {
    ResourceAddress parsed;
    std::string message;
    if (!ParseResourceAddress(address, AddressUse::Any, parsed, message)) return Fail(console, message);
    for (const std::string& other : seen) {
      if (other == address) return Fail(console, "The instrument " + address + " is given twice");
    }
    seen.push_back(address);
  }
  if (console.program.empty()) return Fail(console, "Unable to find the program to run on each instrument");
  std::error_code error;
  if (!bench.transcriptDir.empty()) {
    fs::create_directories(bench.transcriptDir, error);
    if (!fs::is_directory(bench.transcriptDir)) return Fail(console, "Unable to write " + bench.transcriptDir);
  }
  fs::path work = MakeWorkFolder();
  if (work.empty()) return Fail(console, "Unable to make a temporary folder");

  const uint64_t startMs = MillisecondClock();
  std::vector<Instrument> instruments;
  for (size_t i = 0; i < bench.addresses.size(); ++i) {
    Instrument one;
    one.address = bench.addresses[i];
    one.junit = work / (std::to_string(i + 1) + ".xml");
    one.output = work / (std::to_string(i + 1) + ".txt");
    std::vector<std::string> args = {
        "run",     "--on",     one.address, "--timeout", std::to_string(bench.timeoutMs), "--junit", one.junit.string(),
        "--suite", one.address};
    if (bench.baud != 0) args.insert(args.end(), {"--baud", std::to_string(bench.baud)});
    if (!bench.transcriptDir.empty()) {
      args.insert(args.end(),
                  {"--transcript", (fs::path(bench.transcriptDir) / (FileSafe(one.address) + ".txt")).string()});
    }
    args.push_back(bench.script);
    one.child = StartChild(console.program, args, one.output.string());
    instruments.push_back(one);
  }

  int passed = 0, testsFailed = 0, failed = 0;
  std::string suites;
  int tests = 0, failures = 0, errors = 0;
  for (Instrument& one : instruments) {
    one.code = one.child == -1 ? -1 : WaitChild(one.child);
    std::istringstream output(FileText(one.output));
    std::string lastLine;
    for (std::string line; std::getline(output, line);) {
      lastLine = WithoutLineEnd(line);
      console.out << one.address << ": " << lastLine << '\n';
    }
    std::string outcome = one.child == -1 ? "failed: unable to start " + console.program : Outcome(one.code, lastLine);
    console.out << one.address << ": " << outcome << '\n' << std::flush;
    (one.code == kCliSuccess ? passed : one.code == kCliTestsFailed ? testsFailed : failed) += 1;
    std::string suite = SuiteOf(one, bench.script, outcome);
    std::string tag = suite.substr(0, suite.find('>'));
    tests += Attribute(tag, "tests");
    failures += Attribute(tag, "failures");
    errors += Attribute(tag, "errors");
    suites += suite;
  }
  double seconds = static_cast<double>(MillisecondClock() - startMs) / 1000.0;
  fs::remove_all(work, error);
  char summary[160];
  snprintf(summary, sizeof summary, "instruments: %d passed, %d with a failed limit test, %d failed, in %.3f s", passed,
           testsFailed, failed, seconds);
  console.err << summary << '\n';
  if (!bench.junit.empty()) {
    std::ofstream file(bench.junit, std::ios::binary | std::ios::trunc);
    file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         << "<testsuites tests=\"" << tests << "\" failures=\"" << failures << "\" errors=\"" << errors << "\">\n"
         << suites << "</testsuites>\n";
    if (!file.good()) return Fail(console, "Unable to write " + bench.junit);
  }
  if (failed) return kCliFailed;
  return testsFailed ? kCliTestsFailed : kCliSuccess;
}

}  // namespace cli
}  // namespace qb
