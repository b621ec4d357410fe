// The store exchanges against the virtual instrument, each over TCP loopback
// and over a pseudo-terminal: the bounded "*OPC?" wait, the program store
// (listing, save, upload, delete, default) and the results scan and
// downloads, with the instrument's faults injected.
#include "stores/store_exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/tick_clock.h"
#include "link/instrument_link.h"
#include "link/tcp.h"
#include "support/job_recorder.h"
#include "support/link_harness.h"
#include "support/store_seed.h"

using namespace qbtest;

namespace {

class StoreExchange : public OverBothTransports {
 protected:
  void Start(const std::vector<std::string>& args) {
    Open(args);
    link_.ConnectedFlag = true;
    qb::SetReadTimeout(300, &link_);
  }
};

TEST_P(StoreExchange, TheCompletionWaitEndsAtOneAndIsBoundedOtherwise) {
  Start({"--on", "*OPC?=line:0", "--on", "DONE?=line:1", "--on", "PACKED?=line:\\p{1}", "--on", "MUTE?=none"});
  qb::CompletionLimit rounds{5, 60000};
  EXPECT_EQ(qb::WaitForCompletion(link_, "DONE?\n", 32, rounds), qb::Completion::Complete);
  EXPECT_EQ(qb::WaitForCompletion(link_, "PACKED?\n", 32, rounds), qb::Completion::Complete);
  EXPECT_EQ(qb::WaitForCompletion(link_, "*OPC?\n", 32, rounds), qb::Completion::LimitReached);
  // Five rounds, and nothing more was asked.
  qb::SendCommand("MARK\n", &link_);
  ASSERT_TRUE(sim_.WaitForReceived("MARK"));
  EXPECT_EQ(CountOf(TranscriptBytes(sim_.Transcript(), "in"), "*OPC?"), 5u);

  // A limit in time ends an instrument that answers 0 for ever.
  uint64_t start = qb::SteadyMs();
  EXPECT_EQ(qb::WaitForCompletion(link_, "*OPC?\n", 32, {1000000, 300}), qb::Completion::LimitReached);
  EXPECT_LT(qb::SteadyMs() - start, 2000u);
  // Silence ends it after three unanswered rounds.
  EXPECT_EQ(qb::WaitForCompletion(link_, "MUTE?\n", 32, rounds), qb::Completion::NoReply);
}

TEST_P(StoreExchange, ProgramsListSaveUploadDeleteAndLoadTheDefault) {
  const std::string seed = SeedStores();
  const std::string dump = MakeScratchDir("stores-dump");
  Start({"--stores", seed, "--stores-dump", dump, "--opc-busy", "2"});
  link_.family = qb::kFamilyZtq;
  qb::ProgramListing listing = qb::ListPrograms(link_);
  ASSERT_EQ(listing.rows.size(), 999u);
  EXPECT_EQ(listing.skipped, 0);
  EXPECT_TRUE(listing.rows[2].stored);
  EXPECT_EQ(listing.rows[2].name, "Sweep");
  EXPECT_TRUE(listing.rows[11].stored);
  EXPECT_FALSE(listing.rows[3].stored);

  // Saved: the file is the slot's program, byte for byte.
  const std::string out = MakeScratchDir("stores-out");
  qb::TransferResult saved = qb::DownloadProgram(link_, 3, out + "/prog.QZL");
  EXPECT_EQ(saved.outcome, qb::TransferOutcome::Done);
  EXPECT_EQ(saved.lines, 16);
  EXPECT_EQ(ReadHostFile(out + "/prog.QZL"), ReadHostFile(seed + "/programs/003.QZL"));
  // The recall took three rounds of "*OPC?" (two answered 0), and one more
  // confirmed the instrument after the transfer.
  EXPECT_EQ(CountOf(TranscriptBytes(sim_.Transcript(), "in"), "*OPC?"), 4u);

  // Uploaded into an empty slot: the instrument stores exactly the file.
  qb::TransferResult sent = qb::UploadProgram(link_, 5, out + "/prog.QZL");
  EXPECT_EQ(sent.outcome, qb::TransferOutcome::Done);
  EXPECT_EQ(sent.lines, 16);
  listing = qb::ListPrograms(link_);
  EXPECT_TRUE(listing.rows[4].stored);
  EXPECT_EQ(ReadHostFile(dump + "/programs/005.QZL"), ReadHostFile(seed + "/programs/003.QZL"));

  qb::DeleteProgram(link_, 3);
  listing = qb::ListPrograms(link_);
  EXPECT_FALSE(listing.rows[2].stored);
  EXPECT_TRUE(listing.rows[4].stored);
  EXPECT_FALSE(HostFileExists(dump + "/programs/003.QZL"));

  qb::LoadDefaultProgram(link_);
  EXPECT_TRUE(sim_.WaitForReceived("progra,recall,0\n"));
}

TEST_P(StoreExchange, AProgramSaveThatFailsLeavesNoFileThatLooksWhole) {
  struct Case {
    std::vector<std::string> args;
    qb::TransferOutcome outcome;
    bool keepsPart;
  } cases[] = {
      {{"--store-fault", "drop:5"}, qb::TransferOutcome::Cut, true},
      {{"--store-fault", "short"}, qb::TransferOutcome::Cut, true},
      {{"--store-fault", "silent"}, qb::TransferOutcome::NoLines, false},
      {{"--opc-busy", "1000000"}, qb::TransferOutcome::NotComplete, false},
  };
  const std::string seed = SeedStores();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1]);
    std::vector<std::string> args = {"--stores", seed};
    args.insert(args.end(), c.args.begin(), c.args.end());
    TearDown();
    sim_.Stop();
    Start(args);
    const std::string path = MakeScratchDir("stores-fail") + "/prog.QZL";
    qb::TransferResult result = qb::DownloadProgram(link_, 3, path, {20, 5000});
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_FALSE(HostFileExists(path));
    EXPECT_EQ(HostFileExists(path + ".part"), c.keepsPart);
    if (c.keepsPart) {
      EXPECT_EQ(result.keptPath, path + ".part");
      // What arrived is kept: whole blocks of the stored program.
      std::string part = ReadHostFile(path + ".part");
      EXPECT_GT(part.size(), 0u);
      EXPECT_EQ(part, ReadHostFile(seed + "/programs/003.QZL").substr(0, part.size()));
    }
    EXPECT_NE(qb::ProgramTransferMessage(result, false), nullptr);
  }
}

