// The firmware upgrade end to end against the virtual instrument over the
// LAN: a descriptor chosen in the open-file dialog, the report read from the
// rich-edit control, Accept, progress and log followed to "Finished", the
// instrument holding the new image and the link open again afterwards; the
// target question; a missing and a corrupt file each keeping Accept disabled;
// a loader that never answers.
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
#include "terminal.h"

using namespace e2e;
using qbtest::WaitFor;

namespace {

constexpr char kIdn[] = "QUARTZLINE,HXA1510,1234,1.07";

class UpgradeTest : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& extra = {}) {
    image_ = dir_ + "/image";
    qbtest::RunHost({"/bin/mkdir", image_});
    std::vector<std::string> args = {"--idn", kIdn, "--loader-image", image_};
    args.insert(args.end(), extra.begin(), extra.end());
    std::string error;
    ASSERT_TRUE(c_.StartLan(args, &error)) << error;
  }
  // Instrument > Upgrade Firmware..., then the descriptor with this text.
  void Choose(const std::string& descriptor) {
    std::string host = dir_ + "/set.upg";
    ASSERT_TRUE(qbtest::WriteHostFile(host, descriptor));
    MenuCommand(c_.app.Main(), CMD_UPGRADE_FIRMWARE);
    ASSERT_TRUE(qbtest::ChooseInFileDialog(c_.app.Pid(), "Select Firmware Upgrade File", qbtest::LocalPath(host)));
  }
  HWND FilesList() { return WaitForWindow(c_.app.Pid(), "#32770", "Firmware Files List", 30000); }

  std::string dir_ = qbtest::MakeScratchDir("e2e-upgrade");
  std::string image_;
  ConnectedApp c_;
};

TEST_F(UpgradeTest, ADescriptorIsReportedAcceptedAndProgrammed) {
  Start();
  ASSERT_TRUE(qbtest::MakeHexImage(dir_ + "/dsp_v2.hex", 4000, 21));
  ASSERT_TRUE(qbtest::MakeHexImage(dir_ + "/main_v2.hex", 70000, 22));
  Choose("TARGET,HXA1510\r\nLOAD,2,DSP_V2.HEX\r\nLOAD,0,MAIN_V2.HEX\r\n");
  HWND list = FilesList();
  ASSERT_NE(list, nullptr);
  std::string report = ControlText(list, IDC_UPGRADE_REPORT);
  for (const char* part : {"Proposed Operation", "Instrument: QUARTZLINE,HXA1510,1234,1.07", "Target: HXA1510",
                           "Erase Sectors: 2,0,", "File Sector Filename", "dsp_v2.hex", "main_v2.hex"}) {
    EXPECT_NE(report.find(part), std::string::npos) << part << " in " << report;
  }
  EXPECT_TRUE(IsEnabled(GetDlgItem(list, IDC_UPGRADE_ACCEPT)));
  Screenshot("upgrade-files-list");
  ClickButton(list, IDC_UPGRADE_ACCEPT);

  HWND upgrade = WaitForWindow(c_.app.Pid(), "#32770", "Upgrade Firmware");
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
  EXPECT_EQ(qbtest::HexRecords(image_ + "/sector2.hex"), qbtest::HexRecords(dir_ + "/dsp_v2.hex"));
  EXPECT_EQ(qbtest::HexRecords(image_ + "/sector0.hex"), qbtest::HexRecords(dir_ + "/main_v2.hex"));
  // The link was opened again, and the poll reads it again.
  c_.SendLine("*IDN?");
  EXPECT_TRUE(c_.WaitForPane(std::string(kIdn) + "\r\n")) << c_.PaneText();
}

TEST_F(UpgradeTest, AnotherTargetIsQuestionedAndNoEndsTheCommand) {
  Start();
  ASSERT_TRUE(qbtest::MakeHexImage(dir_ + "/a.hex", 300, 23));
  Choose("TARGET,ztq1200\r\nLOAD,0,A.HEX\r\n");
  MessageBoxInfo box;
  ASSERT_TRUE(WaitForMessageBox(c_.app.Pid(), box, 30000));
  EXPECT_EQ(box.text,
            "The upgrade file is for a ZTQ1200. You are connected to a HXA1510\n\nDo you want to continue?\n");
  EXPECT_EQ(box.caption, "Vantor");
  Screenshot("upgrade-target-question");
  ASSERT_TRUE(AnswerMessageBox(box, IDNO));
  qbtest::SleepMs(500);
  EXPECT_EQ(WaitForWindow(c_.app.Pid(), "#32770", "Firmware Files List", 300), nullptr);
  EXPECT_FALSE(MessageBoxShowing(c_.app.Pid()));
}

TEST_F(UpgradeTest, AMissingOrCorruptFileIsRedAndAcceptStaysDisabled) {
  Start();
  ASSERT_TRUE(qbtest::WriteHostFile(dir_ + "/bad.hex", ":0400000001020304F2\n:0400040005060708DD\n:00000001FF\n"));
  struct Case {
    const char* descriptor;
    const char* shown;
  } cases[] = {{"LOAD,1,MISSING.HEX\r\n", "missing.hex"}, {"LOAD,1,BAD.HEX\r\n", "line 2: checksum mismatch"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.descriptor);
    Choose(c.descriptor);
    HWND list = FilesList();
    ASSERT_NE(list, nullptr);
    EXPECT_NE(ControlText(list, IDC_UPGRADE_REPORT).find(c.shown), std::string::npos)
        << ControlText(list, IDC_UPGRADE_REPORT);
    EXPECT_FALSE(IsEnabled(GetDlgItem(list, IDC_UPGRADE_ACCEPT)));
    Screenshot(std::string("upgrade-refused-") + (c.shown[0] == 'm' ? "missing" : "corrupt"));
    ClickButton(list, IDC_UPGRADE_ACCEPT);  // refused while disabled
    qbtest::SleepMs(300);
    EXPECT_TRUE(IsWindow(list));
    ClickButton(list, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(list));
  }
  EXPECT_EQ(qbtest::ReadHostFile(image_ + "/events.txt"), "");
}

TEST_F(UpgradeTest, ALoaderThatNeverAnswersEndsInFinishedWithTheInitError) {
  Start({"--loader-fault", "silent"});
  ASSERT_TRUE(qbtest::MakeHexImage(dir_ + "/a.hex", 300, 24));
  Choose("LOAD,0,A.HEX\r\n");
  HWND list = FilesList();
  ASSERT_NE(list, nullptr);
  ClickButton(list, IDC_UPGRADE_ACCEPT);
  HWND upgrade = WaitForWindow(c_.app.Pid(), "#32770", "Upgrade Firmware");
  ASSERT_NE(upgrade, nullptr);
  // Two init attempts, each given the link's 5-second read time-out.
  ClickButton(upgrade, IDCANCEL);  // ignored while the worker runs
  ASSERT_TRUE(WaitFor([&] { return ControlText(upgrade, IDCANCEL) == "Finished"; }, 40000));
  EXPECT_EQ(ControlText(upgrade, IDC_UPGRADE_LOG), "ERROR: Instrument failed to initialise\r\n");
  EXPECT_EQ(ControlText(upgrade, IDC_UPGRADE_STATUS), "Initialising Instrument");
  EXPECT_EQ(qbtest::ReadHostFile(image_ + "/events.txt"), "wake\ninit\ninit\n");
  Screenshot("upgrade-loader-silent");
  ClickButton(upgrade, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(upgrade));
}

}  // namespace
