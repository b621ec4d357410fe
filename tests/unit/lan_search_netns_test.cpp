// The LAN search on a virtual LAN: both probes broadcast for real and the
// simulators' responders answer them with accepted and rejected replies.
// These cases need the network namespaces that tests/support/lan-netns.sh
// makes (CTest runs them as netns.LanSearch); anywhere else they skip, so that
// no broadcast ever leaves through the machine's own interfaces.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "common/tick_clock.h"
#include "link/lan_search.h"
#include "link/tcp.h"
#include "link/udp.h"
#include "support/sim_process.h"
#include "support/virtual_lan.h"

using namespace qbtest;

namespace {

std::multiset<std::string> Addresses(const qb::FoundInstrument* list, int count) {
  std::multiset<std::string> out;
  for (int i = 0; i < count; ++i) out.insert(list[i].ipAddress);
  return out;
}

// The datagrams a simulator's responder received, each as a string.
std::vector<std::string> Requests(const char* name, const char* channel) {
  std::vector<std::string> out;
  for (const auto& r : ParseTranscript(ReadHostFile(Instrument((std::string(name) + "_transcript").c_str())))) {
    if (r.channel == channel && r.dir == "in") out.push_back(r.bytes);
  }
  return out;
}

TEST(LanSearchNetns, EachProbeListsTheAddressesWhoseRepliesItAcceptsOnce) {
  REQUIRE_VIRTUAL_LAN();
  size_t askedA = Requests("hxa", "udpa").size(), askedB = Requests("ztq", "udpb").size();
  qb::FoundInstrumentList list;
  memset(&list, 0x7F, sizeof list);  // the probe clears what it is given
  uint64_t start = qb::SteadyMs();
  int a = qb::DiscoverProbeA(list.records, qb::kFoundInstrumentCapacity);
  uint64_t middle = qb::SteadyMs();
  printf("probe A: %d found in %llu ms\n", a, static_cast<unsigned long long>(middle - start));
  EXPECT_EQ(a, 4);
  EXPECT_EQ(Addresses(list.records, a), (std::multiset<std::string>{Instrument("hxa"), Instrument("twice"),
                                                                    Instrument("silent"), Instrument("stranger")}));
  EXPECT_EQ(list.records[a].ipAddress[0], '\0');
  EXPECT_EQ(qb::DiscoverySocket.localAddress, inet_addr(Instrument("client").c_str()));
  EXPECT_EQ(qb::DiscoverySocket.socket, qb::kNoHandle);
  EXPECT_EQ(list.records[qb::kFoundInstrumentCapacity - 1].identification[0], '\0');

  int b = qb::DiscoverProbeB(list.records, qb::kFoundInstrumentCapacity);
  printf("probe B: %d found in %llu ms\n", b, static_cast<unsigned long long>(qb::SteadyMs() - middle));
  EXPECT_EQ(b, 4);
  EXPECT_EQ(Addresses(list.records, b), (std::multiset<std::string>{Instrument("ztq"), Instrument("twice"),
                                                                    Instrument("refusing"), Instrument("long")}));

  // Three sends of each request, byte for byte, heard by every responder,
  // the one that answers only with rejected shapes too.
  std::vector<std::string> heardA = Requests("hxa", "udpa"), heardB = Requests("ztq", "udpb");
  ASSERT_GE(heardA.size(), askedA);
  ASSERT_GE(heardB.size(), askedB);
  heardA.erase(heardA.begin(), heardA.begin() + static_cast<long>(askedA));
  heardB.erase(heardB.begin(), heardB.begin() + static_cast<long>(askedB));
  EXPECT_EQ(heardA, std::vector<std::string>(3, "X"));
  EXPECT_EQ(heardB, std::vector<std::string>(3, std::string("\0\0\0\xF6", 4)));
  EXPECT_GE(Requests("rejected", "udpa").size(), 3u);
  EXPECT_GE(Requests("rejected", "udpb").size(), 3u);
}

TEST(LanSearchNetns, BothProbesShareOneListAndARepliesComeFirst) {
  REQUIRE_VIRTUAL_LAN();
  qb::FoundInstrumentList list;
  memset(&list, 0, sizeof list);
  int count = qb::DiscoverInstruments(list);
  ASSERT_EQ(count, 8);
  // The instrument that answers both probes is listed once by each.
  EXPECT_EQ(Addresses(list.records, 4), (std::multiset<std::string>{Instrument("hxa"), Instrument("twice"),
                                                                    Instrument("silent"), Instrument("stranger")}));
  EXPECT_EQ(Addresses(list.records + 4, 4), (std::multiset<std::string>{Instrument("ztq"), Instrument("twice"),
                                                                        Instrument("refusing"), Instrument("long")}));

  // What the found addresses are then asked is FoundInstruments' on loopback
  // (lan_search_test) and CliDiscoverNetns' here.
}

TEST(LanSearchNetns, AProbeWhoseSocketCannotBeBoundFindsNothing) {
  REQUIRE_VIRTUAL_LAN();
  // A socket without SO_REUSEADDR holds probe A's port, so the probe's bind
  // fails.
  int holder = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(holder, 0);
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(qb::kProbeA.localPort));
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  size_t asked = Requests("hxa", "udpa").size();
  qb::FoundInstrument list[4];
  memset(list, 0x7F, sizeof list);
  EXPECT_EQ(qb::DiscoverProbeA(list, 4), 0);
  EXPECT_EQ(list[0].ipAddress[0], '\0');
  close(holder);
  SleepMs(100);
  EXPECT_EQ(Requests("hxa", "udpa").size(), asked);
}

}  // namespace
