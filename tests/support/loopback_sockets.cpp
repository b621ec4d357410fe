// The loopback TCP client and UDP socket (blocking, with select() time-outs)
// and the never-accepting listener, for Winsock and BSD sockets alike.
#include "support/loopback_sockets.h"

#include "support/host.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
typedef int socklen_t;
#define CLOSE_SOCKET closesocket
#else
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#define CLOSE_SOCKET close
#endif

namespace qbtest {

namespace {

bool LoopbackAddressOf(const std::string& address, int port, sockaddr_in& addr) {
  addr = {};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<unsigned short>(port));
  return inet_pton(AF_INET, address.c_str(), &addr.sin_addr) == 1;
}

// Whether the socket has something to read within waitMs.
bool Readable(long long socket, long long waitMs) {
  if (waitMs < 0) waitMs = 0;
  fd_set set;
  FD_ZERO(&set);
  FD_SET(static_cast<int>(socket), &set);
  timeval tv = {static_cast<long>(waitMs / 1000), static_cast<long>((waitMs % 1000) * 1000)};
  return select(static_cast<int>(socket) + 1, &set, nullptr, nullptr, &tv) > 0;
}

void SetNonBlocking(long long s) {
#ifdef _WIN32
  u_long on = 1;
  ioctlsocket(static_cast<SOCKET>(s), FIONBIO, &on);
#else
  fcntl(static_cast<int>(s), F_SETFL, fcntl(static_cast<int>(s), F_GETFL) | O_NONBLOCK);
#endif
}

// Whether a non-blocking connect on s completes within milliseconds.
bool Connected(long long s, int milliseconds) {
  fd_set writable;
  FD_ZERO(&writable);
  FD_SET(static_cast<int>(s), &writable);
  timeval wait = {0, milliseconds * 1000};
  if (select(static_cast<int>(s) + 1, nullptr, &writable, nullptr, &wait) <= 0) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
         error == 0;
}

// Winsock wants starting once per process before the first socket.
void StartSockets() {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
#endif
}

}  // namespace

LoopbackClient::LoopbackClient() : socket_(-1) {
  StartSockets();
}

LoopbackClient::~LoopbackClient() {
  Close();
}

void LoopbackClient::Close() {
  if (socket_ != -1) CLOSE_SOCKET(static_cast<int>(socket_));
  socket_ = -1;
}

bool LoopbackClient::Connect(const std::string& address, int port, int timeoutMs) {
  Close();
  sockaddr_in addr;
  if (!LoopbackAddressOf(address, port, addr)) return false;
  return WaitFor(
      [&] {
        long long s = static_cast<long long>(socket(AF_INET, SOCK_STREAM, 0));
        if (connect(static_cast<int>(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
          socket_ = s;
          return true;
        }
        CLOSE_SOCKET(static_cast<int>(s));
        return false;
      },
      timeoutMs);
}

bool LoopbackClient::Send(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    int n = static_cast<int>(
        ::send(static_cast<int>(socket_), bytes.data() + done, static_cast<int>(bytes.size() - done), 0));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string LoopbackClient::ReadUntil(const std::string& terminator, int timeoutMs) {
  std::string out;
  long long deadline = NowMs() + timeoutMs;
  while (out.size() < terminator.size() ||
         out.compare(out.size() - terminator.size(), terminator.size(), terminator) != 0) {
    char c;
    if (!Readable(socket_, deadline - NowMs()) || ::recv(static_cast<int>(socket_), &c, 1, 0) != 1) break;
    out.push_back(c);
  }
  return out;
}

LoopbackDatagrams::LoopbackDatagrams(const std::string& address) {
  StartSockets();
  socket_ = static_cast<long long>(socket(AF_INET, SOCK_DGRAM, 0));
  sockaddr_in local;
  bound_ = LoopbackAddressOf(address, 0, local) &&
           bind(static_cast<int>(socket_), reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
}

LoopbackDatagrams::~LoopbackDatagrams() {
  CLOSE_SOCKET(static_cast<int>(socket_));
}

bool LoopbackDatagrams::SendTo(const std::string& address, int port, const std::string& bytes) {
  sockaddr_in peer;
  return LoopbackAddressOf(address, port, peer) &&
         sendto(static_cast<int>(socket_), bytes.data(), static_cast<int>(bytes.size()), 0,
                reinterpret_cast<sockaddr*>(&peer), sizeof peer) == static_cast<int>(bytes.size());
}

std::vector<std::string> LoopbackDatagrams::Receive(int waitMs) {
  std::vector<std::string> datagrams;
  long long deadline = NowMs() + waitMs;
  char buffer[2048];
  while (Readable(socket_, deadline - NowMs())) {
    int n = static_cast<int>(recv(static_cast<int>(socket_), buffer, sizeof buffer, 0));
    if (n >= 0) datagrams.emplace_back(buffer, static_cast<size_t>(n));
  }
  return datagrams;
}

LoopbackListener::LoopbackListener() : socket_(-1) {
  StartSockets();
}

LoopbackListener::~LoopbackListener() {
  Close();
}

bool LoopbackListener::Listen(const std::string& address, int port, int backlog, int receiveBuffer) {
  Close();
  long long s = static_cast<long long>(socket(AF_INET, SOCK_STREAM, 0));
  if (s == -1) return false;
  socket_ = s;
  address_ = address;
  port_ = port;
  // Connections inherit the listener's receive buffer.
  setsockopt(static_cast<int>(s), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
             sizeof receiveBuffer);
  sockaddr_in addr;
  if (!LoopbackAddressOf(address, port, addr)) return false;
  return bind(static_cast<int>(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
         listen(static_cast<int>(s), backlog) == 0;
}

bool LoopbackListener::FillBacklog() {
  sockaddr_in addr;
  if (!LoopbackAddressOf(address_, port_, addr)) return false;
  // Connect until one attempt is left hanging: the backlog is then full.
  for (int i = 0; i < 16; ++i) {
    long long s = static_cast<long long>(socket(AF_INET, SOCK_STREAM, 0));
    if (s == -1) return false;
    fillers_.push_back(s);
    SetNonBlocking(s);
    connect(static_cast<int>(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    if (!Connected(s, 200)) return true;
  }
  return false;
}

void LoopbackListener::Close() {
  for (long long s : fillers_) CLOSE_SOCKET(static_cast<int>(s));
  fillers_.clear();
  if (socket_ != -1) CLOSE_SOCKET(static_cast<int>(socket_));
  socket_ = -1;
}

}  // namespace qbtest
