// A plain TCP client and a plain UDP socket for tests that talk to the virtual
// instrument, or stand in for one, bypassing the program's own transport.
#pragma once

#include <string>
#include <vector>

namespace qbtest {

class LoopbackClient {
 public:
  LoopbackClient();
  ~LoopbackClient();
  LoopbackClient(const LoopbackClient&) = delete;
  LoopbackClient& operator=(const LoopbackClient&) = delete;

  bool Connect(const std::string& address, int port, int timeoutMs = 2000);
  bool Send(const std::string& bytes);
  // Reads until the received bytes end with terminator, or timeoutMs passes.
  std::string ReadUntil(const std::string& terminator, int timeoutMs = 2000);
  void Close();

 private:
  long long socket_;
};

// A UDP socket bound to a loopback address (any port): datagrams sent from it
// and those that come back to it.
class LoopbackDatagrams {
 public:
  explicit LoopbackDatagrams(const std::string& address = "127.0.0.1");
  ~LoopbackDatagrams();
  LoopbackDatagrams(const LoopbackDatagrams&) = delete;
  LoopbackDatagrams& operator=(const LoopbackDatagrams&) = delete;

  bool Bound() const { return bound_; }
  bool SendTo(const std::string& address, int port, const std::string& bytes);
  // Every datagram that arrives within waitMs.
  std::vector<std::string> Receive(int waitMs);

 private:
  long long socket_;
  bool bound_ = false;
};

}  // namespace qbtest
