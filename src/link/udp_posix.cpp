// The LAN search's UDP socket on BSD sockets, with the Winsock driver's
// behaviour: a broadcast socket bound to the probe's port on every address,
// sends that wait at most a second for the socket to be writable, and
// receives that never wait. poll() stands in for select().
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "common/tick_clock.h"
#include "link/instrument_link.h"
#include "link/udp.h"

namespace qb {

namespace {

// Datagrams dropped (empty or too long) in one receive before it gives up
// for now, so a flood of them cannot hold the caller.
constexpr int kDropsPerReceive = 1024;
constexpr int kSendPollSliceMs = 10;

int SocketFd() {
  return static_cast<int>(DiscoverySocket.socket);
}

void ClearSocketError(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
}

// The local host's first IPv4 address other than loopback, read from the
// interfaces (no name lookup, so nothing goes out on the network), or 0 when
// there is none. Nothing depends on it: a search works without it.
uint32_t LocalHostAddress() {
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) return 0;
  uint32_t address = 0;
  for (ifaddrs* i = interfaces; i && !address; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || (i->ifa_flags & IFF_LOOPBACK)) continue;
    address = reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr;
  }
  freeifaddrs(interfaces);
  return address;
}

}  // namespace

int UdpOpen(int port) {
  UdpClose();
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd == 0) {
    // Descriptor 0 (standard input was closed) would read as "no socket".
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    fd = moved;
  }
  if (fd < 0) return -1;
  int on = 1;
  sockaddr_in local;
  memset(&local, 0, sizeof local);
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(port));
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (port < 0 || port > 65535 || setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
      setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(fd);
    return -1;
  }
  DiscoverySocket.socket = fd;
  DiscoverySocket.broadcastAddress = htonl(INADDR_BROADCAST);
  DiscoverySocket.localAddress = LocalHostAddress();
  return 0;
}

void UdpClose() {
  if (DiscoverySocket.socket != kNoHandle) close(SocketFd());
  DiscoverySocket.socket = kNoHandle;
}

int UdpSend(int port, const void* data, int length) {
  if (DiscoverySocket.socket == kNoHandle || !data || length < 0 || length > kUdpDatagramLimit) return -1;
  unsigned char datagram[kUdpDatagramLimit] = {};
  memcpy(datagram, data, static_cast<size_t>(length));
  sockaddr_in peer;
  memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port));
  peer.sin_addr.s_addr = DiscoverySocket.broadcastAddress;
  const uint64_t start = SteadyMs();
  do {
    pollfd p = {SocketFd(), POLLOUT, 0};
    int ready = poll(&p, 1, kSendPollSliceMs);
    if (ready < 0 && errno != EINTR) return -1;
    if (ready > 0 && (p.revents & POLLERR)) ClearSocketError(SocketFd());
    if (ready > 0 && (p.revents & POLLOUT)) {
      ssize_t sent = sendto(SocketFd(), datagram, static_cast<size_t>(length), MSG_NOSIGNAL,
                            reinterpret_cast<sockaddr*>(&peer), sizeof peer);
      return sent == length ? 0 : -1;
    }
  } while (SteadyMs() - start < static_cast<uint64_t>(kUdpSendWaitMs));
  return 1;
}

int UdpReceive(uint32_t* sender, unsigned char* buffer, int capacity) {
  if (DiscoverySocket.socket == kNoHandle || !buffer || capacity <= 0) return -1;
  for (int drops = 0; drops < kDropsPerReceive;) {
    unsigned char datagram[kUdpDatagramLimit];
    sockaddr_in from;
    socklen_t fromLength = sizeof from;
    memset(&from, 0, sizeof from);
    // MSG_TRUNC gives a longer datagram's real length, so it is recognised.
    ssize_t n = recvfrom(SocketFd(), datagram, sizeof datagram, MSG_DONTWAIT | MSG_TRUNC,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
      if (errno == ECONNREFUSED || errno == EHOSTUNREACH || errno == ENETUNREACH) {
        // An error the network reported for an earlier datagram.
        ClearSocketError(SocketFd());
        return 0;
      }
      return -1;
    }
    if (n == 0 || n > capacity || n > kUdpDatagramLimit || from.sin_family != AF_INET) {
      ++drops;
      continue;
    }
    if (sender) *sender = from.sin_addr.s_addr;
    memcpy(buffer, datagram, static_cast<size_t>(n));
    return static_cast<int>(n);
  }
  return 0;
}

}  // namespace qb
