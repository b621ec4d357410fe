// The progress line's texts; see progress_text.h.
#include "common/progress_text.h"

#include <cstdio>

#include "common/duration_text.h"

namespace qb {

namespace {

// The estimate's largest non-zero unit ("2 Minutes"), from what the steps so
// far took each. Nothing counted yet, or a clock that went backwards, gives
// no estimate to base it on.
std::string TimeRemaining(const ProgressDisplay& d, uint64_t nowMs) {
  if (d.count <= 0) return "Estimated Time Remaining...";
  uint64_t elapsed = nowMs >= d.startMs ? nowMs - d.startMs : 0;
  uint64_t perUnit = elapsed / static_cast<uint64_t>(d.count);
  int64_t left = static_cast<int64_t>(d.total) - d.count;
  double remaining = left > 0 ? static_cast<double>(perUnit) * static_cast<double>(left) : 0.0;
  // Past 65 535 hours the hours field would wrap; no estimate is that long.
  const double kLongest = 65535.0 * 3600000.0;
  if (remaining > kLongest) remaining = kLongest;
  std::string words = FormatDurationWords(SplitDuration(static_cast<uint64_t>(remaining)));
  size_t comma = words.find(',');
  if (comma != std::string::npos) words.erase(comma);
  return "Estimated time remaining: " + words;
}

}  // namespace

void SetPercentMode(ProgressDisplay& display, bool on) {
  display.percentMode = on;
  if (on) display.timeMode = false;
}

void SetTimeMode(ProgressDisplay& display, bool on) {
  display.timeMode = on;
  if (on) display.percentMode = false;
}

std::string ProgressSetTotal(ProgressDisplay& display, int32_t total) {
  display.total = total;
  display.count = 0;
  if (display.percentMode) return "0%";
  if (display.timeMode) return "Estimated Time Remaining...";
  char text[32];
  snprintf(text, sizeof text, "0/%d", static_cast<int>(total));
  return text;
}

std::string ProgressStep(ProgressDisplay& display, intptr_t value, uint64_t nowMs) {
  if (value == 0) {
    if (display.count < INT32_MAX) ++display.count;
  } else {
    display.count = static_cast<int32_t>(value);
  }
  return ProgressLineText(display, nowMs);
}

std::string ProgressLineText(const ProgressDisplay& display, uint64_t nowMs) {
  char text[64];
  if (display.percentMode) {
    // Whole numbers, so 29 of 100 reads 29% (not 28% as count / total x 100
    // in floating point would give). No total yet reads 0%.
    int64_t percent = display.total > 0 ? static_cast<int64_t>(display.count) * 100 / display.total : 0;
    snprintf(text, sizeof text, "%lld%% Complete", static_cast<long long>(percent));
    return text;
  }
  if (display.timeMode) return TimeRemaining(display, nowMs);
  snprintf(text, sizeof text, "Progress: %d/%d", static_cast<int>(display.count), static_cast<int>(display.total));
  return text;
}

}  // namespace qb
