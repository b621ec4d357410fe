// Carrying out script lines. The first character of a line says what it is:
// '"' an instrument command, '#' a directive, '=' a calculator or test
// operation; anything else is a comment. Replies to commands are not parsed
// here: they reach the results pane through the results poll, and the runner
// only watches whether reply characters arrived.
#include "script/script_interpreter.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/limit_test.h"
#include "resources/resource.h"
#include "resources/text_table.h"
#include "script/script_state.h"

namespace qb {

CalcRegisters CalcStack = {0.0, 0.0, 0.0, 0.0};
double ResultTable[kResultTableSize] = {};
int32_t FailCount = 0;
bool StopOnFail = false;
bool ReplyAwaited = false;
bool ReplySeen = false;
uint32_t NextStepTime = 0;
uint32_t ReplyDeadline = 0;
bool RunStopPosted = false;

namespace {

// The longest directive argument that is shown.
constexpr size_t kArgumentLimit = 137;

// Whether text begins with word, compared without regard to case over the
// word's length only.
bool StartsWithWord(const char* text, const char* word) {
  for (; *word; ++text, ++word) {
    if (std::tolower(static_cast<unsigned char>(*text)) != *word) return false;
  }
  return true;
}

// The text after the line's first comma (at most kArgumentLimit characters),
// or "" when there is no comma.
std::string ArgumentOf(const char* line) {
  const char* comma = std::strchr(line, ',');
  if (!comma) return std::string();
  std::string argument(comma + 1);
  if (argument.size() > kArgumentLimit) argument.resize(kArgumentLimit);
  return argument;
}

void PostRunStop(ScriptHost& host) {
  host.PostCommand(CMD_RUN_STOP);
  RunStopPosted = true;
}

// A reply is awaited from now on; the runner counts its characters afresh.
void AwaitReply() {
  ReplyAwaited = true;
  ReplySeen = false;
  ReceivedCharCount = 0;
}

bool RunInstrumentCommand(const char* line, ScriptListing& listing, int& index, int lineCount, ScriptHost& host,
                          int32_t& stepDelay) {
  const char* command = line + 1;
  if (line[std::strlen(line) - 1] == '?') {
    if (index + 1 < lineCount) {
      char next[kScriptLineSize];
      listing.LineText(index + 1, next, sizeof next);
      if (StartsWithWord(next, "#reply")) {
        stepDelay = ParseSeconds(next);
        ++index;
      }
    }
    AwaitReply();
    if (stepDelay == kStepDelayMs) stepDelay = kQueryWaitMs;
  }
  bool failed = host.SendCommandLine(command);
  std::string echo = "> ";
  echo += command;
  echo += failed ? TextTableEntry(TXT_SEND_ERROR_LINE) : "\r\n";
  host.AppendToResults(echo.c_str());
  return failed;
}

void RunDirective(const char* line, ScriptHost& host, int32_t& stepDelay) {
  const char* word = line + 1;
  if (StartsWithWord(word, "beep")) {
    host.Beep();
  } else if (StartsWithWord(word, "pause")) {
    stepDelay = ParseSeconds(line);
  } else if (StartsWithWord(word, "reply")) {
    stepDelay = ParseSeconds(line);
    AwaitReply();
  } else if (StartsWithWord(word, "clear")) {
    host.PostCommand(CMD_CLEAR_RESULTS);
  } else if (StartsWithWord(word, "wait")) {
    std::string text = ArgumentOf(line);
    if (text.empty()) text = TextTableEntry(TXT_SCRIPT_PAUSED);
    host.AppendToResults((text + "\r\n").c_str());
    if (ScriptState == SCRIPT_RUNNING) PostRunStop(host);
  } else if (StartsWithWord(word, "echo")) {
    host.AppendToResults((ArgumentOf(line) + "\r\n").c_str());
  }
}

// Y := Z, Z := T; T keeps its value.
void Drop() {
  CalcStack.Y = CalcStack.Z;
  CalcStack.Z = CalcStack.T;
}

// T := Z, Z := Y, Y := X; X keeps its value.
void Lift() {
  CalcStack.T = CalcStack.Z;
  CalcStack.Z = CalcStack.Y;
  CalcStack.Y = CalcStack.X;
}

void CountTest(bool failed) {
  if (failed && FailCount < INT32_MAX) ++FailCount;
}

void RunCalculator(const char* line, ScriptHost& host) {
  const char* op = line + 1;
  auto is = [op](const char* word) { return std::strcmp(op, word) == 0; };
  CalcRegisters& s = CalcStack;
  if (is("*") || is("mul")) {
    s.X = s.Y * s.X;
    Drop();
  } else if (is("/") || is("div")) {
    s.X = s.X / s.Y;
    Drop();
  } else if (is("+") || is("add")) {
    s.X = s.Y + s.X;
    Drop();
  } else if (is("-") || is("sub")) {
    s.X = s.X - s.Y;
    Drop();
  } else if (is("^") || is("enter")) {
    Lift();
  } else if (is("drop")) {
    s.X = s.Y;
    Drop();
  } else if (is("roll")) {
    double x = s.X;
    s.X = s.Y;
    Drop();
    s.T = x;
  } else if (is("swap")) {
    double x = s.X;
    s.X = s.Y;
    s.Y = x;
  } else if (is("sqrt")) {
    s.X = std::sqrt(s.X);
  } else if (op[0] == '[') {
    long n = std::strtol(op + 1, nullptr, 10);
    if (n >= 1 && n <= kResultTableSize) {
      Lift();
      s.X = ResultTable[n - 1];
    }
  } else if (op[0] == '+' || op[0] == '-' || std::isdigit(static_cast<unsigned char>(op[0]))) {
    double value = std::strtod(op, nullptr);
    Lift();
    s.X = value;
  } else if (is("cleartest")) {
    FailCount = 0;
  } else if (is("stop,onfail")) {
    StopOnFail = true;
  } else if (is("test,hi")) {
    CountTest(LimitTestFails(LimitTest::High, s.X, s.Y, s.Z));
  } else if (is("test,lo")) {
    CountTest(LimitTestFails(LimitTest::Low, s.X, s.Y, s.Z));
  } else if (is("test,out")) {
    CountTest(LimitTestFails(LimitTest::Outside, s.X, s.Y, s.Z));
  } else if (is("test,in")) {
    CountTest(LimitTestFails(LimitTest::Inside, s.X, s.Y, s.Z));
  }
  // Comparisons with a value that is not a number are false, so they pass.
  if (FailCount != 0 && StopOnFail && ScriptState == SCRIPT_RUNNING) PostRunStop(host);
}

}  // namespace

void ResetScriptInterpreter() {
  CalcStack = CalcRegisters{0.0, 0.0, 0.0, 0.0};
  FailCount = 0;
  StopOnFail = false;
  NextStepTime = 0;
}

bool ExecuteScriptLine(ScriptListing& listing, int& index, ScriptHost& host, int lineCount) {
  char line[kScriptLineSize];
  listing.LineText(index, line, sizeof line);
  int32_t stepDelay = kStepDelayMs;
  bool error = false;
  switch (line[0]) {
    case '"':
      error = RunInstrumentCommand(line, listing, index, lineCount, host, stepDelay);
      break;
    case '#':
      RunDirective(line, host, stepDelay);
      break;
    case '=':
      RunCalculator(line, host);
      break;
    default:
      break;  // a comment or an empty line
  }
  if (ScriptState == SCRIPT_RUNNING) NextStepTime = ReplyDeadline = host.TickCount() + static_cast<uint32_t>(stepDelay);
  return error;
}

int32_t ParseSeconds(const char* line) {
  const char* comma = std::strchr(line, ',');
  if (!comma) return 1000;
  const char* p = comma + 1;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  int32_t seconds = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    if (seconds <= 500) seconds = seconds * 10 + (*p - '0');  // stays small: anything above 500 is 500
  }
  if (negative || seconds < 1) return 1000;
  if (seconds > 500) return kLongestWaitMs;
  return seconds * 1000;
}

}  // namespace qb
