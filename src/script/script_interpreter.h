// The script language: carrying out one script line (an instrument command, a
// directive, or a calculator or test operation) and the state that lines share
// within a run. One script runs at a time, so the state is process-wide and is
// touched only on the user-interface thread. The runner (script_runner.h)
// decides when a line is due and reads the values this code sets.
#pragma once

#include <cstdint>

#include "script/script_seam.h"

namespace qb {

// Room for one script line as the interpreter reads it; loaded lines are
// shorter than kScriptLineLimit characters.
constexpr int kScriptLineSize = 101;
constexpr int kScriptLineLimit = 100;

// The usual gap between two lines, the wait for a query's reply when no
// #reply line gives one, and the longest wait any line can set (500 s).
constexpr int32_t kStepDelayMs = 250;
constexpr int32_t kQueryWaitMs = 5000;
constexpr int32_t kLongestWaitMs = 500000;

// The calculator's four registers: X is the bottom (the value last entered),
// T the top.
struct CalcRegisters {
  double X, Y, Z, T;
};
extern CalcRegisters CalcStack;

// Values that =[n] recalls, numbered 1 to 100 (entry n is ResultTable[n - 1]).
// Nothing fills them yet, so a recall pushes 0.0.
constexpr int kResultTableSize = 100;
extern double ResultTable[kResultTableSize];

// Failed tests since the start of the run or the last =cleartest.
extern int32_t FailCount;
// Set by =stop,onfail; cleared when a run starts from the top.
extern bool StopOnFail;
// A query was sent (or a #reply line ran): the runner watches
// ReceivedCharCount until the next line falls due.
extern bool ReplyAwaited;
// The runner has seen reply characters for the awaited reply; from then on
// ReceivedCharCount counts up from -1 rather than from 0.
extern bool ReplySeen;
// Tick count (milliseconds, wrapping) at which the next line falls due.
extern uint32_t NextStepTime;
// For an awaited reply: the tick count at which the wait ends at the latest,
// however long the instrument keeps sending.
extern uint32_t ReplyDeadline;
// The last line carried out posted CMD_RUN_STOP itself (a #wait, or the
// stop-on-fail check); the runner then posts no second one.
extern bool RunStopPosted;

// Back to the start of a run: registers 0.0, no failed tests, StopOnFail
// clear, NextStepTime 0.
void ResetScriptInterpreter();

// Carries out line index of the listing. A query followed by a #reply line
// consumes that line too and advances index past it. Returns true only when an
// instrument command could not be sent.
bool ExecuteScriptLine(ScriptListing& listing, int& index, ScriptHost& host, int lineCount);

// The wait in milliseconds given by the number after the line's first comma:
// 1000 without a comma or for a number below 1, 500000 above 500, else the
// number of seconds times 1000.
int32_t ParseSeconds(const char* line);

}  // namespace qb
