// A TCP listener on a loopback address that never accepts and never reads,
// for tests of peers that stop taking data: the kernel completes connections
// into its backlog and buffers what they send until the (small) receive
// buffer is full, after which the sender's window stays shut. With its
// backlog filled first (FillBacklog), further connection attempts are left
// unanswered, as with an address where nobody answers at all.
#pragma once

#include <string>
#include <vector>

namespace qbtest {

class LoopbackListener {
 public:
  LoopbackListener();
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  // Listens on address:port with the given backlog and a receive buffer of
  // about receiveBuffer bytes for the connections it takes.
  bool Listen(const std::string& address, int port, int backlog = 8, int receiveBuffer = 4096);
  // Connects clients of its own until the backlog is full, so that the next
  // connection attempt from elsewhere gets no answer. False when that could
  // not be brought about within a few attempts.
  bool FillBacklog();
  // Closes the listener (and the connections waiting in its backlog).
  void Close();

 private:
  long long socket_;
  std::string address_;
  int port_ = 0;
  std::vector<long long> fillers_;
};

}  // namespace qbtest
