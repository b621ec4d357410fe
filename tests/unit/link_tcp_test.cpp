// The instrument link over TCP against the virtual instrument on loopback:
// what goes over the wire, how replies are framed and cut, the line read's
// inactivity time-out, the receive ring, and peers that misbehave. Built
// natively (BSD sockets) and for Wine (Winsock).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "link/instrument_link.h"
#include "link/tcp.h"
#include "support/link_harness.h"
#include "support/loopback_listener.h"

using namespace qbtest;
using qb::InstrumentLink;

namespace {

class LinkTcp : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& args) {
    std::string error;
    ASSERT_TRUE(StartLanSim(sim_, link_, args, &error)) << error;
    ASSERT_EQ(qb::LinkControl(qb::LINK_OPEN, &link_), 0);
  }
  void TearDown() override {
    qb::LinkControl(qb::LINK_CLOSE, &link_);
    qb::SetLanReadTimeout(qb::kDefaultReadTimeoutMs);
  }
  // One reply line read into a buffer of size.
  std::string Reply(const char* command, int size = 128, int* length = nullptr) {
    return ExchangeReply(link_, command, command ? 0 : 0, size, length);
  }
  SimProcess sim_;
  InstrumentLink link_;
};

TEST_F(LinkTcp, CommandsGoOutWithAZeroByteAndTypedLinesWithASeparateCarriageReturn) {
  Start({});
  EXPECT_EQ(qb::SendCommand("*IDN?\n", &link_), 0);
  qb::MainLink = link_;
  EXPECT_FALSE(qb::SendCommandLine("MODE?\n"));
  EXPECT_FALSE(qb::SendCommandLine("^a"));     // SOH, nothing else of the text
  EXPECT_FALSE(qb::SendCommandLine("^[xyz"));  // ESC
  EXPECT_FALSE(qb::SendCommandLine("^"));      // a caret alone goes as typed
  EXPECT_FALSE(qb::SendCommandLine("^5\n"));   // so does caret and a digit
  link_ = qb::MainLink;
  qb::MainLink = qb::MakeClosedLink();
  static const char kWire[] = "*IDN?\n\0MODE?\n\0\r\0\x01\0\r\0\x1B\0\r\0^\0\r\0^5\n\0\r";
  std::string expected(kWire, sizeof kWire);  // with the last zero byte
  EXPECT_EQ(ReceivedBytes(sim_, "tcp", expected.size()), expected);
}

TEST_F(LinkTcp, RepliesLoseTheirCarriageReturnsAndEndAtTheLineFeed) {
  Start({"--on", "CRLF?=line:ABCD", "--on", "LF?=raw:WXYZ\\n", "--on", "MID?=raw:A\\rB\\r\\r\\nnext\\r\\n"});
  int length = 0;
  EXPECT_EQ(Reply("CRLF?\n", 128, &length), "ABCD");
  EXPECT_EQ(length, 4);
  EXPECT_EQ(Reply("LF?\n", 128, &length), "WXYZ");
  EXPECT_EQ(length, 4);
  // Carriage returns are dropped wherever they stand; the line goes on.
  EXPECT_EQ(Reply("MID?\n", 128, &length), "AB");
  EXPECT_EQ(Reply(nullptr), "next");
}

TEST_F(LinkTcp, ALineLongerThanTheBufferIsCutAndItsRestDropped) {
  Start({"--on", "LONG?=line:\\a{300}|line:after"});
  int length = 0;
  std::string first = Reply("LONG?\n", 128, &length);
  EXPECT_EQ(length, 127);
  EXPECT_EQ(first, std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ").substr(0, 26) + first.substr(26));
  EXPECT_EQ(first.size(), 127u);
  // The next read starts at the next line, not in the middle of the dropped rest.
  EXPECT_EQ(Reply(nullptr), "after");
}

TEST_F(LinkTcp, ALineReadTimesOutAfterInactivityNotAfterItsTotalLength) {
  // Pieces 150 ms apart with a 400 ms limit: the clock starts again with each.
  Start({"--on", "SLOW?=raw:AB|wait:150|raw:CD|wait:150|raw:EF|wait:150|raw:GH\\r\\n", "--on", "HALF?=raw:XYZ", "--on",
         "CR?=raw:ABC\\r"});
  qb::SetReadTimeout(400, &link_);
  EXPECT_EQ(qb::LanReadTimeout, 400u);
  EXPECT_EQ(Reply("SLOW?\n"), "ABCDEFGH");

  // Silence: -1 after the limit. A line without its line feed (also a bare CR
  // framing) is thrown away with the same -1, and the buffer left empty.
  for (const char* command : {"NOTHING\n", "HALF?\n", "CR?\n"}) {
    long long start = NowMs();
    int length = 0;
    EXPECT_EQ(Reply(command, 128, &length), "") << command;
    EXPECT_EQ(length, -1) << command;
    long long took = NowMs() - start;
    EXPECT_GE(took, 390) << command;
    EXPECT_LT(took, 2000) << command;
  }
}

TEST_F(LinkTcp, TheRingKeepsTheNewest1024BytesInOrder) {
  // 1500 bytes with no line end: pumped in 255-byte pieces without reading,
  // the oldest 476 are overwritten.
  Start({"--on", "FLOOD=raw:\\a{1500}"});
  ASSERT_EQ(qb::SendCommand("FLOOD\n", &link_), 0);
  int total = 0;
  ASSERT_TRUE(WaitFor(
      [&] {
        int n = qb::TcpPump(&link_);
        if (n > 0) total += n;
        return total >= 1500;
      },
      5000));
  EXPECT_EQ(link_.ringCount, qb::kReceiveRingSize);
  std::string got;
  int byte;
  while ((byte = qb::ReadByte(&link_)) >= 0) got.push_back(static_cast<char>(byte));
  EXPECT_EQ(byte, -2);
  ASSERT_EQ(got.size(), 1024u);
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i], static_cast<char>('A' + (476 + i) % 26)) << "at " << i;
  }
}

