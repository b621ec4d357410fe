// End to end: every dialog of the connected program closes each way a user
// closes one: its Close (or Cancel, OK) button clicked, Escape pressed, and
// the close box. The button is pressed through the button itself (BM_CLICK),
// not by a command sent to the dialog, so the control's own path is covered.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "resources/resource.h"
#include "support/store_seed.h"

using namespace e2e;

namespace {

enum class Way { Button, Escape, CloseBox };

TEST(DialogClose, EveryDialogClosesByItsButtonEscapeAndTheCloseBox) {
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({"--model", "ztq", "--stores", qbtest::SeedStores("Bridge")})) << c.error;
  const struct {
    int command;
    const char* title;
    int button;
  } dialogs[] = {
      {CMD_ABOUT, "About Vantor", IDOK},
      {CMD_PROGRAM_MANAGEMENT, "Programs", IDOK},
      {CMD_DOWNLOAD_RESULTS, "Download Results", IDCANCEL},
      {CMD_SCREEN_CAPTURE, "Screen Capture", IDCANCEL},
  };
  const struct {
    Way way;
    const char* name;
  } ways[] = {{Way::Button, "button"}, {Way::Escape, "Escape"}, {Way::CloseBox, "close box"}};
  for (const auto& d : dialogs) {
    for (const auto& w : ways) {
      SCOPED_TRACE(std::string(d.title) + " by " + w.name);
      MenuCommand(c.app.Main(), d.command);
      HWND dialog = c.Dialog(d.title);
      ASSERT_TRUE(dialog);
      HWND button = GetDlgItem(dialog, d.button);
      ASSERT_TRUE(button && IsEnabled(button));
      switch (w.way) {
        case Way::Button:
          PostMessageA(button, BM_CLICK, 0, 0);
          break;
        case Way::Escape:
          PostKey(button, VK_ESCAPE);
          break;
        case Way::CloseBox:
          PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
          break;
      }
      bool gone = WaitForWindowGone(dialog);
      EXPECT_TRUE(gone);
      if (!gone) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(d.button, BN_CLICKED), 0);
      ASSERT_TRUE(WaitForWindowGone(dialog));
    }
  }
}

}  // namespace