TEST_P(StoreExchange, AnUploadOfAFileThatCannotBeSentSendsNothing) {
  const std::string dump = MakeScratchDir("stores-dump");
  Start({"--stores-dump", dump});
  const std::string dir = MakeScratchDir("stores-up");
  WriteHostFile(dir + "/short.QZL", std::string(63, 'x'));
  EXPECT_EQ(qb::UploadProgram(link_, 5, dir + "/missing.QZL").outcome, qb::TransferOutcome::FileError);
  EXPECT_EQ(qb::UploadProgram(link_, 5, dir + "/short.QZL").outcome, qb::TransferOutcome::NoLines);
  qb::SendCommand("MARK\n", &link_);
  ASSERT_TRUE(sim_.WaitForReceived("MARK"));
  std::string received = TranscriptBytes(sim_.Transcript(), "in");
  EXPECT_EQ(received.find('\x14'), std::string::npos);
  EXPECT_EQ(received.find("store"), std::string::npos);
  EXPECT_FALSE(HostFileExists(dump + "/programs/005.QZL"));
}

TEST_P(StoreExchange, ScanAndDownloadQueuedResultsAsTextAndQzl) {
  const std::string seed = SeedStores();
  Start({"--stores", seed, "--opc-busy", "1"});
  RecordingReporter scan;
  qb::ResultListing listing;
  std::vector<uint32_t> seen;
  qb::ScanResults(link_, scan, listing, [&](const qb::ResultEntry& e) { seen.push_back(e.number); });
  EXPECT_EQ(scan.statuses, std::vector<std::string>{"Scanning for Results..."});
  ASSERT_EQ(listing.entries.size(), 3u);
  EXPECT_EQ(seen, (std::vector<uint32_t>{1, 4, 12}));
  EXPECT_EQ(listing.entries[1].name, " ");
  EXPECT_EQ(listing.entries[1].details, "2014-06-26,11:00");

  for (qb::ResultFileKind kind : {qb::ResultFileKind::Text, qb::ResultFileKind::Qzl}) {
    const bool qzl = kind == qb::ResultFileKind::Qzl;
    const std::string folder = MakeScratchDir("stores-results");
    RecordingReporter job;
    qb::DownloadReport report = qb::DownloadResults(link_, listing.entries, folder, kind, job);
    EXPECT_TRUE(report.complete) << report.failure;
    const char* ext = qzl ? ".QZL" : ".txt";
    EXPECT_EQ(report.written, (std::vector<std::string>{std::string("ZTQ_R001") + ext, std::string("ZTQ_R004") + ext,
                                                        std::string("ZTQ_R012") + ext}));
    for (const char* n : {"001", "004", "012"}) {
      EXPECT_EQ(ReadHostFile(folder + "/ZTQ_R" + n + ext), ReadHostFile(seed + "/results/" + n + ext)) << n << ext;
    }
    EXPECT_EQ(job.totals, std::vector<int>{3});
    EXPECT_EQ(job.steps, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(job.styles, std::vector<qb::ProgressStyle>{qb::ProgressStyle::Counts});
    ASSERT_EQ(job.statuses.size(), 9u);
    EXPECT_EQ(job.statuses[3], "Loading result 2 (id:4) ...");
    EXPECT_EQ(job.statuses[8], "Downloading result 3 (id:12) ...");
  }
}

TEST_P(StoreExchange, ResultListingsThatAreMalformedOrTooLongAreCountedNotLost) {
  const std::string seed = SeedStores();
  Start({"--stores", seed, "--store-fault", "malformed"});
  RecordingReporter reporter;
  qb::ResultListing listing;
  qb::ScanResults(link_, reporter, listing);
  EXPECT_EQ(listing.entries.size(), 3u);
  EXPECT_EQ(listing.skipped, 1);

  TearDown();
  sim_.Stop();
  Start({"--results", "1005"});
  qb::ScanResults(link_, reporter, listing);
  EXPECT_EQ(listing.entries.size(), 999u);
  EXPECT_EQ(listing.skipped, 6);
}

TEST_P(StoreExchange, AResultDownloadThatStopsSaysWhatWasWritten) {
  struct Case {
    std::vector<std::string> args;
    bool unwritableFolder;
    std::vector<std::string> written;
    const char* failure;
    const char* stoppedAt;  // the file of the result it stopped at
    bool keepsPart;
  } cases[] = {
      {{"--store-fault", "drop:1"}, false, {}, "broke off", "ZTQ_R001.txt", true},
      {{"--store-fault", "drop:4"}, false, {"ZTQ_R001.txt"}, "broke off", "ZTQ_R004.txt", true},
      {{"--store-fault", "short"}, false, {}, "broke off", "ZTQ_R001.QZL", true},
      {{"--store-fault", "silent"}, false, {}, "sent nothing for result 1", "ZTQ_R001.txt", false},
      {{"--opc-busy", "1000000"}, false, {}, "did not finish loading", "ZTQ_R001.txt", false},
      {{}, true, {}, "Unable to create", "ZTQ_R001.txt", false},
  };
  const std::string seed = SeedStores();
  std::vector<qb::ResultEntry> queue(2);
  queue[0].number = 1;
  queue[1].number = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.failure) + " " + c.stoppedAt);
    std::vector<std::string> args = {"--stores", seed};
    args.insert(args.end(), c.args.begin(), c.args.end());
    TearDown();
    sim_.Stop();
    Start(args);
    std::string folder = MakeScratchDir("stores-stop");
    if (c.unwritableFolder) folder += "/no/such/folder";
    const bool qzl = std::string(c.stoppedAt).find(".QZL") != std::string::npos;
    RecordingReporter job;
    qb::DownloadReport report = qb::DownloadResults(
        link_, queue, folder, qzl ? qb::ResultFileKind::Qzl : qb::ResultFileKind::Text, job, {20, 5000});
    EXPECT_FALSE(report.complete);
    EXPECT_EQ(report.written, c.written);
    EXPECT_EQ(job.steps.size(), c.written.size());
    EXPECT_NE(report.failure.find(c.failure), std::string::npos) << report.failure;
    for (const std::string& name : c.written) EXPECT_TRUE(HostFileExists(folder + "/" + name));
    EXPECT_FALSE(HostFileExists(folder + "/" + c.stoppedAt));
    EXPECT_EQ(HostFileExists(folder + "/" + c.stoppedAt + ".part"), c.keepsPart);
    std::string text = qb::DownloadFailureText(report);
    EXPECT_NE(text.find(c.written.empty() ? "No result files were written" : "\nZTQ_R001.txt"), std::string::npos)
        << text;
  }
}

