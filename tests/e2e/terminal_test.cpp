// The terminal end to end: first run and the settings file, connecting over
// LAN and serial, typing commands, the history, recall from the pane, Clear,
// Test and Save as Default, and the window size across runs.
#include "terminal.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "harness.h"
#include "resources/resource.h"
#include "support/host.h"

using namespace e2e;
using qbtest::TranscriptBytes;
using qbtest::WaitFor;

namespace {

std::string ReadSettingsFile() {
  FILE* f = fopen(SettingsFilePath().c_str(), "rb");
  if (!f) return "";
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  fclose(f);
  return text;
}

bool InstrumentItemsGrayed(HWND main, bool grayed) {
  int matching = 0;
  for (const MenuItem& item : ReadMenu(main)) {
    if (item.popup == "&Instrument" && item.grayed == grayed) ++matching;
  }
  return matching == 6;  // upgrade, capture, results, programs, trend, sweep
}

TEST(FirstRun, OpensConnectCreatesTheSettingsFileAndCancelFails) {
  ForgetSettings();
  App app;
  ASSERT_TRUE(app.Start());
  ASSERT_NE(app.WaitForMainWindow(), nullptr);
  HWND dialog = WaitForConnectDialog(app.Pid());
  ASSERT_NE(dialog, nullptr) << "the Connect dialog did not open by itself";

  std::string settings = ReadSettingsFile();
  EXPECT_EQ(settings.find("[Init]"), 0u) << settings;
  EXPECT_NE(settings.find("Created="), std::string::npos) << settings;
  EXPECT_EQ(settings.find("[Connect]"), std::string::npos) << settings;
  // Nothing stored: no interface chosen, the COM and baud lists show.
  EXPECT_EQ(ListSelection(dialog, IDC_INTERFACE), "");
  EXPECT_TRUE(IsShown(GetDlgItem(dialog, IDC_COM_PORT)));
  EXPECT_FALSE(IsShown(GetDlgItem(dialog, IDC_IP_ADDRESS)));
  EXPECT_EQ(ListEntries(dialog, IDC_INTERFACE), (std::vector<std::string>{"USB", "LAN", "Serial"}));
  EXPECT_EQ(ListEntries(dialog, IDC_BAUD_RATE),
            (std::vector<std::string>{"1200", "2400", "4800", "9600", "19200", "38400"}));

  ClickButton(dialog, IDCANCEL);
  EXPECT_EQ(AnswerNextBox(app.Pid()), "Connection: Connection Failed");
  EXPECT_TRUE(InstrumentItemsGrayed(app.Main(), true));
  EXPECT_FALSE(IsEnabled(GetDlgItem(app.Main(), IDC_COMMAND_LINE)));
  EXPECT_EQ(app.Close(), 0);
}

TEST(Connect, OverLanSendsTypedLinesAndShowsTheReplies) {
  ConnectedApp c;
  std::string error;
  ASSERT_TRUE(c.StartLan({"--idn", "QUARTZLINE,HXA1510,0,1.07"}, &error)) << error;
  EXPECT_TRUE(IsEnabled(c.Control(IDC_COMMAND_LINE)));
  EXPECT_TRUE(IsEnabled(c.Control(IDC_RESULTS_PANE)));
  EXPECT_TRUE(InstrumentItemsGrayed(c.app.Main(), false));

  c.SendLine("*IDN?");
  ASSERT_TRUE(c.WaitForPane("QUARTZLINE,HXA1510,0,1.07\r\n")) << c.PaneText();
  EXPECT_EQ(c.PaneText(), "> *IDN?\r\nQUARTZLINE,HXA1510,0,1.07\r\n");
  // The line leaves as the command, a line feed and, separately, a carriage
  // return, each followed by the zero byte of the LAN framing.
  std::string sent = TranscriptBytes(c.sim.Transcript(), "in", "tcp");
  EXPECT_NE(sent.find(std::string("*IDN?\n\0\r\0", 9)), std::string::npos);
  // The sent text stays in the command line, selected.
  EXPECT_EQ(TextOf(c.Control(IDC_COMMAND_LINE)), "*IDN?");
  Screenshot("terminal-connected-lan");
}

TEST(Connect, OverSerialListsTheMappedPortAndUsbForcesItsRate) {
  ConnectedApp c;
  std::string error;
  ASSERT_TRUE(c.StartSerial({}, 9, "USB", &error)) << error;
  c.SendLine("*IDN?");
  ASSERT_TRUE(c.WaitForPane("QUARTZLINE,HXA1510")) << c.PaneText();
  std::string sent = TranscriptBytes(c.sim.Transcript(), "in", "pty");
  EXPECT_EQ(sent.substr(sent.find("*IDN?\n\r")), "*IDN?\n\r");  // no zero bytes over serial
}

TEST(Terminal, HistoryRecallAndClear) {
  ConnectedApp c;
  std::string error;
  ASSERT_TRUE(c.StartLan({}, &error)) << error;
  HWND line = c.Control(IDC_COMMAND_LINE);
  for (const char* command : {"ONE?", "TWO?", "THREE?"}) {
    c.SendLine(command);
    ASSERT_TRUE(c.WaitForPane(std::string("> ") + command));
  }
  auto up = [&] {
    std::string before = TextOf(line);
    PostKey(line, VK_UP);
    WaitFor([&] { return TextOf(line) != before; }, 2000);
    return TextOf(line);
  };
  auto down = [&] {
    std::string before = TextOf(line);
    PostKey(line, VK_DOWN);
    WaitFor([&] { return TextOf(line) != before; }, 2000);
    return TextOf(line);
  };
  EXPECT_EQ(up(), "TWO?");
  EXPECT_EQ(up(), "ONE?");
  EXPECT_EQ(up(), "THREE?");
  EXPECT_EQ(down(), "ONE?");

  // A click on an echo line puts its command back into the command line.
  HWND pane = c.Control(IDC_RESULTS_PANE);
  std::string text = c.PaneText();
  LRESULT pos = SendMessageA(pane, EM_POSFROMCHAR, text.find("> TWO?") + 3, 0);
  LPARAM at = MAKELPARAM(LOWORD(pos) + 2, HIWORD(pos) + 2);
  PostMessageA(pane, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(pane, WM_LBUTTONUP, 0, at);
  EXPECT_TRUE(WaitFor([&] { return TextOf(line) == "TWO?"; }, 3000)) << TextOf(line);

  MenuCommand(c.app.Main(), CMD_CLEAR_RESULTS);
  EXPECT_TRUE(WaitFor([&] { return c.PaneText().empty(); }, 3000));
}

}  // namespace

namespace {

// Starts the program with no stored settings and returns its Connect dialog
// set to LAN and the simulator's address.
HWND LanDialog(App& app, const std::string& address) {
  ForgetSettings();
  if (!app.Start() || !app.WaitForMainWindow()) return nullptr;
  HWND dialog = WaitForConnectDialog(app.Pid());
  if (!dialog || !ChooseInList(dialog, IDC_INTERFACE, "LAN")) return nullptr;
  SetControlText(dialog, IDC_IP_ADDRESS, address);
  return dialog;
}

TEST(ConnectDialog, TestReportsTheReplyAndAKnownMakerWithUnknownModelTwice) {
  qbtest::SimProcess hxa, krv;
  std::string a = qbtest::LoopbackAddress(), b = qbtest::LoopbackAddress();
  ASSERT_TRUE(hxa.Start({"--tcp", a + ":10001", "--idn", "QUARTZLINE,HXA2600,1,2.0"}));
  ASSERT_TRUE(krv.Start({"--tcp", b + ":10001", "--idn", "QUARTZLINE,KRV18,3,1.0"}));
  App app;
  HWND dialog = LanDialog(app, a);
  ASSERT_NE(dialog, nullptr);

  ClickButton(dialog, IDC_TEST);
  EXPECT_EQ(AnswerNextBox(app.Pid()),
            "Test Connection: The connection was successful\nQUARTZLINE,HXA2600,1,2.0 (icon)");

  SetControlText(dialog, IDC_IP_ADDRESS, b);
  ClickButton(dialog, IDC_TEST);
  EXPECT_EQ(AnswerNextBox(app.Pid()), "Test Connection: The connection failedQUARTZLINE,KRV18,3,1.0 (icon)");
  EXPECT_EQ(AnswerNextBox(app.Pid()), "Test Connection: The connection failed (icon)");
  // The dialog stays open after a test.
  EXPECT_TRUE(IsWindow(dialog));

  // Settings that are not complete are named before anything is tried.
  SetControlText(dialog, IDC_IP_ADDRESS, "");
  ClickButton(dialog, IDC_TEST);
  EXPECT_EQ(AnswerNextBox(app.Pid()), "Test Connection: Please enter an IP address (icon)");
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

TEST(ConnectDialog, SaveAsDefaultStoresTheFourKeysAndTheNextStartUsesThem) {
  qbtest::SimProcess sim;
  ASSERT_TRUE(sim.Start({"--no-tcp", "--pty"}));
  ASSERT_TRUE(MapComPort(7, sim.PtyPath()));
  std::string address = qbtest::LoopbackAddress();
  {
    App app;
    ForgetSettings();
    ASSERT_TRUE(app.Start());
    ASSERT_NE(app.WaitForMainWindow(), nullptr);
    HWND dialog = WaitForConnectDialog(app.Pid());
    ASSERT_NE(dialog, nullptr);
    std::vector<std::string> ports = ListEntries(dialog, IDC_COM_PORT);
    EXPECT_NE(std::find(ports.begin(), ports.end(), "COM7"), ports.end());
    ASSERT_TRUE(ChooseInList(dialog, IDC_INTERFACE, "Serial"));
    EXPECT_TRUE(IsEnabled(GetDlgItem(dialog, IDC_BAUD_RATE)));
    ASSERT_TRUE(ChooseInList(dialog, IDC_COM_PORT, "COM7"));
    ASSERT_TRUE(ChooseInList(dialog, IDC_BAUD_RATE, "9600"));
    Screenshot("connect-dialog-serial");
    ASSERT_TRUE(ChooseInList(dialog, IDC_INTERFACE, "USB"));
    EXPECT_TRUE(IsShown(GetDlgItem(dialog, IDC_BAUD_RATE)));
    EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, IDC_BAUD_RATE)));
    Screenshot("connect-dialog-usb");
    ASSERT_TRUE(ChooseInList(dialog, IDC_INTERFACE, "LAN"));
    EXPECT_EQ(ControlText(dialog, IDC_PORT_LABEL), "IP Address:");
    EXPECT_FALSE(IsShown(GetDlgItem(dialog, IDC_COM_PORT)));
    EXPECT_TRUE(IsShown(GetDlgItem(dialog, IDC_LAN_SEARCH)));
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
  UnmapComPort(7);
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

TEST(WindowSize, PersistsAcrossRunsAndIgnoresSizesBeyondTheScreen) {
  {
    App app;
    HWND main = StartWithSettings(app, "[Init]\r\nCreated=x\r\nMainWindowWidth=900\r\nMainWindowHeight=700\r\n");
    ASSERT_NE(main, nullptr);
    SIZE size = OuterSize(main);
    EXPECT_EQ(size.cx, 900);
    EXPECT_EQ(size.cy, 700);
    // The controls follow the stored size: the pane keeps its margins.
    RECT pane, client;
    GetWindowRect(GetDlgItem(main, IDC_RESULTS_PANE), &pane);
    GetClientRect(main, &client);
    EXPECT_EQ(pane.right - pane.left, client.right - 12);
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

}  // namespace

namespace {

TEST(Terminal, UnaskedLinesAppearWholeWithPackedNumbersRendered) {
  ConnectedApp c;
  std::string error;
  // Two lines and a blank one, in pieces 120 ms apart (several poll ticks), then
  // a line holding packed numbers, one cut off inside a packed number, and
  // lines around one that holds a zero byte.
  ASSERT_TRUE(c.StartLan({"--once",
                          "300=raw:VOLTS 1|wait:120|raw:.5\\r|wait:120|raw:\\n\\r\\nAMPS|wait:120|raw: 2\\r\\n"
                          "|wait:60|line:V=\\p{1234.5} I=\\p{-0.001} Z=\\p{0}|raw:END\\x8B\\r\\n"
                          "|wait:60|raw:first\\r\\nA\\0B\\r\\nsecond\\r\\nthird\\r\\n"},
                         &error))
      << error;
  // A zero byte ends the text of its own line only.
  ASSERT_TRUE(c.WaitForPane("third")) << c.PaneText();
  EXPECT_EQ(c.PaneText(),
            "VOLTS 1.5\r\nAMPS 2\r\nV=1.23450E3 I=-1.00000E-3 Z=0.00000E0\r\nEND0.00000E0\r\n"
            "first\r\nA\r\nsecond\r\nthird\r\n");
}

}  // namespace

namespace {

TEST(About, ShowsNameVersionNoticeAndIcon) {
  ForgetSettings();
  App app;
  ASSERT_TRUE(app.Start());
  ASSERT_NE(app.WaitForMainWindow(), nullptr);
  ASSERT_TRUE(CancelStartupConnect(app));

  MenuCommand(app.Main(), CMD_ABOUT);
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

}  // namespace
