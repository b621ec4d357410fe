// The script language over a recording host: the calculator and its stack,
// the tests and the stop on failure, the directives, instrument command lines
// with their reply waits, and the reading of time arguments.
#include "script/script_interpreter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "resources/resource.h"
#include "support/script_recorder.h"

using namespace qb;
using qbtest::RecordingScriptHost;
using qbtest::VectorListing;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const std::string kPaused = "! Press Close to abort script or Press Run to continue\r\n";

bool Same(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || a == b;
}

class InterpreterTest : public ::testing::Test {
 protected:
  void SetUp() override { qbtest::ResetScriptGlobals(SCRIPT_RUNNING); }
  // Carries the lines out one after another as the runner does; returns
  // whether any of them reported an error.
  bool Run(const std::vector<std::string>& lines) {
    listing_ = VectorListing(lines);
    bool error = false;
    for (int i = 0; i < listing_.LineCount(); ++i) error |= ExecuteScriptLine(listing_, i, host_, listing_.LineCount());
    return error;
  }
  // The wait the last line set, as the runner sees it.
  int32_t Delay() const { return static_cast<int32_t>(NextStepTime - host_.now); }

  RecordingScriptHost host_;
  VectorListing listing_;
};

TEST_F(InterpreterTest, CalculatorOperationsMoveTheStack) {
  ResultTable[0] = 0.25;
  ResultTable[99] = 99.5;
  const CalcRegisters start = {2, 4, 5, 7};
  struct Case {
    const char* op;
    CalcRegisters before, after;
  } cases[] = {
      {"*", start, {8, 5, 7, 7}},
      {"mul", start, {8, 5, 7, 7}},
      {"/", start, {0.5, 5, 7, 7}},  // X / Y
      {"div", start, {0.5, 5, 7, 7}},
      {"+", start, {6, 5, 7, 7}},
      {"add", start, {6, 5, 7, 7}},
      {"-", start, {-2, 5, 7, 7}},  // X - Y
      {"sub", start, {-2, 5, 7, 7}},
      {"^", start, {2, 2, 4, 5}},
      {"enter", start, {2, 2, 4, 5}},
      {"drop", start, {4, 5, 7, 7}},
      {"roll", start, {4, 5, 7, 2}},
      {"swap", start, {4, 2, 5, 7}},
      {"sqrt", {16, 4, 5, 7}, {4, 4, 5, 7}},
      {"[1]", start, {0.25, 2, 4, 5}},
      {"[100", start, {99.5, 2, 4, 5}},  // the closing bracket is not checked
      {"-2.5", start, {-2.5, 2, 4, 5}},
      {"+4e1 volts", start, {40, 2, 4, 5}},  // trailing text is ignored
      {"7", start, {7, 2, 4, 5}},
      // IEEE arithmetic, never an error.
      {"/", {1, 0, 5, 7}, {kInf, 5, 7, 7}},
      {"/", {0, 0, 5, 7}, {kNaN, 5, 7, 7}},
      {"sqrt", {-1, 4, 5, 7}, {kNaN, 4, 5, 7}},
      // Words that do nothing: exact, case-sensitive matches only.
      {"[0]", start, start},
      {"[101]", start, start},
      {"[-1]", start, start},
      {"[99999999999999999999]", start, start},
      {"MUL", start, start},
      {"mul ", start, start},
      {".5", start, start},
      {"", start, start},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("=") + c.op);
    CalcStack = c.before;
    Run({std::string("=") + c.op});
    EXPECT_TRUE(Same(CalcStack.X, c.after.X)) << CalcStack.X;
    EXPECT_TRUE(Same(CalcStack.Y, c.after.Y)) << CalcStack.Y;
    EXPECT_TRUE(Same(CalcStack.Z, c.after.Z)) << CalcStack.Z;
    EXPECT_TRUE(Same(CalcStack.T, c.after.T)) << CalcStack.T;
  }
  EXPECT_TRUE(host_.sent.empty());
  EXPECT_TRUE(host_.results.empty());
}

