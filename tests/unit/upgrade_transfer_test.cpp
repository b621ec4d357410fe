// The firmware transfer against the virtual instrument's loader, over TCP
// loopback and over a pseudo-terminal: the order of erases, one erase per
// shared sector, each record's bytes on the wire, retries, a loader that
// never answers or refuses, a file that went away after the report, a link
// dropped mid-file, and after every successful run the image the loader
// holds compared with the files.
#include "upgrade/upgrade_transfer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/job_reporter.h"
#include "link/instrument_link.h"
#include "link/tcp.h"
#include "support/hex_images.h"
#include "support/host.h"
#include "support/job_recorder.h"
#include "support/link_harness.h"
#include "upgrade/upgrade_descriptor.h"

using namespace qbtest;
using qb::LoadRecord;

namespace {

// Joins the records of files as one list.
std::vector<std::string> RecordsOf(const std::vector<std::string>& paths) {
  std::vector<std::string> all;
  for (const std::string& p : paths) {
    std::vector<std::string> r = HexRecords(p);
    all.insert(all.end(), r.begin(), r.end());
  }
  return all;
}

class UpgradeTransfer : public OverBothTransports {
 protected:
  void SetUp() override {
    dir_ = MakeScratchDir("xfer");
    image_ = dir_ + "/image";
    RunHost({"/bin/mkdir", image_});
  }
  void Start(std::vector<std::string> args, int readTimeoutMs = 2000) {
    args.insert(args.end(), {"--loader-image", image_});
    Open(args);
    qb::SetReadTimeout(readTimeoutMs, &link_);
  }
  // A record of the set for a file made by srec_cat.
  LoadRecord Record(const std::string& name, int sector, size_t size, unsigned seed) {
    std::string path = dir_ + "/" + name;
    EXPECT_TRUE(MakeHexImage(path, size, seed));
    LoadRecord r;
    r.sector = sector;
    r.found = qb::FindFileInfo(path, r.info, &r.path);
    return r;
  }
  bool Run(std::vector<LoadRecord>& records) {
    job_.records = records.data();
    job_.count = static_cast<int>(records.size());
    job_.waits = {50, 100, 50, 50};
    return qb::UpgradeThread(job_, &link_, reporter_);
  }
  std::string Events() const { return ReadHostFile(image_ + "/events.txt"); }
  std::vector<std::string> Sector(int s) const {
    return s < 0 ? std::vector<std::string>() : HexRecords(image_ + "/sector" + std::to_string(s) + ".hex");
  }

