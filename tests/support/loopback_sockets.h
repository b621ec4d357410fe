// Plain loopback sockets for tests that talk to the virtual instrument, or
// stand in for one or for a peer that misbehaves, bypassing the program's own
// transport: a TCP client, a UDP socket, and a TCP listener that never
// accepts.
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

// A TCP listener on a loopback address that never accepts and never reads,
// for tests of peers that stop taking data: the kernel completes connections
// into its backlog and buffers what they send until the (small) receive
// buffer is full, after which the sender's window stays shut. With its
// backlog filled first (FillBacklog), further connection attempts are left
// unanswered, as with an address where nobody answers at all.
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
