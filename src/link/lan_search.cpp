// The LAN search's probes, reply filters and found-instrument list, and the
// identification of each found address; see lan_search.h.
#include "link/lan_search.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/tick_clock.h"
#include "link/tcp.h"
#include "link/udp.h"

namespace qb {

namespace {

constexpr unsigned char kProbeARequest[] = {'X'};
constexpr unsigned char kProbeBRequest[] = {0x00, 0x00, 0x00, 0xF6};
constexpr int kProbeAMinimumLength = 26;
constexpr int kProbeBLength = 30;
constexpr int kProbeBMarkerIndex = 3;
constexpr unsigned char kProbeBMarker = 0xF7;
// Replies taken from the socket in one poll at most, so a flood of datagrams
// cannot hold a poll beyond the probe's listening time by much.
constexpr int kRepliesPerPoll = 256;

// The makers whose instruments the list names. The same makers as the
// identification of a connected instrument: an instrument the program can
// connect to is one the user expects to choose here.
constexpr const char* kListedMakers[] = {"QUARTZLINE,KRV", "QUARTZLINE,ZTQ", "QUARTZLINE,DWTX", "QUARTZLINE,HXA",
                                         "Marbleway,"};

bool IsSpace(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// The number at the start of bytes as atoi reads it (leading white space, a
// sign, then digits), without reading past length. Values too large to matter
// come back as a number above every port.
long LeadingNumber(const unsigned char* bytes, int length) {
  int i = 0;
  while (i < length && IsSpace(bytes[i])) ++i;
  bool negative = false;
  if (i < length && (bytes[i] == '+' || bytes[i] == '-')) negative = bytes[i++] == '-';
  long value = 0;
  for (; i < length && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
    if (value < 1000000) value = value * 10 + (bytes[i] - '0');
  }
  return negative ? -value : value;
}

bool HasListedMaker(const char* reply) {
  for (const char* maker : kListedMakers) {
    if (strncmp(reply, maker, strlen(maker)) == 0) return true;
  }
  return false;
}

}  // namespace

const DiscoveryProbe kProbeA = {65534, 65535, kProbeARequest, sizeof kProbeARequest, AcceptsProbeAReply};
const DiscoveryProbe kProbeB = {30718, 30718, kProbeBRequest, sizeof kProbeBRequest, AcceptsProbeBReply};

bool AcceptsProbeAReply(const unsigned char* reply, int length) {
  if (!reply || length < kProbeAMinimumLength || reply[0] != 'A') return false;
  const void* slash = memchr(reply, '/', static_cast<size_t>(length));
  if (!slash) return false;
  const unsigned char* number = static_cast<const unsigned char*>(slash) + 1;
  return LeadingNumber(number, static_cast<int>(reply + length - number)) == kProbeAServicePort;
}

bool AcceptsProbeBReply(const unsigned char* reply, int length) {
  return reply && length == kProbeBLength && reply[kProbeBMarkerIndex] == kProbeBMarker;
}

int AddFoundInstrument(uint32_t sender, FoundInstrument* list, int capacity) {
  if (!list) return -1;
  unsigned char octets[4];
  memcpy(octets, &sender, sizeof octets);  // network byte order: first octet first
  char address[sizeof list->ipAddress];
  snprintf(address, sizeof address, "%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
  for (int i = 0; i < capacity; ++i) {
    FoundInstrument& record = list[i];
    if (record.ipAddress[0] == '\0') {
      memcpy(record.ipAddress, address, sizeof address);
      return i + 1;
    }
    if (strncmp(record.ipAddress, address, sizeof record.ipAddress) == 0) return -1;
  }
  return -1;
}

int FoundInstrumentCount(const FoundInstrument* list, int capacity) {
  int count = 0;
  while (list && count < capacity && list[count].ipAddress[0] != '\0') ++count;
  return count;
}

int DiscoverProbe(const DiscoveryProbe& probe, FoundInstrument* list, int capacity) {
  if (!list || capacity <= 0) return 0;
  memset(list, 0, sizeof(FoundInstrument) * static_cast<size_t>(capacity));
  int count = 0;
  if (UdpOpen(probe.localPort) != 0) return 0;
  for (int send = 0; send < kProbeSends; ++send) {
    UdpSend(probe.destinationPort, probe.request, probe.requestLength);
    const uint64_t sent = SteadyMs();
    do {
      // Every reply waiting is taken at each poll, so more instruments than
      // polls can answer without any being left out.
      for (int taken = 0; taken < kRepliesPerPoll; ++taken) {
        unsigned char reply[kProbeReplyCapacity] = {};
        uint32_t sender = 0;
        int length = UdpReceive(&sender, reply, sizeof reply);
        if (length <= 0) break;
        if (!probe.accepts(reply, length)) continue;
        int added = AddFoundInstrument(sender, list, capacity);
        if (added > 0) count = added;
      }
      SleepMs(kProbePollMs);
    } while (SteadyMs() - sent < static_cast<uint64_t>(kProbeListenMs));
  }
  UdpClose();
  return count;
}

int DiscoverProbeA(FoundInstrument* list, int capacity) {
  return DiscoverProbe(kProbeA, list, capacity);
}

int DiscoverProbeB(FoundInstrument* list, int capacity) {
  return DiscoverProbe(kProbeB, list, capacity);
}

int DiscoverInstruments(FoundInstrumentList& list) {
  int count = DiscoverProbeA(list.records, kFoundInstrumentCapacity);
  if (count < kFoundInstrumentCapacity) count += DiscoverProbeB(list.records + count, kFoundInstrumentCapacity - count);
  return count;
}

FoundRowKind RowForReply(const char* reply, int length, FoundInstrument& record) {
  if (!reply || length <= 0) return ROW_NO_REPLY;
  if (!HasListedMaker(reply)) return ROW_NONE;
  const char* comma = strchr(reply, ',');  // every listed maker's name ends in one
  snprintf(record.identification, sizeof record.identification, "%s", comma ? comma + 1 : "");
  return ROW_IDENTIFIED;
}

const char* RowText(FoundRowKind kind, const FoundInstrument& record) {
  switch (kind) {
    case ROW_IDENTIFIED:
      return record.identification;
    case ROW_NO_CONNECTION:
      return kNoConnectionText;
    case ROW_NO_REPLY:
      return kNoReplyText;
    default:
      return "";
  }
}

namespace {

// One found address on its way through the identification.
struct Asking {
  enum Phase { CONNECTING, DRAINING, AWAITING, DONE } phase;
  InstrumentLink link;  // kind LAN: its socket and receive ring
  uint64_t since;       // when the phase began
  uint64_t lastByte;    // when the reply last grew
  char reply[kFoundReplySize];
  int length;
  FoundRowKind row;
};

void Finish(Asking& a, FoundRowKind row) {
  TcpClose(a.link.socket);
  a.row = row;
  a.phase = Asking::DONE;
}

// Takes what has arrived into the reply, as the link's line read does:
// carriage returns dropped, bytes past the buffer dropped, a line feed ends
// it. True when the line is complete.
bool TakeReply(Asking& a) {
  int byte;
  while ((byte = RingTake(&a.link)) >= 0) {
    if (byte == '\n') return true;
    if (byte == '\r') continue;
    if (a.length < kFoundReplySize - 1) a.reply[a.length++] = static_cast<char>(byte);
  }
  return false;
}

// Moves one address on after its socket was waited for.
void Advance(Asking& a, bool ready, uint64_t now, uint64_t connectDeadline, FoundInstrument& record) {
  if (a.phase == Asking::CONNECTING) {
    if (ready) {
      if (TcpConnectResult(a.link.socket) != 0) return Finish(a, ROW_NO_CONNECTION);
      a.phase = Asking::DRAINING;
      a.since = now;
    } else if (now >= connectDeadline) {
      return Finish(a, ROW_NO_CONNECTION);
    }
    return;
  }
  int pumped = 0;
  if (ready) {
    // Up to a ring's worth at a time, so one flooding address cannot hold
    // the others up.
    for (int i = 0; i < kReceiveRingSize / kTcpReceiveChunk && (pumped = TcpPump(&a.link)) > 0; ++i) {
      if (a.phase == Asking::DRAINING) {
        RingReset(&a.link);
      } else {
        a.lastByte = now;
        if (TakeReply(a)) {
          a.reply[a.length] = '\0';
          return Finish(a, RowForReply(a.reply, a.length, record));
        }
      }
    }
  }
  if (a.phase == Asking::DRAINING) {
    if (now - a.since < static_cast<uint64_t>(kFoundDrainMs)) return;
    RingReset(&a.link);
    if (TcpSend(&a.link, "*IDN?\n") != 0) return Finish(a, ROW_NO_REPLY);
    a.phase = Asking::AWAITING;
    a.since = a.lastByte = now;
    return;
  }
  // A peer that has closed will say nothing more.
  if (pumped < 0 || now - a.lastByte >= static_cast<uint64_t>(kFoundIdentifyTimeoutMs) ||
      now - a.since >= static_cast<uint64_t>(kFoundReplyLimitMs)) {
    Finish(a, ROW_NO_REPLY);
  }
}

}  // namespace

int IdentifyFoundInstruments(FoundInstrumentList& list, FoundRowSink sink, void* context) {
  const int count = FoundInstrumentCount(list.records, kFoundInstrumentCapacity);
  SetLanReadTimeout(kFoundIdentifyTimeoutMs);
  // Sockets need Windows Sockets started; a link that is open keeps it.
  const bool wasStarted = WinsockStarted;
  const bool started = WinsockControl(WINSOCK_START) == 0;
  std::vector<Asking> asked(static_cast<size_t>(count));
  const uint64_t start = SteadyMs();
  const uint64_t connectDeadline = start + kConnectTimeoutMs;
  for (int i = 0; i < count; ++i) {
    Asking& a = asked[static_cast<size_t>(i)];
    a.link = MakeClosedLink();
    a.link.kind = LINK_LAN;
    a.length = 0;
    a.row = ROW_NONE;
    a.since = a.lastByte = start;
    a.phase = Asking::CONNECTING;
    char address[sizeof list.records[i].ipAddress];
    snprintf(address, sizeof address, "%.*s", static_cast<int>(strnlen(list.records[i].ipAddress, sizeof address - 1)),
             list.records[i].ipAddress);
    int connecting = started ? TcpConnectStart(address, a.link.socket) : -1;
    if (connecting < 0) {
      Finish(a, ROW_NO_CONNECTION);
    } else if (connecting == 0) {
      a.phase = Asking::DRAINING;
    }
  }

  std::vector<intptr_t> sockets(static_cast<size_t>(count));
  std::vector<int> owners(static_cast<size_t>(count));
  std::unique_ptr<bool[]> wantWrite(new bool[static_cast<size_t>(count) + 1]);
  std::unique_ptr<bool[]> ready(new bool[static_cast<size_t>(count) + 1]);
  for (;;) {
    int waiting = 0;
    for (int i = 0; i < count; ++i) {
      const Asking& a = asked[static_cast<size_t>(i)];
      if (a.phase == Asking::DONE) continue;
      sockets[static_cast<size_t>(waiting)] = a.link.socket;
      wantWrite[waiting] = a.phase == Asking::CONNECTING;
      owners[static_cast<size_t>(waiting++)] = i;
    }
    if (waiting == 0) break;
    uint64_t now = SteadyMs();
    if (now - start >= static_cast<uint64_t>(kFoundIdentifyLimitMs)) {
      for (int w = 0; w < waiting; ++w) {
        Asking& a = asked[static_cast<size_t>(owners[static_cast<size_t>(w)])];
        Finish(a, a.phase == Asking::CONNECTING ? ROW_NO_CONNECTION : ROW_NO_REPLY);
      }
      break;
    }
    // Short slices: the drains and time-outs of the others run on the clock.
    if (TcpWaitAny(sockets.data(), wantWrite.get(), ready.get(), waiting, 10) < 0) {
      for (int w = 0; w < waiting; ++w) ready[w] = false;
      SleepMs(10);
    }
    now = SteadyMs();
    for (int w = 0; w < waiting; ++w) {
      int i = owners[static_cast<size_t>(w)];
      Advance(asked[static_cast<size_t>(i)], ready[w], now, connectDeadline, list.records[i]);
    }
  }
  if (started && !wasStarted) WinsockControl(WINSOCK_STOP);
  SetLanReadTimeout(kDefaultReadTimeoutMs);

  int rows = 0;
  for (int i = 0; i < count; ++i) {
    const Asking& a = asked[static_cast<size_t>(i)];
    if (a.row == ROW_NONE) continue;
    char address[sizeof list.records[i].ipAddress];
    snprintf(address, sizeof address, "%.*s", static_cast<int>(strnlen(list.records[i].ipAddress, sizeof address - 1)),
             list.records[i].ipAddress);
    if (sink) sink(context, i, address, RowText(a.row, list.records[i]));
    ++rows;
  }
  return rows;
}

ChooseListColumns ChooseListColumnWidths(int clientWidth) {
  if (clientWidth < 0) clientWidth = 0;
  return {clientWidth * 30 / 100, clientWidth * 70 / 100};
}

}  // namespace qb
