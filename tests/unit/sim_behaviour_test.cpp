// The virtual instrument's behaviour options: scripts that answer commands
// with several lines apart in time, commands never answered, the line-end
// framing, the first answered query, and the checks on its options.
#include <gtest/gtest.h>

#include <string>

#include "support/host.h"
#include "support/loopback_sockets.h"
#include "support/sim_process.h"

using namespace qbtest;

namespace {

TEST(SimBehaviour, ScriptsAnswerWithLinesApartInTimeAndSomeCommandsNever) {
  SimProcess sim;
  std::string address = LoopbackAddress();
  std::string error;
  ASSERT_TRUE(sim.Start({"--tcp", address + ":10001", "--framing", "lf", "--answer-from", "2", "--on",
                         "MEAS?=line:A|wait:200|line:B", "--on", "STORE,*=line:stored", "--on", "*IDN?=wait:0|idn"},
                        &error))
      << error;
  LoopbackClient client;
  ASSERT_TRUE(client.Connect(address, 10001));
  ASSERT_TRUE(client.Send(std::string("MEAS?\n\0", 7)));
  EXPECT_EQ(client.ReadUntil("\n", 1000), "A\n");
  // B is not there yet at 100 ms, but comes after 200.
  EXPECT_EQ(client.ReadUntil("\n", 50), "");
  EXPECT_EQ(client.ReadUntil("\n", 1000), "B\n");
  ASSERT_TRUE(client.Send("STORE,12\r"));
  EXPECT_EQ(client.ReadUntil("\n"), "stored\n");
  ASSERT_TRUE(client.Send("UNKNOWN\n"));
  EXPECT_EQ(client.ReadUntil("\n", 300), "");
  // An --on rule for "*IDN?" replaces the built-in answer and --answer-from.
  ASSERT_TRUE(client.Send("*IDN?\n"));
  EXPECT_EQ(client.ReadUntil("\n"), "QUARTZLINE,HXA1510,0,1.07\n");

  std::vector<TranscriptRecord> records;
  EXPECT_TRUE(WaitFor(
      [&] {
        records = sim.Transcript();
        return TranscriptBytes(records, "out") == "A\nB\nstored\nQUARTZLINE,HXA1510,0,1.07\n";
      },
      2000));
  // B left 200 ms or more after A.
  double a = 0, b = 0;
  for (const auto& r : records) {
    if (r.dir == "out" && r.bytes == "A\n") a = r.time;
    if (r.dir == "out" && r.bytes == "B\n") b = r.time;
  }
  EXPECT_GE(b - a, 0.19);
}

TEST(SimBehaviour, AnswersFromTheNthQueryAndFramesWithCarriageReturns) {
  SimProcess sim;
  std::string address = LoopbackAddress();
  ASSERT_TRUE(sim.Start({"--tcp", address + ":10001", "--framing", "cr", "--answer-from", "3", "--model", "krv"}));
  LoopbackClient client;
  ASSERT_TRUE(client.Connect(address, 10001));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(client.Send(std::string("*IDN?\n\0", 7)));
    EXPECT_EQ(client.ReadUntil("\r", 200), "") << i;
  }
  ASSERT_TRUE(client.Send(std::string("*IDN?\n\0", 7)));
  EXPECT_EQ(client.ReadUntil("\r"), "QUARTZLINE,KRV1700,0,1.00\r");
  // A new connection counts afresh.
  LoopbackClient other;
  ASSERT_TRUE(other.Connect(address, 10001));
  ASSERT_TRUE(other.Send("*IDN?\n"));
  EXPECT_EQ(other.ReadUntil("\r", 200), "");
}

TEST(SimBehaviour, UnaskedOutputCanStartLaterThanItsPeriod) {
  SimProcess sim;
  std::string address = LoopbackAddress();
  ASSERT_TRUE(sim.Start({"--tcp", address + ":10001", "--every", "50@500=line:tick"}));
  LoopbackClient client;
  ASSERT_TRUE(client.Connect(address, 10001));
  EXPECT_EQ(client.ReadUntil("\n", 300), "");  // quiet for the first 500 ms
  EXPECT_EQ(client.ReadUntil("\n", 1000), "tick\r\n");
  EXPECT_EQ(client.ReadUntil("\n", 200), "tick\r\n");  // then every 50 ms
}

TEST(SimBehaviour, RefusesBadScriptsAndDocumentsItsOptions) {
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--on", "NOEQUALS"},
                                              {"--on", "X=jump:3"},
                                              {"--on", "X=line:\\q"},
                                              {"--on", "X=raw:\\xZZ"},
                                              {"--on", "X=wait:soon"},
                                              {"--every", "0=line:x"},
                                              {"--once", "x=line:y"},
                                              {"--every", "10@x=line:y"},
                                              {"--once", "10@5=line:y"},
                                              {"--framing", "crcr"},
                                              {"--answer-from", "0"},
                                              {"--model", "nonesuch"},
                                              {"--on", "X=line:\\p{abc}"}}) {
    EXPECT_EQ(RunHost([&] {
                std::vector<std::string> argv = {SimProgramPath(), "--no-tcp"};
                argv.insert(argv.end(), bad.begin(), bad.end());
                return argv;
              }()),
              2)
        << bad[0] << " " << bad[1];
  }
  std::string dir = MakeScratchDir("simhelp");
  ASSERT_EQ(RunHost({"/bin/sh", "-c", "\"$0\" --help > \"$1\"", SimProgramPath(), dir + "/help.txt"}), 0);
  std::string help = ReadHostFile(dir + "/help.txt");
  for (const char* option : {"--on", "--every", "--once", "--framing", "--answer-from", "--silent", "--model", "hangup",
                             "\\p{VALUE}", "\\g{N}", "--transcript"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

}  // namespace
