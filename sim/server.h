// The simulator's event loop: a TCP listener with its clients and a
// pseudo-terminal, each a channel that carries command lines to the
// instrument model and its replies back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "options.h"
#include "transcript.h"

namespace sim {

struct Channel {
  enum Kind { kTcpClient, kPty };
  Kind kind;
  int fd = -1;
  std::string name;     // "tcp1", "tcp2", ... or "pty"
  std::string pending;  // bytes of the command being received
};

class Instrument;

class Server {
 public:
  explicit Server(const Options& options);
  ~Server();

  // Opens the listener and the pseudo-terminal. Prints the pseudo-terminal's
  // path. Returns false with a message on stderr when something fails.
  bool Start();
  // Runs until SIGTERM or SIGINT. Returns the exit code.
  int Run();

  // Writes bytes to a channel and records them.
  void Send(Channel& channel, const std::string& bytes);

  const std::string& PtyPath() const { return ptyPath_; }

 private:
  void AcceptClient();
  void ReadChannel(Channel& channel);
  void CloseChannel(Channel& channel);

  Options options_;
  Transcript transcript_;
  std::unique_ptr<Instrument> instrument_;
  int listenFd_ = -1;
  int ptySlaveFd_ = -1;  // kept open so the master never sees a hang-up
  std::string ptyPath_;
  std::vector<std::unique_ptr<Channel>> channels_;
  int nextClient_ = 1;
};

}  // namespace sim
