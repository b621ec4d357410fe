// The Upgrade Firmware command's flow against the virtual instrument over TCP,
// with stand-ins for its three windows and for the message boxes: every way
// the command can end, the questions it asks and their texts, the report it
// shows, what reaches the instrument after Accept, the link opened again
// after a LAN upgrade, and PollingEnabled restored on every path.
#include "upgrade/upgrade_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ui_seam.h"
#include "connection/identification.h"
#include "link/instrument_link.h"
#include "support/hex_images.h"
#include "support/host.h"
#include "support/link_harness.h"

using namespace qbtest;
using qb::UpgradeOutcome;

namespace {

struct Box {
  std::string text, caption;
  unsigned flags;
};

// What the stand-in windows and message boxes do and saw.
struct Scene {
  std::string chosen;  // "" cancels the file dialog
  int listButton = qb::kAcceptButton;
  std::vector<int> answers;  // to the message boxes, in order; then No
  std::vector<Box> boxes;
  std::string report;
  bool reportProblem = false;
  int jobCount = -1;
  bool ranUpgrade = false;
  bool pollingSeen = true;  // PollingEnabled as the windows saw it
  qb::InstrumentLink* link = nullptr;
};
Scene* Current = nullptr;

int AnswerBox(void*, const char* text, const char* caption, unsigned flags) {
  Current->boxes.push_back({text, caption, flags});
  if (Current->answers.empty()) return qb::kIdNo;
  int answer = Current->answers.front();
  Current->answers.erase(Current->answers.begin());
  return answer;
}
void* NoCursor() {
  return nullptr;
}
void KeepCursor(void*) {}
const qb::UiSeam kSeam = {AnswerBox, NoCursor, KeepCursor};

bool ChooseFile(void*, std::string& path) {
  Current->pollingSeen = Current->pollingSeen && !Current->link->PollingEnabled;
  path = Current->chosen;
  return !path.empty();
}
int ShowFilesList(void*, const std::string& report, bool problem) {
  Current->pollingSeen = Current->pollingSeen && !Current->link->PollingEnabled;
  Current->report = report;
  Current->reportProblem = problem;
  return Current->listButton;
}
void RunUpgrade(void*, qb::UpgradeJob& job) {
  Current->pollingSeen = Current->pollingSeen && !Current->link->PollingEnabled;
  Current->ranUpgrade = true;
  Current->jobCount = job.count;
  struct Quiet : qb::JobReporter {
    void Status(const std::string&) override {}
  } reporter;
  job.waits = {20, 50, 20, 20};
  qb::UpgradeThread(job, Current->link, reporter);
}
const qb::UpgradeViews kViews = {ChooseFile, ShowFilesList, RunUpgrade};

class UpgradeCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeScratchDir("cmd");
    image_ = dir_ + "/image";
    RunHost({"/bin/mkdir", image_});
    previousSeam_ = qb::SetUiSeam(&kSeam);
    Current = &scene_;
    scene_.link = &link_;
  }
  void TearDown() override {
    qb::SetUiSeam(previousSeam_);
    Current = nullptr;
    qb::LinkControl(qb::LINK_CLOSE, &link_);
  }
  // A connected LAN link to a simulator with that identification.
  void Connect(const std::string& idn = "QUARTZLINE,HXA1510,1234,1.07") {
    std::string error;
    ASSERT_TRUE(StartLanSim(sim_, link_, {"--idn", idn, "--loader-image", image_}, &error)) << error;
    link_.ConnectedFlag = qb::IdentifyInstrument(nullptr, &link_, false, 0);
    ASSERT_TRUE(link_.ConnectedFlag);
    link_.PollingEnabled = true;
  }
  std::string Hex(const std::string& name, unsigned seed) {
    EXPECT_TRUE(MakeHexImage(dir_ + "/" + name, 500, seed));
    return dir_ + "/" + name;
  }
  std::string Descriptor(const std::string& text, const std::string& name = "set.upg") {
    EXPECT_TRUE(WriteHostFile(dir_ + "/" + name, text));
    return dir_ + "/" + name;
  }
  UpgradeOutcome Run() {
    UpgradeOutcome outcome = qb::RunUpgradeFirmwareCommand(nullptr, &link_, kViews);
    EXPECT_TRUE(link_.PollingEnabled) << "PollingEnabled not restored";
    EXPECT_TRUE(scene_.pollingSeen) << "PollingEnabled set while a window was open";
    return outcome;
  }

  std::string dir_, image_;
  SimProcess sim_;
  qb::InstrumentLink link_ = qb::MakeClosedLink();
  Scene scene_;
  const qb::UiSeam* previousSeam_ = nullptr;
};