TEST_F(LinkTcp, ByteReadsOfALongStreamLoseNothing) {
  // The results poll reads byte by byte while the instrument streams: the
  // ring must never overwrite bytes that were not read yet.
  Start({"--on", "FLOOD=raw:\\a{20000}"});
  ASSERT_EQ(qb::SendCommand("FLOOD\n", &link_), 0);
  std::string got;
  WaitFor(
      [&] {
        int byte;
        while ((byte = qb::ReadByte(&link_)) >= 0) got.push_back(static_cast<char>(byte));
        return got.size() >= 20000;
      },
      5000);
  ASSERT_EQ(got.size(), 20000u);
  for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], static_cast<char>('A' + i % 26)) << "at " << i;
}

TEST_F(LinkTcp, PackedNumbersAndHighBytesInReplies) {
  Start({"--on", "ONE?=line:\\p{1.0}", "--on", "NEG?=line:\\p{-0.001}", "--on", "CUT?=raw:\\x8B\\x26\\n", "--on",
         "MIX?=line:V=\\xC1\\x85\\xFF!"});
  int length = 0;
  EXPECT_EQ(Reply("ONE?\n", 128, &length), "1.00000E0");
  EXPECT_EQ(length, 4);  // the raw reply's length
  EXPECT_EQ(Reply("NEG?\n"), "-1.00000E-3");
  // A number cut off by the end of its line reads its missing bytes as zero.
  EXPECT_EQ(Reply("CUT?\n", 128, &length), "1.21600E3");
  EXPECT_EQ(length, 2);
  // High bytes after the first are passed on as they came.
  EXPECT_EQ(Reply("MIX?\n"), "V=\xC1\x85\xFF!");
  // A buffer too small for the number's text gets as much as fits.
  EXPECT_EQ(Reply("NEG?\n", 6), "-1.00");
}

TEST_F(LinkTcp, BinaryGarbageAndAPeerThatClosesMidLineEndInTimeOuts) {
  Start({"--on", "JUNK?=raw:\\g{3000}\\n|line:end", "--on", "BYE=raw:PARTIAL|drop"});
  qb::SetReadTimeout(300, &link_);
  ASSERT_EQ(qb::SendCommand("JUNK?\n", &link_), 0);
  // Whatever the garbage holds, every read is bounded by the buffer, and the
  // line that follows it arrives intact in the end.
  std::string line;
  for (int i = 0; i < 100 && line != "end"; ++i) {
    char buffer[64];
    int n = qb::ReadReply(buffer, sizeof buffer, &link_);
    ASSERT_LT(n, 64);
    ASSERT_LT(strlen(buffer), 64u);
    if (n < 0) break;
    line = buffer;
  }
  EXPECT_EQ(line, "end");

  long long start = NowMs();
  int length = 0;
  EXPECT_EQ(Reply("BYE\n", 128, &length), "");
  EXPECT_EQ(length, -1);
  EXPECT_LT(NowMs() - start, 2000);
  // A closed peer never shows as a read error over LAN; the sends fail soon.
  EXPECT_EQ(qb::ReadByte(&link_), -2);
  int failed = 0;
  for (int i = 0; i < 20 && !failed; ++i) {
    failed = qb::SendCommand("*IDN?\n", &link_) < 0;
    SleepMs(20);
  }
  EXPECT_TRUE(failed);
}

