// The instrument link's operations: open and close by kind, send, read a line
// or a byte, time-outs, drain, the typed-line send, and the trace around them.
// Kinds USB and Serial go to the serial driver, LAN to the TCP transport.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/tick_clock.h"
#include "link/instrument_link.h"
#include "link/serial.h"
#include "link/tcp.h"
#include "link/trace.h"

namespace qb {

namespace {

constexpr int kOpenDrainMs = 100;
// While bytes keep coming a drain does not look at the clock, except once
// every so many bytes, to give up on a sender that never pauses.
constexpr int kDrainClockCheckBytes = 4096;
constexpr uint64_t kDrainFloodLimitMs = 1000;

bool IsSerial(const InstrumentLink* link) {
  return link->kind == LINK_USB || link->kind == LINK_SERIAL;
}

bool IsLan(const InstrumentLink* link) {
  return link->kind == LINK_LAN;
}

// The transport's byte read, untraced: a byte, -2 when none is waiting, -1 on
// a serial read error (or no transport at all).
int TransportReadByte(InstrumentLink* link) {
  if (IsLan(link)) return TcpReadByte(link);
  if (IsSerial(link)) return SerialReadByte(link->serialHandle);
  return -1;
}

// Releases whatever the record holds open, whichever kind it has now.
void CloseTransports(InstrumentLink* link) {
  if (SerialHandleValid(link->serialHandle)) SerialClose(link->serialHandle);
  link->serialHandle = kNoHandle;
  if (TcpSocketValid(link->socket)) TcpClose(link->socket);
  link->socket = kNoHandle;
}

}  // namespace

InstrumentLink MainLink = MakeClosedLink();

InstrumentLink MakeClosedLink() {
  InstrumentLink link;
  memset(&link, 0, sizeof link);
  link.socket = kNoHandle;
  link.serialHandle = kNoHandle;
  return link;
}

int LinkControl(int operation, InstrumentLink* link) {
  if (!link) return -1;
  if (operation == LINK_CLOSE) {
    // Whatever is open goes, even when the kind has changed since the open.
    bool lan = TcpSocketValid(link->socket) || IsLan(link);
    CloseTransports(link);
    if (lan) WinsockControl(WINSOCK_STOP);
    return IsLan(link) || IsSerial(link) ? 0 : -1;
  }
  if (!IsLan(link) && !IsSerial(link)) return -1;
  if (operation == LINK_OPEN) {
    // A record that is still open is closed first, so nothing leaks and an
    // exclusively opened port does not refuse its own reopening.
    CloseTransports(link);
    if (IsLan(link)) {
      int started = WinsockControl(WINSOCK_START);
      if (started != 0) return started;
      RingReset(link);
      char address[sizeof link->ipAddress];
      snprintf(address, sizeof address, "%.*s", static_cast<int>(sizeof link->ipAddress - 1), link->ipAddress);
      int connected = TcpConnect(address, link->socket, link->tcpPort);
      if (connected == 0) Drain(link, kOpenDrainMs);
      return connected;
    }
    char port[sizeof link->portName];
    snprintf(port, sizeof port, "%.*s", static_cast<int>(sizeof link->portName - 1), link->portName);
    char path[260];
    if (!SerialDevicePath(port, path, sizeof path)) return -1;
    link->serialHandle = SerialOpen(path, link->baudRate);
    if (!SerialHandleValid(link->serialHandle)) {
      link->serialHandle = kNoHandle;
      return -1;
    }
    Drain(link, kOpenDrainMs);
    return 0;
  }
  return -1;
}

int SendCommand(const char* text, InstrumentLink* link) {
  if (!text || !link) return -1;
  int result = -1;
  if (IsLan(link)) {
    result = TcpSend(link, text);
  } else if (IsSerial(link)) {
    result = SerialWrite(link->serialHandle, text);
  }
  TraceSend(link, text, result);
  return result;
}

int ReadReply(char* buffer, int size, InstrumentLink* link) {
  if (!buffer || size <= 0) return -1;
  int result = -1;
  if (link && IsLan(link)) {
    result = TcpReadLine(link, buffer, size);
  } else if (link && IsSerial(link)) {
    result = SerialReadLine(link->serialHandle, buffer, size);
  } else {
    memset(buffer, 0, static_cast<size_t>(size));
  }
  TraceReply(link, buffer, result);
  if (static_cast<unsigned char>(buffer[0]) >= 0x80) {
    // A packed number: its text replaces the reply; a number cut short by the
    // end of the line reads its missing bytes as zero.
    unsigned char bytes[4] = {0, 0, 0, 0};
    memcpy(bytes, buffer, static_cast<size_t>(size < 4 ? size : 4));
    char text[kPackedNumberTextSize];
    DecodePackedNumber(bytes, text);
    snprintf(buffer, static_cast<size_t>(size), "%s", text);
  }
  return result;
}

int ReadByte(InstrumentLink* link) {
  if (!link) return -1;
  int byte = TransportReadByte(link);
  TraceByte(byte);
  return byte;
}

void SetReadTimeout(int milliseconds, InstrumentLink* link) {
  if (!link) return;
  if (IsLan(link)) {
    SetLanReadTimeout(milliseconds > 0 ? static_cast<uint32_t>(milliseconds) : 0);
  } else if (IsSerial(link)) {
    SerialSetReadTimeout(link->serialHandle, milliseconds);
  }
}

void Drain(InstrumentLink* link, int milliseconds) {
  if (!link || (!IsLan(link) && !IsSerial(link))) return;
  const uint64_t start = SteadyMs();
  const uint64_t wanted = milliseconds > 0 ? static_cast<uint64_t>(milliseconds) : 0;
  int sinceClock = 0;
  for (;;) {
    int byte = TransportReadByte(link);
    TraceByte(byte);
    if (byte >= 0) {
      if (++sinceClock < kDrainClockCheckBytes) continue;
      sinceClock = 0;
      if (SteadyMs() - start > wanted + kDrainFloodLimitMs) return;
      continue;
    }
    if (wanted == 0 || SteadyMs() - start > wanted) return;
    SleepMs(10);
  }
}

namespace {

// Whether a send of text failed: a negative result on any link, and on a
// serial link fewer bytes written than the text holds (0 when the port is
// closed or the write failed).
bool SendFailed(const char* text, int result, const InstrumentLink* link) {
  if (result < 0) return true;
  return IsSerial(link) && static_cast<size_t>(result) < strlen(text);
}

}  // namespace

bool SendCommandLine(const char* text) {
  if (!text) return true;
  unsigned char second = static_cast<unsigned char>(text[0] ? text[1] : '\0');
  int upper = toupper(second);
  // "^c" sends the control character ETX, "^[" sends ESC; nothing else follows.
  char control[2] = {static_cast<char>(upper - 0x40), '\0'};
  bool asControl = text[0] == '^' && second != '\0' && ((upper >= 'A' && upper <= 'Z') || second == '[');
  const char* line = asControl ? control : text;
  bool failed = SendFailed(line, SendCommand(line, &MainLink), &MainLink);
  return SendFailed("\r", SendCommand("\r", &MainLink), &MainLink) || failed;
}

}  // namespace qb