  std::string dir_, image_;
  qb::UpgradeJob job_;
  RecordingReporter reporter_;
};

TEST_P(UpgradeTransfer, AHexSetIsErasedTwoOneZeroAndProgrammedInOrder) {
  Start({});
  std::vector<LoadRecord> set = {Record("dsp_v1.hex", 2, 3000, 1), Record("fpg_v1.hex", 1, 1000, 2),
                                 Record("ab_v1.hex", 0, 70000, 3)};
  ASSERT_TRUE(Run(set));
  EXPECT_TRUE(job_.success);
  EXPECT_EQ(Events(), "wake\ninit\nerase 2\nerase 1\nerase 0\nrestart\nfinal\n");
  for (int s = 0; s < 3; ++s) EXPECT_EQ(Sector(2 - s), HexRecords(set[static_cast<size_t>(s)].path)) << s;
  EXPECT_EQ(reporter_.statuses,
            (std::vector<std::string>{"Initialising Instrument", "Erasing sector 2", "Erasing sector 1",
                                      "Erasing sector 0", "Sending file dsp_v1.hex", "Sending file fpg_v1.hex",
                                      "Sending file ab_v1.hex", "Restarting Instrument", "Finished"}));
  EXPECT_EQ(reporter_.logs,
            (std::vector<std::string>{"Instrument initialised OK", "All sectors erased OK", "Firmware sent OK"}));
  // 0, the erase steps 34, 67, 100, then 0 and rising to 100 while programming.
  ASSERT_GE(reporter_.percents.size(), 6u);
  EXPECT_EQ(std::vector<int>(reporter_.percents.begin(), reporter_.percents.begin() + 5),
            (std::vector<int>{0, 34, 67, 100, 0}));
  for (size_t i = 5; i < reporter_.percents.size(); ++i) EXPECT_GT(reporter_.percents[i], reporter_.percents[i - 1]);
  EXPECT_EQ(reporter_.percents.back(), 100);
  // The wake byte and the init code, the restart and the final byte, framed as
  // the transport frames every text.
  std::string wire = ReceivedBytes(sim_, Lan() ? "tcp" : "pty", 1);
  std::string end = Lan() ? std::string("\0", 1) : "";
  std::string start = "\x19" + end + "6F5Dz\n" + end;
  EXPECT_EQ(wire.substr(0, start.size()), start);
  EXPECT_EQ(wire.substr(wire.size() - (Lan() ? 5 : 3)), "z\n" + end + "\x15" + end);
}

TEST_P(UpgradeTransfer, ASharedSectorIsErasedOnceAndHoldsBothFiles) {
  Start({});
  std::vector<LoadRecord> set = {Record("a.hex", 3, 800, 4), Record("b.hex", 5, 500, 5), Record("c.hex", 3, 600, 6)};
  ASSERT_TRUE(Run(set));
  EXPECT_EQ(Events(), "wake\ninit\nerase 3\nerase 5\nrestart\nfinal\n");
  EXPECT_EQ(Sector(3), RecordsOf({set[0].path, set[2].path}));
  EXPECT_EQ(Sector(5), HexRecords(set[1].path));
}

TEST_P(UpgradeTransfer, EachRecordGoesOutAsRecordLineFeedCarriageReturnLineFeed) {
  Start({});
  const std::string a = ":0400000001020304F2", b = ":0400040005060708DE", eof = ":00000001FF";
  struct Variant {
    const char* name;
    std::string text;
  } variants[] = {{"lf.hex", a + "\n" + b + "\n" + eof + "\n"},
                  {"crlf.hex", a + "\r\n" + b + "\r\n" + eof + "\r\n"},
                  {"open.hex", a + "\n" + b + "\n" + eof}};
  std::vector<LoadRecord> set;
  for (const Variant& v : variants) {
    ASSERT_TRUE(WriteHostFile(dir_ + "/" + v.name, v.text));
    LoadRecord r;
    r.sector = 4;
    r.found = qb::FindFileInfo(dir_ + "/" + v.name, r.info, &r.path);
    set.push_back(r);
  }
  ASSERT_TRUE(Run(set)) << reporter_.logs.back();
  std::string end = Lan() ? std::string("\0", 1) : "";
  std::string file = "53F1y\n" + end;
  for (const std::string& record : {a, b, eof}) file += record + "\n\r\n" + end;
  std::string wire = ReceivedBytes(sim_, Lan() ? "tcp" : "pty", 1);
  EXPECT_EQ(CountOf(wire, file), 3u);  // the same bytes for all three files
  EXPECT_EQ(Sector(4), RecordsOf({set[0].path, set[1].path, set[2].path}));
}

TEST_P(UpgradeTransfer, ARecordRefusedThreeTimesIsSentAFourthTimeButNotAFifth) {
  Start({"--loader-refuse", "5:3"});
  std::vector<LoadRecord> set = {Record("main.hex", 0, 400, 7)};
  ASSERT_TRUE(Run(set));
  EXPECT_EQ(Sector(0), HexRecords(set[0].path));
  std::string fifth = HexRecords(set[0].path)[4];
  EXPECT_EQ(CountOf(ReceivedBytes(sim_, Lan() ? "tcp" : "pty", 1), fifth + "\n"), 4u);

  sim_.Stop();
  qb::LinkControl(qb::LINK_CLOSE, &link_);
  RunHost({"/bin/rm", "-f", image_ + "/events.txt"});
  Start({"--loader-refuse", "5:4"});
  reporter_ = RecordingReporter();
  EXPECT_FALSE(Run(set));
  EXPECT_FALSE(job_.success);
  EXPECT_EQ(reporter_.logs.back(), "ERROR: Failed to send file main.hex");
  EXPECT_EQ(CountOf(ReceivedBytes(sim_, Lan() ? "tcp" : "pty", 1), fifth + "\n"), 4u);
  EXPECT_EQ(Events().find("restart"), std::string::npos);
  EXPECT_EQ(Sector(0).size(), 4u);  // the records before it stay programmed
}

TEST_P(UpgradeTransfer, FaultsStopTheUpgradeAtTheirPhaseWithTheirLogLine) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> logs;
    const char* events;
  } cases[] = {
      {{"--loader-fault", "silent"}, {"ERROR: Instrument failed to initialise"}, "wake\ninit\ninit\n"},
      {{"--loader-fault", "init"}, {"ERROR: Instrument failed to initialise"}, "wake\n"},
      {{"--loader-fault", "erase"}, {"Instrument initialised OK", "ERROR: Failed to erase sector 6"}, "wake\ninit\n"},
      {{"--loader-fault", "record"},
       {"Instrument initialised OK", "All sectors erased OK", "ERROR: Failed to send file f.hex"},
       "wake\ninit\nerase 6\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1]);
    Start(c.args, 300);
    std::vector<LoadRecord> set = {Record("f.hex", 6, 300, 8)};
    reporter_ = RecordingReporter();
    long long start = NowMs();
    EXPECT_FALSE(Run(set));
    EXPECT_LT(NowMs() - start, 8000);
    EXPECT_EQ(reporter_.logs, c.logs);
    EXPECT_EQ(Events(), c.events);
    std::string wire = ReceivedBytes(sim_, Lan() ? "tcp" : "pty", 1);
    if (c.args[1] == "silent" || c.args[1] == "init") {
      EXPECT_EQ(CountOf(wire, "6F5Dz\n"), 2u);
    }
    sim_.Stop();
    qb::LinkControl(qb::LINK_CLOSE, &link_);
    RunHost({"/bin/rm", "-f", image_ + "/events.txt"});
  }
}

