// The trend's poller and the sweep job against the virtual instrument over TCP
// loopback: the poll period held on its grid, the sweep's steps in order with
// their settle time (judged from the instrument's own transcript), and a
// sweep stopped half-way. A link that drops mid-trend: CliMeasureDrop.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

#include "common/tick_clock.h"
#include "link/instrument_link.h"
#include "measure/sweep.h"
#include "measure/trend.h"
#include "support/host.h"
#include "support/job_recorder.h"
#include "support/link_harness.h"

using namespace qbtest;

namespace {

class MeasureLink : public ::testing::Test {
 protected:
  void Open(const std::vector<std::string>& args) {
    std::string error;
    ASSERT_TRUE(StartLanSim(sim_, link_, args, &error)) << error;
    ASSERT_EQ(qb::LinkControl(qb::LINK_OPEN, &link_), 0);
    link_.ConnectedFlag = true;
  }
  void TearDown() override { qb::LinkControl(qb::LINK_CLOSE, &link_); }

  // Polls as the Trend window's timer does until count samples are in or
  // the link is lost; the samples' time stamps in ms.
  std::vector<int64_t> Poll(qb::TrendPoller& poller, int count, int limitMs) {
    std::vector<int64_t> stamps;
    poller.Start(qb::SteadyMs(), 0);
    const long long deadline = NowMs() + limitMs;
    while (static_cast<int>(stamps.size()) < count && !poller.LinkLost() && NowMs() < deadline) {
      qb::TrendSample sample;
      if (poller.Tick(qb::SteadyMs(), sample)) {
        stamps.push_back(sample.epochMs);
        samples_.push_back(sample);
      }
      SleepMs(2);
    }
    return stamps;
  }

  SimProcess sim_;
  qb::InstrumentLink link_ = qb::MakeClosedLink();
  std::vector<qb::TrendSample> samples_;
};

TEST_F(MeasureLink, ATrendKeepsItsPeriodOnTheGridWithoutDrift) {
  Open({});
  qb::TrendSettings settings;
  settings.queries = {"POWER?", "VRMS?"};
  settings.periodMs = 50;
  qb::TrendPoller poller(&link_, settings);
  std::vector<int64_t> stamps = Poll(poller, 200, 20000);
  ASSERT_EQ(stamps.size(), 200u);
  // The mean period within 5 %, and the last sample where the grid puts it.
  const double mean = static_cast<double>(stamps.back() - stamps.front()) / 199.0;
  EXPECT_NEAR(mean, 50.0, 2.5);
  EXPECT_NEAR(static_cast<double>(stamps.back()), 199.0 * 50.0, 50.0);
  for (const qb::TrendSample& s : samples_) {
    ASSERT_EQ(s.readings.size(), 2u);
    EXPECT_EQ(s.readings[0].kind, qb::Reading::kNumber) << s.readings[0].text;
    EXPECT_NEAR(s.readings[1].value, 230.0, 2.0);
  }
}

qb::SweepPlan FrequencyPlan(std::vector<double> settings, int settleMs) {
  qb::SweepPlan plan;
  plan.setCommand = "FREQUE,{}";
  plan.settings = std::move(settings);
  plan.logAxis = true;
  plan.settleMs = settleMs;
  plan.queries = {"GAIN?", "PHASE?"};
  return plan;
}

TEST_F(MeasureLink, ASweepSetsEachStepInOrderWaitsItsSettleTimeAndReadsTheResponse) {
  Open({});
  const qb::SweepPlan plan = FrequencyPlan({100, 1000, 10000}, 200);
  RecordingReporter reporter;
  std::atomic<bool> stop(false);
  qb::SweepResult result;
  qb::RunSweep(plan, &link_, reporter, stop, result);
  ASSERT_EQ(result.end, qb::SweepEnd::kComplete) << result.failure;
  ASSERT_EQ(result.rows.size(), 3u);
  // At the corner a second-order low-pass is 3 dB down and 90 degrees behind.
  EXPECT_NEAR(result.rows[1].readings[0].value, -3.0, 0.1);
  EXPECT_NEAR(result.rows[1].readings[1].value, -90.0, 0.5);
  EXPECT_GT(result.rows[0].readings[0].value, result.rows[2].readings[0].value);
  EXPECT_EQ(reporter.totals, std::vector<int>{3});
  EXPECT_EQ(reporter.steps.size(), 3u);
  // What the instrument saw, in order, and the settle time between each
  // setting and its first query.
  std::vector<std::pair<double, std::string>> commands;
  std::string line;
  for (const auto& r : sim_.Transcript()) {
    if (r.dir != "in") continue;
    for (char c : r.bytes) {
      if (c == '\n') {
        commands.push_back({r.time, line});
        line.clear();
      } else if (c != '\0' && c != '\r') {
        line.push_back(c);
      }
    }
  }
  const std::vector<std::string> expected = {"FREQUE,100", "GAIN?",        "PHASE?", "FREQUE,1000", "GAIN?",
                                             "PHASE?",     "FREQUE,10000", "GAIN?",  "PHASE?"};
  ASSERT_EQ(commands.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(commands[i].second, expected[i]);
    if (i % 3 == 1) {
      EXPECT_GE(commands[i].first - commands[i - 1].first, 0.195) << expected[i - 1];
    }
  }
}

TEST_F(MeasureLink, AStoppedSweepKeepsItsRowsAndSaysItIsIncomplete) {
  Open({});
  std::vector<double> settings;
  for (int i = 0; i < 20; ++i) settings.push_back(100.0 * (i + 1));
  const qb::SweepPlan plan = FrequencyPlan(settings, 100);
  RecordingReporter reporter;
  std::atomic<bool> stop(false);
  qb::SweepResult result;
  std::thread stopper([&] {
    SleepMs(450);
    stop = true;
  });
  const long long start = NowMs();
  qb::RunSweep(plan, &link_, reporter, stop, result);
  stopper.join();
  EXPECT_LT(NowMs() - start, 1500);  // the settle time is cut short, not the sweep run out
  EXPECT_EQ(result.end, qb::SweepEnd::kStopped);
  EXPECT_GE(result.rows.size(), 2u);
  EXPECT_LT(result.rows.size(), 20u);
  for (const qb::SweepRow& row : result.rows) EXPECT_EQ(row.readings.size(), 2u);
  const std::string csv = qb::SweepCsvText(plan, result);
  EXPECT_NE(csv.find("# incomplete"), std::string::npos) << csv;
  EXPECT_NE(qb::SweepSummary(result).find("stopped after " + std::to_string(result.rows.size()) + " of 20"),
            std::string::npos);
}

}  // namespace
