// The simulator's event loop: a TCP listener with its clients and a
// pseudo-terminal, each a channel that carries command lines to the
// instrument model and its replies back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "discovery.h"
#include "options.h"
#include "transcript.h"

namespace sim {

struct Channel {
  enum Kind { kTcpClient, kPty };
  Kind kind;
  int fd = -1;
  std::string name;                // "tcp1", "tcp2", ... or "pty"
  std::string pending;             // bytes of the command being received
  int idnQueries = 0;              // "*IDN?" queries received so far
  std::vector<uint64_t> timerDue;  // when each --every/--once timer runs next
  std::string outbox;              // bytes the peer has not taken yet
  size_t dropped = 0;              // bytes lost because the outbox was full
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

  // Writes bytes to a channel and records them. What the peer does not take
  // at once waits in the channel's outbox, so a peer that stops reading holds
  // up nobody else; past kOutboxLimit further bytes are dropped (and noted).
  void Send(Channel& channel, const std::string& bytes);
  static constexpr size_t kOutboxLimit = 64u << 20;
  // Runs a behaviour script on a channel from step `from` on; a wait step
  // leaves the rest for later.
  void RunScript(Channel& channel, const Script& script, size_t from = 0);

  const std::string& PtyPath() const { return ptyPath_; }

 private:
  void AcceptClient();
  void ReadChannel(Channel& channel);
  void CloseChannel(Channel& channel);
  // Writes what the outbox holds until the peer takes no more.
  void Flush(Channel& channel);
  // Closes the pseudo-terminal; with reopenMs > 0 a new one replaces it that
  // much later (and --pty-link points at it).
  void HangUp(Channel& channel, int reopenMs);
  bool OpenPty();
  Channel* FindChannel(const std::string& name);
  void AddChannel(std::unique_ptr<Channel> channel);
  // Runs the scripts that are due; returns ms until the next one (at most 50).
  int RunDue();

  // The rest of a script that waits.
  struct Pending {
    uint64_t due;
    std::string channel;
    const Script* script;
    size_t next;
  };

  Options options_;
  Transcript transcript_;
  std::unique_ptr<Instrument> instrument_;
  int listenFd_ = -1;
  int ptySlaveFd_ = -1;       // kept open so the master never sees a hang-up
  uint64_t ptyReopenAt_ = 0;  // when a hung-up pseudo-terminal comes back, 0 = never
  std::string ptyPath_;
  std::vector<std::unique_ptr<Channel>> channels_;
  int nextClient_ = 1;
  std::vector<Pending> pending_;
  std::vector<ProbeResponder> responders_;  // the LAN search's, when asked for
};

// Milliseconds of a monotonic clock.
uint64_t NowMs();
// Microseconds of the same clock.
uint64_t NowUs();

}  // namespace sim
