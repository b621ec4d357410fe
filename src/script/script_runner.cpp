// The runner's decisions, tick by tick. The selected line of the listing is
// the next line to run; no selection means the next run starts at the top
// with the interpreter reset.
#include "script/script_runner.h"

#include "resources/resource.h"
#include "resources/text_table.h"
#include "script/script_interpreter.h"
#include "script/script_state.h"

namespace qb {

namespace {

// Whether the next line is due at tick count now. A line falls due at the tick
// nearest its due time: timer ticks drift by a millisecond or two against the
// tick count, and waiting for a tick that is strictly past the due time would
// add a whole tick to most gaps. No line ever waits longer than
// kLongestWaitMs, so a due time further ahead than that can only be one that
// has passed (long ago, or before the tick count wrapped).
bool LineDue(uint32_t now) {
  uint32_t remaining = NextStepTime - now;
  return remaining < static_cast<uint32_t>(kDueToleranceMs) || remaining > static_cast<uint32_t>(kLongestWaitMs);
}

// Whether reply lines arrived since the interpreter or the last pull-in
// marked the count (0 when awaiting, -1 once characters were seen).
bool NewReplyCharacters() {
  return ReceivedCharCount > 0 || (ReplySeen && ReceivedCharCount >= 0);
}

}  // namespace

void ScriptTick(ScriptListing& listing, ScriptHost& host) {
  if (ScriptState != SCRIPT_RUNNING && ScriptState != SCRIPT_STEP) return;
  uint32_t now = host.TickCount();
  int index = listing.Selection();
  if (index < 0) {
    ResetScriptInterpreter();
    NextStepTime = now;  // due at once, whatever the tick count reads
    index = 0;
  }
  int lineCount = listing.LineCount();

  if (ScriptState == SCRIPT_RUNNING && !LineDue(now)) {
    if (ReplyAwaited && NewReplyCharacters()) {
      // Each reply line pulls the next line in to 250 ms after it, but an
      // instrument that streams lines faster than that cannot hold the
      // script past the query's own time-out.
      uint32_t settled = now + kReplySettleMs;
      NextStepTime = static_cast<int32_t>(settled - ReplyDeadline) > 0 ? ReplyDeadline : settled;
      ReceivedCharCount = -1;
      ReplySeen = true;
    }
    return;
  }

  if (ReplyAwaited && ReceivedCharCount == 0 && !ReplySeen) host.AppendToResults(TextTableEntry(TXT_TIMEOUT_LINE));
  ReplyAwaited = false;
  RunStopPosted = false;
  bool error = ExecuteScriptLine(listing, index, host, lineCount);
  int next = index + 1;
  listing.SetSelection(next < lineCount ? next : -1);
  // A line that already asked for a stop gets no second request.
  if (ScriptState == SCRIPT_RUNNING && (next >= lineCount || error) && !RunStopPosted) host.PostCommand(CMD_RUN_STOP);
  if (ScriptState == SCRIPT_STEP) ScriptState = SCRIPT_STOPPED;
}

}  // namespace qb
