// The TCP transport's socket calls on BSD sockets, with the Winsock driver's
// behaviour: a non-blocking connect given 2 seconds, blocking afterwards, and
// receives that never wait. poll() stands in for select() so that any
// descriptor number works; sends never raise SIGPIPE.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "link/tcp.h"

namespace qb {

namespace {

int FdOf(intptr_t socket) {
  return static_cast<int>(socket);
}

bool SetBlocking(int fd, bool blocking) {
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(fd, F_SETFL, flags) == 0;
}

}  // namespace

int WinsockControl(int operation) {
  // BSD sockets need no start; the flag keeps the same story as on Windows.
  if (operation == WINSOCK_START) WinsockStarted = true;
  if (operation == WINSOCK_STOP) WinsockStarted = false;
  return 0;
}

int TcpConnect(const char* ipAddress, intptr_t& socket) {
  socket = kNoHandle;
  in_addr_t address = ipAddress ? inet_addr(ipAddress) : INADDR_NONE;
  // Neither "no address" nor the unspecified address names an instrument.
  if (address == INADDR_NONE || address == INADDR_ANY) return -1;
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd == 0) {
    // Descriptor 0 (standard input was closed) would read as "no socket".
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    fd = moved;
  }
  if (fd < 0) return -1;
  socket = fd;
  sockaddr_in peer;
  memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(atoi(kInstrumentTcpPort)));
  peer.sin_addr.s_addr = address;
  bool connected = false;
  if (SetBlocking(fd, false)) {
    if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
      connected = true;
    } else if (errno == EINPROGRESS) {
      pollfd p = {fd, POLLOUT, 0};
      int ready;
      do {
        ready = poll(&p, 1, kConnectTimeoutMs);
      } while (ready < 0 && errno == EINTR);
      // A refused connect also reports writable; its error decides.
      int error = 0;
      socklen_t length = sizeof error;
      connected = ready > 0 && (p.revents & POLLOUT) && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
                  error == 0;
    }
  }
  if (!connected || !SetBlocking(fd, true)) {
    close(fd);
    socket = kNoHandle;
    return -1;
  }
  return 0;
}

void TcpClose(intptr_t& socket) {
  if (TcpSocketValid(socket)) {
    shutdown(FdOf(socket), SHUT_WR);
    close(FdOf(socket));
  }
  socket = kNoHandle;
}

int TcpSend(InstrumentLink* link, const char* text) {
  if (!link || !text || !TcpSocketValid(link->socket)) return -1;
  size_t length = strlen(text) + 1;  // with the terminating zero byte
  size_t done = 0;
  while (done < length) {
    ssize_t n = send(FdOf(link->socket), text + done, length - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    done += static_cast<size_t>(n);
  }
  return 0;
}

int TcpPump(InstrumentLink* link) {
  if (!link || !TcpSocketValid(link->socket)) return -1;
  // A receive that does not wait is the zero-wait readability check and the
  // receive in one call.
  unsigned char chunk[kTcpReceiveChunk + 1] = {};
  ssize_t n = recv(FdOf(link->socket), chunk, kTcpReceiveChunk, MSG_DONTWAIT);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
  if (n <= 0) return -1;
  RingAppend(link, chunk, static_cast<int>(n));
  return static_cast<int>(n);
}

int TcpReceive(InstrumentLink* link) {
  return TcpPump(link);  // already a single call that does not wait
}

bool TcpWaitReadable(InstrumentLink* link, int milliseconds) {
  if (!link || !TcpSocketValid(link->socket)) return false;
  pollfd p = {FdOf(link->socket), POLLIN | POLLPRI, 0};
  return poll(&p, 1, milliseconds) > 0;
}

}  // namespace qb
