// The TCP transport's socket calls on Windows Sockets 2.2. The socket is
// non-blocking from its connect to its close: a receive that finds nothing
// says so at once (one call, no select() before it); a receive that waits is
// an overlapped one, waited for at most one slice (and cancelled after it); and a send to a peer whose window stays
// shut waits for room in select() at most the read time-out. select() takes up to kTcpWaitMax sockets, for the LAN
// search's connects to every found address at once.
#ifndef FD_SETSIZE
#define FD_SETSIZE 512  // kTcpWaitMax; must come before winsock2.h
#endif
#include <winsock2.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "common/tick_clock.h"
#include "link/tcp.h"

namespace qb {

namespace {

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

// The event that the waiting receive of this thread waits on, made once
// per thread and closed when the thread ends; null when none can be made.
HANDLE ThreadReceiveEvent() {
  struct Holder {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Holder() {
      if (event) CloseHandle(event);
    }
  };
  static thread_local Holder holder;
  return holder.event;
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

int TcpConnectStart(const char* ipAddress, intptr_t& socket, int port) {
  socket = kNoHandle;
  unsigned long address = ipAddress ? inet_addr(ipAddress) : INADDR_NONE;
  // Neither "no address" nor the unspecified address names an instrument.
  if (address == INADDR_NONE || address == INADDR_ANY || port < 0 || port > 65535) return -1;
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return -1;
  sockaddr_in peer;
  memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<u_short>(port == 0 ? kInstrumentTcpPort : port));
  peer.sin_addr.s_addr = address;
  int started = -1;
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) == 0) {
    if (connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
      started = 0;
    } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
      started = 1;
    }
  }
  if (started < 0) {
    closesocket(s);
    return -1;
  }
  // Commands go out at once: a command with no reply followed by another
  // would otherwise wait for the instrument's delayed acknowledgement.
  BOOL noDelay = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  socket = static_cast<intptr_t>(s);
  return started;
}

int TcpConnectResult(intptr_t socket) {
  // A failed connect shows in the exception set; its error decides.
  int error = 0;
  int length = sizeof error;
  return TcpSocketValid(socket) &&
                 getsockopt(SocketOf(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
                 error == 0
             ? 0
             : -1;
}

int TcpWaitAny(const intptr_t* sockets, const bool* wantWrite, bool* ready, int count, int milliseconds) {
  static_assert(FD_SETSIZE >= kTcpWaitMax, "select() must take every socket of a search");
  if (!sockets || !wantWrite || !ready || count < 0 || count > kTcpWaitMax) return -1;
  if (count == 0) {
    Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds));
    return 0;
  }
  // Large sets live on the heap: three of them are some 12 KB.
  struct Sets {
    fd_set readable, writable, failed;
  };
  Sets* sets = new (std::nothrow) Sets;
  if (!sets) return -1;
  FD_ZERO(&sets->readable);
  FD_ZERO(&sets->writable);
  FD_ZERO(&sets->failed);
  bool valid = true;
  for (int i = 0; i < count; ++i) {
    ready[i] = false;
    if (!TcpSocketValid(sockets[i])) valid = false;
    SOCKET s = SocketOf(sockets[i]);
    FD_SET(s, wantWrite[i] ? &sets->writable : &sets->readable);
    FD_SET(s, &sets->failed);
  }
  int n = -1;
  if (valid) {
    if (milliseconds < 0) milliseconds = 0;
    timeval wait = {milliseconds / 1000, (milliseconds % 1000) * 1000};
    n = select(0, &sets->readable, &sets->writable, &sets->failed, &wait);
  }
  if (n > 0) {
    n = 0;
    for (int i = 0; i < count; ++i) {
      SOCKET s = SocketOf(sockets[i]);
      ready[i] = FD_ISSET(s, &sets->failed) || FD_ISSET(s, wantWrite[i] ? &sets->writable : &sets->readable);
      if (ready[i]) ++n;
    }
  }
  delete sets;
  return n == SOCKET_ERROR ? -1 : n;
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
  SOCKET s = SocketOf(link->socket);
  int length = static_cast<int>(strlen(text)) + 1;  // with the terminating zero byte
  int done = 0;
  const uint64_t start = SteadyMs();
  while (done < length) {
    int n = send(s, text + done, length - done, 0);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n == 0 || WSAGetLastError() != WSAEWOULDBLOCK) return -1;
    // The peer's window is shut: wait for room, but not beyond the time-out.
    uint64_t spent = SteadyMs() - start;
    if (spent >= LanReadTimeout) return -1;
    int left = static_cast<int>(LanReadTimeout - spent);
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval wait = {left / 1000, (left % 1000) * 1000};
    if (select(0, nullptr, &writable, &failed, &wait) == SOCKET_ERROR) return -1;
  }
  return 0;
}

int TcpPump(InstrumentLink* link) {
  if (!link || !TcpSocketValid(link->socket)) return -1;
  // The socket does not block: the receive is the readiness check too.
  unsigned char chunk[kTcpReceiveChunk + 1] = {};
  int n = recv(SocketOf(link->socket), reinterpret_cast<char*>(chunk), kTcpReceiveChunk, 0);
  if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return 0;
  if (n == SOCKET_ERROR || n == 0) return -1;
  RingAppend(link, chunk, n);
  return n;
}

int TcpPrepareLinkSocket(intptr_t socket) {
  // The socket stays non-blocking; the waiting receive is an overlapped one.
  return TcpSocketValid(socket) ? 0 : -1;
}

int TcpReceiveWait(InstrumentLink* link) {
  if (!link || !TcpSocketValid(link->socket)) return -1;
  SOCKET s = SocketOf(link->socket);
  HANDLE event = ThreadReceiveEvent();
  if (!event) return SelectReadable(s, kTcpReceiveSliceMs) ? TcpPump(link) : 0;
  unsigned char chunk[kTcpReceiveChunk + 1] = {};
  WSABUF buffer = {kTcpReceiveChunk, reinterpret_cast<char*>(chunk)};
  WSAOVERLAPPED overlapped = {};
  overlapped.hEvent = event;
  DWORD received = 0, flags = 0;
  if (WSARecv(s, &buffer, 1, &received, &flags, &overlapped, nullptr) == SOCKET_ERROR) {
    int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
      // Not taken as an overlapped receive: wait and receive in two steps.
      return SelectReadable(s, kTcpReceiveSliceMs) ? TcpPump(link) : 0;
    }
    if (error != WSA_IO_PENDING) return -1;
    // The receive has ended before the chunk it writes to goes out of scope:
    // after the slice it is cancelled, and its end waited for.
    if (WaitForSingleObject(event, kTcpReceiveSliceMs) != WAIT_OBJECT_0)
      CancelIoEx(reinterpret_cast<HANDLE>(s), &overlapped);
    if (!WSAGetOverlappedResult(s, &overlapped, &received, TRUE, &flags)) {
      return WSAGetLastError() == WSA_OPERATION_ABORTED ? 0 : -1;
    }
  }
  if (received == 0) return -1;  // the peer has closed
  RingAppend(link, chunk, static_cast<int>(received));
  return static_cast<int>(received);
}

}  // namespace qb
