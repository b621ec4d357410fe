// The main window as the user first sees it: class, title, size, the ten
// controls, the menu, the command line's limit, and a clean exit.
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

  struct Expected {
    int id;
    const char* cls;
    bool shown;
    const char* text;
  } expected[] = {
      {IDC_RESULTS_PANE, "Edit", true, ""},
      {IDC_COMMAND_LINE, "Edit", true, ""},
      {IDC_SEND_BUTTON, "Button", true, "Send"},
      {IDC_SCRIPT_LIST, "ListBox", false, nullptr},
      {IDC_RUN_STOP_BUTTON, "Button", false, "Run"},
      {IDC_STEP_BUTTON, "Button", false, "Step"},
      {IDC_SCRIPT_CLOSE_BUTTON, "Button", false, "Close"},
      {IDC_ASSIST_LINE_TOP, "Static", false, nullptr},
      {IDC_ASSIST_LINE_MIDDLE, "Static", false, nullptr},
      {IDC_ASSIST_LINE_BOTTOM, "Static", false, nullptr},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.id);
    HWND control = GetDlgItem(main, e.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), main);
    EXPECT_STRCASEEQ(ClassNameOf(control).c_str(), e.cls);
    EXPECT_EQ(IsShown(control), e.shown);
    if (e.text) {
      EXPECT_EQ(TextOf(control), e.text);
    }
    // Nothing is usable before a connection.
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

TEST_F(MainWindowTest, MenuHoldsEveryItemWithTheInstrumentItemsGrayed) {
  std::vector<MenuItem> items = ReadMenu(app_.Main());
  struct Expected {
    const char* popup;
    const char* text;
    UINT id;
    bool grayed;
  } expected[] = {
      {"&Result", "&Clear Results Window", CMD_CLEAR_RESULTS, false},
      {"", "&Script", CMD_SCRIPT, false},
      {"&Configure", "&Connection...", CMD_CONNECTION, false},
      {"&Configure", "&Disconnect", CMD_DISCONNECT, false},
      {"&Instrument", "&Upgrade Firmware...", CMD_UPGRADE_FIRMWARE, true},
      {"&Instrument", "&Download Screen Capture...", CMD_SCREEN_CAPTURE, true},
      {"&Instrument", "Download &Results...", CMD_DOWNLOAD_RESULTS, true},
      {"&Instrument", "&Manage QZL files...", CMD_PROGRAM_MANAGEMENT, true},
      {"&Help", "&About ...", CMD_ABOUT, false},
  };
  ASSERT_EQ(items.size(), sizeof expected / sizeof expected[0]);
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(items[i].text);
    EXPECT_EQ(items[i].popup, expected[i].popup);
    EXPECT_EQ(items[i].text, expected[i].text);
    EXPECT_EQ(items[i].id, expected[i].id);
    EXPECT_EQ(items[i].grayed, expected[i].grayed);
  }
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
