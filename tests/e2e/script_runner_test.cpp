// Scripts end to end against the virtual instrument: picking a file through
// the open-file dialog, the script view, Run with replies, a query answered
// late and one never answered, #wait and Run again, Step, Close, a failed
// send, and the two messages about files that cannot be used.
#include <gtest/gtest.h>

#include "harness.h"
#include "resources/resource.h"
#include "support/file_dialog_win.h"
#include "support/host.h"
#include "terminal.h"

using namespace e2e;
using qbtest::WaitFor;

namespace {

class ScriptRunnerTest : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& simArgs = {}) {
    std::string error;
    ASSERT_TRUE(c_.StartLan(simArgs, &error)) << error;
  }
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

TEST_F(ScriptRunnerTest, RunsLinesWithTheirRepliesAndTimeOuts) {
  Start({"--on", "MEAS?=line:A|wait:100|line:B", "--on", "NEVER?=none"});
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

  // The instrument got the three commands, and the query's two reply lines
  // went out before the line after it came in.
  std::vector<double> in, out;
  for (const qbtest::TranscriptRecord& r : c_.sim.Transcript()) {
    if (r.dir == "in" && r.bytes.find("MODE,") != std::string::npos) in.push_back(r.time);
    if (r.dir == "out" && r.bytes.find('B') != std::string::npos) out.push_back(r.time);
  }
  ASSERT_EQ(in.size(), 3u);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_LT(out[0], in[1]);
}

TEST_F(ScriptRunnerTest, WaitStopsTheRunStepAndCloseReturnToTheCommandLine) {
  Start();
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

TEST_F(ScriptRunnerTest, FailedSendStopsTheRun) {
  Start();
  Pick(Write("fail.txt", "\"MODE,1\r\n#pause,1\r\n\"MODE,2\r\n\"MODE,3\r\n\"MODE,4\r\n#echo,never\r\n"));
  ClickButton(c_.app.Main(), CMD_RUN_STOP);
  ASSERT_TRUE(c_.sim.WaitForReceived("MODE,1"));
  c_.sim.Stop();
  ASSERT_TRUE(c_.WaitForPane("ERROR SENDING THIS COMMAND\r\n", 15000)) << c_.PaneText();
  ASSERT_TRUE(WaitStopped());
  EXPECT_EQ(c_.PaneText().find("never"), std::string::npos);
}

TEST_F(ScriptRunnerTest, FilesThatCannotBeUsedAreReported) {
  Start();
  std::string calc = Write("calc.txt", "=5\r\n");
  Pick(calc);
  MessageBoxInfo box;
  ASSERT_TRUE(WaitForMessageBox(c_.app.Pid(), box));
  EXPECT_STRCASEEQ(box.text.c_str(), (calc + " does not appear to be a script file").c_str());
  EXPECT_EQ(box.caption, "Vantor");
  AnswerMessageBox(box, IDOK);

  std::string held = Write("held.txt", "#echo\r\n");
  HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  Pick(held);
  ASSERT_TRUE(WaitForMessageBox(c_.app.Pid(), box));
  EXPECT_STRCASEEQ(box.text.c_str(), ("Unable to read file " + held).c_str());
  AnswerMessageBox(box, IDOK);
  CloseHandle(file);
  EXPECT_TRUE(IsShown(c_.Control(IDC_COMMAND_LINE)));
  EXPECT_FALSE(IsShown(List()));
}

}  // namespace
