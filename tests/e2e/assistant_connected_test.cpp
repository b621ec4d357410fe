// The command assistant as a user meets it: connected to an HXA instrument the
// keys come through the program's message loop (which turns Tab into
// MSG_COMPLETE_KEY), a completed line goes to the instrument as shown, and a
// disconnect leaves nothing offered. The key sequences themselves are the
// unit tests' (command_assistant_test.cpp), where the three lines stand the
// layout tests' (control_layout_test.cpp).
#include <gtest/gtest.h>

#include "harness.h"
#include "resources/resource.h"
#include "support/host.h"

using namespace e2e;
using qbtest::TranscriptBytes;
using qbtest::WaitFor;

namespace {

bool WaitShown(HWND line, const std::string& expected) {
  return WaitFor([&] { return TextWithSelection(line) == expected; }, kWait);
}

TEST(AssistantConnected, AnHxaInstrumentGetsCompletionsAndTheCompletedLineIsSent) {
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({"--model", "hxa"})) << c.error;
  HWND line = c.Control(IDC_COMMAND_LINE);
  EXPECT_TRUE(IsShown(c.Control(IDC_ASSIST_LINE_MIDDLE)));
  SendMessageA(line, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));

  TypeText(line, "harm");
  EXPECT_EQ(TextWithSelection(line), "harm[on]");
  EXPECT_EQ(ControlText(c.app.Main(), IDC_ASSIST_LINE_TOP), "harmon");
  EXPECT_NE(ControlText(c.app.Main(), IDC_ASSIST_LINE_MIDDLE).find("HARMON command"), std::string::npos);
  EXPECT_FALSE(ControlText(c.app.Main(), IDC_ASSIST_LINE_BOTTOM).empty());
  // The typical use: Up for the form with its commas, Tab into slot 1, "s"
  // for series, Tab on to slot 2.
  PostKey(line, VK_UP);
  ASSERT_TRUE(WaitShown(line, "harm[on,,,]")) << TextWithSelection(line);
  PostKey(line, VK_TAB);
  ASSERT_TRUE(WaitShown(line, "harmon,[thdd],,")) << TextWithSelection(line);
  TypeText(line, "s");
  EXPECT_EQ(TextWithSelection(line), "harmon,s[eries],,");
  PostKey(line, VK_TAB);
  ASSERT_TRUE(WaitShown(line, "harmon,series,|,")) << TextWithSelection(line);
  EXPECT_EQ(ControlText(c.app.Main(), IDC_ASSIST_LINE_MIDDLE), "Individual harmonic number");
  Screenshot("assistant-connected-hxa");

  PressEnter(line);
  ASSERT_TRUE(c.WaitForPane("> harmon,series,,\r\n")) << c.PaneText();
  EXPECT_TRUE(c.sim.WaitForReceived(std::string("harmon,series,,\n\0\r\0", 19)));

  MenuCommand(c.app.Main(), CMD_DISCONNECT);
  EXPECT_TRUE(WaitFor([&] { return !IsShown(c.Control(IDC_ASSIST_LINE_MIDDLE)); }, 3000));
  SendMessageA(line, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  TypeText(line, "harm");
  EXPECT_EQ(TextWithSelection(line), "harm|");
}

}  // namespace
