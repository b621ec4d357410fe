// How the script runner spaces lines in real time. The runner's tick is driven
// every 50 ms from the steady clock, as the main window's poll timer drives
// it. Two figures: the gap between consecutive command lines, and the time
// from a query's last reply line to the next line; both should read 250 ms,
// late by at most one 50 ms tick.
//
//   quillbox-script-bench
//       a stand-in instrument answers MEAS? with two lines 100 ms apart;
//   quillbox-script-bench ADDRESS TRANSCRIPT
//       the script goes through the instrument link to the instrument on TCP
//       port 10001 of ADDRESS (a quillbox-sim answering MEAS? with two lines
//       100 ms apart, recording to TRANSCRIPT), replies are read as the
//       results poll reads them, and the figures come from the instrument's
//       own transcript timestamps. scripts/bench-script.sh sets this up.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/tick_clock.h"
#include "link/instrument_link.h"
#include "resources/resource.h"
#include "script/script_runner.h"
#include "support/script_recorder.h"

using namespace qb;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kTick = std::chrono::milliseconds(50);

void PrintFigures(const char* what, const std::vector<double>& ms) {
  if (ms.empty()) {
    std::printf("%-54s no figures\n", what);
    return;
  }
  double sum = 0;
  for (double v : ms) sum += v;
  std::printf("%-54s n=%-3zu min %6.1f  mean %6.1f  max %6.1f ms\n", what, ms.size(),
              *std::min_element(ms.begin(), ms.end()), sum / static_cast<double>(ms.size()),
              *std::max_element(ms.begin(), ms.end()));
}

// Ten commands, ten queries, and a last command.
std::vector<std::string> BenchScript() {
  std::vector<std::string> lines;
  for (int i = 0; i < 10; ++i) lines.push_back("\"MODE," + std::to_string(i));
  for (int i = 0; i < 10; ++i) lines.push_back("\"MEAS?");
  lines.push_back("\"MODE,END");
  return lines;
}

// What the instrument stands in for in the first mode, and the link and the
// results poll in the second: called every tick before the runner.
class Instrument {
 public:
  virtual ~Instrument() = default;
  virtual bool Send(const char* text, double nowMs) = 0;  // true when it failed
  virtual void Poll(double nowMs) = 0;                    // counts the reply lines that arrived
};

class StandIn final : public Instrument {
 public:
  std::vector<double> sends, lastReplies;  // ms from the start
  bool Send(const char* text, double now) override {
    sends.push_back(now);
    if (std::string(text) == "MEAS?") {
      pending_.emplace(now + 100, 1);
      pending_.emplace(now + 200, 1);
      lastReplies.push_back(now + 200);
    }
    return false;
  }
  void Poll(double now) override {
    while (!pending_.empty() && pending_.begin()->first <= now) {
      ReceivedCharCount += pending_.begin()->second;
      pending_.erase(pending_.begin());
    }
  }

 private:
  std::multimap<double, int> pending_;
};

class OverTheLink final : public Instrument {
 public:
  bool Send(const char* text, double) override { return SendCommandLine(text); }
  void Poll(double) override {
    for (int byte; (byte = ReadByte(&MainLink)) >= 0;) {
      if (byte != '\r' && byte != '\n') {
        ++length_;
      } else if (length_ > 0) {
        ReceivedCharCount += length_;
        length_ = 0;
      }
    }
  }

 private:
  int length_ = 0;
};

class BenchHost final : public ScriptHost {
 public:
  BenchHost(Instrument& instrument, Clock::time_point start) : instrument_(instrument), start_(start) {}
  std::vector<int> posted;
  std::string results;
  double Now() const { return std::chrono::duration<double, std::milli>(Clock::now() - start_).count(); }
  void AppendToResults(const char* text) override { results += text; }
  bool SendCommandLine(const char* text) override { return instrument_.Send(text, Now()); }
  void PostCommand(int commandId) override { posted.push_back(commandId); }
  uint32_t TickCount() override { return static_cast<uint32_t>(SteadyMs()); }
  void Beep() override {}

