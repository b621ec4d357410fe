// The terminal when things go wrong: a link that breaks under a reply or a
// send, the reconnect question answered either way, a pane fed far more text
// than an edit control holds by default, and the guards that keep a script
// and the command line apart. Instruments that never answer or cannot be
// reached are the identification tests' (identification_test.cpp) and the
// Connect dialog's outcome the settings tests' (connect_settings_test.cpp).
#include <gtest/gtest.h>

#include "harness.h"
#include "resources/resource.h"
#include "support/file_dialog_win.h"
#include "support/host.h"

using namespace e2e;
using qbtest::WaitFor;

namespace {

const char kCommsError[] = "A Comms error has occured, Disconnected from instrument";
const char kReconnectQuestion[] =
    "A problem has occurred trying to read data from the instrument. Would you like to attempt to re-establish "
    "communications?";

// Waits for the reconnect question; it must come only after the comms-error
// box was read, never over it.
void ReadErrorThenQuestion(ConnectedApp& c, MessageBoxInfo& question) {
  MessageBoxInfo comms;
  ASSERT_TRUE(WaitForMessageBoxText(c.app.Pid(), kCommsError, comms));
  EXPECT_EQ(comms.caption, "Comms Error");
  qbtest::SleepMs(800);
  EXPECT_EQ(MessageBoxesNow(c.app.Pid()).size(), 1u) << "a second box opened over the unread comms error";
  ASSERT_TRUE(AnswerMessageBox(comms, IDOK));
  ASSERT_TRUE(WaitForMessageBoxText(c.app.Pid(), kReconnectQuestion, question));
  EXPECT_EQ(question.caption, "Vantor");
  EXPECT_EQ(question.buttonIds, (std::vector<int>{IDYES, IDNO}));
  EXPECT_FALSE(IsEnabled(c.Control(IDC_COMMAND_LINE)));
}

// The reconnect question answered either way: Yes once the port is back
// connects again and the poll reads again; No stays disconnected and asks
// nothing more. A reconnect that fails says what the identification says
// (identification_test.cpp: IdentifyOpen).
TEST(Failures, ASerialReadErrorAsksOneBoxAtATimeAndTheAnswerDecides) {
  for (int answer : {IDYES, IDNO}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    ConnectedApp c;
    ASSERT_TRUE(c.StartSerial({"--on", answer == IDYES ? "BYE=wait:300|hangup:1500" : "BYE=wait:300|hangup"}, 8,
                              "Serial"))
        << c.error;
    c.SendLine("BYE");
    MessageBoxInfo question;
    ReadErrorThenQuestion(c, question);
    if (answer == IDNO) {
      AnswerMessageBox(question, IDNO);
      qbtest::SleepMs(1000);
      EXPECT_FALSE(MessageBoxShowing(c.app.Pid()));
      EXPECT_FALSE(IsEnabled(c.Control(IDC_COMMAND_LINE)));
      continue;
    }
    ASSERT_TRUE(c.sim.WaitForNote("reopened", 5000));
    AnswerMessageBox(question, IDYES);
    MessageBoxInfo result;
    ASSERT_TRUE(WaitForMessageBoxText(c.app.Pid(), "Connection Successful", result, 8000));
    AnswerMessageBox(result, IDOK);
    EXPECT_TRUE(WaitFor([&] { return IsEnabled(c.Control(IDC_COMMAND_LINE)); }, 3000));
    c.SendLine("*IDN?");
    EXPECT_TRUE(c.WaitForPane("QUARTZLINE,HXA1510")) << c.PaneText();
  }
}

TEST(Failures, ATypedLineThatCannotBeSentIsReportedAndDisconnects) {
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({})) << c.error;
  c.sim.Stop();
  // The first sends after the peer went away may still be taken by the
  // socket; one of the next ones fails.
  MessageBoxInfo box;
  bool reported = false;
  for (int attempt = 0; attempt < 10 && !reported; ++attempt) {
    c.SendLine("MODE,1");
    reported = WaitForMessageBoxText(c.app.Pid(), "Comms Failed - the connection will be closed", box, 700);
  }
  ASSERT_TRUE(reported) << c.PaneText();
  EXPECT_EQ(box.caption, "Vantor");
  AnswerMessageBox(box, IDOK);
  EXPECT_TRUE(WaitFor([&] { return !IsEnabled(c.Control(IDC_COMMAND_LINE)); }, 3000));
}