TEST_F(InterpreterTest, TestsFailOnlyOnTheirConditionAndPassNaN) {
  struct Case {
    const char* test;
    double x, y, z;
    bool fails;
  } cases[] = {
      {"test,hi", 5, 5, 0, false},      {"test,hi", 5.001, 5, 0, true},    {"test,hi", kNaN, 5, 0, false},
      {"test,hi", 5, kNaN, 0, false},   {"test,lo", 5, 5, 0, false},       {"test,lo", 4.999, 5, 0, true},
      {"test,lo", kNaN, 5, 0, false},   {"test,out", 90, 90, 110, false},  {"test,out", 110, 90, 110, false},
      {"test,out", 89, 90, 110, true},  {"test,out", 111, 90, 110, true},  {"test,out", kNaN, 90, 110, false},
      {"test,in", 100, 90, 110, true},  {"test,in", 90, 90, 110, false},   {"test,in", 110, 90, 110, false},
      {"test,in", 120, 90, 110, false}, {"test,in", kNaN, 90, 110, false}, {"test,mid", 5, 0, 9, false},
      {"test,HI", 9, 1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.test) + " X=" + std::to_string(c.x));
    FailCount = 0;
    CalcStack = {c.x, c.y, c.z, 7};
    Run({std::string("=") + c.test});
    EXPECT_EQ(FailCount, c.fails ? 1 : 0);
    EXPECT_TRUE(Same(CalcStack.X, c.x) && Same(CalcStack.Y, c.y) && CalcStack.Z == c.z && CalcStack.T == 7);
  }
  // Limits are entered upper first, then lower, then the value.
  FailCount = 0;
  Run({"=110", "=90", "=100", "=test,out", "=drop", "=120", "=test,out"});
  EXPECT_EQ(FailCount, 1);
}

TEST_F(InterpreterTest, StopOnFailStopsEveryCalculatorLineUntilClearTest) {
  Run({"=1", "=2", "=test,hi"});  // fails, but StopOnFail is not set
  EXPECT_TRUE(host_.posted.empty());
  Run({"=stop,onfail", "#echo", "\"*RST", "comment", "=", "=nonsense", "=[0]", "=cleartest", "=swap"});
  // "=stop,onfail", "=", "=nonsense" and "=[0]" each stop; "=cleartest" clears.
  EXPECT_EQ(host_.posted, std::vector<int>(4, CMD_RUN_STOP));
  EXPECT_EQ(FailCount, 0);
  EXPECT_TRUE(RunStopPosted);

  host_.posted.clear();
  ScriptState = SCRIPT_STEP;  // a single step never stops anything
  Run({"=1", "=2", "=test,hi", "=swap"});
  EXPECT_EQ(FailCount, 1);
  EXPECT_TRUE(host_.posted.empty());
}

