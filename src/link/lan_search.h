// The LAN search: two UDP broadcast probes of different formats find the
// instruments on the local subnet, their addresses go into a list of found
// instruments, and each address is then asked over TCP for its identity to
// make the rows of the "Please Choose Instrument" list. The decisions (which
// probe replies count, how the list is kept, what an identification reply
// makes of a row, the list's column widths) and the probes themselves are
// portable; the UDP socket calls come from the Winsock or BSD socket driver
// (udp.h), the dialog from lan_search_win.cpp.
#pragma once

#include <cstdint>

#include "link/instrument_link.h"
#include "link/tcp.h"

namespace qb {

// One instrument that answered a probe: its address and, once it has been
// asked, the part of its identification after the maker's name.
struct FoundInstrument {
  char ipAddress[16];       // dotted IPv4, zero-terminated; "" ends the list
  char identification[40];  // at most 39 characters, zero-terminated
};
static_assert(sizeof(FoundInstrument) == 56, "a found instrument is 56 bytes");

constexpr int kFoundInstrumentCapacity = 256;

// The records of one search, zero-filled; in use up to the first record whose
// address is empty.
struct FoundInstrumentList {
  FoundInstrument records[kFoundInstrumentCapacity];
};

// How one probe is sent and which local port hears its replies.
struct DiscoveryProbe {
  int localPort;
  int destinationPort;
  const unsigned char* request;
  int requestLength;
  // Whether a reply of length bytes is an instrument's answer to this probe.
  bool (*accepts)(const unsigned char* reply, int length);
};

extern const DiscoveryProbe kProbeA;  // "X" from 65534 to 65535
extern const DiscoveryProbe kProbeB;  // 00 00 00 F6 from 30718 to 30718

// The TCP port named in an accepted probe A reply.
constexpr int kProbeAServicePort = 10001;
// Each probe is sent this many times and its replies collected for this long
// after each send, polling the socket every kProbePollMs.
constexpr int kProbeSends = 3;
constexpr int kProbeListenMs = 250;
constexpr int kProbePollMs = 100;
// Room for one reply; longer datagrams are dropped unread.
constexpr int kProbeReplyCapacity = 1024;

// Probe A's reply filter: more than 25 bytes, the first the letter A, with a
// slash among them and the number after the first slash equal to 10001.
bool AcceptsProbeAReply(const unsigned char* reply, int length);
// Probe B's reply filter: exactly 30 bytes, byte 3 (from 0) equal to 0xF7.
bool AcceptsProbeBReply(const unsigned char* reply, int length);

// Adds the sender (an IPv4 address in network byte order) to the list unless
// a record already holds it. Returns the new record's index + 1, or -1 when
// the address is already listed or the list is full.
int AddFoundInstrument(uint32_t sender, FoundInstrument* list, int capacity);
// The number of records in use: those before the first empty address.
int FoundInstrumentCount(const FoundInstrument* list, int capacity);

// Sends the probe and collects the addresses that answer it into list (whose
// capacity records are zeroed first). Returns the number of records in use. A
// probe whose socket cannot be opened finds nothing and says nothing.
int DiscoverProbe(const DiscoveryProbe& probe, FoundInstrument* list, int capacity);
int DiscoverProbeA(FoundInstrument* list, int capacity);
int DiscoverProbeB(FoundInstrument* list, int capacity);
// Both probes into one list: probe A first, probe B into the records after
// A's. An instrument that answers both probes is listed twice. Returns the
// number of records in use.
int DiscoverInstruments(FoundInstrumentList& list);

// The three kinds of row the list shows for a found address.
enum FoundRowKind {
  ROW_NONE = 0,           // it answered, but not as one of the makers' instruments
  ROW_IDENTIFIED = 1,     // the text after the maker's name
  ROW_NO_CONNECTION = 2,  // "Connection Failed 1"
  ROW_NO_REPLY = 3,       // "Connection Failed 2"
};

constexpr char kNoConnectionText[] = "Connection Failed 1";
constexpr char kNoReplyText[] = "Connection Failed 2";
constexpr int kFoundIdentifyTimeoutMs = 500;
constexpr int kFoundReplySize = 128;
// What arrives this long after a connection is made is discarded, as the
// open of a link does, before "*IDN?" is sent.
constexpr int kFoundDrainMs = 100;
// A reply that keeps coming without its line feed is given up after this many
// times the read time-out, as the link's line read does.
constexpr int kFoundReplyLimitMs = kFoundIdentifyTimeoutMs * 4;
// The whole identification ends by then whatever the addresses do: the
// connect limit, the drain and the longest reply.
constexpr int kFoundIdentifyLimitMs = kConnectTimeoutMs + kFoundDrainMs + kFoundReplyLimitMs;

// What the reply to "*IDN?" (length as ReadReply returned it) makes of the
// record's row. For an identified instrument the text after the reply's first
// comma, cut to 39 characters, becomes the record's identification.
FoundRowKind RowForReply(const char* reply, int length, FoundInstrument& record);
// The text of the row's second column ("" for ROW_NONE).
const char* RowText(FoundRowKind kind, const FoundInstrument& record);

// Receives each row as it is made: the record's index, its address and the
// second column's text.
using FoundRowSink = void (*)(void* context, int index, const char* address, const char* text);

// Connects to every found address at once (non-blocking connects sharing one
// 2-second limit), discards what each sends in its first 100 ms, asks it
// "*IDN?" and reads one reply line with a 500 ms inactivity time-out; then
// hands the rows to sink in the order of the records. However many addresses
// stay silent, it ends within kFoundIdentifyLimitMs. The LAN read time-out is
// 5000 ms afterwards. Returns the number of rows made.
int IdentifyFoundInstruments(FoundInstrumentList& list, FoundRowSink sink, void* context);

// The widths of the list's two columns, "IP Address" 30% and "Instrument"
// 70% of the list's client width.
struct ChooseListColumns {
  int address;
  int instrument;
};
ChooseListColumns ChooseListColumnWidths(int clientWidth);

}  // namespace qb
