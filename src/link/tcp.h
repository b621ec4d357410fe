// The TCP transport behind links of kind LAN: a client socket to the
// instrument's port 10001 (or the port the link names) with a 2-second connect limit, commands sent with
// their terminating zero byte, and a 1024-byte receive ring that turns the
// stream into single bytes and lines. The Winsock (tcp_win.cpp) and BSD socket
// (tcp_posix.cpp) drivers provide the socket calls; the ring and the reads in
// tcp.cpp are shared. No call on the socket waits longer than its own limit:
// receives that must not wait do not, a waiting receive gives up after a
// 10 ms slice, and a send to a peer that has stopped reading gives up after
// the read time-out instead of hanging.
#pragma once

#include <cstdint>

#include "link/instrument_link.h"

namespace qb {

constexpr int kInstrumentTcpPort = 10001;
constexpr int kConnectTimeoutMs = 2000;
constexpr int kTcpReceiveChunk = 255;
// A line read gives up after this many times the read time-out even while
// bytes keep coming, so an endless stream without a line feed cannot hold it.
constexpr uint32_t kLineReadLimitFactor = 4;

// Windows Sockets has been started for a TCP link.
extern bool WinsockStarted;
// The inactivity limit of the TCP line read, shared by every LAN link (ms).
extern uint32_t LanReadTimeout;

// True when socket refers to an open socket. Zero counts as none, as in a
// zeroed record: the drivers never hand out zero.
inline bool TcpSocketValid(intptr_t socket) {
  return socket != kNoHandle && socket != 0;
}

enum WinsockOperation { WINSOCK_START = 1, WINSOCK_STOP = 2 };

// 1 starts, 2 stops Windows Sockets (once each, whatever the count of calls);
// 0, or -1 when the start failed.
int WinsockControl(int operation);
// Connects a new socket to the port (0: the instrument's, 10001) of the
// dotted IPv4 address, giving up after 2 seconds; 0, or -1 with socket =
// kNoHandle.
int TcpConnect(const char* ipAddress, intptr_t& socket, int port = 0);
// The connect in two halves, for many addresses at once. Starting gives 0 when
// the socket connected at once, 1 while the connect is under way (wait for
// the socket with wantWrite, then ask TcpConnectResult), -1 when it failed
// (socket = kNoHandle).
int TcpConnectStart(const char* ipAddress, intptr_t& socket, int port = 0);
// 0 when the connect under way on socket succeeded, -1 when it failed.
int TcpConnectResult(intptr_t socket);
// The most sockets TcpWaitAny takes at once.
constexpr int kTcpWaitMax = 512;
// Waits up to milliseconds until at least one of count sockets is ready:
// writable (a connect has ended) where wantWrite[i], else readable; a socket
// in error counts as ready. Sets ready[i] for each. Returns how many are
// ready, 0 when none became ready in time, -1 on failure (also for more than
// kTcpWaitMax sockets or an invalid one).
int TcpWaitAny(const intptr_t* sockets, const bool* wantWrite, bool* ready, int count, int milliseconds);
// Shuts the sending side, closes the socket, socket = kNoHandle.
void TcpClose(intptr_t& socket);
// Sends the text and its terminating zero byte; 0, or -1 on failure, also
// when the peer has not taken it all within LanReadTimeout.
int TcpSend(InstrumentLink* link, const char* text);
// Moves what has arrived into the receive ring without waiting (at most 255
// bytes). Returns the count added, 0 when nothing was waiting, -1 when the
// peer has closed or the socket failed (not reported further).
int TcpPump(InstrumentLink* link);
// How long one TcpReceiveWait waits at most.
constexpr int kTcpReceiveSliceMs = 10;
// How long a waiting receive first asks without sleeping (BSD sockets).
constexpr int kTcpReceiveSpinUs = 50;
// Waits up to kTcpReceiveSliceMs for bytes and moves what arrives (at most
// 255) into the ring, in one call to the socket layer when the bytes come in
// time. The count, 0 when nothing came, -1 when the peer has closed or the
// socket failed. For sockets made by TcpConnect.
int TcpReceiveWait(InstrumentLink* link);
// Readies a socket that TcpConnectStart connected for a link's reads
// (TcpReceiveWait); 0, or -1 when it cannot be.
int TcpPrepareLinkSocket(intptr_t socket);
// One received byte (0-255), or -2 when none is waiting. Never an error.
int TcpReadByte(InstrumentLink* link);
// One line: carriage returns dropped, a line feed ends it (not stored), bytes
// past size - 1 dropped up to the line feed. The length, or -1 (and an empty
// buffer) when LanReadTimeout passes with no byte.
int TcpReadLine(InstrumentLink* link, char* buffer, int size);
void SetLanReadTimeout(uint32_t milliseconds);

// The receive ring. When full, each new byte replaces the oldest unread one.
void RingReset(InstrumentLink* link);
void RingAppend(InstrumentLink* link, const unsigned char* bytes, int count);
// The oldest unread byte, or -1 when the ring is empty.
int RingTake(InstrumentLink* link);

}  // namespace qb