TEST_P(UpgradeTransfer, AFileGoneOrSpoiledAfterTheReportLeavesTheInstrumentUntouched) {
  Start({});
  std::vector<LoadRecord> set = {Record("keep.hex", 1, 300, 9), Record("gone.hex", 0, 300, 10)};
  RunHost({"/bin/rm", set[1].path});
  EXPECT_FALSE(Run(set));
  EXPECT_EQ(reporter_.logs, std::vector<std::string>{"ERROR: Failed to send file gone.hex"});
  ASSERT_TRUE(WriteHostFile(set[1].path, ":0400000001020304F3\n:00000001FF\n"));  // bad checksum
  EXPECT_FALSE(Run(set));
  SleepMs(200);
  EXPECT_EQ(ReceivedBytes(sim_, Lan() ? "tcp" : "pty", 0), "");
  EXPECT_EQ(Events(), "");
}

TEST_P(UpgradeTransfer, ALinkDroppedMidFileFailsTheFileInBoundedTime) {
  Start({"--loader-drop", "10"}, 500);
  std::vector<LoadRecord> set = {Record("drop.hex", 2, 1000, 11)};
  long long start = NowMs();
  EXPECT_FALSE(Run(set));
  EXPECT_LT(NowMs() - start, 8000);
  EXPECT_EQ(reporter_.logs.back(), "ERROR: Failed to send file drop.hex");
  EXPECT_FALSE(job_.success);
  EXPECT_EQ(Sector(2).size(), 9u);
}

QB_OVER_BOTH_TRANSPORTS(UpgradeTransfer);

TEST(UpgradeProgress, PercentagesOfSmallAndHugeTotals) {
  struct Case {
    int64_t total, done;
    int percent;
  } cases[] = {
      {3, 1, 34},
      {3, 2, 67},
      {3, 3, 100},
      {100, 0, 1},
      {100, 99, 100},
      {0, 0, 100},
      {-5, 3, 100},
      {1000, 2000, 100},
      {40000000, 30000000, 76},
      {40000000, 20000000, 51},  // at 20 000 000: the plain formula
      {3000000000LL, 1500000000LL, 51},
      {1LL << 40, 1LL << 39, 51},
      {99, 30000000, 100},  // done far beyond a total under 100
  };
  for (const Case& c : cases) EXPECT_EQ(qb::ProgressPercent(c.total, c.done), c.percent) << c.total << " " << c.done;
}

class UpgradeSendExpectOk : public OverBothTransports {};

TEST_P(UpgradeSendExpectOk, OnlyALineEndingInOkInAnyCaseIsAnAcknowledgement) {
  Open({"--on", "A=line:ok", "--on", "B=line:write OK", "--on", "C=line:Ok", "--on", "D=line:o", "--on",
        "E=line:", "--on", "F=line:okay", "--on", "G=line:ERR", "--on", "H=none", "--on", "I=raw:ok\\n"});
  qb::SetReadTimeout(300, &link_);
  struct Case {
    const char* text;
    bool failed;
  } cases[] = {{"A\n", false}, {"B\n", false}, {"C\n", false}, {"D\n", true}, {"E\n", true},
               {"F\n", true},  {"G\n", true},  {"H\n", true},  {"I\n", false}};
  for (const Case& c : cases) EXPECT_EQ(qb::SendExpectOk(c.text, &link_), c.failed) << c.text;
  EXPECT_TRUE(qb::SendExpectOk("x\n", nullptr));
}

QB_OVER_BOTH_TRANSPORTS(UpgradeSendExpectOk);

}  // namespace
