// The LAN search's UDP socket on Windows Sockets 2.2: a broadcast socket bound
// to the probe's port on every address, sends that wait at most a second for
// the socket to be writable, and receives behind a zero-wait select().
#include <winsock2.h>

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

// Whether UdpOpen started Windows Sockets (and UdpClose must end it).
bool UdpWinsockStarted = false;

SOCKET Socket() {
  return static_cast<SOCKET>(DiscoverySocket.socket);
}

void ClearSocketError(SOCKET s) {
  int error = 0;
  int length = sizeof error;
  getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
}

// The local host's first IPv4 address by its name, or 0 when the name does
// not resolve. Nothing depends on it: a search works without it.
uint32_t LocalHostAddress() {
  char name[65] = "";
  if (gethostname(name, sizeof name - 1) != 0) return 0;
  hostent* host = gethostbyname(name);
  if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list || !host->h_addr_list[0])
    return 0;
  uint32_t address;
  memcpy(&address, host->h_addr_list[0], sizeof address);
  return address;
}

// Waits up to milliseconds for the socket to be readable, writable (when
// asked) or in error. 1 ready, 0 not, -1 when select() fails.
int Select(SOCKET s, bool writable, int milliseconds, bool& canRead, bool& canWrite, bool& failed) {
  fd_set readSet, writeSet, errorSet;
  FD_ZERO(&readSet);
  FD_ZERO(&writeSet);
  FD_ZERO(&errorSet);
  FD_SET(s, &readSet);
  if (writable) FD_SET(s, &writeSet);
  FD_SET(s, &errorSet);
  timeval wait = {milliseconds / 1000, (milliseconds % 1000) * 1000};
  int ready = select(0, &readSet, writable ? &writeSet : nullptr, &errorSet, &wait);
  if (ready == SOCKET_ERROR) return -1;
  canRead = FD_ISSET(s, &readSet) != 0;
  canWrite = writable && FD_ISSET(s, &writeSet) != 0;
  failed = FD_ISSET(s, &errorSet) != 0;
  return ready > 0 ? 1 : 0;
}

}  // namespace

int UdpOpen(int port) {
  UdpClose();
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return -1;
  SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET) {
    WSACleanup();
    return -1;
  }
  BOOL on = TRUE;
  sockaddr_in local;
  memset(&local, 0, sizeof local);
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<u_short>(port));
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (port < 0 || port > 65535 ||
      setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on) != 0 ||
      setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on) != 0 ||
      bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    closesocket(s);
    WSACleanup();
    return -1;
  }
  UdpWinsockStarted = true;
  DiscoverySocket.socket = static_cast<intptr_t>(s);
  DiscoverySocket.broadcastAddress = htonl(INADDR_BROADCAST);
  DiscoverySocket.localAddress = LocalHostAddress();
  return 0;
}

void UdpClose() {
  if (DiscoverySocket.socket != kNoHandle) closesocket(Socket());
  DiscoverySocket.socket = kNoHandle;
  if (UdpWinsockStarted) WSACleanup();
  UdpWinsockStarted = false;
}

int UdpSend(int port, const void* data, int length) {
  if (DiscoverySocket.socket == kNoHandle || !data || length < 0 || length > kUdpDatagramLimit) return -1;
  char datagram[kUdpDatagramLimit] = {};
  memcpy(datagram, data, static_cast<size_t>(length));
  sockaddr_in peer;
  memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<u_short>(port));
  peer.sin_addr.s_addr = DiscoverySocket.broadcastAddress;
  const uint64_t start = SteadyMs();
  do {
    bool canRead = false, canWrite = false, failed = false;
    if (Select(Socket(), true, kSendPollSliceMs, canRead, canWrite, failed) < 0) return -1;
    if (failed) ClearSocketError(Socket());
    if (canWrite) {
      int sent = sendto(Socket(), datagram, length, 0, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
      return sent == length ? 0 : -1;
    }
    // Only readable: wait the rest of the slice rather than spin.
    if (canRead) SleepMs(kSendPollSliceMs);
  } while (SteadyMs() - start < static_cast<uint64_t>(kUdpSendWaitMs));
  return 1;
}

int UdpReceive(uint32_t* sender, unsigned char* buffer, int capacity) {
  if (DiscoverySocket.socket == kNoHandle || !buffer || capacity <= 0) return -1;
  for (int drops = 0; drops < kDropsPerReceive;) {
    bool canRead = false, canWrite = false, failed = false;
    if (Select(Socket(), false, 0, canRead, canWrite, failed) < 0) return -1;
    if (failed) {
      ClearSocketError(Socket());
      return 0;
    }
    if (!canRead) return 0;
    char datagram[kUdpDatagramLimit];
    sockaddr_in from;
    int fromLength = sizeof from;
    memset(&from, 0, sizeof from);
    int n = recvfrom(Socket(), datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n == SOCKET_ERROR) {
      int error = WSAGetLastError();
      if (error == WSAEMSGSIZE) {  // longer than any reply: dropped
        ++drops;
        continue;
      }
      // An earlier datagram was refused by its destination: not this reply's fault.
      if (error == WSAECONNRESET || error == WSAEWOULDBLOCK) return 0;
      return -1;
    }
    if (n <= 0 || n > capacity || from.sin_family != AF_INET) {
      ++drops;
      continue;
    }
    if (sender) *sender = from.sin_addr.s_addr;
    memcpy(buffer, datagram, static_cast<size_t>(n));
    return n;
  }
  return 0;
}

}  // namespace qb
