// The Trend window in the real program: opened from the Instrument menu while
// connected, it polls on its own timer while the main window stays usable,
// pauses, and exports what it collected through the save dialog; closing it
// with samples asks first. What a trend and a sweep read and write (the
// schedule, the CSV, its time stamps) is the measure tests'
// (measure_test.cpp, measure_link_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "harness.h"
// After windows.h, which harness.h brings.
#include <commctrl.h>

#include "resources/resource.h"
#include "support/file_dialog_win.h"
#include "support/host.h"

using namespace e2e;
using qbtest::WaitFor;

namespace {

// The count at the start of the status line ("Running: 12 samples.").
int SamplesShown(HWND dialog) {
  std::string status = ControlText(dialog, IDC_TREND_STATUS);
  size_t colon = status.find(": ");
  return colon == std::string::npos ? -1 : atoi(status.c_str() + colon + 2);
}

TEST(Measure, TrendPollsPausesExportsAndAsksBeforeClosingThenASweepTabulates) {
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({"--reading-period", "6000"})) << c.error;
  HWND trend = c.Open(CMD_TREND, "Trend");
  ASSERT_NE(trend, nullptr);
  EXPECT_FALSE(IsEnabled(GetDlgItem(trend, IDC_TREND_EXPORT)));
  SetControlText(trend, IDC_TREND_PERIOD, "100");
  SetControlText(trend, IDC_TREND_LOW, "-25");
  SetControlText(trend, IDC_TREND_HIGH, "30");
  ClickButton(trend, IDC_TREND_START);
  EXPECT_TRUE(WaitFor([&] { return ControlText(trend, IDC_TREND_START) == "Pause"; }, 3000));
  ASSERT_TRUE(WaitFor([&] { return SamplesShown(trend) >= 60; }, 20000)) << ControlText(trend, IDC_TREND_STATUS);
  Screenshot("trend-window");
  ClickButton(trend, IDC_TREND_START);
  ASSERT_TRUE(WaitFor([&] { return ControlText(trend, IDC_TREND_START) == "Resume"; }, 3000));
  const int samples = SamplesShown(trend);
  EXPECT_NE(ControlText(trend, IDC_TREND_STATS).find("POWER?: latest "), std::string::npos);

  const std::string csv = qbtest::MakeScratchDir("e2e-trend") + "/power.csv";
  ClickButton(trend, IDC_TREND_EXPORT);
  ASSERT_TRUE(qbtest::ChooseInFileDialog(c.app.Pid(), "Export CSV", qbtest::LocalPath(csv)));
  ASSERT_TRUE(WaitFor([&] { return !qbtest::ReadHostFile(csv).empty(); }, 5000));
  const std::string text = qbtest::ReadHostFile(csv);
  EXPECT_EQ(text.substr(0, text.find('\n')), "time,POWER?\r");  // CSV lines end in CR LF
  // Paused: what was exported is what the status counted.
  EXPECT_EQ(static_cast<int>(std::count(text.begin(), text.end(), '\n')), samples + 1);

  ClickButton(trend, IDCANCEL);
  MessageBoxInfo box;
  ASSERT_TRUE(WaitForMessageBox(c.app.Pid(), box));
  EXPECT_EQ(box.caption, "Trend");
  AnswerMessageBox(box, IDOK);
  EXPECT_TRUE(WaitForWindowGone(trend));
  c.SendLine("*IDN?");
  EXPECT_TRUE(c.WaitForPane("QUARTZLINE"));

  // A sweep runs behind the progress dialog and tabulates every step.
  HWND sweep = c.Open(CMD_SWEEP, "Sweep");
  ASSERT_NE(sweep, nullptr);
  SetControlText(sweep, IDC_SWEEP_STEPS, "9");
  SetControlText(sweep, IDC_SWEEP_SETTLE, "50");
  ClickButton(sweep, IDC_SWEEP_RUN);
  HWND table = GetDlgItem(sweep, IDC_SWEEP_TABLE);
  ASSERT_TRUE(WaitFor([&] { return SendMessageA(table, LVM_GETITEMCOUNT, 0, 0) == 9; }, 20000))
      << ControlText(sweep, IDC_SWEEP_STATUS);
  EXPECT_TRUE(WaitFor([&] { return IsEnabled(GetDlgItem(sweep, IDC_SWEEP_EXPORT)); }, 3000));
  EXPECT_NE(ControlText(sweep, IDC_SWEEP_STATUS).find("Sweep complete: 9 steps."), std::string::npos)
      << ControlText(sweep, IDC_SWEEP_STATUS);
  Screenshot("sweep-dialog");
  ClickButton(sweep, IDCANCEL);
  EXPECT_TRUE(WaitForWindowGone(sweep));
}

}  // namespace
