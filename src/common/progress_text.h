// What the progress dialog's progress line reads. The dialog keeps one
// ProgressDisplay on its user-interface thread and hands each TASK_* command
// to these functions; they decide the text, the dialog only shows it.
#pragma once

#include <cstdint>
#include <string>

namespace qb {

struct ProgressDisplay {
  int32_t count;
  int32_t total;
  bool percentMode;
  bool timeMode;     // estimate of the time remaining
  uint64_t startMs;  // MillisecondClock when the worker started
};

// TASK_PERCENT_MODE and TASK_TIME_MODE: the two modes exclude each other, so
// turning one on turns the other off.
void SetPercentMode(ProgressDisplay& display, bool on);
void SetTimeMode(ProgressDisplay& display, bool on);

// TASK_SET_TOTAL: the total becomes total, the count 0; returns the opening
// text ("0%", "Estimated Time Remaining..." or "0/5").
std::string ProgressSetTotal(ProgressDisplay& display, int32_t total);

// TASK_STEP: value 0 counts one more, any other value becomes the count.
// Returns the line after the step, at nowMs ("37% Complete", "Estimated time
// remaining: 2 Minutes", "Progress: 3/8").
std::string ProgressStep(ProgressDisplay& display, intptr_t value, uint64_t nowMs);

// The line for the display as it stands.
std::string ProgressLineText(const ProgressDisplay& display, uint64_t nowMs);

}  // namespace qb
