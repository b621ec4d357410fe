// The firmware upgrade end to end against the virtual instrument over the
// LAN: a descriptor chosen in the open-file dialog, the report read from the
// rich-edit control, Accept, progress and log followed to "Finished", the
// instrument holding the new image and the link open again afterwards; a
// missing file keeping Accept disabled. The report's text, the target
// question, what is programmed and every fault of the loader are the upgrade
// tests' (upgrade_report_test.cpp, upgrade_command_test.cpp,
// upgrade_transfer_test.cpp).
// windows.h must come before the common controls header.
#include <windows.h>
// clang-format off
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include "harness.h"
#include "resources/resource.h"
#include "support/file_dialog_win.h"
#include "support/hex_images.h"
#include "support/host.h"

using namespace e2e;
using qbtest::WaitFor;

namespace {

constexpr char kIdn[] = "QUARTZLINE,HXA1510,1234,1.07";

class UpgradeTest : public ::testing::Test {
 protected:
  void Start() {
    qbtest::RunHost({"/bin/mkdir", image_});
    ASSERT_TRUE(c_.StartLan({"--idn", kIdn, "--loader-image", image_})) << c_.error;
  }
  // Instrument > Upgrade Firmware..., then the descriptor with this text.
  void Choose(const std::string& descriptor) {
    std::string host = dir_ + "/set.upg";
    ASSERT_TRUE(qbtest::WriteHostFile(host, descriptor));
    MenuCommand(c_.app.Main(), CMD_UPGRADE_FIRMWARE);
    ASSERT_TRUE(qbtest::ChooseInFileDialog(c_.app.Pid(), "Select Firmware Upgrade File", qbtest::LocalPath(host)));
  }
  HWND FilesList() { return c_.Dialog("Firmware Files List", 30000); }

  std::string dir_ = qbtest::MakeScratchDir("e2e-upgrade");
  std::string image_ = dir_ + "/image";
  ConnectedApp c_;
};

TEST_F(UpgradeTest, AMissingFileKeepsAcceptDisabledAndASoundSetIsProgrammed) {
  Start();
  Choose("LOAD,1,MISSING.HEX\r\n");
  HWND list = FilesList();
  ASSERT_NE(list, nullptr);
  EXPECT_NE(ControlText(list, IDC_UPGRADE_REPORT).find("missing.hex"), std::string::npos)
      << ControlText(list, IDC_UPGRADE_REPORT);
  EXPECT_FALSE(IsEnabled(GetDlgItem(list, IDC_UPGRADE_ACCEPT)));
  Screenshot("upgrade-refused-missing");
  ClickButton(list, IDC_UPGRADE_ACCEPT);  // refused while disabled
  qbtest::SleepMs(300);
  EXPECT_TRUE(IsWindow(list));
  ClickButton(list, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(list));
  EXPECT_EQ(qbtest::ReadHostFile(image_ + "/events.txt"), "");

  ASSERT_TRUE(qbtest::MakeHexImage(dir_ + "/dsp_v2.hex", 4000, 21));
  ASSERT_TRUE(qbtest::MakeHexImage(dir_ + "/main_v2.hex", 70000, 22));
  Choose("TARGET,HXA1510\r\nLOAD,2,DSP_V2.HEX\r\nLOAD,0,MAIN_V2.HEX\r\n");
  list = FilesList();
  ASSERT_NE(list, nullptr);
  std::string report = ControlText(list, IDC_UPGRADE_REPORT);
  for (const char* part : {"Proposed Operation", "Instrument: QUARTZLINE,HXA1510,1234,1.07", "dsp_v2.hex"}) {
    EXPECT_NE(report.find(part), std::string::npos) << part << " in " << report;
  }
  EXPECT_TRUE(IsEnabled(GetDlgItem(list, IDC_UPGRADE_ACCEPT)));
  Screenshot("upgrade-files-list");
  ClickButton(list, IDC_UPGRADE_ACCEPT);

  HWND upgrade = c_.Dialog("Upgrade Firmware");
  ASSERT_NE(upgrade, nullptr);
  EXPECT_FALSE(IsEnabled(GetDlgItem(upgrade, IDCANCEL)));
  ASSERT_TRUE(WaitFor([&] { return ControlText(upgrade, IDCANCEL) == "Finished"; }, 60000))
      << ControlText(upgrade, IDC_UPGRADE_LOG);
  EXPECT_EQ(ControlText(upgrade, IDC_UPGRADE_LOG),
            "Instrument initialised OK\r\nAll sectors erased OK\r\nFirmware sent OK\r\n");
  EXPECT_EQ(ControlText(upgrade, IDC_UPGRADE_STATUS), "Finished");
  EXPECT_EQ(SendDlgItemMessageA(upgrade, IDC_UPGRADE_PROGRESS, PBM_GETPOS, 0, 0), 100);
  EXPECT_TRUE(IsEnabled(GetDlgItem(upgrade, IDCANCEL)));
  Screenshot("upgrade-finished");
  ClickButton(upgrade, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(upgrade));
  EXPECT_EQ(qbtest::ReadHostFile(image_ + "/events.txt"), "wake\ninit\nerase 2\nerase 0\nrestart\nfinal\n");
  // The link was opened again, and the poll reads it again.
  c_.SendLine("*IDN?");
  EXPECT_TRUE(c_.WaitForPane(std::string(kIdn) + "\r\n")) << c_.PaneText();
}

}  // namespace
