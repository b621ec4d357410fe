// The script runner's tick: on every tick of the main window's poll timer it
// decides whether the selected line is due, pulls the due time in once reply
// characters arrived, reports a query that got none, and carries the line out.
#pragma once

#include "script/script_seam.h"

namespace qb {

// Milliseconds from the tick that saw reply characters to the next line.
constexpr int kReplySettleMs = 250;
// A line runs at the first tick less than this before its due time: half the
// main window's 50 ms poll-timer period.
constexpr int kDueToleranceMs = 25;

// One tick of the runner. Does nothing unless ScriptState is Running or
// StepRequested. A stop it or the line asks for is posted as CMD_RUN_STOP to
// the main window; a requested step returns ScriptState to Stopped here.
void ScriptTick(ScriptListing& listing, ScriptHost& host);

}  // namespace qb
