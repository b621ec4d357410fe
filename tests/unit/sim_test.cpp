// The virtual instrument itself: the identification reply over TCP and over
// its pseudo-terminal, and the transcript the other tests rely on.
#include <gtest/gtest.h>

#include "support/host.h"
#include "support/loopback_sockets.h"
#include "support/sim_process.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

using namespace qbtest;

namespace {

TEST(Sim, AnswersIdentificationOverTcpAndRecordsEveryByte) {
  SimProcess sim;
  std::string error;
  std::string address = LoopbackAddress();
  ASSERT_TRUE(sim.Start({"--tcp", address + ":10001", "--idn", "QUARTZLINE,ZTQ1200,7,2.01"}, &error)) << error;
  LoopbackClient client;
  ASSERT_TRUE(client.Connect(address, 10001));
  // The program's framing: command, line feed and zero byte, then a carriage
  // return and zero byte as a separate send.
  ASSERT_TRUE(client.Send(std::string("*IDN?\n\0", 7)));
  ASSERT_TRUE(client.Send(std::string("\r\0", 2)));
  EXPECT_EQ(client.ReadUntil("\r\n"), "QUARTZLINE,ZTQ1200,7,2.01\r\n");
  // Anything but the identification query is not answered.
  ASSERT_TRUE(client.Send(std::string("MODE?\n\0", 7)));
  EXPECT_EQ(client.ReadUntil("\r\n", 300), "");

  ASSERT_TRUE(sim.WaitForReceived("MODE?"));
  auto records = sim.Transcript();
  EXPECT_EQ(TranscriptBytes(records, "in", "tcp"), std::string("*IDN?\n\0\r\0MODE?\n\0", 16));
  EXPECT_EQ(TranscriptBytes(records, "out", "tcp"), "QUARTZLINE,ZTQ1200,7,2.01\r\n");
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.front().dir, "note");
  EXPECT_GT(records.front().time, 1.0e9);
}

TEST(Sim, TranscriptEscapesEveryByteThatIsNotPrintable) {
  auto records = ParseTranscript(
      "1.5 tcp1 in A\\x00\\x5C\\xFFz\n"
      "2.25 pty out x\\x0D\\x0A\n"
      "3.0 tcp1 in cut-off record without a line end");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].bytes, std::string("A\0\\\xFFz", 5));
  EXPECT_DOUBLE_EQ(records[1].time, 2.25);
  EXPECT_EQ(TranscriptBytes(records, "out", "pty"), "x\r\n");
  EXPECT_EQ(TranscriptBytes(records, "out", "tcp"), "");
}

TEST(Sim, RefusesAnAddressItCannotServe) {
  SimProcess first, second;
  std::string address = LoopbackAddress();
  ASSERT_TRUE(first.Start({"--tcp", address + ":10001"}));
  std::string error;
  // The port is taken: the second instrument never becomes ready.
  EXPECT_FALSE(second.Start({"--tcp", address + ":10001"}, &error));
  EXPECT_NE(error.find("ready"), std::string::npos);
}

TEST(Sim, AClientThatStopsReadingHoldsUpNoOtherClient) {
  // The flood (24 MB) is larger than the socket buffers on both sides hold.
  std::string flood = "FLOOD=line:BEGIN";
  for (int i = 0; i < 24; ++i) flood += "|raw:\\a{1000000}";
  SimProcess sim;
  std::string error;
  std::string address = LoopbackAddress();
  ASSERT_TRUE(sim.Start({"--tcp", address + ":10001", "--on", flood}, &error)) << error;
  LoopbackClient stalled, other;
  ASSERT_TRUE(stalled.Connect(address, 10001));
  ASSERT_TRUE(stalled.Send(std::string("FLOOD\n\0", 7)));
  ASSERT_TRUE(sim.WaitForReceived("FLOOD"));
  ASSERT_TRUE(other.Connect(address, 10001));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(other.Send(std::string("*IDN?\n\0", 7)));
    EXPECT_EQ(other.ReadUntil("\r\n"), "QUARTZLINE,HXA1510,0,1.07\r\n") << "query " << i;
  }
  // The stalled client still gets its flood, in order, once it reads.
  EXPECT_EQ(stalled.ReadUntil("ABCDEFGHIJKLMNOPQRSTUVWXYZABC"), "BEGIN\r\nABCDEFGHIJKLMNOPQRSTUVWXYZABC");
}

#ifndef _WIN32
// Opens a pseudo-terminal in raw mode, sends a command and collects what comes
// back within timeoutMs; returns false when reading fails (the line hung up).
bool Exchange(const std::string& path, const std::string& command, std::string& reply, int timeoutMs = 1000) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return false;
  termios t;
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  bool ok = write(fd, command.data(), command.size()) == static_cast<ssize_t>(command.size());
  long long deadline = NowMs() + timeoutMs;
  while (ok && NowMs() < deadline && reply.find("\r\n") == std::string::npos) {
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buffer[256];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0)
      ok = false;
    else
      reply.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return ok;
}

TEST(Sim, AnswersIdentificationOverItsPseudoTerminal) {
  SimProcess sim;
  std::string error;
  std::string link = MakeScratchDir("ptylink") + "/ttyQB";
  ASSERT_TRUE(sim.Start({"--no-tcp", "--pty-link", link}, &error)) << error;
  ASSERT_FALSE(sim.PtyPath().empty());
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), sim.PtyPath());

  std::string reply;
  ASSERT_TRUE(Exchange(link, "*IDN?\n\r", reply, 2000));
  EXPECT_EQ(reply, "QUARTZLINE,HXA1510,0,1.07\r\n");
  // The simulator records what it wrote just after writing it.
  EXPECT_TRUE(WaitFor(
      [&] { return TranscriptBytes(sim.Transcript(), "out", "pty") == "QUARTZLINE,HXA1510,0,1.07\r\n"; }, 2000));
  EXPECT_EQ(TranscriptBytes(sim.Transcript(), "in", "pty"), "*IDN?\n\r");

  sim.Stop();
  // A clean stop removes the link it made.
  EXPECT_FALSE(HostFileExists(link));
}

TEST(Sim, AHungUpPseudoTerminalComesBackBehindItsLink) {
  SimProcess sim;
  std::string error;
  std::string link = MakeScratchDir("ptylink") + "/ttyQB";
  ASSERT_TRUE(sim.Start({"--no-tcp", "--pty-link", link, "--on", "BYE=hangup:300"}, &error)) << error;
  std::string reply;
  EXPECT_FALSE(Exchange(link, "BYE\n", reply));  // the program's read fails
  // The new pseudo-terminal may get the old one's number: wait for the note.
  ASSERT_TRUE(sim.WaitForNote("reopened", 3000));
  reply.clear();
  EXPECT_TRUE(Exchange(link, "*IDN?\n", reply));
  EXPECT_EQ(reply, "QUARTZLINE,HXA1510,0,1.07\r\n");
}
#endif

}  // namespace
