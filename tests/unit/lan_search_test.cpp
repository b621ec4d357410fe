// The LAN search's decisions and its parts that need no broadcast: the two
// probes' reply filters, the found-instrument list, what an identification
// reply makes of a row, the list's columns, the identification of found
// addresses against simulators on loopback, and the UDP socket's receive
// side fed by datagrams sent to it on loopback. Built natively and for Wine.
// The probes themselves run only on the virtual LAN (lan_search_netns_test).
#include "link/lan_search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "connection/identification.h"
#include "link/tcp.h"
#include "link/udp.h"
#include "support/link_harness.h"
#include "support/loopback_sockets.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace qbtest;

namespace {

bool AcceptsA(const std::string& reply) {
  return qb::AcceptsProbeAReply(reinterpret_cast<const unsigned char*>(reply.data()), static_cast<int>(reply.size()));
}

bool AcceptsB(const std::string& reply) {
  return qb::AcceptsProbeBReply(reinterpret_cast<const unsigned char*>(reply.data()), static_cast<int>(reply.size()));
}

std::string ProbeBReply(size_t length, unsigned char marker) {
  std::string reply(length, '\x11');
  reply[3] = static_cast<char>(marker);
  return reply;
}

TEST(ProbeReplies, ProbeAWantsMoreThan25BytesFromTheLetterAAndPort10001AfterTheFirstSlash) {
  const std::string padding(19, 'x');
  EXPECT_TRUE(AcceptsA("A" + padding + "/10001"));             // 26 bytes
  EXPECT_FALSE(AcceptsA("A" + padding.substr(1) + "/10001"));  // 25
  EXPECT_FALSE(AcceptsA("A" + padding + "/10002"));
  EXPECT_FALSE(AcceptsA("B" + padding + "/10001"));
  EXPECT_FALSE(AcceptsA("a" + padding + "/10001"));
  EXPECT_FALSE(AcceptsA("A" + padding + ":10001"));  // no slash
  EXPECT_FALSE(AcceptsA("A" + padding + "/"));
  EXPECT_FALSE(AcceptsA("A" + padding + "/10002/10001"));  // only the first slash counts
  // The number is read as atoi reads it: after blanks and a sign, up to the
  // first character that is not a digit.
  EXPECT_TRUE(AcceptsA("A/10001" + padding));
  EXPECT_TRUE(AcceptsA("A" + padding + "/ +10001,LAN"));
  EXPECT_TRUE(AcceptsA("A" + padding + "/010001"));
  EXPECT_FALSE(AcceptsA("A" + padding + "/100010"));
  EXPECT_FALSE(AcceptsA("A" + padding + "/-10001"));
  EXPECT_FALSE(AcceptsA("A" + padding + "/99999999999999999999999910001"));
  // Binary fields before the slash, zero bytes among them, are no obstacle.
  EXPECT_TRUE(AcceptsA(std::string("A\0\x01\xFF", 4) + padding + "/10001"));
  EXPECT_FALSE(AcceptsA(""));
  EXPECT_FALSE(qb::AcceptsProbeAReply(nullptr, 40));
}

TEST(ProbeReplies, ProbeAReadsNothingPastTheReply) {
  // The number runs to the very end of a full-size reply with no terminator
  // after it; a read past the end shows under the address sanitizer.
  std::string text = "A" + std::string(qb::kProbeReplyCapacity - 7, 'x') + "/10001";
  ASSERT_EQ(text.size(), static_cast<size_t>(qb::kProbeReplyCapacity));
  std::vector<unsigned char> exact(text.begin(), text.end());
  EXPECT_TRUE(qb::AcceptsProbeAReply(exact.data(), static_cast<int>(exact.size())));
  // The same bytes cut before the last digit: 1000, not 10001.
  EXPECT_FALSE(qb::AcceptsProbeAReply(exact.data(), static_cast<int>(exact.size()) - 1));
  std::vector<unsigned char> slashLast(text.begin(), text.end() - 5);
  EXPECT_FALSE(qb::AcceptsProbeAReply(slashLast.data(), static_cast<int>(slashLast.size())));
}

TEST(ProbeReplies, ProbeBWantsExactly30BytesWithF7AtByte3) {
  EXPECT_TRUE(AcceptsB(ProbeBReply(30, 0xF7)));
  EXPECT_FALSE(AcceptsB(ProbeBReply(31, 0xF7)));
  EXPECT_FALSE(AcceptsB(ProbeBReply(29, 0xF7)));
  EXPECT_FALSE(AcceptsB(ProbeBReply(30, 0xF6)));
  EXPECT_FALSE(AcceptsB(std::string("\0\0\0\xF6", 4)));  // the request itself, heard back
  EXPECT_FALSE(AcceptsB(""));
  EXPECT_FALSE(qb::AcceptsProbeBReply(nullptr, 30));
  // Each probe's own request is no reply to it.
  EXPECT_FALSE(qb::kProbeA.accepts(qb::kProbeA.request, qb::kProbeA.requestLength));
  EXPECT_FALSE(qb::kProbeB.accepts(qb::kProbeB.request, qb::kProbeB.requestLength));
}

uint32_t Address(const char* dotted) {
  return inet_addr(dotted);
}

TEST(FoundInstruments, AddressesAreListedOnceInOrderUntilTheListIsFull) {
  qb::FoundInstrument list[4];
  memset(list, 0, sizeof list);
  strcpy(list[3].ipAddress, "sentinel");  // beyond the capacity given below
  EXPECT_EQ(qb::AddFoundInstrument(Address("10.1.2.3"), list, 3), 1);
  EXPECT_EQ(qb::AddFoundInstrument(Address("192.168.200.254"), list, 3), 2);
  EXPECT_EQ(qb::AddFoundInstrument(Address("10.1.2.3"), list, 3), -1);  // a second answer
  EXPECT_EQ(qb::AddFoundInstrument(Address("255.255.255.255"), list, 3), 3);
  EXPECT_EQ(qb::AddFoundInstrument(Address("10.9.9.9"), list, 3), -1);  // full
  EXPECT_STREQ(list[0].ipAddress, "10.1.2.3");
  EXPECT_STREQ(list[1].ipAddress, "192.168.200.254");
  EXPECT_STREQ(list[2].ipAddress, "255.255.255.255");
  EXPECT_STREQ(list[3].ipAddress, "sentinel");
  EXPECT_EQ(qb::FoundInstrumentCount(list, 3), 3);
  EXPECT_EQ(qb::AddFoundInstrument(Address("10.1.2.3"), nullptr, 3), -1);
  EXPECT_EQ(qb::AddFoundInstrument(Address("10.1.2.3"), list, 0), -1);

  qb::FoundInstrumentList big;
  memset(&big, 0, sizeof big);
  for (int i = 0; i < qb::kFoundInstrumentCapacity; ++i) {
    uint32_t host = 0x0A000001u + static_cast<uint32_t>(i);  // 10.0.0.1 on
    EXPECT_EQ(qb::AddFoundInstrument(htonl(host), big.records, qb::kFoundInstrumentCapacity), i + 1);
  }
  EXPECT_EQ(qb::AddFoundInstrument(Address("10.0.1.1"), big.records, qb::kFoundInstrumentCapacity), -1);
  EXPECT_EQ(qb::FoundInstrumentCount(big.records, qb::kFoundInstrumentCapacity), qb::kFoundInstrumentCapacity);
  EXPECT_STREQ(big.records[255].ipAddress, "10.0.1.0");
}

TEST(FoundInstruments, RowsNameTheInstrumentAfterItsMakerOrSayWhatFailed) {
  const struct {
    const char* reply;
    qb::FoundRowKind kind;
    const char* text;
  } cases[] = {
      {"QUARTZLINE,HXA1510,0,1.07", qb::ROW_IDENTIFIED, "HXA1510,0,1.07"},
      {"QUARTZLINE,KRV1700,0,1.00", qb::ROW_IDENTIFIED, "KRV1700,0,1.00"},
      {"QUARTZLINE,DWTX300,0,1.00", qb::ROW_IDENTIFIED, "DWTX300,0,1.00"},
      {"QUARTZLINE,ZTQ1200,7,2.01", qb::ROW_IDENTIFIED, "ZTQ1200,7,2.01"},
      {"Marbleway,PSM1735,0,1.12", qb::ROW_IDENTIFIED, "PSM1735,0,1.12"},
      {"QUARTZLINE,HXA", qb::ROW_IDENTIFIED, "HXA"},
      {"Marbleway,", qb::ROW_IDENTIFIED, ""},
      {"QUARTZLINE,DWTX300,0,1.00-build-2014-06-25-rev-c-special", qb::ROW_IDENTIFIED,
       "DWTX300,0,1.00-build-2014-06-25-rev-c-s"},  // 39 characters
      {"QUARTZLINE,XYZ100", qb::ROW_NONE, ""},
      {"quartzline,HXA1510", qb::ROW_NONE, ""},
      {"Othermaker,MX200,0,1.0", qb::ROW_NONE, ""},
      {"", qb::ROW_NONE, ""},  // a reply of zero bytes only
  };
  for (const auto& c : cases) {
    qb::FoundInstrument record;
    memset(&record, 0, sizeof record);
    int length = c.reply[0] ? static_cast<int>(strlen(c.reply)) : 1;
    EXPECT_EQ(qb::RowForReply(c.reply, length, record), c.kind) << c.reply;
    EXPECT_STREQ(qb::RowText(c.kind, record), c.text) << c.reply;
    // The list names exactly the instruments that identification accepts.
    EXPECT_EQ(c.kind == qb::ROW_IDENTIFIED, qb::HasAcceptedPrefix(c.reply)) << c.reply;
  }
  qb::FoundInstrument record;
  memset(&record, 0, sizeof record);
  EXPECT_EQ(qb::RowForReply("", 0, record), qb::ROW_NO_REPLY);
  EXPECT_EQ(qb::RowForReply("", -1, record), qb::ROW_NO_REPLY);
  EXPECT_EQ(qb::RowForReply(nullptr, 5, record), qb::ROW_NO_REPLY);
  EXPECT_STREQ(qb::RowText(qb::ROW_NO_REPLY, record), "Connection Failed 2");
  EXPECT_STREQ(qb::RowText(qb::ROW_NO_CONNECTION, record), "Connection Failed 1");
  EXPECT_STREQ(record.identification, "");
}

TEST(FoundInstruments, ColumnsShareTheListsWidthThirtySeventy) {
  EXPECT_EQ(qb::ChooseListColumnWidths(369).address, 110);
  EXPECT_EQ(qb::ChooseListColumnWidths(369).instrument, 258);
  EXPECT_EQ(qb::ChooseListColumnWidths(100).address, 30);
  EXPECT_EQ(qb::ChooseListColumnWidths(100).instrument, 70);
  EXPECT_EQ(qb::ChooseListColumnWidths(0).instrument, 0);
  EXPECT_EQ(qb::ChooseListColumnWidths(-5).address, 0);
}

struct Row {
  int index;
  std::string address, text;
  bool operator==(const Row& o) const { return index == o.index && address == o.address && text == o.text; }
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << row.index << " " << row.address << " \"" << row.text << "\"";
}

void CollectRow(void* context, int index, const char* address, const char* text) {
  static_cast<std::vector<Row>*>(context)->push_back({index, address, text});
}

TEST(FoundInstruments, AFullListOfSilentAddressesIsAskedAllAtOnceWithinTheBound) {
  // Every record in use, each asked over a connection of its own: two
  // instruments that answer, one whose maker the list does not name (no row),
  // an address where nobody listens, a few where nobody answers the connect (a
  // listener with a full backlog) and, for the rest, peers that take the
  // connection and the query and never answer.
  SimProcess hxa, ztq, stranger;
  qb::InstrumentLink unused = qb::MakeClosedLink();
  std::string error;
  ASSERT_TRUE(StartLanSim(hxa, unused, {"--model", "hxa"}, &error)) << error;
  std::string hxaAddress = unused.ipAddress;
  ASSERT_TRUE(StartLanSim(ztq, unused, {"--model", "ztq", "--once", "0=line:GREETING"}, &error)) << error;
  std::string ztqAddress = unused.ipAddress;
  ASSERT_TRUE(StartLanSim(stranger, unused, {"--idn", "Othermaker,MX200"}, &error)) << error;
  std::string strangerAddress = unused.ipAddress;
  std::vector<std::unique_ptr<LoopbackListener>> peers;
  qb::FoundInstrumentList list;
  memset(&list, 0, sizeof list);
  std::vector<Row> expected;
  for (int i = 0; i < qb::kFoundInstrumentCapacity; ++i) {
    std::string address = LoopbackAddress(), text = "Connection Failed 2";
    if (i == 3) {
      address = hxaAddress;
      text = "HXA1510,0,1.07";
    } else if (i == 200) {
      address = ztqAddress;  // its greeting goes in the drain before the query
      text = "ZTQ1200,7,2.01";
    } else if (i == 100) {
      text = "Connection Failed 1";
    } else if (i == 50) {
      address = strangerAddress;
      text.clear();
    } else {
      peers.push_back(std::make_unique<LoopbackListener>());
      if (i % 50 == 7) {
        ASSERT_TRUE(peers.back()->Listen(address, 10001, 1)) << address;
        ASSERT_TRUE(peers.back()->FillBacklog()) << address;
        text = "Connection Failed 1";
      } else {
        ASSERT_TRUE(peers.back()->Listen(address, 10001)) << address;
      }
    }
    snprintf(list.records[i].ipAddress, sizeof list.records[i].ipAddress, "%s", address.c_str());
    if (!text.empty()) expected.push_back({i, address, text});
  }

  qb::SetLanReadTimeout(1234);
  std::vector<Row> rows;
  long long start = NowMs();
  int made = qb::IdentifyFoundInstruments(list, CollectRow, &rows);
  long long took = NowMs() - start;
  EXPECT_EQ(made, qb::kFoundInstrumentCapacity - 1);
  EXPECT_EQ(rows, expected);
  // One connect limit for all: the unanswered connects cost 2 s together.
  EXPECT_GE(took, qb::kConnectTimeoutMs - 50);
  EXPECT_LE(took, qb::kFoundIdentifyLimitMs + 500);
  EXPECT_EQ(qb::LanReadTimeout, 5000u);
  // One query each, with the zero byte of the LAN framing.
  EXPECT_EQ(ReceivedBytes(hxa, "tcp", 7), std::string("*IDN?\n\0", 7));
  EXPECT_EQ(ReceivedBytes(stranger, "tcp", 7), std::string("*IDN?\n\0", 7));
  EXPECT_STREQ(list.records[3].identification, "HXA1510,0,1.07");
  EXPECT_STREQ(list.records[50].identification, "");
  EXPECT_FALSE(qb::WinsockStarted);
}

TEST(FoundInstruments, ASearchWhileALanLinkIsOpenLeavesThatLinkWorking) {
  SimProcess connected, found;
  qb::InstrumentLink link = qb::MakeClosedLink(), other = qb::MakeClosedLink();
  std::string error;
  ASSERT_TRUE(StartLanSim(connected, link, {"--model", "ztq"}, &error)) << error;
  ASSERT_TRUE(StartLanSim(found, other, {"--model", "hxa"}, &error)) << error;
  ASSERT_EQ(qb::LinkControl(qb::LINK_OPEN, &link), 0);
  qb::FoundInstrumentList list;
  memset(&list, 0, sizeof list);
  snprintf(list.records[0].ipAddress, sizeof list.records[0].ipAddress, "%.15s", other.ipAddress);
  // After the first empty record nothing more is asked (here it would be a
  // second row, "Connection Failed 1").
  snprintf(list.records[2].ipAddress, sizeof list.records[2].ipAddress, "%s", LoopbackAddress().c_str());
  std::vector<Row> rows;
  EXPECT_EQ(qb::IdentifyFoundInstruments(list, CollectRow, &rows), 1);
  // Windows Sockets stays started for the open link, and the link works.
  EXPECT_TRUE(qb::WinsockStarted);
  EXPECT_EQ(ExchangeReply(link, "*IDN?\n", 0), "QUARTZLINE,ZTQ1200,7,2.01");
  qb::LinkControl(qb::LINK_CLOSE, &link);
  EXPECT_FALSE(qb::WinsockStarted);
}

// A local port for the search's socket that this test process alone uses.
int OpenOnPrivatePort() {
  static const int base = 20000 + static_cast<int>(NowMs() % 20000);
  for (int i = 0; i < 50; ++i) {
    if (qb::UdpOpen(base + i * 7) == 0) return base + i * 7;
  }
  return -1;
}

TEST(UdpSocket, ReceiveDropsEmptyAndOversizedDatagramsAndNamesTheSender) {
  int port = OpenOnPrivatePort();
  ASSERT_GT(port, 0);
  EXPECT_NE(qb::DiscoverySocket.socket, qb::kNoHandle);
  EXPECT_EQ(qb::DiscoverySocket.broadcastAddress, 0xFFFFFFFFu);
  unsigned char buffer[qb::kProbeReplyCapacity + 1];
  uint32_t sender = 0;
  EXPECT_EQ(qb::UdpReceive(&sender, buffer, qb::kProbeReplyCapacity), 0);  // nothing waiting

#ifdef _WIN32
  // Wine binds a datagram socket given a loopback address to the loopback
  // interface instead, so its datagrams come from 127.0.0.1.
  std::string address = "127.0.0.1";
#else
  std::string address = LoopbackAddress();
#endif
  LoopbackDatagrams instrument(address);
  ASSERT_TRUE(instrument.Bound());
  const std::string reply = ProbeBReply(30, 0xF7);
  ASSERT_TRUE(instrument.SendTo("127.0.0.1", port, ""));
  ASSERT_TRUE(
      instrument.SendTo("127.0.0.1", port, std::string(qb::kProbeReplyCapacity + 1, 'A')));  // over the capacity
  ASSERT_TRUE(instrument.SendTo("127.0.0.1", port, std::string(1600, 'A')));                 // over any datagram
  ASSERT_TRUE(instrument.SendTo("127.0.0.1", port, reply));
  ASSERT_TRUE(instrument.SendTo("127.0.0.1", port, std::string(qb::kProbeReplyCapacity, 'B')));  // exactly the capacity
  memset(buffer, 0x5A, sizeof buffer);
  int length = 0;
  ASSERT_TRUE(WaitFor([&] { return (length = qb::UdpReceive(&sender, buffer, qb::kProbeReplyCapacity)) != 0; }, 2000));
  ASSERT_EQ(length, 30);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 30), reply);
  EXPECT_EQ(sender, inet_addr(address.c_str()));
  ASSERT_TRUE(WaitFor([&] { return (length = qb::UdpReceive(&sender, buffer, qb::kProbeReplyCapacity)) != 0; }, 2000));
  EXPECT_EQ(length, qb::kProbeReplyCapacity);
  EXPECT_EQ(buffer[qb::kProbeReplyCapacity], 0x5A);  // nothing written past the capacity
  EXPECT_EQ(qb::UdpReceive(&sender, buffer, qb::kProbeReplyCapacity), 0);

  // Refused before anything is sent: too long for one datagram.
  std::string tooLong(qb::kUdpDatagramLimit + 1, 'X');
  EXPECT_EQ(qb::UdpSend(port, tooLong.data(), static_cast<int>(tooLong.size())), -1);
  qb::UdpClose();
  EXPECT_EQ(qb::DiscoverySocket.socket, qb::kNoHandle);
  EXPECT_EQ(qb::UdpSend(port, "X", 1), -1);
  EXPECT_EQ(qb::UdpReceive(&sender, buffer, qb::kProbeReplyCapacity), -1);
  qb::UdpClose();  // twice is harmless
}

}  // namespace
