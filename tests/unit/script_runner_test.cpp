// The runner's tick against a recording host and a simulated instrument that
// answers queries after set delays. Every 50 ms tick first counts the reply
// characters that arrived (as the results poll does), then runs the runner,
// then applies the Run/Stop commands it posted (as the shell does).
#include "script/script_runner.h"

#include <gtest/gtest.h>

#include <map>

#include "resources/resource.h"
#include "support/script_recorder.h"

using namespace qb;
using qbtest::RecordingScriptHost;
using qbtest::VectorListing;

namespace {

using Lines = std::vector<std::string>;

struct Reply {
  uint32_t afterMs;
  int chars;
};

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qbtest::ResetScriptGlobals(SCRIPT_STOPPED);
    start_ = host_.now;
  }
  void RunStop(RunStopSource source = RunStopSource::Button) {
    ScriptState = ScriptStateAfterRunStop(ScriptState, source);
  }
  void Tick() {
    host_.now += tickMs_;
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (static_cast<int32_t>(host_.now - it->first) < 0) break;
      ReceivedCharCount += it->second;
      it = pending_.erase(it);
    }
    size_t sent = host_.sent.size(), posted = host_.posted.size();
    ScriptTick(listing_, host_);
    for (size_t i = sent; i < host_.sent.size(); ++i) {
      sendTimes_.push_back(host_.now - start_);
      for (const Reply& r : answers_[host_.sent[i]]) pending_.emplace(host_.now + r.afterMs, r.chars);
    }
    for (size_t i = posted; i < host_.posted.size(); ++i) {
      if (host_.posted[i] == CMD_RUN_STOP) RunStop(RunStopSource::Runner);
    }
  }
  void TickFor(int ms) {
    for (int t = 0; t < ms; t += 50) Tick();
  }
  // Presses Run and ticks until the run stops (at most limitMs).
  void RunUntilStopped(int limitMs = 20000) {
    RunStop();
    for (int t = 0; t < limitMs && ScriptState == SCRIPT_RUNNING; t += 50) Tick();
    EXPECT_EQ(ScriptState, SCRIPT_STOPPED);
  }
  uint32_t Gap(size_t send) const { return sendTimes_.at(send) - sendTimes_.at(send - 1); }

  RecordingScriptHost host_;
  VectorListing listing_;
  std::map<std::string, std::vector<Reply>> answers_;  // the instrument's reply lines per command
  std::multimap<uint32_t, int> pending_;               // reply characters by arrival time
  std::vector<uint32_t> sendTimes_;
  uint32_t start_ = 0;
  uint32_t tickMs_ = 50;
};

// When each line goes out, in ms after Run: lines run 250 ms apart (a comment
// too); a query waits until 250 ms after its last reply line, at most its
// time-out (5 s, or what "#reply" says), and an unanswered one is reported.
// Timer ticks that come a little early still run a line at the tick nearest
// its due time, and due times survive the tick count's wrap.
struct TimingCase {
  const char* name;
  Lines lines;
  std::map<std::string, std::vector<Reply>> answers;
  uint32_t tickMs, startAt;  // startAt 0: the host's own clock
  std::vector<uint32_t> sendTimes;
  std::string results;
};

// An instrument that streams a line every 100 ms for 20 s.
std::vector<Reply> Streaming() {
  std::vector<Reply> lines;
  for (uint32_t at = 100; at < 20000; at += 100) lines.push_back({at, 12});
  return lines;
}

