// The TCP transport's socket calls on BSD sockets, with the Winsock driver's
// behaviour: a non-blocking connect given 2 seconds; then receives that do
// not wait (MSG_DONTWAIT), a waiting receive bounded by a receive time-out of
// one slice, and sends that do not block (MSG_DONTWAIT) and wait for room in
// poll() at most the read time-out. poll() stands in for select() so that any
// descriptor number works; sends never raise SIGPIPE.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "common/tick_clock.h"
#include "link/tcp.h"

namespace qb {

namespace {

int FdOf(intptr_t socket) {
  return static_cast<int>(socket);
}

bool SetNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

int WinsockControl(int operation) {
  // BSD sockets need no start; the flag keeps the same story as on Windows.
  if (operation == WINSOCK_START) WinsockStarted = true;
  if (operation == WINSOCK_STOP) WinsockStarted = false;
  return 0;
}

int TcpConnectStart(const char* ipAddress, intptr_t& socket, int port) {
  socket = kNoHandle;
  in_addr_t address = ipAddress ? inet_addr(ipAddress) : INADDR_NONE;
  // Neither "no address" nor the unspecified address names an instrument.
  if (address == INADDR_NONE || address == INADDR_ANY || port < 0 || port > 65535) return -1;
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd == 0) {
    // Descriptor 0 (standard input was closed) would read as "no socket".
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    fd = moved;
  }
  if (fd < 0) return -1;
  sockaddr_in peer;
  memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port == 0 ? kInstrumentTcpPort : port));
  peer.sin_addr.s_addr = address;
  int started = -1;
  if (SetNonBlocking(fd)) {
    if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
      started = 0;
    } else if (errno == EINPROGRESS) {
      started = 1;
    }
  }
  if (started < 0) {
    close(fd);
    return -1;
  }
  // Commands go out at once: a command with no reply followed by another
  // would otherwise wait for the instrument's delayed acknowledgement.
  int noDelay = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
  socket = fd;
  return started;
}

int TcpConnectResult(intptr_t socket) {
  // A refused connect also reports writable; its error decides.
  int error = 0;
  socklen_t length = sizeof error;
  return TcpSocketValid(socket) && getsockopt(FdOf(socket), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0
             ? 0
             : -1;
}

int TcpWaitAny(const intptr_t* sockets, const bool* wantWrite, bool* ready, int count, int milliseconds) {
  if (!sockets || !wantWrite || !ready || count < 0 || count > kTcpWaitMax) return -1;
  pollfd fds[kTcpWaitMax];
  for (int i = 0; i < count; ++i) {
    if (!TcpSocketValid(sockets[i])) return -1;
    fds[i] = {FdOf(sockets[i]), static_cast<short>(wantWrite[i] ? POLLOUT : (POLLIN | POLLPRI)), 0};
    ready[i] = false;
  }
  int n = poll(fds, static_cast<nfds_t>(count), milliseconds < 0 ? 0 : milliseconds);
  if (n < 0) return errno == EINTR ? 0 : -1;
  for (int i = 0; i < count; ++i) ready[i] = fds[i].revents != 0;
  return n;
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
  const uint64_t start = SteadyMs();
  while (done < length) {
    ssize_t n = send(FdOf(link->socket), text + done, length - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return -1;
    // The peer's window is shut: wait for room, but not beyond the time-out.
    uint64_t spent = SteadyMs() - start;
    if (spent >= LanReadTimeout) return -1;
    pollfd p = {FdOf(link->socket), POLLOUT, 0};
    poll(&p, 1, static_cast<int>(LanReadTimeout - spent));
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

int TcpPrepareLinkSocket(intptr_t socket) {
  // Blocking, with a receive time-out of one slice: a waiting receive is then
  // one call. The receives and sends that must not wait say so each time.
  int fd = FdOf(socket);
  int flags = fcntl(fd, F_GETFL);
  timeval slice = {0, kTcpReceiveSliceMs * 1000};
  return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 &&
                 setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &slice, sizeof slice) == 0
             ? 0
             : -1;
}

int TcpReceiveWait(InstrumentLink* link) {
  if (!link || !TcpSocketValid(link->socket)) return -1;
  // A reply on a near link comes within microseconds: asking without
  // sleeping for a moment takes it without the wake-up a sleeping receive
  // costs. Then the receive waits, as long as one slice.
  const auto spinEnd = std::chrono::steady_clock::now() + std::chrono::microseconds(kTcpReceiveSpinUs);
  do {
    int pumped = TcpPump(link);
    if (pumped != 0) return pumped;
  } while (std::chrono::steady_clock::now() < spinEnd);
  unsigned char chunk[kTcpReceiveChunk + 1] = {};
  ssize_t n = recv(FdOf(link->socket), chunk, kTcpReceiveChunk, 0);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
  if (n <= 0) return -1;
  RingAppend(link, chunk, static_cast<int>(n));
  return static_cast<int>(n);
}

}  // namespace qb
