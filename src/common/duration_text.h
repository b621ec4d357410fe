// Time as text for the progress dialog: a millisecond clock, the split of a
// span of milliseconds into hours, minutes, seconds and milliseconds, and the
// wording of such a split in English units ("1 Hour, 5 Minutes, 3 Seconds").
// Everything here is safe to call from any thread.
#pragma once

#include <cstdint>
#include <string>

namespace qb {

// Laid out like the platform's SYSTEMTIME record. A split fills only hours,
// minutes, seconds and milliseconds; hours are not reduced to days.
struct DurationFields {
  uint16_t years;
  uint16_t months;
  uint16_t dayOfWeek;
  uint16_t days;
  uint16_t hours;
  uint16_t minutes;
  uint16_t seconds;
  uint16_t milliseconds;
};

// Milliseconds from an arbitrary origin; only differences mean anything.
uint64_t MillisecondClock();

// The reading of a high-resolution counter in milliseconds, truncated. Exact
// for every counter value (no overflow of counter x 1000); 0 for a frequency
// that is not positive.
uint64_t CounterToMilliseconds(int64_t counter, int64_t frequency);

DurationFields SplitDuration(uint64_t spanMs);

// "1 Hour, 2 Minutes, 3 Seconds"; units that are zero are left out, and all
// three zero give "0 Seconds". Milliseconds are not worded.
std::string FormatDurationWords(const DurationFields& fields);

}  // namespace qb