const TimingCase kTimingCases[] = {
    {"a comment costs 250 ms too", {"\"*RST", "; note", "\"MODE,1", "\"MODE,2"}, {}, 50, 0, {50, 550, 800},
     "> *RST\r\n> MODE,1\r\n> MODE,2\r\n"},
    {"early ticks", {"\"*RST", "\"MODE,1", "\"MODE,2"}, {}, 49, 0, {49, 294, 539}, "> *RST\r\n> MODE,1\r\n> MODE,2\r\n"},
    {"replies pull the next line in", {"\"*IDN?", "\"*RST"}, {{"*IDN?", {{100, 20}, {200, 15}}}}, 50, 0, {50, 500},
     "> *IDN?\r\n> *RST\r\n"},
    {"a one-character last reply line", {"\"*IDN?", "\"*RST"}, {{"*IDN?", {{100, 20}, {200, 1}}}}, 50, 0, {50, 500},
     "> *IDN?\r\n> *RST\r\n"},
    {"a streaming instrument", {"\"MEAS?", "#reply,2", "\"*RST"}, {{"MEAS?", Streaming()}}, 50, 0, {50, 2050},
     "> MEAS?\r\n> *RST\r\n"},
    {"unanswered queries time out", {"\"*IDN?", "\"MEAS?", "#reply,2", "\"*RST"}, {}, 50, 0, {50, 5050, 7050},
     "> *IDN?\r\nTIMEOUT\r\n> MEAS?\r\nTIMEOUT\r\n> *RST\r\n"},
    {"the tick count wraps", {"\"*RST", "\"MODE,1", "\"MODE,2"}, {}, 50, 0xFFFFFF00u, {50, 300, 550},
     "> *RST\r\n> MODE,1\r\n> MODE,2\r\n"},
};

TEST_F(RunnerTest, LinesGoOutWhenTheyAreDue) {
  for (const TimingCase& c : kTimingCases) {
    SCOPED_TRACE(c.name);
    host_ = RecordingScriptHost();
    if (c.startAt) host_.now = c.startAt;
    SetUp();
    pending_.clear();
    sendTimes_.clear();
    answers_ = c.answers;
    tickMs_ = c.tickMs;
    listing_ = VectorListing(c.lines);
    RunUntilStopped();
    EXPECT_EQ(sendTimes_, c.sendTimes);
    EXPECT_EQ(host_.results, c.results);
  }
}

TEST_F(RunnerTest, TheEndStopsTheRunForAFreshStart) {
  listing_ = VectorListing({"\"*RST", "\"MODE,1"});
  for (size_t sent : {2u, 4u}) {
    CalcStack.X = 9;
    RunUntilStopped();
    EXPECT_EQ(host_.sent.size(), sent);
    EXPECT_EQ(host_.posted, std::vector<int>(sent / 2, CMD_RUN_STOP));
    EXPECT_EQ(listing_.selection, -1);
    EXPECT_EQ(CalcStack.X, 0.0);  // the run started from the top with a reset
  }
}

// A due time left from long ago never holds up a run continued from a line.
TEST_F(RunnerTest, AStaleDueTimeDoesNotHoldUpARun) {
  listing_ = VectorListing({"\"*RST", "\"MODE,1", "\"MODE,2"});
  listing_.selection = 1;
  NextStepTime = host_.now + 0x80000000u;
  RunStop();
  Tick();
  EXPECT_EQ(host_.sent, Lines{"MODE,1"});
}

// The count of shown reply characters saturates instead of overflowing after
// 2 GB of output, and a script waiting on it still sees it grow.
TEST_F(RunnerTest, ReplyCharacterCountSaturates) {
  ReceivedCharCount = INT32_MAX - 10;
  AddReceivedCharacters(100);
  EXPECT_EQ(ReceivedCharCount, INT32_MAX);
  AddReceivedCharacters(INT32_MAX);
  EXPECT_EQ(ReceivedCharCount, INT32_MAX);
  ReceivedCharCount = -1;
  AddReceivedCharacters(5);
  EXPECT_EQ(ReceivedCharCount, 4);
}

TEST_F(RunnerTest, QueryAsTheLastLineStopsAtOnceWithoutTimeout) {
  answers_["*IDN?"] = {{100, 20}};
  listing_ = VectorListing({"\"*IDN?"});
  RunStop();
  Tick();
  EXPECT_EQ(ScriptState, SCRIPT_STOPPED);
  TickFor(6000);
  EXPECT_EQ(host_.results, "> *IDN?\r\n");
}

