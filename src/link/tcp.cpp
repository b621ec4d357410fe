// The TCP transport's receive ring and its byte and line reads, shared by the
// Winsock and BSD socket drivers; see tcp.h.
#include "link/tcp.h"

#include <cstring>

#include "common/tick_clock.h"

namespace qb {

bool WinsockStarted = false;
uint32_t LanReadTimeout = kDefaultReadTimeoutMs;

void SetLanReadTimeout(uint32_t milliseconds) {
  LanReadTimeout = milliseconds;
}

// The one-address connect: started, then given the 2 seconds.
int TcpConnect(const char* ipAddress, intptr_t& socket, int port) {
  int started = TcpConnectStart(ipAddress, socket, port);
  if (started == 1) {
    const bool wantWrite = true;
    bool ready = false;
    const uint64_t start = SteadyMs(), limit = kConnectTimeoutMs;
    int waited;
    do {
      uint64_t spent = SteadyMs() - start;
      waited = TcpWaitAny(&socket, &wantWrite, &ready, 1, spent >= limit ? 0 : static_cast<int>(limit - spent));
    } while (waited == 0 && SteadyMs() - start < limit);
    started = waited > 0 && ready ? TcpConnectResult(socket) : -1;
  }
  if (started == 0) started = TcpPrepareLinkSocket(socket);
  if (started != 0) TcpClose(socket);
  return started == 0 ? 0 : -1;
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
  // Right after a command the reply has rarely arrived yet: a receive that
  // waits for it is one call where a check, a wait and a receive are three.
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
      if (pumped < 0) {
        SleepMs(kTcpReceiveSliceMs);  // the peer has closed: nothing will come, but keep the time-out
      } else {
        pumped = TcpReceiveWait(link);
      }
      if (link->ringCount > 0) break;
      uint64_t now = SteadyMs();
      if (now - idleSince >= LanReadTimeout || now - start >= limit) {
        memset(buffer, 0, static_cast<size_t>(size));
        return -1;
      }
    }
  }
}

}  // namespace qb
