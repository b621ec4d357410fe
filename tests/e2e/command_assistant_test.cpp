// The command assistant in the real main window: the dictionary mode arrives
// at the command line as the shell sends it after a connect or disconnect,
// keys come through the program's message loop (which turns Tab into
// MSG_COMPLETE_KEY), and the proposal, the selection and the three assist
// lines are read back from the controls.
#include <gtest/gtest.h>

#include "harness.h"
#include "resources/resource.h"
#include "support/host.h"

using namespace e2e;

namespace {

const char* const kHarmonHelp =
    "The HARMON command causes the instrument to enter the HARMONICS mode and can set the harmonics mode settings";

class CommandAssistantTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app_.Start());
    main_ = app_.WaitForMainWindow();
    ASSERT_NE(main_, nullptr) << "no main window";
    line_ = GetDlgItem(main_, IDC_COMMAND_LINE);
    ASSERT_NE(line_, nullptr);
    DismissStartupDialog();
  }

  // When the shell opens the Connect dialog at start-up, it is cancelled (and
  // the "Connection Failed" box answered) so that the test starts from the
  // disconnected main window. A message posted now is handled after the
  // start-up command: once it shows, any dialog of that command is open.
  void DismissStartupDialog() {
    SendMessageA(line_, EM_SETMODIFY, FALSE, 0);
    PostMessageA(line_, EM_SETMODIFY, TRUE, 0);
    ASSERT_TRUE(qbtest::WaitFor([&] { return SendMessageA(line_, EM_GETMODIFY, 0, 0) != 0; }, kWait));
    HWND dialog = WaitForWindow(app_.Pid(), "#32770", nullptr, 0);
    if (!dialog) return;
    ClickButton(dialog, IDCANCEL);
    MessageBoxInfo box;
    if (WaitForMessageBox(app_.Pid(), box)) AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    SendMessageA(line_, EM_SETMODIFY, FALSE, 0);
  }

  // What the shell sends to the command line after a connect (1 for an HXA
  // instrument, 2 for a ZTQ one) and after a disconnect (0).
  void SetDictionaryMode(long mode) { SendMessageA(line_, MSG_SET_DICTIONARY_MODE, 0, mode); }

  // The command line with its selection in brackets, or a bar at the caret.
  std::string Shown() { return TextWithSelection(line_); }
  // Waits until the command line shows the expected text and selection.
  bool WaitShown(const std::string& expected) {
    return qbtest::WaitFor([&] { return Shown() == expected; }, kWait);
  }
  std::string Assist(int id) { return ControlText(main_, id); }
  bool AssistLinesShown() {
    return IsShown(GetDlgItem(main_, IDC_ASSIST_LINE_TOP)) && IsShown(GetDlgItem(main_, IDC_ASSIST_LINE_MIDDLE)) &&
           IsShown(GetDlgItem(main_, IDC_ASSIST_LINE_BOTTOM));
  }

  App app_;
  HWND main_ = nullptr;
  HWND line_ = nullptr;
};

TEST_F(CommandAssistantTest, CompletesAnHxaCommandSlotBySlot) {
  EXPECT_FALSE(AssistLinesShown());  // nothing to offer before a connection
  SetDictionaryMode(1);
  EXPECT_TRUE(AssistLinesShown());
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_TOP), "*cls");

  TypeText(line_, "harm");
  EXPECT_EQ(Shown(), "harm[on]");
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_TOP), "harmon");
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_MIDDLE), kHarmonHelp);
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_BOTTOM),
            "harmon  ;  harmon,,,  ;  harmon?  ;  harmon,?  ;  harmon,series?  ;  harmon,,series?  ");

  PostKey(line_, VK_UP);
  EXPECT_TRUE(WaitShown("harm[on,,,]")) << Shown();
  PostKey(line_, VK_TAB);  // accepted; the first formula is proposed in slot 1
  EXPECT_TRUE(WaitShown("harmon,[thdd],,")) << Shown();
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_MIDDLE).substr(0, 18), "Harmonic Formula {");
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_BOTTOM),
            "thdd  ;  thds  ;  tif  ;  thf  ;  tdd  ;  trd  ;  hphase  ;  ph-ph  ;  series  ");

  TypeText(line_, "s");
  EXPECT_EQ(Shown(), "harmon,s[eries],,");
  PostKey(line_, VK_TAB);
  EXPECT_TRUE(WaitShown("harmon,series,|,")) << Shown();
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_MIDDLE), "Individual harmonic number");
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_BOTTOM), "");

  // Enter goes on to the shell's procedure: no line break enters the line.
  PostKey(line_, VK_RETURN);
  PostKey(line_, VK_END);
  EXPECT_TRUE(WaitShown("harmon,series,,|")) << Shown();
}

TEST_F(CommandAssistantTest, OffersNothingAfterADisconnect) {
  SetDictionaryMode(1);
  TypeText(line_, "mode,");
  EXPECT_EQ(Shown(), "mode,[power]");
  SetDictionaryMode(0);
  EXPECT_FALSE(AssistLinesShown());
  SetControlText(main_, IDC_COMMAND_LINE, "");
  TypeText(line_, "mode,");
  EXPECT_EQ(Shown(), "mode,|");
  PostKey(line_, VK_UP);
  PostKey(line_, VK_TAB);
  PostKey(line_, VK_END);
  EXPECT_TRUE(WaitShown("mode,|")) << Shown();
}

TEST_F(CommandAssistantTest, UsesTheZtqSetForAZtqInstrument) {
  SetDictionaryMode(2);
  EXPECT_TRUE(AssistLinesShown());
  TypeText(line_, "mo");
  EXPECT_EQ(Shown(), "mo[de,]");
  PostKey(line_, VK_TAB);
  EXPECT_TRUE(WaitShown("mode,[ztq]")) << Shown();
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_MIDDLE), "Mode { ZTQ,  LCR,  VSWR,  FRA,  SCOPE }");
  EXPECT_EQ(Assist(IDC_ASSIST_LINE_BOTTOM), "ztq  ;  lcr  ;  vswr  ;  fra  ;  scope  ");
}

TEST_F(CommandAssistantTest, AssistLinesAreReadableInTheMainWindow) {
  // The controls as they are once connected.
  for (int id = IDC_RESULTS_PANE; id <= IDC_ASSIST_LINE_BOTTOM; ++id) EnableWindow(GetDlgItem(main_, id), TRUE);
  SetDictionaryMode(1);
  TypeText(line_, "power,");
  EXPECT_EQ(Shown(), "power,[total]");
  SetControlText(main_, IDC_COMMAND_LINE, "");
  TypeText(line_, "harm");
  PostKey(line_, VK_UP);
  PostKey(line_, VK_TAB);
  EXPECT_TRUE(WaitShown("harmon,[thdd],,")) << Shown();
  RECT top, bottom, line, pane;
  GetWindowRect(GetDlgItem(main_, IDC_ASSIST_LINE_TOP), &top);
  GetWindowRect(GetDlgItem(main_, IDC_ASSIST_LINE_BOTTOM), &bottom);
  GetWindowRect(line_, &line);
  GetWindowRect(GetDlgItem(main_, IDC_RESULTS_PANE), &pane);
  // Stacked between the results pane and the command line, none covering another.
  EXPECT_LE(pane.bottom, top.top);
  EXPECT_LE(bottom.bottom, line.top);
  EXPECT_FALSE(Screenshot("command-assistant").empty());
  SetDictionaryMode(1);  // the reset lists every pattern on the bottom line
  EXPECT_FALSE(Screenshot("command-assistant-reset").empty());
}

}  // namespace
