// The instrument link over a serial port against the virtual instrument on a
// pseudo-terminal mapped to COM41: what goes over the wire, how reply lines
// are cut, the read time-out, single bytes, drains, and open failures. Built
// natively (termios) and for Wine (Win32 comm port).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "link/instrument_link.h"
#include "link/serial.h"
#include "support/link_harness.h"

using namespace qbtest;
using qb::InstrumentLink;

namespace {

// The simulator's filler letters number from to from + count - 1.
std::string Filler(int from, int count) {
  std::string out;
  for (int i = from; i < from + count; ++i) out.push_back(static_cast<char>('A' + i % 26));
  return out;
}

class LinkSerial : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& args) {
    std::string error;
    ASSERT_TRUE(StartSerialSim(sim_, link_, args, &error)) << error;
    ASSERT_EQ(qb::LinkControl(qb::LINK_OPEN, &link_), 0);
    ASSERT_TRUE(qb::SerialHandleValid(link_.serialHandle));
  }
  void TearDown() override { qb::LinkControl(qb::LINK_CLOSE, &link_); }
  std::string Reply(const char* command, int size = 128, int* length = nullptr) {
    return ExchangeReply(link_, command, command ? static_cast<int>(strlen(command)) : 0, size, length);
  }
  SimProcess sim_;
  InstrumentLink link_;
};

TEST_F(LinkSerial, CommandsGoOutAsTheyAreAndTypedLinesWithASeparateCarriageReturn) {
  Start({});
  EXPECT_EQ(qb::SendCommand("*IDN?\n", &link_), 6);
  qb::MainLink = link_;
  EXPECT_FALSE(qb::SendCommandLine("MODE?\n"));
  EXPECT_FALSE(qb::SendCommandLine("^C\n"));  // ETX alone
  EXPECT_FALSE(qb::SendCommandLine("^[["));   // ESC alone
  EXPECT_FALSE(qb::SendCommandLine("^~"));    // not a letter: as typed
  link_ = qb::MainLink;
  qb::MainLink = qb::MakeClosedLink();
  std::string expected = "*IDN?\nMODE?\n\r\x03\r\x1B\r^~\r";
  EXPECT_EQ(ReceivedBytes(sim_, "pty", expected.size()), expected);

  // Once the port is closed a typed line is a failed send, as over the LAN.
  qb::LinkControl(qb::LINK_CLOSE, &link_);
  qb::MainLink = link_;
  EXPECT_TRUE(qb::SendCommandLine("MODE?\n"));
  EXPECT_TRUE(qb::SendCommandLine("^C"));
  qb::MainLink = qb::MakeClosedLink();
}

TEST_F(LinkSerial, RepliesAreCutAtTheFirstCarriageReturnAndKeepABareLineFeed) {
  Start({"--on", "CRLF?=line:ABCD", "--on", "LF?=raw:WXYZ\\n", "--on", "CR?=raw:PQ\\rRS"});
  int length = 0;
  EXPECT_EQ(Reply("CRLF?\n", 128, &length), "ABCD");
  EXPECT_EQ(length, 4);
  EXPECT_EQ(Reply("LF?\n", 128, &length), "WXYZ\n");
  EXPECT_EQ(length, 5);
  // No line feed comes: the read waits out the time-out, then cuts at the CR.
  qb::SetReadTimeout(200, &link_);
  long long start = NowMs();
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

TEST_F(LinkSerial, PackedNumbersGarbageAndHighBytes) {
  Start({"--on", "ONE?=line:\\p{1.0}", "--on", "BIG?=line:\\p{1234.5}", "--on", "CUT?=raw:\\x8B\\x26\\n", "--on",
         "JUNK?=raw:\\g{2000}|line:end"});
  int length = 0;
  EXPECT_EQ(Reply("ONE?\n", 128, &length), "1.00000E0");
  EXPECT_EQ(length, 4);  // the raw reply's length
  EXPECT_EQ(Reply("BIG?\n"), "1.23450E3");
  // Cut off by its line end; the line feed counts as a byte of the number.
  EXPECT_EQ(Reply("CUT?\n", 128, &length), "1.21850E3");  // 0x8B 0x26 0x0A 0x00
  EXPECT_EQ(length, 3);
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

}  // namespace
