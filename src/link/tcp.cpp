// The TCP transport's receive ring and its byte and line reads, shared by the
// Winsock and BSD socket drivers; see tcp.h.
#include "link/tcp.h"

#include <algorithm>
#include <cstring>

#include "common/tick_clock.h"

namespace qb {

bool WinsockStarted = false;
uint32_t LanReadTimeout = kDefaultReadTimeoutMs;

void SetLanReadTimeout(uint32_t milliseconds) {
  LanReadTimeout = milliseconds;
}

void RingReset(InstrumentLink* link) {
  link->ringCount = 0;
  link->ringWrite = 0;
  link->ringRead = 0;
}

void RingAppend(InstrumentLink* link, const unsigned char* bytes, int count) {
  for (int i = 0; i < count; ++i) {
    link->ring[link->ringWrite] = bytes[i];
    link->ringWrite = (link->ringWrite + 1) % kReceiveRingSize;
    if (link->ringCount < kReceiveRingSize) {
      ++link->ringCount;
    } else {
      // Full: the oldest unread byte was just overwritten, so reading starts
      // at the next one and the bytes keep their order.
      link->ringRead = link->ringWrite;
    }
  }
}

int RingTake(InstrumentLink* link) {
  if (link->ringCount <= 0) return -1;
  int byte = link->ring[link->ringRead];
  link->ringRead = (link->ringRead + 1) % kReceiveRingSize;
  --link->ringCount;
  return byte;
}

int TcpReadByte(InstrumentLink* link) {
  // The socket is asked only when the ring is empty. Pumping before every
  // byte would cost a select() per byte and, while a stream comes in faster
  // than it is read byte by byte, would overwrite unread bytes in the ring.
  if (link->ringCount == 0) TcpPump(link);
  int byte = RingTake(link);
  return byte >= 0 ? byte : -2;
}

int TcpReadLine(InstrumentLink* link, char* buffer, int size) {
  if (!buffer || size <= 0) return -1;
  memset(buffer, 0, static_cast<size_t>(size));
  int length = 0;
  const uint64_t start = SteadyMs();
  const uint64_t limit = static_cast<uint64_t>(LanReadTimeout) * kLineReadLimitFactor;
  int pumped = 0;
  for (;;) {
    int byte;
    while ((byte = RingTake(link)) >= 0) {
      if (byte == '\n') return length;
      if (byte == '\r') continue;
      if (length < size - 1) buffer[length++] = static_cast<char>(byte);
    }
    // The ring is empty: wait for more, at most LanReadTimeout from now.
    const uint64_t idleSince = SteadyMs();
    for (;;) {
      uint64_t now = SteadyMs();
      if (now - idleSince >= LanReadTimeout || now - start >= limit) {
        memset(buffer, 0, static_cast<size_t>(size));
        return -1;
      }
      if (pumped < 0) {
        SleepMs(10);  // the peer has closed: nothing will come, but keep the time-out
        pumped = TcpPump(link);
      } else {
        // One wait that ends as the bytes arrive, then one receive: a reply
        // costs two socket calls, which matters where each is expensive
        // (Wine). The wait is cut into slices of at most a second.
        uint64_t left = std::min<uint64_t>(LanReadTimeout - (now - idleSince), limit - (now - start));
        pumped = TcpWaitReadable(link, static_cast<int>(std::min<uint64_t>(left, 1000))) ? TcpReceive(link) : 0;
      }
      if (link->ringCount > 0) break;
    }
  }
}

}  // namespace qb
