// The link's debug trace: the formats of sends, reply lines and byte reads,
// when each is written, and that nothing is written while the trace is off.
#include "link/trace.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "link/instrument_link.h"
#include "support/link_harness.h"

using namespace qbtest;

namespace {

class LinkTrace : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(StartLanSim(sim_, link_, {"--on", "PK?=line:\\p{1.0}"}, &error)) << error;
    ASSERT_EQ(qb::LinkControl(qb::LINK_OPEN, &link_), 0);
    trace_.Clear();
  }
  void TearDown() override {
    qb::TraceEnabled = true;
    qb::LinkControl(qb::LINK_CLOSE, &link_);
  }
  SimProcess sim_;
  qb::InstrumentLink link_;
  TraceCapture trace_;
};

TEST_F(LinkTrace, SendsAndRepliesAreTracedOnlyWhileConnected) {
  char buffer[128];
  // Identification runs before the link counts as connected: no trace.
  ASSERT_EQ(qb::SendCommand("*IDN?\n", &link_), 0);
  ASSERT_GT(qb::ReadReply(buffer, sizeof buffer, &link_), 0);
  EXPECT_EQ(trace_.Text(), "");

  link_.ConnectedFlag = true;
  ASSERT_EQ(qb::SendCommand("*IDN?\n", &link_), 0);
  ASSERT_EQ(qb::ReadReply(buffer, sizeof buffer, &link_), 25);
  EXPECT_EQ(trace_.Pieces(),
            (std::vector<std::string>{">>r:0\t", "*IDN?\n", "<<r:25\t", "QUARTZLINE,HXA1510,0,1.07", "\n"}));
  // A packed reply is traced as it came (up to its first zero byte); DC4 as
  // its octal escape.
  trace_.Clear();
  ASSERT_EQ(qb::SendCommand("PK?\n", &link_), 0);
  ASSERT_EQ(qb::ReadReply(buffer, sizeof buffer, &link_), 4);
  EXPECT_STREQ(buffer, "1.00000E0");
  ASSERT_EQ(qb::SendCommand("\x14", &link_), 0);
  EXPECT_EQ(trace_.Text(), ">>r:0\tPK?\n<<r:4\t\x81\x20\n>>r:0\t\\024\n");
  // A failed send shows its result.
  trace_.Clear();
  qb::InstrumentLink closed = qb::MakeClosedLink();
  closed.kind = qb::LINK_LAN;
  closed.ConnectedFlag = true;
  EXPECT_EQ(qb::SendCommand("X\n", &closed), -1);
  EXPECT_EQ(trace_.Text(), ">>r:-1\tX\n");
}

TEST_F(LinkTrace, ByteReadsAndDrainsAreTracedAlwaysAndNothingWhileTheTraceIsOff) {
  // A read that finds nothing shows as a blank, connected or not.
  EXPECT_EQ(qb::ReadByte(&link_), -2);
  EXPECT_EQ(trace_.Text(), " ");
  ASSERT_EQ(qb::SendCommand("*IDN?\n", &link_), 0);
  std::string got;
  ASSERT_TRUE(WaitFor(
      [&] {
        int byte;
        while ((byte = qb::ReadByte(&link_)) >= 0) got.push_back(static_cast<char>(byte));
        return got.size() >= 27;
      },
      2000));
  EXPECT_EQ(got, "QUARTZLINE,HXA1510,0,1.07\r\n");
  std::string traced = trace_.Text();
  EXPECT_EQ(traced.substr(traced.find('Q'), got.size()), got);

  trace_.Clear();
  ASSERT_EQ(qb::SendCommand("*IDN?\n", &link_), 0);
  qb::Drain(&link_, 200);
  EXPECT_NE(trace_.Text().find("QUARTZLINE,HXA1510,0,1.07\r\n"), std::string::npos);

  qb::TraceEnabled = false;
  trace_.Clear();
  link_.ConnectedFlag = true;
  char buffer[128];
  ASSERT_EQ(qb::SendCommand("*IDN?\n", &link_), 0);
  ASSERT_GT(qb::ReadReply(buffer, sizeof buffer, &link_), 0);
  qb::ReadByte(&link_);
  qb::Drain(&link_, 0);
  EXPECT_EQ(trace_.Text(), "");
}

#ifdef _WIN32
TEST(TraceListener, TheDebuggerOutputIsWrittenOnlyWhileAViewerListens) {
  // No debugger and no viewer in the test run.
  EXPECT_FALSE(qb::TraceListenerPresent());
  // A debug output viewer publishes this event while it runs.
  HANDLE viewer = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(WaitFor([] { return qb::TraceListenerPresent(); }, 3000));
  CloseHandle(viewer);
  EXPECT_TRUE(WaitFor([] { return !qb::TraceListenerPresent(); }, 3000));
}
#endif

}  // namespace
