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

TEST_F(RunnerTest, LinesRun250msApartAndTheEndStopsTheRunForAFreshStart) {
  listing_ = VectorListing({"\"*RST", "; note", "\"MODE,1", "\"MODE,2"});
  CalcStack.X = 9;
  RunUntilStopped();
  ASSERT_EQ(sendTimes_.size(), 3u);
  EXPECT_EQ(Gap(1), 500u);  // the comment costs the usual 250 ms too
  EXPECT_EQ(Gap(2), 250u);
  EXPECT_EQ(host_.posted, std::vector<int>{CMD_RUN_STOP});
  EXPECT_EQ(listing_.selection, -1);
  EXPECT_EQ(CalcStack.X, 0.0);  // the run started from the top with a reset

  CalcStack.X = 9;
  RunUntilStopped();
  EXPECT_EQ(host_.sent.size(), 6u);
  EXPECT_EQ(CalcStack.X, 0.0);
}

// Timer ticks that come a little early against the tick count still run a
// line at the tick nearest its due time, not one tick later.
TEST_F(RunnerTest, EarlyTicksDoNotAddATickToTheGap) {
  tickMs_ = 49;
  listing_ = VectorListing({"\"*RST", "\"MODE,1", "\"MODE,2"});
  RunUntilStopped();
  ASSERT_EQ(sendTimes_.size(), 3u);
  EXPECT_EQ(Gap(1), 5 * 49u);
  EXPECT_EQ(Gap(2), 5 * 49u);
}

TEST_F(RunnerTest, RepliesPullTheNextLineIn250msAfterTheLastReplyLine) {
  for (int secondLine : {15, 1}) {
    SCOPED_TRACE(secondLine);
    host_ = RecordingScriptHost();
    SetUp();
    sendTimes_.clear();
    answers_["*IDN?"] = {{100, 20}, {200, secondLine}};
    listing_ = VectorListing({"\"*IDN?", "\"*RST"});
    RunUntilStopped();
    ASSERT_EQ(sendTimes_.size(), 2u);
    EXPECT_EQ(Gap(1), 450u);
    EXPECT_EQ(host_.results.find("TIMEOUT"), std::string::npos);
  }
}

// An instrument that streams lines more often than every 250 ms keeps
// pulling the next line in, but never past the query's own time-out.
TEST_F(RunnerTest, AStreamingInstrumentCannotHoldAQueryPastItsTimeOut) {
  for (uint32_t at = 100; at < 20000; at += 100) answers_["MEAS?"].push_back({at, 12});
  listing_ = VectorListing({"\"MEAS?", "#reply,2", "\"*RST"});
  RunUntilStopped();
  ASSERT_EQ(sendTimes_.size(), 2u);
  EXPECT_EQ(Gap(1), 2000u);
  EXPECT_EQ(host_.results.find("TIMEOUT"), std::string::npos);
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

TEST_F(RunnerTest, UnansweredQueriesTimeOutAndTheScriptGoesOn) {
  listing_ = VectorListing({"\"*IDN?", "\"MEAS?", "#reply,2", "\"*RST"});
  RunUntilStopped();
  ASSERT_EQ(sendTimes_.size(), 3u);
  EXPECT_EQ(Gap(1), 5000u);
  EXPECT_EQ(Gap(2), 2000u);
  EXPECT_EQ(host_.results, "> *IDN?\r\nTIMEOUT\r\n> MEAS?\r\nTIMEOUT\r\n> *RST\r\n");
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

TEST_F(RunnerTest, DueTimesSurviveTheTickCountWrapping) {
  host_.now = start_ = 0xFFFFFF00u;
  listing_ = VectorListing({"\"*RST", "\"MODE,1", "\"MODE,2"});
  RunUntilStopped(2000);
  ASSERT_EQ(sendTimes_.size(), 3u);
  EXPECT_EQ(sendTimes_[0], 50u);
  EXPECT_EQ(Gap(1), 250u);
  EXPECT_EQ(Gap(2), 250u);

  // A due time left from long ago never holds up a run continued from a line.
  listing_.selection = 1;
  NextStepTime = host_.now + 0x80000000u;
  RunStop();
  Tick();
  EXPECT_EQ(host_.sent.back(), "MODE,1");
}

// The label names what a click does; a stop the runner asked for that is
// still queued when the user has already stopped must not start the run again.
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