TEST_F(InterpreterTest, Directives) {
  struct Case {
    const char* line;
    std::string results;
    int32_t delay;
    std::vector<int> posted;
    int beeps;
    bool awaits;
  } cases[] = {
      {"#beep", "", 250, {}, 1, false},
      {"#BEEPER", "", 250, {}, 1, false},  // compared over the word's length only
      {"#pause,3", "", 3000, {}, 0, false},
      {"#Pause", "", 1000, {}, 0, false},
      {"#reply,10", "", 10000, {}, 0, true},
      {"#clear", "", 250, {CMD_CLEAR_RESULTS}, 0, false},
      {"#wait,Fit the probe", "Fit the probe\r\n", 250, {CMD_RUN_STOP}, 0, false},
      {"#Waiting", kPaused, 250, {CMD_RUN_STOP}, 0, false},
      {"#wait,", kPaused, 250, {CMD_RUN_STOP}, 0, false},
      {"#ECHO,Hello, world", "Hello, world\r\n", 250, {}, 0, false},
      {"#echo", "\r\n", 250, {}, 0, false},
      {"#bee", "", 250, {}, 0, false},
      {"# beep", "", 250, {}, 0, false},
      {"#", "", 250, {}, 0, false},
      {"#reboot,1", "", 250, {}, 0, false},
      {"", "", 250, {}, 0, false},
      {"A comment \"*RST", "", 250, {}, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    host_ = RecordingScriptHost();
    ReplyAwaited = false;
    ReceivedCharCount = 7;
    EXPECT_FALSE(Run({c.line}));
    EXPECT_EQ(host_.results, c.results);
    EXPECT_EQ(Delay(), c.delay);
    EXPECT_EQ(host_.posted, c.posted);
    EXPECT_EQ(host_.beeps, c.beeps);
    EXPECT_EQ(ReplyAwaited, c.awaits);
    EXPECT_EQ(ReceivedCharCount, c.awaits ? 0 : 7);
    EXPECT_TRUE(host_.sent.empty());
  }
  // In a single step #wait shows its text but stops nothing, and no line
  // moves the due time.
  ScriptState = SCRIPT_STEP;
  host_ = RecordingScriptHost();
  NextStepTime = 42;
  Run({"#wait", "#pause,9"});
  EXPECT_EQ(host_.results, kPaused);
  EXPECT_TRUE(host_.posted.empty());
  EXPECT_EQ(NextStepTime, 42u);
}

// A query waits 5 s for its reply, or as long as a #reply line right after it
// says; that line is consumed with the query.
TEST_F(InterpreterTest, CommandLinesAreSentAsWrittenWithTheirWait) {
  struct Case {
    std::vector<std::string> lines;
    std::string sent;
    bool awaits;
    int32_t delay;
    int index = 0;  // the line the runner moves on from
  } cases[] = {
      {{"\"*IDN?", "#REPLY,10", "#echo"}, "*IDN?", true, 10000, 1},
      {{"\"*IDN?", "#echo"}, "*IDN?", true, 5000},
      {{"\"*IDN?"}, "*IDN?", true, 5000},  // a query as the last line
      {{"\"*RST", "#reply,10"}, "*RST", false, 250},
      {{"\"*IDN? ", "#reply,3"}, "*IDN? ", false, 250},  // only the very last character counts
      {{"\"*IDN?\""}, "*IDN?\"", false, 250},            // a closing quote is part of the command
      {{"\"^G"}, "^G", false, 250},                      // the link turns a caret line into its control character
      {{"\""}, "", false, 250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines[0]);
    host_ = RecordingScriptHost();
    ReplyAwaited = false;
    ReceivedCharCount = 12;
    listing_ = VectorListing(c.lines);
    int index = 0;
    EXPECT_FALSE(ExecuteScriptLine(listing_, index, host_, listing_.LineCount()));
    EXPECT_EQ(index, c.index);
    EXPECT_EQ(ReceivedCharCount, c.awaits ? 0 : 12);
    EXPECT_EQ(host_.sent, std::vector<std::string>{c.sent});  // no line feed is added
    EXPECT_EQ(host_.results, "> " + c.sent + "\r\n");
    EXPECT_EQ(ReplyAwaited, c.awaits);
    EXPECT_EQ(Delay(), c.delay);
  }
}

TEST_F(InterpreterTest, FailedSendEndsTheEchoWithTheErrorText) {
  host_.failSends = true;
  EXPECT_TRUE(Run({"\"*RST"}));
  EXPECT_EQ(host_.results, "> *RSTERROR SENDING THIS COMMAND\r\n");
  EXPECT_FALSE(Run({"#echo,fine"}));  // only a send reports an error
}

TEST(ParseSeconds, ReadsTheNumberAfterTheFirstCommaWithinBounds) {
  struct Case {
    const char* line;
    int32_t ms;
  } cases[] = {
      {"#pause", 1000},       {"#pause,0", 1000},      {"#pause,1", 1000},
      {"#pause,3", 3000},     {"#pause,  7s", 7000},   {"#pause,500", 500000},
      {"#pause,501", 500000}, {"#pause,9999", 500000}, {"#pause,99999999999999999999", 500000},
      {"#pause,-5", 1000},    {"#pause,x5", 1000},     {"#pause,", 1000},
      {"#pause 4,2,9", 2000},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSeconds(c.line), c.ms) << c.line;
}

}  // namespace
