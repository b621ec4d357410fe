// The terminal end to end: the main window, the settings file and About on a
// first run, connecting over LAN, typing commands, the history, recall from
// the pane, Clear, Test and Save as Default, and the window size across runs.
#include <gtest/gtest.h>

#include <algorithm>

#include "harness.h"
#include "resources/resource.h"
#include "support/com_port.h"
#include "support/host.h"

using namespace e2e;
using qbtest::WaitFor;

namespace {

std::string ReadSettingsFile() {
  return ReadWindowsFile(SettingsFilePath());
}

bool InstrumentItemsGrayed(HWND main, bool grayed) {
  int matching = 0;
  for (const MenuItem& item : ReadMenu(main)) {
    if (item.popup == "&Instrument" && item.grayed == grayed) ++matching;
  }
  return matching == 6;  // upgrade, capture, results, programs, trend, sweep
}

// Where the controls stand is the layout tests' (control_layout_test.cpp);
// here: that the window creates them, shows the right ones and limits the
// command line.
TEST(FirstRun, TheWindowOpensConnectCreatesTheSettingsFileAndCancelFails) {
  App app;
  HWND dialog = StartFresh(app);
  ASSERT_NE(dialog, nullptr) << "the Connect dialog did not open by itself";
  HWND main = app.Main();
  EXPECT_EQ(TextOf(main), "Vantor");
  // The ten controls exist; before a connection only the pane, the command
  // line and Send show, and none is usable.
  for (int id = IDC_RESULTS_PANE; id <= IDC_ASSIST_LINE_BOTTOM; ++id) {
    SCOPED_TRACE(id);
    HWND control = GetDlgItem(main, id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(IsShown(control), id <= IDC_SEND_BUTTON);
    EXPECT_FALSE(IsEnabled(control));
  }
  Screenshot("main-window");

  std::string settings = ReadSettingsFile();
  EXPECT_EQ(settings.find("[Init]"), 0u) << settings;
  EXPECT_NE(settings.find("Created="), std::string::npos) << settings;
  EXPECT_EQ(settings.find("[Connect]"), std::string::npos) << settings;
  EXPECT_EQ(ListSelection(dialog, IDC_INTERFACE), "");
  EXPECT_EQ(ListEntries(dialog, IDC_INTERFACE), (std::vector<std::string>{"USB", "LAN", "Serial"}));
  EXPECT_EQ(ListEntries(dialog, IDC_BAUD_RATE),
            (std::vector<std::string>{"1200", "2400", "4800", "9600", "19200", "38400"}));
  ClickButton(dialog, IDCANCEL);
  EXPECT_EQ(AnswerNextBox(app.Pid()), "Connection: Connection Failed");
  EXPECT_TRUE(InstrumentItemsGrayed(main, true));

  // The command line takes at most 100 characters; Tab is taken by the
  // message loop and never reaches the control.
  HWND line = GetDlgItem(main, IDC_COMMAND_LINE);
  std::string typed;
  for (int i = 0; i < 120; ++i) typed.push_back(static_cast<char>('a' + i % 26));
  TypeText(line, typed);
  PostKey(line, VK_TAB);
  PostKey(line, VK_END);
  qbtest::SleepMs(300);
  EXPECT_EQ(TextOf(line), typed.substr(0, 100));

  MenuCommand(main, CMD_ABOUT);
  HWND about = WaitForWindow(app.Pid(), "#32770", "About Vantor");
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(ControlText(about, IDC_ABOUT_NAME), "Vantor");
  EXPECT_EQ(ControlText(about, IDC_ABOUT_VERSION), "v1.0a      25th June 2014");
  EXPECT_FALSE(ControlText(about, IDC_ABOUT_NOTICE).empty());
  EXPECT_NE(SendDlgItemMessageA(about, IDC_ABOUT_ICON, STM_GETICON, 0, 0), 0);
  Screenshot("about");
  ClickButton(about, IDOK);
  EXPECT_TRUE(WaitForWindowGone(about));
  EXPECT_EQ(app.Close(), 0);
}

// The history's order and the recall rule are the shell tests'
// (shell_test.cpp); here the keys and the click come through the window.
TEST(Terminal, TypedLinesRepliesHistoryRecallAndClear) {
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({"--idn", "QUARTZLINE,HXA1510,0,1.07"})) << c.error;
  HWND line = c.Control(IDC_COMMAND_LINE);
  EXPECT_TRUE(IsEnabled(line));
  EXPECT_TRUE(IsEnabled(c.Control(IDC_RESULTS_PANE)));
  EXPECT_TRUE(InstrumentItemsGrayed(c.app.Main(), false));
  c.SendLine("*IDN?");
  ASSERT_TRUE(c.WaitForPane("QUARTZLINE,HXA1510,0,1.07\r\n")) << c.PaneText();
  EXPECT_EQ(c.PaneText(), "> *IDN?\r\nQUARTZLINE,HXA1510,0,1.07\r\n");
  // The sent text stays in the command line, selected.
  EXPECT_EQ(TextOf(line), "*IDN?");
  Screenshot("terminal-connected-lan");

  for (const char* command : {"ONE?", "TWO?", "THREE?"}) {
    c.SendLine(command);
    ASSERT_TRUE(c.WaitForPane(std::string("> ") + command));
  }
  auto press = [&](UINT key) {
    std::string before = TextOf(line);
    PostKey(line, key);
    WaitFor([&] { return TextOf(line) != before; }, 2000);
    return TextOf(line);
  };
  EXPECT_EQ(press(VK_UP), "TWO?");
  EXPECT_EQ(press(VK_UP), "ONE?");
  EXPECT_EQ(press(VK_UP), "*IDN?");
  EXPECT_EQ(press(VK_DOWN), "ONE?");

  // A click on an echo line puts its command back into the command line.
  HWND pane = c.Control(IDC_RESULTS_PANE);
  LRESULT pos = SendMessageA(pane, EM_POSFROMCHAR, c.PaneText().find("> TWO?") + 3, 0);
  LPARAM at = MAKELPARAM(LOWORD(pos) + 2, HIWORD(pos) + 2);
  PostMessageA(pane, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(pane, WM_LBUTTONUP, 0, at);
  EXPECT_TRUE(WaitFor([&] { return TextOf(line) == "TWO?"; }, 3000)) << TextOf(line);

  MenuCommand(c.app.Main(), CMD_CLEAR_RESULTS);
  EXPECT_TRUE(WaitFor([&] { return c.PaneText().empty(); }, 3000));
}

// The messages themselves are the identification tests'
// (identification_test.cpp); here Test is wired and leaves the dialog open.
TEST(ConnectDialog, TestReportsTheReplyAndWhatIsMissingAndTheDialogStays) {
  qbtest::SimProcess sim;
  std::string address = qbtest::LoopbackAddress();
  ASSERT_TRUE(sim.Start({"--tcp", address + ":10001", "--idn", "QUARTZLINE,HXA2600,1,2.0"}));
  App app;
  HWND dialog = StartFresh(app);
  ASSERT_TRUE(dialog && ChooseInList(dialog, IDC_INTERFACE, "LAN"));
  SetControlText(dialog, IDC_IP_ADDRESS, address);
  ClickButton(dialog, IDC_TEST);
  EXPECT_EQ(AnswerNextBox(app.Pid()),
            "Test Connection: The connection was successful\nQUARTZLINE,HXA2600,1,2.0 (icon)");
  EXPECT_TRUE(IsWindow(dialog));
  SetControlText(dialog, IDC_IP_ADDRESS, "");
  ClickButton(dialog, IDC_TEST);
  EXPECT_EQ(AnswerNextBox(app.Pid()), "Test Connection: Please enter an IP address (icon)");
  EXPECT_TRUE(IsWindow(dialog));
}

// What an IP address control's four fields show, left to right, joined by dots.
std::string AddressFieldsText(HWND control) {
  std::vector<std::pair<LONG, std::string>> fields;
  EnumChildWindows(
      control,
      [](HWND child, LPARAM list) -> BOOL {
        RECT r;
        GetWindowRect(child, &r);
        reinterpret_cast<std::vector<std::pair<LONG, std::string>>*>(list)->push_back({r.left, TextOf(child)});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&fields));
  std::sort(fields.begin(), fields.end());
  std::string text;
  for (const auto& field : fields) text += (text.empty() ? "" : ".") + field.second;
  return text;
}

// Which controls each interface shows is the Connect dialog's rule
// (connect_settings_test.cpp); here the choices reach the file and come back.
TEST(ConnectDialog, SaveAsDefaultStoresTheFourKeysAndTheNextStartUsesThem) {
  qbtest::SimProcess sim;
  ASSERT_TRUE(sim.Start({"--no-tcp", "--pty"}));
  ASSERT_TRUE(qbtest::MapComPort(7, sim.PtyPath()));
  std::string address = qbtest::LoopbackAddress();
  {
    App app;
    HWND dialog = StartFresh(app);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(ChooseInList(dialog, IDC_INTERFACE, "Serial"));
    ASSERT_TRUE(ChooseInList(dialog, IDC_COM_PORT, "COM7"));
    ASSERT_TRUE(ChooseInList(dialog, IDC_BAUD_RATE, "9600"));
    Screenshot("connect-dialog-serial");
    ASSERT_TRUE(ChooseInList(dialog, IDC_INTERFACE, "LAN"));
    EXPECT_FALSE(IsShown(GetDlgItem(dialog, IDC_COM_PORT)));
    SetControlText(dialog, IDC_IP_ADDRESS, address);
    Screenshot("connect-dialog-lan");
    ClickButton(dialog, IDC_SAVE_DEFAULT);
    EXPECT_TRUE(WaitFor([] { return ReadSettingsFile().find("IPAddr=") != std::string::npos; }, 3000));
    std::string settings = ReadSettingsFile();
    // LAN chosen: the last COM port and baud rate read are written as well.
    for (const std::string& key :
         std::vector<std::string>{"Interface=2", "ComPort=COM7", "BaudRate=9600", "IPAddr=" + address})
      EXPECT_NE(settings.find(key), std::string::npos) << key << " in\n" << settings;
    ASSERT_TRUE(CancelStartupConnect(app));
    EXPECT_EQ(app.Close(), 0);
  }
  App again;
  ASSERT_TRUE(again.Start());
  ASSERT_NE(again.WaitForMainWindow(), nullptr);
  HWND dialog = WaitForConnectDialog(again.Pid());
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ListSelection(dialog, IDC_INTERFACE), "LAN");
  EXPECT_EQ(ListSelection(dialog, IDC_COM_PORT), "COM7");
  EXPECT_EQ(ListSelection(dialog, IDC_BAUD_RATE), "9600");
  EXPECT_EQ(ControlText(dialog, IDC_IP_ADDRESS), address);
  EXPECT_EQ(AddressFieldsText(GetDlgItem(dialog, IDC_IP_ADDRESS)), address);
  EXPECT_TRUE(IsShown(GetDlgItem(dialog, IDC_IP_ADDRESS)));
  qbtest::UnmapComPort(7);
}

SIZE OuterSize(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

// Starts the program with the given settings text and cancels its Connect
// dialog; returns the main window.
HWND StartWithSettings(App& app, const std::string& settings) {
  WriteSettings(settings);
  if (!app.Start() || !app.WaitForMainWindow() || !CancelStartupConnect(app)) return nullptr;
  return app.Main();
}

// Which stored sizes are used is the settings rule (shell_test.cpp); here
// the window takes them, writes its own on close and falls back to 808 x 653.
TEST(WindowSize, PersistsAcrossRunsAndIgnoresSizesBeyondTheScreen) {
  {
    App app;
    HWND main = StartWithSettings(app, "[Init]\r\nCreated=x\r\nMainWindowWidth=900\r\nMainWindowHeight=700\r\n");
    ASSERT_NE(main, nullptr);
    SIZE size = OuterSize(main);
    EXPECT_EQ(size.cx, 900);
    EXPECT_EQ(size.cy, 700);
    MoveWindow(main, 10, 10, 1000, 720, TRUE);
    EXPECT_EQ(app.Close(), 0);
  }
  std::string settings = ReadSettingsFile();
  EXPECT_NE(settings.find("MainWindowWidth=1000"), std::string::npos) << settings;
  EXPECT_NE(settings.find("MainWindowHeight=720"), std::string::npos) << settings;

  App app;
  HWND main = StartWithSettings(app, "[Init]\r\nMainWindowWidth=5000\r\nMainWindowHeight=garbage\r\n");
  ASSERT_NE(main, nullptr);
  SIZE size = OuterSize(main);
  int excessX = GetSystemMetrics(SM_CXFRAME) - 4, excessY = GetSystemMetrics(SM_CYFRAME) - 4;
  EXPECT_EQ(size.cx, 808 + 2 * (excessX > 0 ? excessX : 0));
  EXPECT_EQ(size.cy, 653 + 2 * (excessY > 0 ? excessY : 0));
}

TEST(Terminal, UnaskedLinesAppearWholeWithPackedNumbersRendered) {
  ConnectedApp c;
  // Two lines and a blank one, in pieces 120 ms apart (several poll ticks), then
  // a line holding packed numbers, one cut off inside a packed number, and
  // lines around one that holds a zero byte.
  ASSERT_TRUE(c.StartLan({"--once",
                          "300=raw:VOLTS 1|wait:120|raw:.5\\r|wait:120|raw:\\n\\r\\nAMPS|wait:120|raw: 2\\r\\n"
                          "|wait:60|line:V=\\p{1234.5} I=\\p{-0.001} Z=\\p{0}|raw:END\\x8B\\r\\n"
                          "|wait:60|raw:first\\r\\nA\\0B\\r\\nsecond\\r\\nthird\\r\\n"}))
      << c.error;
  // A zero byte ends the text of its own line only.
  ASSERT_TRUE(c.WaitForPane("third")) << c.PaneText();
  EXPECT_EQ(c.PaneText(),
            "VOLTS 1.5\r\nAMPS 2\r\nV=1.23450E3 I=-1.00000E-3 Z=0.00000E0\r\nEND0.00000E0\r\n"
            "first\r\nA\r\nsecond\r\nthird\r\n");
}

}  // namespace
