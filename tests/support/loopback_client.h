// A plain TCP client for tests that talk to the virtual instrument directly,
// bypassing the program's own transport.
#pragma once

#include <string>

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

}  // namespace qbtest