// A reply of 300 lines of 1000 characters: far past the 32 KB an edit
// control takes by default and the 256 KB one tick reads.
TEST(Pane, HoldsLongRepliesWholeAndInOrderWithTheEchoes) {
  std::string big;
  for (int i = 0; i < 300; ++i) big += (i ? "|line:" : "line:") + std::string("\\a{1000}");
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({"--on", "BIG?=" + big, "--on", "END?=line:THE END"})) << c.error;
  c.SendLine("BIG?");
  ASSERT_TRUE(WaitFor([&] { return c.PaneText().size() >= 8 + 300 * 1002; }, 20000)) << c.PaneText().size();
  c.SendLine("END?");
  ASSERT_TRUE(c.WaitForPane("THE END\r\n"));
  std::string pane = c.PaneText();
  ASSERT_EQ(pane.size(), 8 + 300 * 1002 + 8 + 9);
  EXPECT_EQ(pane.substr(0, 8), "> BIG?\r\n");
  for (size_t line = 0; line < 300; ++line) {
    size_t end = 8 + line * 1002 + 1000;
    ASSERT_EQ(pane.substr(end, 2), "\r\n") << "line " << line;
  }
  EXPECT_EQ(pane.substr(8 + 300 * 1002), "> END?\r\nTHE END\r\n");
}

// An instrument that never stops talking: the pane keeps its newest lines,
// drops whole lines from the top and says so, and stays within its limit.
TEST(Pane, DropsTheOldestLinesPastItsLimitAndKeepsShowingTheNewest) {
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({"--every", "2@500=line:\\a{1000}"})) << c.error;
  const std::string marker = "--- earlier output was removed from the pane ---\r\n";
  ASSERT_TRUE(WaitFor([&] { return c.PaneText().compare(0, marker.size(), marker) == 0; }, 60000))
      << c.PaneText().size();
  std::string pane = c.PaneText();
  EXPECT_LE(pane.size(), 2u * 1024 * 1024);
  EXPECT_EQ(pane.compare(pane.size() - 2, 2, "\r\n"), 0);
  EXPECT_EQ(pane.find(marker, 1), std::string::npos);  // one marker, at the top
  // Every line after the marker is whole.
  size_t last = pane.rfind("\r\n", pane.size() - 3);
  EXPECT_EQ(pane.size() - last - 4, 1000u);
  size_t count = c.PaneText().size();
  EXPECT_TRUE(WaitFor([&] { return c.PaneText().size() != count; }, 5000)) << "the pane stopped taking lines";
  Screenshot("pane-trimmed");
}

HWND FocusOf(HWND main) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

TEST(Failures, ScriptGuardsAndDisconnectStopsARunningScript) {
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({})) << c.error;
  SetControlText(c.app.Main(), IDC_COMMAND_LINE, "SECRET");
  std::string dir = qbtest::MakeScratchDir("e2e-guards");
  ASSERT_TRUE(qbtest::WriteHostFile(dir + "/s.txt", "#clear\r\n#pause,1\r\n\"MODE,1\r\n#pause,30\r\n\"MODE,2\r\n"));
  MenuCommand(c.app.Main(), CMD_SCRIPT);
  ASSERT_TRUE(qbtest::ChooseInFileDialog(c.app.Pid(), "Select Script File", qbtest::LocalPath(dir + "/s.txt")));
  HWND list = c.Control(IDC_SCRIPT_LIST);
  ASSERT_TRUE(WaitFor([&] { return IsShown(list); }, kWait));
  ClickButton(c.app.Main(), CMD_RUN_STOP);
  ASSERT_TRUE(c.sim.WaitForReceived("MODE,1", 8000));
  // #clear asked for the focus: it went to the script list, and Enter (the
  // send command) leaves the hidden command line's text unsent.
  EXPECT_EQ(FocusOf(c.app.Main()), list);
  MenuCommand(c.app.Main(), CMD_SEND);
  // Script while running and Step while running do nothing.
  MenuCommand(c.app.Main(), CMD_SCRIPT);
  ClickButton(c.app.Main(), CMD_STEP);
  EXPECT_EQ(WaitForWindow(c.app.Pid(), "#32770", "Select Script File", 1000), nullptr);
  EXPECT_EQ(TextOf(c.Control(IDC_RUN_STOP_BUTTON)), "Stop");

  MenuCommand(c.app.Main(), CMD_DISCONNECT);
  EXPECT_TRUE(WaitFor([&] { return TextOf(c.Control(IDC_RUN_STOP_BUTTON)) == "Run"; }, 3000));
  // Script while disconnected does nothing either.
  MenuCommand(c.app.Main(), CMD_SCRIPT);
  EXPECT_EQ(WaitForWindow(c.app.Pid(), "#32770", "Select Script File", 1000), nullptr);
  EXPECT_EQ(qbtest::TranscriptBytes(c.sim.Transcript(), "in", "tcp").find("SECRET"), std::string::npos);
  EXPECT_FALSE(MessageBoxShowing(c.app.Pid()));
}

}  // namespace