TEST_P(StoreExchange, AnUnknownInstrumentIsIdentifiedBeforeAScan) {
  const std::pair<const char*, bool> cases[] = {{"ztq", true}, {"marbleway", true}, {"hxa", false}};
  for (const auto& c : cases) {
    TearDown();
    sim_.Stop();
    Start({"--model", c.first});
    link_.family = 0;
    EXPECT_EQ(qb::IdentifyStoreInstrument(link_), c.second) << c.first;
    EXPECT_EQ(link_.family, c.second ? qb::kFamilyZtq : 0);
    EXPECT_EQ(qb::ScanRefusal(link_.family) == nullptr, c.second);
  }
  link_.family = 3;
  EXPECT_FALSE(qb::IdentifyStoreInstrument(link_));
  EXPECT_STREQ(qb::ScanRefusal(3), "Scan Failed: Incompatable Instrument");
}

TEST_P(StoreExchange, APacedInstrumentTakesTheWireTimeOfItsTransfer) {
  const std::string seed = SeedStores();
  Start({"--stores", seed, "--store-baud", "19200"});
  const std::string path = MakeScratchDir("stores-paced") + "/prog.QZL";
  const uint64_t start = qb::SteadyMs();
  EXPECT_EQ(qb::DownloadProgram(link_, 3, path).outcome, qb::TransferOutcome::Done);
  // 16 lines of 72 characters and their line ends alone take 0.6 s at 19200 baud.
  EXPECT_GE(qb::SteadyMs() - start, 16u * 74 * 10 * 1000 / 19200);
  EXPECT_EQ(ReadHostFile(path), ReadHostFile(seed + "/programs/003.QZL"));
}

TEST_P(StoreExchange, ATransferThatPausesIsKeptAsPartAndItsRestDoesNotSpoilTheNextExchange) {
  const std::string seed = SeedStores();
  Start({"--stores", seed, "--store-fault", "pause:5"});
  const std::string path = MakeScratchDir("stores-paused") + "/prog.QZL";
  qb::TransferResult result = qb::DownloadProgram(link_, 3, path);
  EXPECT_EQ(result.outcome, qb::TransferOutcome::Cut);
  EXPECT_FALSE(HostFileExists(path));
  EXPECT_EQ(ReadHostFile(path + ".part"), ReadHostFile(seed + "/programs/003.QZL").substr(0, 5 * 64));
  // The rest of the transfer and the late "1" were drained, not read as the listing.
  qb::ProgramListing listing = qb::ListPrograms(link_);
  EXPECT_EQ(listing.skipped, 0);
  EXPECT_TRUE(listing.rows[2].stored);
  EXPECT_TRUE(listing.rows[11].stored);
}

QB_OVER_BOTH_TRANSPORTS(StoreExchange);

}  // namespace
