// The common services: durations as words, the progress line's texts and
// the one-shot timer service ticking on its own thread. (The one-task claim
// is tested through the progress dialog and the screen capture.)
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/duration_text.h"
#include "common/fixed_font.h"
#include "common/progress_text.h"
#include "common/timer_service.h"

namespace {

using qb::DurationFields;

TEST(DurationText, SpansSplitAndWordAsTheProgressEstimateShowsThem) {
  const uint64_t kHour = 3600000;
  const struct {
    uint64_t span;
    int hours, minutes, seconds, milliseconds;
    const char* words;
  } kCases[] = {
      {0, 0, 0, 0, 0, "0 Seconds"},
      {999, 0, 0, 0, 999, "0 Seconds"},
      {3723000, 1, 2, 3, 0, "1 Hour, 2 Minutes, 3 Seconds"},
      {61000, 0, 1, 1, 0, "1 Minute, 1 Second"},
      {120000, 0, 2, 0, 0, "2 Minutes"},
      {90 * kHour, 90, 0, 0, 0, "90 Hours"},
      {30 * kHour + 1001, 30, 0, 1, 1, "30 Hours, 1 Second"},
      {2 * kHour + 60000, 2, 1, 0, 0, "2 Hours, 1 Minute"},
  };
  for (const auto& c : kCases) {
    DurationFields f = qb::SplitDuration(c.span);
    EXPECT_EQ(f.hours, c.hours) << c.span;
    EXPECT_EQ(f.minutes, c.minutes) << c.span;
    EXPECT_EQ(f.seconds, c.seconds) << c.span;
    EXPECT_EQ(f.milliseconds, c.milliseconds) << c.span;
    EXPECT_EQ(f.years + f.months + f.dayOfWeek + f.days, 0) << c.span;
    EXPECT_EQ(qb::FormatDurationWords(f), c.words) << c.span;
  }
}

TEST(DurationText, TheClockCountsMillisecondsWithoutOverflowingLargeCounters) {
  // A 10 MHz counter after about 29 years would overflow counter x 1000.
  const int64_t kFrequency = 10000000;
  const int64_t kCounter = INT64_MAX / 1000 * 3;
  uint64_t expected = static_cast<uint64_t>(kCounter / kFrequency) * 1000 +
                      static_cast<uint64_t>(kCounter % kFrequency) / (kFrequency / 1000);
  EXPECT_EQ(qb::CounterToMilliseconds(kCounter, kFrequency), expected);
  EXPECT_EQ(qb::CounterToMilliseconds(123456789, 1000000), 123456u);
  EXPECT_EQ(qb::CounterToMilliseconds(5, 0), 0u);

  uint64_t before = qb::MillisecondClock();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  uint64_t took = qb::MillisecondClock() - before;
  EXPECT_GE(took, 59u);
  EXPECT_LT(took, 2000u);
}

TEST(ProgressText, OpeningTextsAndStepsInEachMode) {
  qb::ProgressDisplay d = {};
  EXPECT_EQ(qb::ProgressSetTotal(d, 5), "0/5");
  EXPECT_EQ(qb::ProgressStep(d, 0, 0), "Progress: 1/5");
  EXPECT_EQ(qb::ProgressStep(d, 7, 0), "Progress: 7/5");
  EXPECT_EQ(qb::ProgressStep(d, 0, 0), "Progress: 8/5");

  qb::SetPercentMode(d, true);
  EXPECT_EQ(qb::ProgressSetTotal(d, 240), "0%");
  std::string line;
  for (int i = 0; i < 240; ++i) line = qb::ProgressStep(d, 0, 0);
  EXPECT_EQ(line, "100% Complete");
  const struct {
    int total, count;
    const char* line;
  } kPercent[] = {{3, 1, "33% Complete"},
                  {8, 3, "37% Complete"},
                  {100, 29, "29% Complete"},
                  {960, 959, "99% Complete"},
                  {0, 4, "0% Complete"}};
  for (const auto& p : kPercent) {
    qb::ProgressSetTotal(d, p.total);
    EXPECT_EQ(qb::ProgressStep(d, p.count, 0), p.line) << p.count << " of " << p.total;
  }

  // Turning one mode on turns the other off; turning one off leaves counts.
  qb::SetTimeMode(d, true);
  EXPECT_FALSE(d.percentMode);
  EXPECT_EQ(qb::ProgressSetTotal(d, 65), "Estimated Time Remaining...");
  qb::SetPercentMode(d, true);
  EXPECT_FALSE(d.timeMode);
  qb::SetPercentMode(d, false);
  EXPECT_EQ(qb::ProgressSetTotal(d, 2), "0/2");
}

TEST(ProgressText, TimeRemainingShowsTheLargestUnitOfTheEstimate) {
  const struct {
    uint64_t elapsed;
    int count, total;
    const char* line;
  } kCases[] = {
      {10000, 5, 65, "Estimated time remaining: 2 Minutes"},          // 2 s a unit, 60 left
      {3000, 1, 1242, "Estimated time remaining: 1 Hour"},            // 3 723 s left
      {1500, 3, 4, "Estimated time remaining: 0 Seconds"},            // 500 ms left
      {9999, 1, 2, "Estimated time remaining: 9 Seconds"},            // 9.999 s: truncated
      {1000, 9, 4, "Estimated time remaining: 0 Seconds"},            // past the total
      {7000, 1, 100000000, "Estimated time remaining: 65535 Hours"},  // capped, not wrapped
  };
  for (const auto& c : kCases) {
    qb::ProgressDisplay d = {};
    qb::SetTimeMode(d, true);
    d.startMs = 50000;
    qb::ProgressSetTotal(d, c.total);
    EXPECT_EQ(qb::ProgressStep(d, c.count, d.startMs + c.elapsed), c.line) << c.elapsed << " " << c.count;
  }
  // No unit counted yet, or a clock behind the start, gives no wild estimate.
  qb::ProgressDisplay d = {};
  qb::SetTimeMode(d, true);
  d.startMs = 1000;
  qb::ProgressSetTotal(d, 10);
  EXPECT_EQ(qb::ProgressLineText(d, 5000), "Estimated Time Remaining...");
  EXPECT_EQ(qb::ProgressStep(d, 1, 10), "Estimated time remaining: 0 Seconds");
}

struct Fired {
  qb::TimerPost post;
  uint64_t atMs;
};

struct FiredLog {
  std::mutex mutex;
  std::vector<Fired> fired;
};

void RecordPost(void* context, const qb::TimerPost& post) {
  auto* log = static_cast<FiredLog*>(context);
  std::lock_guard<std::mutex> lock(log->mutex);
  log->fired.push_back({post, qb::MillisecondClock()});
}

TEST(TimerService, TimersAddedFromAnotherThreadWhileTickingFireOnceEachInOrder) {
  FiredLog log;
  qb::TimerService service(RecordPost, &log, qb::MillisecondClock);
  ASSERT_TRUE(service.StartTicking());
  std::this_thread::sleep_for(std::chrono::milliseconds(35));  // a few ticks first

  int windowA = 0, windowB = 0;
  uint64_t addedAt = 0;
  uint32_t idLong = 0, idShort = 0;
  std::thread adder([&] {
    addedAt = qb::MillisecondClock();
    idLong = service.Add(1000, &windowA, 32779, true);
    idShort = service.Add(200, &windowB, 1020, false);
  });
  adder.join();
  EXPECT_EQ(idLong, 1u);
  EXPECT_EQ(idShort, 2u);

  std::this_thread::sleep_for(std::chrono::milliseconds(1400));
  EXPECT_EQ(service.Pending(), 0u);
  service.StopTicking();
  std::lock_guard<std::mutex> lock(log.mutex);
  ASSERT_EQ(log.fired.size(), 2u);
  const Fired& first = log.fired[0];
  const Fired& second = log.fired[1];
  EXPECT_EQ(first.post.id, idShort);
  EXPECT_EQ(first.post.target, &windowB);
  EXPECT_EQ(first.post.message, 1020u);
  EXPECT_FALSE(first.post.asCommand);
  EXPECT_EQ(second.post.id, idLong);
  EXPECT_EQ(second.post.target, &windowA);
  EXPECT_EQ(second.post.message, 32779u);
  EXPECT_TRUE(second.post.asCommand);
  // Each in the tick after its time came (ticks are 10 ms; slack for a busy machine).
  EXPECT_GE(first.atMs, addedAt + 200);
  EXPECT_LT(first.atMs, addedAt + 200 + 80);
  EXPECT_GE(second.atMs, addedAt + 1000);
  EXPECT_LT(second.atMs, addedAt + 1000 + 80);
}

TEST(TimerService, ATimerComesDueByTheServiceClockAndTheTickFindsIt) {
  static uint64_t fakeNow = 0;
  FiredLog log;
  qb::TimerService service(RecordPost, &log, [] { return fakeNow; });
  fakeNow = 1000;
  service.Add(250.5, nullptr, 7, true);
  service.Add(0, nullptr, 8, false);
  const struct {
    uint64_t now;
    size_t fired;
  } kTicks[] = {{1000, 1}, {1250, 1}, {1251, 2}, {5000, 2}};
  for (const auto& t : kTicks) {
    fakeNow = t.now;
    EXPECT_TRUE(service.Tick());
    EXPECT_EQ(log.fired.size(), t.fired) << t.now;
  }
  EXPECT_EQ(log.fired[0].post.message, 8u);
  EXPECT_EQ(log.fired[1].post.message, 7u);
}

}  // namespace

// The report face is the first fallback the system has, so a Wine prefix
// without Courier New still gets a fixed-pitch face and aligned columns.
TEST(FixedFace, TheFirstFallbackTheSystemHasIsChosen) {
  struct Row {
    std::vector<std::string> available;
    const char* chosen;
  } rows[] = {
      {{"Arial", "Courier New", "DejaVu Sans Mono"}, "Courier New"},
      {{"Arial", "DejaVu Sans Mono", "Liberation Mono"}, "DejaVu Sans Mono"},
      {{"liberation mono", "Tahoma"}, "Liberation Mono"},
      {{"Marlett", "Tahoma"}, "Courier New"},  // none there: the renderer maps it
      {{}, "Courier New"},
  };
  for (const Row& row : rows) EXPECT_EQ(qb::ChooseFixedFace(row.available), row.chosen);
}
