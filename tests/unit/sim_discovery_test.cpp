// The virtual instrument's answers to the LAN search, asked directly on a
// loopback address of its own: each responder answers only its probe's
// request, with every reply it was given, in the shapes the LAN search tests
// rely on (lengths, first bytes, port numbers).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/host.h"
#include "support/sim_process.h"

using namespace qbtest;

namespace {

// Sends request to address:port from a socket of its own and collects the
// datagrams that come back within waitMs.
std::vector<std::string> Ask(const std::string& address, int port, const std::string& request, int waitMs = 300) {
  std::vector<std::string> replies;
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return replies;
  sockaddr_in peer = {};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port));
  peer.sin_addr.s_addr = inet_addr(address.c_str());
  sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
  long long deadline = NowMs() + waitMs;
  for (long long now = NowMs(); now < deadline; now = NowMs()) {
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(deadline - now)) <= 0) break;
    char buffer[2048];
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n >= 0) replies.emplace_back(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return replies;
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
