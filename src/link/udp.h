// The UDP socket of the LAN search: one broadcast socket at a time, opened on
// a probe's local port, sending to 255.255.255.255 and polled for replies
// without waiting. The Winsock driver (udp_win.cpp) and the BSD socket driver
// (udp_posix.cpp) give the same functions the same behaviour.
#pragma once

#include <cstdint>

namespace qb {

// The largest datagram sent or received.
constexpr int kUdpDatagramLimit = 1500;
// How long a send waits for the socket to become writable.
constexpr int kUdpSendWaitMs = 1000;

// The process-wide state of the one search that may run at a time.
struct DiscoverySocketState {
  intptr_t socket;            // kNoHandle when closed
  uint32_t broadcastAddress;  // network byte order: 255.255.255.255 while open
  uint32_t localAddress;      // the local host's first address, 0 when unknown
};
extern DiscoverySocketState DiscoverySocket;

// Opens the broadcast socket bound to the given local port on every address.
// 0, or -1 when the socket cannot be made or bound (nothing stays open).
int UdpOpen(int port);
// Closes the socket (if open) and ends what UdpOpen started.
void UdpClose();
// Sends one datagram of length bytes to the broadcast address and the port.
// 0 when sent; -1 when refused (longer than 1500 bytes, no socket) or the send
// failed; 1 when the socket did not become writable within a second.
int UdpSend(int port, const void* data, int length);
// Takes one waiting datagram without waiting: its length, with the sender's
// IPv4 address (network byte order) and the bytes stored; 0 when none is
// waiting; -1 on a socket error. Empty datagrams and those longer than
// capacity are dropped and the next one is looked at.
int UdpReceive(uint32_t* sender, unsigned char* buffer, int capacity);

}  // namespace qb
