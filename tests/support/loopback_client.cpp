// Blocking loopback TCP client with select() time-outs, for Winsock and BSD
// sockets alike.
#include "support/loopback_client.h"

#include "support/host.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
typedef int socklen_t;
#define CLOSE_SOCKET closesocket
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#define CLOSE_SOCKET close
#endif

namespace qbtest {

LoopbackClient::LoopbackClient() : socket_(-1) {
#ifdef _WIN32
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
#endif
}

LoopbackClient::~LoopbackClient() {
  Close();
#ifdef _WIN32
  WSACleanup();
#endif
}

void LoopbackClient::Close() {
  if (socket_ != -1) CLOSE_SOCKET(static_cast<int>(socket_));
  socket_ = -1;
}

bool LoopbackClient::Connect(const std::string& address, int port, int timeoutMs) {
  Close();
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<unsigned short>(port));
  if (inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) return false;
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
    long long left = deadline - NowMs();
    if (left <= 0) break;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<int>(socket_), &set);
    timeval tv = {static_cast<long>(left / 1000), static_cast<long>((left % 1000) * 1000)};
    if (select(static_cast<int>(socket_) + 1, &set, nullptr, nullptr, &tv) <= 0) break;
    char c;
    if (::recv(static_cast<int>(socket_), &c, 1, 0) != 1) break;
    out.push_back(c);
  }
  return out;
}

}  // namespace qbtest