TEST_F(LinkTcp, AnEndlessLineWithoutLineFeedStillEnds) {
  Start({"--every", "20=raw:\\a{100}"});
  qb::SetReadTimeout(200, &link_);
  long long start = NowMs();
  int length = 0;
  Reply(nullptr, 128, &length);
  EXPECT_EQ(length, -1);
  long long took = NowMs() - start;
  EXPECT_GE(took, 200 * static_cast<long long>(qb::kLineReadLimitFactor) - 10);
  EXPECT_LT(took, 3000);
}

TEST_F(LinkTcp, OpeningDrainsWhatWasWaitingAndUnaskedLinesArrive) {
  Start({"--once", "0=line:GREETING", "--every", "100=line:TICK"});
  // The greeting came before the 100 ms drain of the open ended.
  std::string first = Reply(nullptr);
  EXPECT_EQ(first, "TICK");
  EXPECT_EQ(Reply(nullptr), "TICK");
}

TEST(LinkTcpConnect, RefusedAndUnusableAddressesFailAtOnce) {
  InstrumentLink link = qb::MakeClosedLink();
  link.kind = qb::LINK_LAN;
  for (const char* address : {"", "not an address", "0.0.0.0", "255.255.255.255", "1.2.3.4.5"}) {
    snprintf(link.ipAddress, sizeof link.ipAddress, "%s", address);
    long long start = NowMs();
    EXPECT_EQ(qb::LinkControl(qb::LINK_OPEN, &link), -1) << address;
    EXPECT_EQ(link.socket, qb::kNoHandle) << address;
    EXPECT_LT(NowMs() - start, 500) << address;
  }
  // Nothing listens there: refused, not waited for.
  snprintf(link.ipAddress, sizeof link.ipAddress, "%s", LoopbackAddress().c_str());
  long long start = NowMs();
  EXPECT_EQ(qb::LinkControl(qb::LINK_OPEN, &link), -1);
  EXPECT_EQ(link.socket, qb::kNoHandle);
  EXPECT_LT(NowMs() - start, 1500);
  EXPECT_EQ(qb::LinkControl(qb::LINK_CLOSE, &link), 0);
  EXPECT_FALSE(qb::WinsockStarted);
}

TEST(LinkTcpSend, APeerThatStopsReadingFailsTheSendWithinTheReadTimeOut) {
  // The peer's stack stays up but nobody reads: once its small receive buffer
  // and our send buffer are full, its window stays shut.
  std::string address = LoopbackAddress();
  LoopbackListener peer;
  ASSERT_TRUE(peer.Listen(address, 10001));
  InstrumentLink link = qb::MakeClosedLink();
  link.kind = qb::LINK_LAN;
  snprintf(link.ipAddress, sizeof link.ipAddress, "%s", address.c_str());
  ASSERT_EQ(qb::LinkControl(qb::LINK_OPEN, &link), 0);
  qb::SetReadTimeout(300, &link);
  const std::string command(4000, 'x');
  std::atomic<int> result(1);
  std::atomic<long long> lastTook(0), sent(0);
  std::thread sender([&] {
    for (int i = 0; i < 20000; ++i) {
      long long start = NowMs();
      int r = qb::SendCommand(command.c_str(), &link);
      lastTook = NowMs() - start;
      if (r < 0) {
        result = -1;
        return;
      }
      sent += static_cast<long long>(command.size()) + 1;
    }
    result = 0;
  });
  bool returned = WaitFor([&] { return result != 1; }, 15000);
  peer.Close();  // resets the connection, so a send still waiting ends too
  sender.join();
  ASSERT_TRUE(returned) << "the send was still waiting after " << sent << " bytes";
  EXPECT_EQ(result, -1) << sent << " bytes went out";
  EXPECT_GE(lastTook, 290);
  EXPECT_LT(lastTook, 2000);
  qb::LinkControl(qb::LINK_CLOSE, &link);
  qb::SetLanReadTimeout(qb::kDefaultReadTimeoutMs);
}

TEST(LinkTcpConnect, AClosedLinkSendsAndReadsNothing) {
  InstrumentLink link = qb::MakeClosedLink();
  link.kind = qb::LINK_LAN;
  char buffer[16];
  qb::SetLanReadTimeout(50);
  EXPECT_EQ(qb::SendCommand("*IDN?\n", &link), -1);
  EXPECT_EQ(qb::ReadReply(buffer, sizeof buffer, &link), -1);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(qb::ReadByte(&link), -2);
  qb::SetLanReadTimeout(qb::kDefaultReadTimeoutMs);
}

}  // namespace
