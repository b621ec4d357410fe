// The one way the program talks to an instrument: the InstrumentLink record and
// its operations (open and close, send a command, read a reply line or a single
// byte, time-outs, drain), dispatched by the link's kind to the serial driver or
// the TCP transport. Also the packed-number format of the instrument's replies.
#pragma once

#include <cstdint>

namespace qb {

enum LinkKind : int32_t {
  LINK_NONE = 0,
  LINK_USB = 1,  // a virtual serial port, driven like LINK_SERIAL
  LINK_LAN = 2,
  LINK_SERIAL = 3,
};

enum LinkOperation { LINK_OPEN = 1, LINK_CLOSE = 2 };

constexpr int kReceiveRingSize = 1024;
constexpr int kDefaultReadTimeoutMs = 5000;  // after every open and identification
constexpr intptr_t kNoHandle = -1;           // serial handle or socket when none is open

struct InstrumentLink {
  int32_t kind;
  int32_t family;            // InstrumentFamily, set by identification; 0 = not recognised
  char identification[168];  // the last identification reply, or ""
  char portName[7];          // COM1 to COM254
  char ipAddress[17];        // dotted IPv4, at most 15 characters
  int32_t baudRate;          // 0 = not chosen
  int32_t tcpPort;           // LAN: the instrument's port when 0 (10001), else this one
  bool ConnectedFlag;
  intptr_t socket;        // kNoHandle when none
  intptr_t serialHandle;  // kNoHandle when none
  bool PollingEnabled;
  unsigned char ring[kReceiveRingSize];  // TCP receive ring
  int32_t ringCount, ringWrite, ringRead;
};

// A closed link with no settings: kind 0, empty texts, both handles kNoHandle.
InstrumentLink MakeClosedLink();

// The shell's link to the connected instrument.
extern InstrumentLink MainLink;
// While set, the link writes its traffic to the debugger output.
extern bool TraceEnabled;

// Opens (LINK_OPEN) or closes (LINK_CLOSE) the link; 0 on success, negative on
// failure; -1 for a link of kind 0 or an unknown kind.
int LinkControl(int operation, InstrumentLink* link);
// Sends the text unchanged (the caller supplies the line end). Serial: bytes
// written (0 on failure); LAN: 0, or -1 on failure.
int SendCommand(const char* text, InstrumentLink* link);
// Reads one reply line into buffer (zero-terminated); returns its length, or -1
// on a LAN time-out. A reply that begins with a packed number comes back as the
// number's text.
int ReadReply(char* buffer, int size, InstrumentLink* link);
// One received byte (0-255) without waiting, -2 when none is waiting, -1 on a
// serial read error.
int ReadByte(InstrumentLink* link);
void SetReadTimeout(int milliseconds, InstrumentLink* link);
// Discards received bytes until none is waiting and, when milliseconds > 0,
// that long has passed.
void Drain(InstrumentLink* link, int milliseconds);
// Sends a line typed by the user or a script on the main link (a "^x" line as
// the control character), then "\r". Returns true when the send failed.
bool SendCommandLine(const char* text);

// Room for the longest text form of a packed number, with its terminator.
constexpr int kPackedNumberTextSize = 32;
// The value of a four-byte packed number and, when text is not null, its text
// form ("%.*E" with 5 digits, exponent without "+" and leading zeros).
double DecodePackedNumber(const unsigned char bytes[4], char* text);

}  // namespace qb
