// How the script runner spaces lines in real time: the runner's tick is driven
// every 50 ms from the steady clock, as the main window's poll timer drives
// it, and a stand-in instrument answers queries with reply lines at set
// delays. Prints the gap between consecutive command lines and the time from
// the last reply line to the next line; both should read 250 ms, late by at
// most one 50 ms tick.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "resources/resource.h"
#include "script/script_runner.h"
#include "support/script_recorder.h"

using namespace qb;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kTick = std::chrono::milliseconds(50);

struct Figures {
  std::vector<double> ms;
  void Print(const char* what) const {
    if (ms.empty()) return;
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("%-52s n=%-3zu min %6.1f  mean %6.1f  max %6.1f ms\n", what, ms.size(),
                *std::min_element(ms.begin(), ms.end()), sum / static_cast<double>(ms.size()),
                *std::max_element(ms.begin(), ms.end()));
  }
};

// Runs the script to its end in real time. replyDelaysMs: the reply lines
// each query gets, as delays after its send. Returns the send times and the
// arrival time of each query's last reply line (ms from the start).
void RunScript(const std::vector<std::string>& lines, const std::vector<int>& replyDelaysMs,
               std::vector<double>& sendTimes, std::vector<double>& lastReplyTimes) {
  qbtest::ResetScriptGlobals(SCRIPT_RUNNING);
  qbtest::RecordingScriptHost host;
  qbtest::VectorListing listing(lines);
  std::multimap<double, int> pending;  // reply arrival (ms) -> characters
  const Clock::time_point start = Clock::now();
  auto elapsed = [&] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
  Clock::time_point next = start;
  while (ScriptState == SCRIPT_RUNNING) {
    next += kTick;
    std::this_thread::sleep_until(next);
    double now = elapsed();
    host.now = static_cast<uint32_t>(now);
    while (!pending.empty() && pending.begin()->first <= now) {  // the results poll shows what arrived
      ReceivedCharCount += pending.begin()->second;
      pending.erase(pending.begin());
    }
    size_t sent = host.sent.size(), posted = host.posted.size();
    ScriptTick(listing, host);
    for (size_t i = sent; i < host.sent.size(); ++i) {
      sendTimes.push_back(now);
      if (host.sent[i].back() != '?') continue;
      for (int delay : replyDelaysMs) pending.emplace(now + delay, 12);
      lastReplyTimes.push_back(now + replyDelaysMs.back());
    }
    for (size_t i = posted; i < host.posted.size(); ++i) {
      if (host.posted[i] == CMD_RUN_STOP) ScriptState = SCRIPT_STOPPED;
    }
  }
}

}  // namespace

int main() {
  std::vector<double> sends, replies;
  RunScript(std::vector<std::string>(21, "\"MODE,1"), {}, sends, replies);
  Figures spacing;
  for (size_t i = 1; i < sends.size(); ++i) spacing.ms.push_back(sends[i] - sends[i - 1]);
  spacing.Print("gap between command lines (expected 250)");

  std::vector<std::string> queries;
  for (int i = 0; i < 10; ++i) queries.push_back("\"MEAS?");
  queries.push_back("\"*RST");
  sends.clear();
  replies.clear();
  RunScript(queries, {100, 200}, sends, replies);
  Figures pullIn;
  for (size_t i = 0; i + 1 < sends.size() && i < replies.size(); ++i) pullIn.ms.push_back(sends[i + 1] - replies[i]);
  pullIn.Print("last of two reply lines to next line (expected 250)");
  return 0;
}
