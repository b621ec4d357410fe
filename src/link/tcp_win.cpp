// The TCP transport's socket calls on Windows Sockets 2.2: a non-blocking
// connect given 2 seconds by select(), blocking afterwards, and a zero-wait
// select() before every receive.
#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "link/tcp.h"

namespace qb {

namespace {

constexpr int kQuickWaitMs = 2;

SOCKET SocketOf(intptr_t socket) {
  return static_cast<SOCKET>(socket);
}

// Waits up to milliseconds for the socket to be readable or in error; true
// when it is readable (a receive then does not block).
bool SelectReadable(SOCKET s, int milliseconds) {
  fd_set readable, failed;
  FD_ZERO(&readable);
  FD_ZERO(&failed);
  FD_SET(s, &readable);
  FD_SET(s, &failed);
  timeval wait = {milliseconds / 1000, (milliseconds % 1000) * 1000};
  return select(0, &readable, nullptr, &failed, &wait) > 0 && FD_ISSET(s, &readable);
}

}  // namespace

int WinsockControl(int operation) {
  if (operation == WINSOCK_START && !WinsockStarted) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
      WSACleanup();
      return -1;
    }
    WinsockStarted = true;
  } else if (operation == WINSOCK_STOP && WinsockStarted) {
    WSACleanup();
    WinsockStarted = false;
  }
  return 0;
}

int TcpConnect(const char* ipAddress, intptr_t& socket) {
  socket = kNoHandle;
  unsigned long address = ipAddress ? inet_addr(ipAddress) : INADDR_NONE;
  // Neither "no address" nor the unspecified address names an instrument.
  if (address == INADDR_NONE || address == INADDR_ANY) return -1;
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return -1;
  socket = static_cast<intptr_t>(s);
  sockaddr_in peer;
  memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<u_short>(atoi(kInstrumentTcpPort)));
  peer.sin_addr.s_addr = address;
  bool connected = false;
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) == 0) {
    if (connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
      connected = true;
    } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(s, &writable);
      FD_SET(s, &failed);
      timeval limit = {kConnectTimeoutMs / 1000, (kConnectTimeoutMs % 1000) * 1000};
      int ready = select(0, nullptr, &writable, &failed, &limit);
      int error = 0;
      int length = sizeof error;
      connected = ready > 0 && FD_ISSET(s, &writable) &&
                  getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
    }
  }
  u_long blocking = 0;
  if (!connected || ioctlsocket(s, FIONBIO, &blocking) != 0) {
    closesocket(s);
    socket = kNoHandle;
    return -1;
  }
  return 0;
}

void TcpClose(intptr_t& socket) {
  if (TcpSocketValid(socket)) {
    shutdown(SocketOf(socket), SD_SEND);
    closesocket(SocketOf(socket));
  }
  socket = kNoHandle;
}

int TcpSend(InstrumentLink* link, const char* text) {
  if (!link || !text || !TcpSocketValid(link->socket)) return -1;
  int length = static_cast<int>(strlen(text)) + 1;  // with the terminating zero byte
  int done = 0;
  while (done < length) {
    int n = send(SocketOf(link->socket), text + done, length - done, 0);
    if (n == SOCKET_ERROR || n == 0) return -1;
    done += n;
  }
  return 0;
}

int TcpPump(InstrumentLink* link) {
  if (!link || !TcpSocketValid(link->socket)) return -1;
  if (!SelectReadable(SocketOf(link->socket), 0)) return 0;
  return TcpReceive(link);
}

int TcpReceive(InstrumentLink* link) {
  if (!link || !TcpSocketValid(link->socket)) return -1;
  unsigned char chunk[kTcpReceiveChunk + 1] = {};
  int n = recv(SocketOf(link->socket), reinterpret_cast<char*>(chunk), kTcpReceiveChunk, 0);
  if (n == SOCKET_ERROR || n == 0) return -1;
  RingAppend(link, chunk, n);
  return n;
}

bool TcpWaitReadable(InstrumentLink* link, int milliseconds) {
  if (!link || !TcpSocketValid(link->socket)) return false;
  SOCKET s = SocketOf(link->socket);
  // An instrument on the LAN answers within a fraction of a millisecond as a
  // rule. Asking how much is waiting is a cheap call where a select() that
  // waits is not (under Wine it costs about a round trip of its own), so the
  // first moments are spent asking, and only then does select() wait.
  const auto start = std::chrono::steady_clock::now();
  const auto quick = std::chrono::microseconds(1000 * std::min(milliseconds, kQuickWaitMs));
  while (std::chrono::steady_clock::now() - start < quick) {
    u_long waiting = 0;
    if (ioctlsocket(s, FIONREAD, &waiting) != 0) break;
    if (waiting > 0) return true;
  }
  return SelectReadable(s, milliseconds);
}

}  // namespace qb
