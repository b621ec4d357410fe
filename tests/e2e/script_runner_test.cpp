// Scripts end to end against the virtual instrument: picking a file through
// the open-file dialog, the script view, Run with replies through the poll, a
// query answered late and one never answered, #wait, Step and Close. The
// runner's timing and a failed send are the runner tests'
// (script_runner_test.cpp); files that cannot be used, and the list box, the
// Wine tests' of the script files (script_files_win_test.cpp).
#include <gtest/gtest.h>

#include "harness.h"
#include "resources/resource.h"
#include "support/file_dialog_win.h"
#include "support/host.h"

using namespace e2e;
using qbtest::WaitFor;

namespace {

class ScriptRunnerTest : public ::testing::Test {
 protected:
  // A script file in the scratch folder; its Windows path.
  std::string Write(const std::string& name, const std::string& text) {
    std::string host = dir_ + "/" + name;
    EXPECT_TRUE(qbtest::WriteHostFile(host, text));
    return qbtest::LocalPath(host);
  }
  // Script menu, then the file chosen in the dialog.
  void Pick(const std::string& path) {
    MenuCommand(c_.app.Main(), CMD_SCRIPT);
    ASSERT_TRUE(qbtest::ChooseInFileDialog(c_.app.Pid(), "Select Script File", path));
  }
  HWND List() const { return c_.Control(IDC_SCRIPT_LIST); }
  int Selection() const { return static_cast<int>(SendMessageA(List(), LB_GETCURSEL, 0, 0)); }
  int Lines() const { return static_cast<int>(SendMessageA(List(), LB_GETCOUNT, 0, 0)); }
  std::string RunStopCaption() const { return TextOf(c_.Control(IDC_RUN_STOP_BUTTON)); }
  bool WaitStopped(int timeoutMs = kWait) const {
    return WaitFor([&] { return RunStopCaption() == "Run"; }, timeoutMs);
  }

  ConnectedApp c_;
  std::string dir_ = qbtest::MakeScratchDir("e2e-script");
};

TEST_F(ScriptRunnerTest, RunsWithRepliesAndTimeOutsThenWaitStepAndClose) {
  ASSERT_TRUE(c_.StartLan({"--on", "MEAS?=line:A|wait:100|line:B", "--on", "NEVER?=none"})) << c_.error;
  Pick(Write("run.txt", "; measure\r\n\"MODE,1\r\n\"MEAS?\r\n\"MODE,2\r\n\"NEVER?\r\n#reply,1\r\n\"MODE,3\r\n"));
  ASSERT_TRUE(WaitFor([&] { return IsShown(List()); }, kWait));
  EXPECT_FALSE(IsShown(c_.Control(IDC_COMMAND_LINE)));
  EXPECT_EQ(Lines(), 7);
  EXPECT_EQ(Selection(), -1);

  ClickButton(c_.app.Main(), CMD_RUN_STOP);
  ASSERT_TRUE(WaitFor([&] { return RunStopCaption() == "Stop"; }, kWait));
  EXPECT_FALSE(IsEnabled(c_.Control(IDC_STEP_BUTTON)));
  EXPECT_FALSE(IsEnabled(c_.Control(IDC_SCRIPT_CLOSE_BUTTON)));
  ASSERT_TRUE(WaitFor([&] { return Selection() >= 2; }, kWait));
  Screenshot("script-running");
  ASSERT_TRUE(WaitStopped(15000)) << c_.PaneText();
  EXPECT_EQ(Selection(), -1);
  EXPECT_TRUE(IsEnabled(c_.Control(IDC_STEP_BUTTON)));
  EXPECT_NE(c_.PaneText().find("> MODE,1\r\n> MEAS?\r\nA\r\nB\r\n> MODE,2\r\n> NEVER?\r\nTIMEOUT\r\n> MODE,3\r\n"),
            std::string::npos)
      << c_.PaneText();
  Screenshot("script-ended");

  // Another script over the first: #wait stops the run, Step carries out one
  // line, and Close gives the command line back.
  Pick(Write("wait.txt", "#echo,start\r\n#wait,Fit the probe\r\n\"MODE,9\r\n#echo,done\r\n"));
  ClickButton(c_.app.Main(), CMD_RUN_STOP);
  ASSERT_TRUE(c_.WaitForPane("start\r\nFit the probe\r\n"));
  ASSERT_TRUE(WaitStopped());
  EXPECT_EQ(Selection(), 2);

  ClickButton(c_.app.Main(), CMD_STEP);
  ASSERT_TRUE(c_.WaitForPane("> MODE,9\r\n"));
  ASSERT_TRUE(WaitFor([&] { return Selection() == 3; }, kWait));
  qbtest::SleepMs(500);
  EXPECT_EQ(c_.PaneText().find("done"), std::string::npos);  // one step, one line

  ClickButton(c_.app.Main(), CMD_CLOSE_SCRIPT);
  ASSERT_TRUE(WaitFor([&] { return !IsShown(List()); }, kWait));
  EXPECT_TRUE(IsShown(c_.Control(IDC_COMMAND_LINE)));
  Screenshot("script-closed");
}

}  // namespace
