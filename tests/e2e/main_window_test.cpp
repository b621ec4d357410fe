// The main window as the user first sees it: class, title, size, the state
// and places of the ten controls, the command line's limit, and a clean exit.
// The menu's enabled states before and after a connection are the terminal
// tests'.
#include <gtest/gtest.h>

#include "harness.h"
#include "resources/resource.h"

using namespace e2e;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app_.Start());
    ASSERT_NE(app_.WaitForMainWindow(), nullptr) << "no main window";
  }
  App app_;
};

TEST_F(MainWindowTest, HasItsClassTitleSizeAndTenControls) {
  HWND main = app_.Main();
  EXPECT_EQ(ClassNameOf(main), "QZQuillboxWClass");
  EXPECT_EQ(TextOf(main), "Vantor");

  RECT r;
  GetWindowRect(main, &r);
  int excessX = GetSystemMetrics(SM_CXFRAME) - 4, excessY = GetSystemMetrics(SM_CYFRAME) - 4;
  EXPECT_EQ(r.right - r.left, 808 + 2 * (excessX > 0 ? excessX : 0));
  EXPECT_EQ(r.bottom - r.top, 653 + 2 * (excessY > 0 ? excessY : 0));

  // The ten controls exist; before a connection only the pane, the command
  // line and Send show, and none is usable.
  for (int id = IDC_RESULTS_PANE; id <= IDC_ASSIST_LINE_BOTTOM; ++id) {
    SCOPED_TRACE(id);
    HWND control = GetDlgItem(main, id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), main);
    EXPECT_EQ(IsShown(control), id <= IDC_SEND_BUTTON);
    EXPECT_FALSE(IsEnabled(control));
  }

  // Laid out as the table places them: the results pane at the top left, the
  // command line and the Send button at fixed gaps above the bottom edge.
  RECT client;
  GetClientRect(main, &client);
  auto rectOf = [&](int id) {
    RECT rc;
    GetWindowRect(GetDlgItem(main, id), &rc);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
  };
  RECT pane = rectOf(IDC_RESULTS_PANE), line = rectOf(IDC_COMMAND_LINE), send = rectOf(IDC_SEND_BUTTON);
  EXPECT_EQ(pane.left, 6);
  EXPECT_EQ(pane.top, 6);
  EXPECT_EQ(pane.right - pane.left, 788);
  EXPECT_EQ(line.left, 6);
  EXPECT_EQ(line.bottom, client.bottom - 6);
  EXPECT_EQ(send.right, client.right - 6);
  EXPECT_EQ(send.bottom, client.bottom - 6);
  EXPECT_LT(pane.bottom, line.top);
  EXPECT_LT(line.right, send.left);

  EXPECT_FALSE(Screenshot("main-window").empty());
}

TEST_F(MainWindowTest, CommandLineTakesAtMostOneHundredCharactersAndNoTab) {
  HWND line = GetDlgItem(app_.Main(), IDC_COMMAND_LINE);
  std::string typed;
  for (int i = 0; i < 120; ++i) typed.push_back(static_cast<char>('a' + i % 26));
  TypeText(line, typed);
  EXPECT_EQ(TextOf(line), typed.substr(0, 100));
  // Tab is taken by the message loop and never reaches the control.
  PostKey(line, VK_TAB);
  PostKey(line, VK_END);
  Sleep(300);
  EXPECT_EQ(TextOf(line), typed.substr(0, 100));
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheProgramWithExitCodeZero) {
  EXPECT_EQ(app_.Close(), 0);
}

}  // namespace
