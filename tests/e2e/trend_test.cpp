// The Trend window in the real program: opened from the Instrument menu while
// connected, it polls on its own timer while the main window stays usable,
// pauses, and exports what it collected through the save dialog; closing it
// with samples asks first.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"
// After windows.h, which harness.h brings.
#include <commctrl.h>

#include "resources/resource.h"
#include "support/file_dialog_win.h"
#include "support/host.h"
#include "terminal.h"

using namespace e2e;
using qbtest::WaitFor;

namespace {

// The count at the start of the status line ("Running: 12 samples.").
int SamplesShown(HWND dialog) {
  std::string status = ControlText(dialog, IDC_TREND_STATUS);
  size_t colon = status.find(": ");
  return colon == std::string::npos ? -1 : atoi(status.c_str() + colon + 2);
}

TEST(Trend, PollsPausesExportsItsSamplesAndAsksBeforeClosing) {
  ConnectedApp c;
  std::string error;
  ASSERT_TRUE(c.StartLan({"--reading-period", "6000"}, &error)) << error;
  MenuCommand(c.app.Main(), CMD_TREND);
  HWND trend = WaitForWindow(c.app.Pid(), "#32770", "Trend");
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
  int lines = 0;
  for (char ch : text) lines += ch == '\n';
  EXPECT_EQ(lines, samples + 1);
  // Every sample's time stamp is ISO 8601 with milliseconds, in UTC.
  const std::string second = text.substr(text.find('\n') + 1, 25);
  EXPECT_EQ(second.size(), 25u);
  EXPECT_EQ(second[10], 'T');
  EXPECT_EQ(second.substr(19, 1) + second.substr(23, 2), ".Z,");

  ClickButton(trend, IDCANCEL);
  MessageBoxInfo box;
  ASSERT_TRUE(WaitForMessageBox(c.app.Pid(), box));
  EXPECT_EQ(box.caption, "Trend");
  AnswerMessageBox(box, IDOK);
  EXPECT_TRUE(WaitForWindowGone(trend));
  c.SendLine("*IDN?");
  EXPECT_TRUE(c.WaitForPane("QUARTZLINE"));
}

TEST(Sweep, RunsBehindTheProgressDialogAndTabulatesEveryStep) {
  ConnectedApp c;
  std::string error;
  ASSERT_TRUE(c.StartLan({}, &error)) << error;
  MenuCommand(c.app.Main(), CMD_SWEEP);
  HWND sweep = WaitForWindow(c.app.Pid(), "#32770", "Sweep");
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
