// The never-accepting loopback listener, for Winsock and BSD sockets alike.
#include "support/loopback_listener.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
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

}  // namespace

LoopbackListener::LoopbackListener() : socket_(-1) {
#ifdef _WIN32
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
#endif
}

LoopbackListener::~LoopbackListener() {
  Close();
#ifdef _WIN32
  WSACleanup();
#endif
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
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<unsigned short>(port));
  if (inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) return false;
  return bind(static_cast<int>(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
         listen(static_cast<int>(s), backlog) == 0;
}

bool LoopbackListener::FillBacklog() {
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<unsigned short>(port_));
  if (inet_pton(AF_INET, address_.c_str(), &addr.sin_addr) != 1) return false;
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
