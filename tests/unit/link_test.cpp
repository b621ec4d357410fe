// The instrument link against the virtual instrument, over TCP on loopback
// and over a pseudo-terminal mapped to COM41: what goes over the wire, how
// replies are framed and cut, the read time-outs, single bytes, drains, the
// receive ring, peers that misbehave, and links that do not open. Cases
// common to both transports run over each; built natively (BSD sockets,
// termios) and for Wine (Winsock, Win32 comm port).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "link/instrument_link.h"
#include "link/serial.h"
#include "link/tcp.h"
#include "support/link_harness.h"
#include "support/loopback_sockets.h"

using namespace qbtest;
using qb::InstrumentLink;

namespace {

// The simulator's filler letters number from to from + count - 1.
std::string Filler(int from, int count) {
  std::string out;
  for (int i = from; i < from + count; ++i) out.push_back(static_cast<char>('A' + i % 26));
  return out;
}

class Link : public ::testing::Test {
 protected:
  void Open(bool lan, const std::vector<std::string>& args) {
    lan_ = lan;
    std::string error;
    ASSERT_TRUE(lan ? StartLanSim(sim_, link_, args, &error) : StartSerialSim(sim_, link_, args, &error)) << error;
    ASSERT_EQ(qb::LinkControl(qb::LINK_OPEN, &link_), 0);
  }
  void TearDown() override {
    qb::LinkControl(qb::LINK_CLOSE, &link_);
    qb::SetLanReadTimeout(qb::kDefaultReadTimeoutMs);
  }
  // One reply line read into a buffer of size, after command when not null.
  std::string Reply(const char* command, int size = 128, int* length = nullptr) {
    return ExchangeReply(link_, command, command && !lan_ ? static_cast<int>(strlen(command)) : 0, size, length);
  }
  bool lan_ = true;
  SimProcess sim_;
  InstrumentLink link_;
};

class LinkSerial : public Link {
 protected:
  void Start(const std::vector<std::string>& args) {
    Open(false, args);
    ASSERT_TRUE(qb::SerialHandleValid(link_.serialHandle));
  }
};

class LinkTcp : public Link {
 protected:
  void Start(const std::vector<std::string>& args) { Open(true, args); }
};

class LinkBoth : public OverBothTransports {
 protected:
  std::string Reply(const char* command, int size = 128, int* length = nullptr) {
    return ExchangeReply(link_, command, command && !Lan() ? static_cast<int>(strlen(command)) : 0, size, length);
  }
};
QB_OVER_BOTH_TRANSPORTS(LinkBoth);

TEST_P(LinkBoth, CommandsGoOutAsWrittenAndTypedLinesWithASeparateCarriageReturn) {
  Open({});
  EXPECT_EQ(qb::SendCommand("*IDN?\n", &link_), Lan() ? 0 : 6);
  // A typed line and what goes out for it: a control letter (^C, ^a, ^[) as
  // its control character alone, anything else as typed. Over TCP every
  // write ends with a zero byte.
  const std::pair<const char*, const char*> kTyped[] = {{"MODE?\n", "MODE?\n"}, {"^C\n", "\x03"}, {"^a", "\x01"},
                                                        {"^[xyz", "\x1B"},      {"^~", "^~"},     {"^", "^"},
                                                        {"^5\n", "^5\n"}};
  std::string end = Lan() ? std::string(1, '\0') : "";
  std::string expected = "*IDN?\n" + end;
  qb::MainLink = link_;
  for (const auto& t : kTyped) {
    EXPECT_FALSE(qb::SendCommandLine(t.first)) << t.first;
    expected += t.second + end + "\r" + end;
  }
  link_ = qb::MainLink;
  qb::MainLink = qb::MakeClosedLink();
  EXPECT_EQ(ReceivedBytes(sim_, Lan() ? "tcp" : "pty", expected.size()), expected);

  // Once the link is closed a typed line is a failed send.
  qb::LinkControl(qb::LINK_CLOSE, &link_);
  qb::MainLink = link_;
  EXPECT_TRUE(qb::SendCommandLine("MODE?\n"));
  EXPECT_TRUE(qb::SendCommandLine("^C"));
  qb::MainLink = qb::MakeClosedLink();
}

// A reply line as each transport reads it: the simulator's answer to the
// command, then the text and ReadReply's result over TCP and over serial.
// Packed numbers are rendered (the result is the raw reply's length); high
// bytes after the first pass as they came.
struct ReplyCase {
  const char* answer;
  const char* tcpText;
  int tcpLength;
  const char* serialText;
  int serialLength;
};

const ReplyCase kReplies[] = {
    {"CRLF?=line:ABCD", "ABCD", 4, "ABCD", 4},
    {"LF?=raw:WXYZ\\n", "WXYZ", 4, "WXYZ\n", 5},  // serial keeps a bare line feed
    {"ONE?=line:\\p{1.0}", "1.00000E0", 4, "1.00000E0", 4},
    {"BIG?=line:\\p{1234.5}", "1.23450E3", 4, "1.23450E3", 4},
    {"NEG?=line:\\p{-0.001}", "-1.00000E-3", 4, "-1.00000E-3", 4},
    // Cut off by its line end: TCP reads the missing bytes as zero, serial
    // counts the line feed as a byte of the number.
    {"CUT?=raw:\\x8B\\x26\\n", "1.21600E3", 2, "1.21850E3", 3},
    {"MIX?=line:V=\\xC1\\x85\\xFF!", "V=\xC1\x85\xFF!", 6, "V=\xC1\x85\xFF!", 6},
};

TEST_P(LinkBoth, ReplyLinesAreFramedAsTheTransportFramesThem) {
  std::vector<std::string> args;
  for (const ReplyCase& r : kReplies) args.insert(args.end(), {"--on", r.answer});
  Open(args);
  for (const ReplyCase& r : kReplies) {
    std::string answer = r.answer;
    std::string command = answer.substr(0, answer.find('=')) + "\n";
    int length = -5;
    EXPECT_EQ(Reply(command.c_str(), 128, &length), Lan() ? r.tcpText : r.serialText) << command;
    EXPECT_EQ(length, Lan() ? r.tcpLength : r.serialLength) << command;
  }
}

TEST_F(LinkSerial, AReplyWithoutLineFeedIsCutAtItsCarriageReturnAfterTheTimeOut) {
  Start({"--on", "CR?=raw:PQ\\rRS"});
  qb::SetReadTimeout(200, &link_);
  long long start = NowMs();
  int length = 0;
  EXPECT_EQ(Reply("CR?\n", 128, &length), "PQ");
  EXPECT_EQ(length, 2);
  EXPECT_GE(NowMs() - start, 190);
}

TEST_F(LinkSerial, AReplyStopsAtTheBufferAndTheRestWaits) {
  Start({"--on", "FULL?=raw:\\a{130}", "--on", "LONG?=line:\\a{200}"});
  int length = 0;
  long long start = NowMs();
  std::string reply = Reply("FULL?\n", 128, &length);
  EXPECT_EQ(length, 127);
  EXPECT_EQ(reply, Filler(0, 127));
  // It stopped at 127 bytes without waiting out a time-out for more.
  EXPECT_LT(NowMs() - start, 2000);
  std::string rest;
  ASSERT_TRUE(WaitFor(
      [&] {
        int byte;
        while ((byte = qb::ReadByte(&link_)) >= 0) rest.push_back(static_cast<char>(byte));
        return rest.size() >= 3;
      },
      2000));
  EXPECT_EQ(rest, Filler(127, 3));

  // A line longer than the buffer comes in two reads.
  EXPECT_EQ(Reply("LONG?\n", 128, &length), Filler(0, 127));
  EXPECT_EQ(Reply(nullptr, 128, &length), Filler(127, 73));
  EXPECT_EQ(length, 73);
}

TEST_F(LinkSerial, TimeOutsGiveShortOrEmptyRepliesNeverNegative) {
  Start({"--on", "HALF?=raw:XYZ", "--on", "LATE?=wait:300|line:LATE"});
  qb::SetReadTimeout(150, &link_);
  for (const char* command : {"NOTHING\n", "HALF?\n"}) {
    long long start = NowMs();
    int length = -5;
    std::string reply = Reply(command, 128, &length);
    long long took = NowMs() - start;
    EXPECT_EQ(length, static_cast<int>(reply.size())) << command;
    EXPECT_EQ(reply, command[0] == 'H' ? "XYZ" : "") << command;
    EXPECT_GE(took, 140) << command;
    EXPECT_LT(took, 2000) << command;
  }
  // A late reply is missed by a short time-out and caught by a longer one.
  int length = 0;
  EXPECT_EQ(Reply("LATE?\n", 128, &length), "");
  EXPECT_EQ(length, 0);
  qb::SetReadTimeout(qb::kDefaultReadTimeoutMs, &link_);
  EXPECT_EQ(Reply(nullptr), "LATE");
}

TEST_F(LinkSerial, SingleBytesAndDrains) {
  Start({"--on", "AB=raw:AB", "--on", "BURST=line:one|wait:100|line:two|wait:100|line:three", "--on",
         "PAIR=line:one|wait:500|line:two"});
  EXPECT_EQ(qb::ReadByte(&link_), -2);
  ASSERT_EQ(qb::SendCommand("AB\n", &link_), 3);
  int byte = -2;
  ASSERT_TRUE(WaitFor([&] { return (byte = qb::ReadByte(&link_)) != -2; }, 2000));
  EXPECT_EQ(byte, 'A');
  EXPECT_TRUE(WaitFor([&] { return qb::ReadByte(&link_) == 'B'; }, 2000));
  EXPECT_EQ(qb::ReadByte(&link_), -2);

  // With nothing waiting a drain of 0 ms returns at once.
  long long start = NowMs();
  qb::Drain(&link_, 0);
  EXPECT_LT(NowMs() - start, 100);
  // A drain of t ms swallows what arrives during it.
  ASSERT_EQ(qb::SendCommand("BURST\n", &link_), 6);
  start = NowMs();
  qb::Drain(&link_, 400);
  EXPECT_GE(NowMs() - start, 400);
  SleepMs(50);
  EXPECT_EQ(qb::ReadByte(&link_), -2);
  // A drain of 0 ms takes only what is already there.
  ASSERT_EQ(qb::SendCommand("PAIR\n", &link_), 5);
  ASSERT_TRUE(
      WaitFor([&] { return TranscriptBytes(sim_.Transcript(), "out", "pty").find("one") != std::string::npos; }, 2000));
  SleepMs(20);
  qb::Drain(&link_, 0);
  EXPECT_EQ(Reply(nullptr), "two");
}

TEST_F(LinkSerial, GarbageRepliesAreReadWithinTheBuffer) {
  Start({"--on", "JUNK?=raw:\\g{2000}|line:end"});
  qb::SetReadTimeout(300, &link_);
  ASSERT_EQ(qb::SendCommand("JUNK?\n", &link_), 6);
  for (int i = 0; i < 200; ++i) {
    char buffer[32];
    int n = qb::ReadReply(buffer, sizeof buffer, &link_);
    ASSERT_GE(n, 0);
    ASSERT_LT(n, 32);
    ASSERT_LT(strlen(buffer), 32u);
    if (n == 0) break;
  }
}

TEST_F(LinkSerial, AHungUpPortIsAReadError) {
  Start({"--on", "BYE=hangup"});
  ASSERT_EQ(qb::SendCommand("BYE\n", &link_), 4);
  int byte = -2;
  EXPECT_TRUE(WaitFor([&] { return (byte = qb::ReadByte(&link_)) == -1; }, 3000)) << byte;
}

TEST(LinkSerialOpen, FailuresLeaveNothingOpen) {
  // Kind 0 fails and touches nothing.
  InstrumentLink none = qb::MakeClosedLink();
  snprintf(none.portName, sizeof none.portName, "COM41");
  EXPECT_EQ(qb::LinkControl(qb::LINK_OPEN, &none), -1);
  EXPECT_EQ(none.serialHandle, qb::kNoHandle);
  EXPECT_EQ(qb::LinkControl(qb::LINK_CLOSE, &none), -1);

  InstrumentLink link = qb::MakeClosedLink();
  link.kind = qb::LINK_SERIAL;
  link.baudRate = 9600;
  for (const char* port : {"COM77", "", "..\\x", "a/b"}) {
    snprintf(link.portName, sizeof link.portName, "%s", port);
    EXPECT_EQ(qb::LinkControl(qb::LINK_OPEN, &link), -1) << port;
    EXPECT_EQ(link.serialHandle, qb::kNoHandle) << port;
  }
  EXPECT_EQ(qb::SendCommand("*IDN?\n", &link), 0);
  EXPECT_EQ(qb::ReadByte(&link), -1);
  char buffer[8];
  EXPECT_EQ(qb::ReadReply(buffer, sizeof buffer, &link), 0);
  EXPECT_STREQ(buffer, "");
}

TEST(LinkSerialOpen, APortIsNotSharedAndAnOpenRecordReopensCleanly) {
  SimProcess sim;
  InstrumentLink first, second;
  std::string error;
  ASSERT_TRUE(StartSerialSim(sim, first, {}, &error)) << error;
  second = first;
  ASSERT_EQ(qb::LinkControl(qb::LINK_OPEN, &first), 0);
#ifndef _WIN32
  // Windows refuses a second handle to a port opened without sharing; Wine
  // does not enforce that on its pseudo-terminal ports, so only natively.
  EXPECT_EQ(qb::LinkControl(qb::LINK_OPEN, &second), -1);
#endif
  // Opening an open record again closes it first instead of refusing itself.
  EXPECT_EQ(qb::LinkControl(qb::LINK_OPEN, &first), 0);
  EXPECT_EQ(qb::LinkControl(qb::LINK_CLOSE, &first), 0);
  EXPECT_EQ(first.serialHandle, qb::kNoHandle);
  EXPECT_EQ(qb::LinkControl(qb::LINK_OPEN, &second), 0);
  EXPECT_EQ(qb::LinkControl(qb::LINK_CLOSE, &second), 0);
}

TEST_F(LinkTcp, CarriageReturnsAreDroppedWhereverTheyStandAndTheLineGoesOn) {
  Start({"--on", "MID?=raw:A\\rB\\r\\r\\nnext\\r\\n", "--on", "NEG?=line:\\p{-0.001}"});
  EXPECT_EQ(Reply("MID?\n"), "AB");
  EXPECT_EQ(Reply(nullptr), "next");
  // A buffer too small for a number's text gets as much as fits.
  EXPECT_EQ(Reply("NEG?\n", 6), "-1.00");
}

TEST_F(LinkTcp, ALineLongerThanTheBufferIsCutAndItsRestDropped) {
  Start({"--on", "LONG?=line:\\a{300}|line:after"});
  int length = 0;
  EXPECT_EQ(Reply("LONG?\n", 128, &length), Filler(0, 127));
  EXPECT_EQ(length, 127);
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

// (Garbage in the receive ring is the packed-reply fuzz target's.)
TEST_F(LinkTcp, APeerThatClosesMidLineEndsInATimeOut) {
  Start({"--on", "BYE=raw:PARTIAL|drop"});
  qb::SetReadTimeout(300, &link_);
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