 private:
  Instrument& instrument_;
  Clock::time_point start_;
};

// Runs the script to its end in real time; returns what the results pane got.
std::string RunScript(Instrument& instrument) {
  qbtest::ResetScriptGlobals(SCRIPT_RUNNING);
  qbtest::VectorListing listing(BenchScript());
  const Clock::time_point start = Clock::now();
  BenchHost host(instrument, start);
  for (Clock::time_point next = start; ScriptState == SCRIPT_RUNNING;) {
    next += kTick;
    std::this_thread::sleep_until(next);
    instrument.Poll(host.Now());
    size_t posted = host.posted.size();
    ScriptTick(listing, host);
    for (size_t i = posted; i < host.posted.size(); ++i) {
      if (host.posted[i] == CMD_RUN_STOP) ScriptState = SCRIPT_STOPPED;
    }
  }
  return host.results;
}

void Report(const std::vector<double>& sends, const std::vector<double>& lastReplies) {
  std::vector<double> gaps, pullIns;
  for (size_t i = 1; i < 10 && i < sends.size(); ++i) gaps.push_back(sends[i] - sends[i - 1]);
  for (size_t q = 0; q < lastReplies.size() && 11 + q < sends.size(); ++q)
    pullIns.push_back(sends[11 + q] - lastReplies[q]);
  PrintFigures("gap between command lines (expected 250)", gaps);
  PrintFigures("last of two reply lines to next line (expected 250)", pullIns);
}

// The instrument's view: when each command arrived and when each second reply
// line ("B") left, in ms from the first command, from the transcript records
// "<seconds> <channel> <in|out> <bytes>".
bool ReadTranscript(const char* path, std::vector<double>& commands, std::vector<double>& lastReplies) {
  std::ifstream file(path);
  if (!file) return false;
  double first = -1;
  for (std::string record; std::getline(file, record);) {
    std::istringstream fields(record);
    double seconds = 0;
    std::string channel, dir, bytes;
    if (!(fields >> seconds >> channel >> dir) || channel.compare(0, 3, "tcp") != 0) continue;
    std::getline(fields, bytes);
    bool command = dir == "in" && (bytes.find("MODE") != std::string::npos || bytes.find("MEAS?") != std::string::npos);
    bool lastReply = dir == "out" && bytes.find('B') != std::string::npos;
    if (!command && !lastReply) continue;
    if (first < 0) first = seconds;
    (command ? commands : lastReplies).push_back((seconds - first) * 1000.0);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) {
    StandIn standIn;
    RunScript(standIn);
    std::printf("stand-in instrument, runner ticked every 50 ms:\n");
    Report(standIn.sends, standIn.lastReplies);
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: quillbox-script-bench [ADDRESS TRANSCRIPT]\n");
    return 2;
  }
  TraceEnabled = false;
  MainLink = MakeClosedLink();
  MainLink.kind = LINK_LAN;
  std::snprintf(MainLink.ipAddress, sizeof MainLink.ipAddress, "%s", argv[1]);
  if (LinkControl(LINK_OPEN, &MainLink) != 0) {
    std::fprintf(stderr, "cannot connect to %s:10001\n", argv[1]);
    return 1;
  }
  MainLink.ConnectedFlag = MainLink.PollingEnabled = true;
  OverTheLink link;
  std::string results = RunScript(link);
  SleepMs(300);  // the instrument's transcript catches up
  LinkControl(LINK_CLOSE, &MainLink);
  std::vector<double> commands, lastReplies;
  if (!ReadTranscript(argv[2], commands, lastReplies)) {
    std::fprintf(stderr, "cannot read the transcript %s\n", argv[2]);
    return 1;
  }
  if (results.find("TIMEOUT") != std::string::npos || results.find("ERROR") != std::string::npos)
    std::printf("the run reported a time-out or a send error\n");
  std::printf("quillbox-sim over TCP, from its transcript:\n");
  Report(commands, lastReplies);
  return 0;
}
