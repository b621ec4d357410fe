// The virtual instrument's answers to the LAN search, asked directly on a
// loopback address of its own: each responder answers only its probe's
// request, with every reply it was given, in the shapes the LAN search tests
// rely on (lengths, first bytes, port numbers).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/host.h"
#include "support/loopback_sockets.h"
#include "support/sim_process.h"

using namespace qbtest;

namespace {

// Sends request to address:port from a socket of its own and collects the
// datagrams that come back within waitMs.
std::vector<std::string> Ask(const std::string& address, int port, const std::string& request, int waitMs = 300) {
  LoopbackDatagrams asker;
  if (!asker.SendTo(address, port, request)) return {};
  return asker.Receive(waitMs);
}

TEST(SimDiscovery, RespondersAnswerTheirOwnRequestWithEveryReplyShape) {
  SimProcess sim;
  std::string address = LoopbackAddress();
  std::string error;
  ASSERT_TRUE(sim.Start(
      {"--no-tcp", "--udp-address", address, "--probe-a", "ok", "--probe-a", "ok", "--probe-a", "short", "--probe-a",
       "port", "--probe-b", "ok", "--probe-b", "long", "--probe-b", "marker", "--probe-b", "raw:"},
      &error))
      << error;
  std::vector<std::string> a = Ask(address, 65535, "X");
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[0], "AQZL-LAN-00:1A:2B:3C/10001");
  EXPECT_EQ(a[1], a[0]);
  EXPECT_EQ(a[2].size(), 25u);
  EXPECT_EQ(a[2].substr(19), "/10001");
  EXPECT_EQ(a[3].substr(a[3].size() - 6), "/10002");

  std::vector<std::string> b = Ask(address, 30718, std::string("\0\0\0\xF6", 4));
  ASSERT_EQ(b.size(), 4u);
  EXPECT_EQ(b[0].size(), 30u);
  EXPECT_EQ(static_cast<unsigned char>(b[0][3]), 0xF7);
  EXPECT_EQ(b[1].size(), 31u);
  EXPECT_EQ(static_cast<unsigned char>(b[1][3]), 0xF7);
  EXPECT_EQ(b[2].size(), 30u);
  EXPECT_EQ(static_cast<unsigned char>(b[2][3]), 0xF6);
  EXPECT_EQ(b[3], "");

  // Anything else is heard (and recorded) but not answered.
  EXPECT_TRUE(Ask(address, 65535, "XX", 150).empty());
  EXPECT_TRUE(Ask(address, 30718, "X", 150).empty());
  auto records = sim.Transcript();
  EXPECT_EQ(TranscriptBytes(records, "in", "udpa"), "XXX");
  EXPECT_EQ(TranscriptBytes(records, "out", "udpb").size(), 30u + 31u + 30u);
}

TEST(SimDiscovery, UnknownShapesAreRefused) {
  SimProcess sim;
  std::string error;
  EXPECT_FALSE(sim.Start({"--no-tcp", "--probe-a", "long"}, &error));
  EXPECT_FALSE(sim.Start({"--no-tcp", "--probe-b", "letter"}, &error));
  EXPECT_FALSE(sim.Start({"--no-tcp", "--probe-b", "raw:\\xZZ"}, &error));
}

}  // namespace
