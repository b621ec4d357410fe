// The split of a span into duration fields and its wording; see
// duration_text.h.
#include "common/duration_text.h"

#include <cstdio>

namespace qb {

uint64_t CounterToMilliseconds(int64_t counter, int64_t frequency) {
  if (frequency <= 0 || counter < 0) return 0;
  // Whole seconds and the remainder apart, so counter x 1000 never overflows.
  uint64_t seconds = static_cast<uint64_t>(counter / frequency);
  uint64_t rest = static_cast<uint64_t>(counter % frequency);
  return seconds * 1000 + rest * 1000 / static_cast<uint64_t>(frequency);
}

DurationFields SplitDuration(uint64_t spanMs) {
  DurationFields fields = {};
  uint64_t hours = spanMs / 1000 / 60 / 60;
  spanMs -= hours * 3600000;
  uint64_t minutes = spanMs / 1000 / 60;
  spanMs -= minutes * 60000;
  uint64_t seconds = spanMs / 1000;
  spanMs -= seconds * 1000;
  fields.hours = static_cast<uint16_t>(hours);
  fields.minutes = static_cast<uint16_t>(minutes);
  fields.seconds = static_cast<uint16_t>(seconds);
  fields.milliseconds = static_cast<uint16_t>(spanMs);
  return fields;
}

std::string FormatDurationWords(const DurationFields& fields) {
  const struct {
    uint16_t value;
    const char* unit;
  } kUnits[] = {{fields.hours, "Hour"}, {fields.minutes, "Minute"}, {fields.seconds, "Second"}};
  std::string text;
  for (const auto& u : kUnits) {
    if (u.value == 0) continue;
    char piece[32];
    snprintf(piece, sizeof piece, "%d %s%s", static_cast<int>(u.value), u.unit, u.value == 1 ? ", " : "s, ");
    text += piece;
  }
  size_t comma = text.rfind(',');
  if (comma != std::string::npos) text.erase(comma);
  if (text.empty()) text = "0 Seconds";
  return text;
}

}  // namespace qb