TEST_F(RunnerTest, WaitStopsTheRunOnceAndRunContinuesWithTheRegisters) {
  listing_ = VectorListing({"=5", "#wait", "\"*RST", "#wait,Done"});
  RunUntilStopped();
  EXPECT_EQ(listing_.selection, 2);
  EXPECT_TRUE(host_.sent.empty());
  RunUntilStopped();  // #wait as the last line: one stop, not a restart
  EXPECT_EQ(host_.sent, Lines{"*RST"});
  EXPECT_EQ(CalcStack.X, 5.0);
  EXPECT_EQ(host_.posted, std::vector<int>(2, CMD_RUN_STOP));
  EXPECT_EQ(listing_.selection, -1);
}

TEST_F(RunnerTest, StopOnFailStopsAgainAfterRunUntilClearTest) {
  listing_ = VectorListing({"=stop,onfail", "=1", "=2", "=test,hi", "=swap", "=cleartest", "=swap", "\"*RST"});
  RunUntilStopped();
  EXPECT_EQ(listing_.selection, 4);
  RunUntilStopped();
  EXPECT_EQ(listing_.selection, 5);
  RunUntilStopped();
  EXPECT_EQ(host_.sent, Lines{"*RST"});
}

TEST_F(RunnerTest, StepCarriesOutOneLineAndReportsAPendingQueryAsTimedOut) {
  listing_ = VectorListing({"=4", "\"*IDN?", "\"*RST"});
  listing_.selection = 1;
  ScriptState = SCRIPT_STEP;
  Tick();
  EXPECT_EQ(ScriptState, SCRIPT_STOPPED);
  EXPECT_EQ(listing_.selection, 2);
  ScriptState = SCRIPT_STEP;
  Tick();  // at once, though the query's wait has not passed
  EXPECT_EQ(host_.results, "> *IDN?\r\nTIMEOUT\r\n> *RST\r\n");
  EXPECT_EQ(listing_.selection, -1);
  EXPECT_TRUE(host_.posted.empty());
  CalcStack.X = 9;
  ScriptState = SCRIPT_STEP;
  Tick();  // after the end: from the top, with a reset
  EXPECT_EQ(CalcStack.X, 4.0);
  EXPECT_EQ(CalcStack.Y, 0.0);
}

TEST_F(RunnerTest, FailedSendStopsTheRunPastTheFailingLine) {
  host_.failSends = true;
  listing_ = VectorListing({"\"*RST", "\"MODE,1"});
  RunUntilStopped();
  EXPECT_EQ(host_.sent, Lines{"*RST"});
  EXPECT_EQ(listing_.selection, 1);
}

TEST(RunStopButton, LabelStateAndActionAgree) {
  struct Row {
    int32_t state;
    RunStopSource source;
    const char* label;  // shown before the command
    int32_t after;
  } rows[] = {
      {SCRIPT_STOPPED, RunStopSource::Button, "Run", SCRIPT_RUNNING},
      {SCRIPT_RUNNING, RunStopSource::Button, "Stop", SCRIPT_STOPPED},
      {SCRIPT_STEP, RunStopSource::Button, "Run", SCRIPT_RUNNING},
      {SCRIPT_RUNNING, RunStopSource::Runner, "Stop", SCRIPT_STOPPED},
      {SCRIPT_STOPPED, RunStopSource::Runner, "Run", SCRIPT_STOPPED},
      {SCRIPT_STEP, RunStopSource::Runner, "Run", SCRIPT_STOPPED},
      {SCRIPT_NONE, RunStopSource::Button, "Run", SCRIPT_NONE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "state " << row.state << " runner " << (row.source == RunStopSource::Runner));
    EXPECT_STREQ(RunStopLabel(row.state), row.label);
    EXPECT_EQ(ScriptStateAfterRunStop(row.state, row.source), row.after);
  }
}

}  // namespace