TEST_F(UpgradeCommand, EndsEarlyWithTheRightMessageOnEveryPath) {
  Connect();
  std::string fifty;
  for (int i = 0; i < 50; ++i) fifty += "LOAD,0,A.HEX\n";
  struct Case {
    const char* name;
    std::string chosen;
    UpgradeOutcome outcome;
    std::vector<std::string> boxes;
  } cases[] = {
      {"cancel", "", UpgradeOutcome::Cancelled, {}},
      {"not a main file",
       dir_ + "/readme.hex",
       UpgradeOutcome::NoFileSet,
       {"Please choose the main hex file for the Instrument to upgrade"}},
      {"no load lines",
       Descriptor("TARGET,HXA\n; nothing\n", "empty.upg"),
       UpgradeOutcome::NoFileSet,
       {"No valid load lines found in the upgrade descriptor file"}},
      {"other extension",
       dir_ + "/set.txt",
       UpgradeOutcome::NoFileSet,
       {"No valid load lines found in the upgrade descriptor file"}},
      {"table full",
       Descriptor(fifty, "fifty.UPG"),
       UpgradeOutcome::NoFileSet,
       {"The upgrade descriptor file has more load lines than an upgrade can take (at most 49)"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    scene_.boxes.clear();
    scene_.chosen = c.chosen;
    EXPECT_EQ(Run(), c.outcome);
    ASSERT_EQ(scene_.boxes.size(), c.boxes.size());
    for (size_t i = 0; i < c.boxes.size(); ++i) {
      EXPECT_EQ(scene_.boxes[i].text, c.boxes[i]);
      EXPECT_EQ(scene_.boxes[i].caption, "Upgrade Firmware");
    }
    EXPECT_TRUE(link_.ConnectedFlag);
    EXPECT_FALSE(scene_.ranUpgrade);
  }
}

TEST_F(UpgradeCommand, WithoutAnInstrumentItAsksAndNoEndsWithTheLinkOpenedAgain) {
  Connect("SOMEONE,ELSE,1,1");  // answers, but is not recognised
  scene_.chosen = Descriptor("LOAD,0,A.HEX\n");
  EXPECT_EQ(Run(), UpgradeOutcome::NotContinued);
  ASSERT_EQ(scene_.boxes.size(), 1u);
  EXPECT_EQ(scene_.boxes[0].text, "No instrument was detected.\n\nDo you want to try and continue with the upgrade");
  EXPECT_EQ(scene_.boxes[0].caption, "Vantor");
  EXPECT_EQ(scene_.boxes[0].flags, 0x24u);
  EXPECT_TRUE(link_.ConnectedFlag);

  // Yes, but the instrument has gone: only the link's own message.
  sim_.Stop();
  scene_.boxes.clear();
  scene_.answers = {qb::kIdYes};
  link_.ConnectedFlag = false;
  EXPECT_EQ(Run(), UpgradeOutcome::LinkNotOpened);
  ASSERT_EQ(scene_.boxes.size(), 2u);
  EXPECT_EQ(scene_.boxes[1].text, std::string("Failed to connect to IP address ") + link_.ipAddress);
  EXPECT_FALSE(link_.ConnectedFlag);
}

TEST_F(UpgradeCommand, TheTargetMustBeginTheModelOrTheUserIsAsked) {
  Connect();
  Hex("A.HEX", 1);
  struct Case {
    const char* target;
    bool asked;
  } cases[] = {{"hxa15", false}, {"HXA1510", false}, {"ZTQ", true}, {"HXA15100", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    scene_.boxes.clear();
    scene_.listButton = 2;
    scene_.chosen = Descriptor(std::string("TARGET,") + c.target + "\nLOAD,0,A.HEX\n");
    EXPECT_EQ(Run(), c.asked ? UpgradeOutcome::WrongInstrument : UpgradeOutcome::NotAccepted);
    ASSERT_EQ(scene_.boxes.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      std::string upper = c.target;
      EXPECT_EQ(scene_.boxes[0].text, "The upgrade file is for a " + upper +
                                          ". You are connected to a HXA1510\n\nDo you want to continue?\n");
      EXPECT_EQ(scene_.boxes[0].flags, 0x34u);
    }
  }
}

TEST_F(UpgradeCommand, AMissingFileKeepsTheUpgradeFromStartingEvenIfAccepted) {
  Connect();
  Hex("A.HEX", 2);
  scene_.chosen = Descriptor("LOAD,0,A.HEX\nLOAD,1,NOPE.HEX\n");
  EXPECT_EQ(Run(), UpgradeOutcome::NotAccepted);
  EXPECT_TRUE(scene_.reportProblem);
  EXPECT_NE(scene_.report.find("\\cf3 nope.hex"), std::string::npos);
  EXPECT_FALSE(scene_.ranUpgrade);
}

TEST_F(UpgradeCommand, AnAcceptedSetReachesTheInstrumentWithoutTheRecordsOutOfItsRange) {
  Connect();
  Hex("dsp.hex", 3), Hex("other.hex", 4), Hex("main.hex", 5);
  scene_.chosen = Descriptor(
      "TARGET,HXA1510\nLOAD,2,DSP.HEX\nSERIAL,1,1,1000\nLOAD,1,OTHER.HEX\nSERIAL,1,1000,1999\nLOAD,0,MAIN.HEX\n");
  EXPECT_EQ(Run(), UpgradeOutcome::Transferred);
  EXPECT_FALSE(scene_.reportProblem);
  EXPECT_EQ(scene_.jobCount, 2);
  EXPECT_EQ(scene_.report.find("other.hex"), std::string::npos);
  EXPECT_NE(scene_.report.find("\\cf0 3    0      \\cf0 main.hex"), std::string::npos);
  // What the job sends is UpgradeTransfer's; here the record out of range stays out.
  EXPECT_EQ(ReadHostFile(image_ + "/events.txt"), "wake\ninit\nerase 2\nerase 0\nrestart\nfinal\n");
  EXPECT_FALSE(HostFileExists(image_ + "/sector1.hex"));
  // A LAN link is opened again after the instrument restarted.
  EXPECT_TRUE(link_.ConnectedFlag);
  EXPECT_TRUE(sim_.WaitForNote("connected"));
  size_t connections = 0;
  for (const auto& r : sim_.Transcript()) connections += r.dir == "note" && r.bytes == "connected";
  EXPECT_EQ(connections, 4u);  // connect, check, connect again, after the restart
  std::string reply = ExchangeReply(link_, "*IDN?\n", 0);
  EXPECT_EQ(reply, "QUARTZLINE,HXA1510,1234,1.07");
}

}  // namespace
