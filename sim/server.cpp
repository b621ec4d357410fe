// The simulator's event loop over poll(): TCP listener, TCP clients and the
// master side of a pseudo-terminal.
#include "server.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "instrument.h"

namespace sim {

namespace {

volatile sig_atomic_t StopRequested = 0;

void OnStopSignal(int) {
  StopRequested = 1;
}

void SetNonBlocking(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

uint64_t NowMs() {
  return NowUs() / 1000;
}

uint64_t NowUs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000 + static_cast<uint64_t>(ts.tv_nsec) / 1000;
}

Server::Server(const Options& options) : options_(options) {
  instrument_ = std::make_unique<Instrument>(options_, *this);
}

Server::~Server() {
  for (auto& c : channels_) {
    if (c->fd >= 0) close(c->fd);
  }
  if (listenFd_ >= 0) close(listenFd_);
  for (auto& r : responders_) CloseResponder(r);
  if (ptySlaveFd_ >= 0) close(ptySlaveFd_);
  if (!options_.ptyLink.empty()) unlink(options_.ptyLink.c_str());
  if (!options_.pidfile.empty()) unlink(options_.pidfile.c_str());
}

bool Server::Start() {
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnStopSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  if (!options_.transcript.empty() && !transcript_.Open(options_.transcript)) {
    fprintf(stderr, "quillbox-sim: cannot write transcript %s: %s\n", options_.transcript.c_str(), strerror(errno));
    return false;
  }

  if (options_.tcp) {
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(options_.tcpPort));
    if (inet_pton(AF_INET, options_.tcpAddress.c_str(), &addr.sin_addr) != 1) {
      fprintf(stderr, "quillbox-sim: bad address %s\n", options_.tcpAddress.c_str());
      return false;
    }
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listenFd_, 8) != 0) {
      fprintf(stderr, "quillbox-sim: cannot listen on %s:%d: %s\n", options_.tcpAddress.c_str(), options_.tcpPort,
              strerror(errno));
      return false;
    }
    SetNonBlocking(listenFd_);
    printf("tcp %s:%d\n", options_.tcpAddress.c_str(), options_.tcpPort);
  }

  for (char probe : {'A', 'B'}) {
    const auto& replies = probe == 'A' ? options_.probeAReplies : options_.probeBReplies;
    if (replies.empty()) continue;
    ProbeResponder responder = MakeResponder(probe, replies);
    std::string error;
    if (!OpenResponder(responder, options_.udpAddress, error)) {
      fprintf(stderr, "quillbox-sim: %s\n", error.c_str());
      return false;
    }
    printf("udp %s:%d\n", options_.udpAddress.c_str(), responder.port);
    responders_.push_back(responder);
  }

  if (options_.pty && !OpenPty()) return false;

  if (!options_.pidfile.empty()) {
    // Written under a temporary name and renamed, so a reader never sees half.
    std::string temp = options_.pidfile + ".tmp";
    FILE* f = fopen(temp.c_str(), "w");
    if (!f) {
      fprintf(stderr, "quillbox-sim: cannot write %s: %s\n", temp.c_str(), strerror(errno));
      return false;
    }
    fprintf(f, "%d\n%s\n", static_cast<int>(getpid()), ptyPath_.c_str());
    fclose(f);
    rename(temp.c_str(), options_.pidfile.c_str());
  }
  printf("ready\n");
  fflush(stdout);
  return true;
}

void Server::Send(Channel& channel, const std::string& bytes) {
  if (channel.fd < 0 || bytes.empty()) return;
  size_t room = kOutboxLimit > channel.outbox.size() ? kOutboxLimit - channel.outbox.size() : 0;
  if (bytes.size() > room && channel.dropped == 0)
    transcript_.Note(channel.name, "output dropped: the peer reads nothing");
  channel.dropped += bytes.size() > room ? bytes.size() - room : 0;
  channel.outbox.append(bytes, 0, std::min(room, bytes.size()));
  Flush(channel);
}

void Server::Flush(Channel& channel) {
  size_t done = 0;
  while (channel.fd >= 0 && done < channel.outbox.size()) {
    ssize_t n = write(channel.fd, channel.outbox.data() + done, channel.outbox.size() - done);
    if (n > 0) {
      transcript_.Record(channel.name, false, channel.outbox.data() + done, static_cast<size_t>(n));
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;  // the rest goes when the poll says there is room
    } else {
      channel.outbox.clear();  // the peer is gone; its read side says so
      return;
    }
  }
  channel.outbox.erase(0, done);
}

void Server::AcceptClient() {
  for (;;) {
    int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) return;
    SetNonBlocking(fd);
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto channel = std::make_unique<Channel>();
    channel->kind = Channel::kTcpClient;
    channel->fd = fd;
    channel->name = "tcp" + std::to_string(nextClient_++);
    transcript_.Note(channel->name, "connected");
    AddChannel(std::move(channel));
  }
}

void Server::AddChannel(std::unique_ptr<Channel> channel) {
  uint64_t now = NowMs();
  for (const auto& timer : options_.timers) channel->timerDue.push_back(now + static_cast<uint64_t>(timer.startMs));
  channels_.push_back(std::move(channel));
}

Channel* Server::FindChannel(const std::string& name) {
  for (auto& c : channels_) {
    if (c->name == name && c->fd >= 0) return c.get();
  }
  return nullptr;
}

void Server::CloseChannel(Channel& channel) {
  if (channel.fd < 0) return;
  transcript_.Note(channel.name, "closed");
  close(channel.fd);
  channel.fd = -1;
}

// Closes the pseudo-terminal for good: with both sides gone, the program's
// next read of the port fails.
bool Server::OpenPty() {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    fprintf(stderr, "quillbox-sim: cannot create a pseudo-terminal: %s\n", strerror(errno));
    if (master >= 0) close(master);
    return false;
  }
  ptyPath_ = ptsname(master);
  // Raw mode: no echo, no line editing, no translation of CR and LF. The
  // slave stays open here too, so the master never reads a hang-up while the
  // program has the port closed.
  ptySlaveFd_ = open(ptyPath_.c_str(), O_RDWR | O_NOCTTY);
  if (ptySlaveFd_ >= 0) {
    termios t;
    if (tcgetattr(ptySlaveFd_, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(ptySlaveFd_, TCSANOW, &t);
    }
  }
  SetNonBlocking(master);
  auto channel = std::make_unique<Channel>();
  channel->kind = Channel::kPty;
  channel->fd = master;
  channel->name = "pty";
  AddChannel(std::move(channel));
  if (!options_.ptyLink.empty()) {
    // Replaced in one step, so the link never dangles for a reader.
    std::string temp = options_.ptyLink + ".new";
    unlink(temp.c_str());
    if (symlink(ptyPath_.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), options_.ptyLink.c_str()) != 0) {
      fprintf(stderr, "quillbox-sim: cannot link %s: %s\n", options_.ptyLink.c_str(), strerror(errno));
      return false;
    }
  }
  printf("pty %s\n", ptyPath_.c_str());
  fflush(stdout);
  return true;
}

void Server::HangUp(Channel& channel, int reopenMs) {
  if (channel.kind != Channel::kPty) {
    CloseChannel(channel);
    return;
  }
  if (channel.fd < 0) return;
  transcript_.Note(channel.name, "hung up");
  close(channel.fd);
  channel.fd = -1;
  if (ptySlaveFd_ >= 0) close(ptySlaveFd_);
  ptySlaveFd_ = -1;
  if (reopenMs > 0) ptyReopenAt_ = NowMs() + static_cast<uint64_t>(reopenMs);
}

void Server::RunScript(Channel& channel, const Script& script, size_t from) {
  for (size_t i = from; i < script.size() && channel.fd >= 0; ++i) {
    const Step& step = script[i];
    switch (step.kind) {
      case Step::kSend:
        Send(channel, step.bytes);
        break;
      case Step::kLine:
        Send(channel, step.bytes + options_.lineEnd);
        break;
      case Step::kIdn:
        Send(channel, options_.idn + options_.lineEnd);
        break;
      case Step::kWait:
        pending_.push_back({NowMs() + static_cast<uint64_t>(step.ms), channel.name, &script, i + 1});
        return;
      case Step::kDrop:
      case Step::kHangup:
        HangUp(channel, step.ms);
        return;
      case Step::kNone:
        break;
    }
  }
}

int Server::RunDue() {
  uint64_t now = NowMs();
  uint64_t next = now + 50;
  // Scripts that waited. Running one may add more, so take the due ones first.
  std::vector<Pending> due;
  for (size_t i = 0; i < pending_.size();) {
    if (pending_[i].due <= now) {
      due.push_back(pending_[i]);
      pending_.erase(pending_.begin() + static_cast<long>(i));
    } else {
      next = std::min(next, pending_[i].due);
      ++i;
    }
  }
  std::stable_sort(due.begin(), due.end(), [](const Pending& a, const Pending& b) { return a.due < b.due; });
  for (const Pending& p : due) {
    if (Channel* c = FindChannel(p.channel)) RunScript(*c, *p.script, p.next);
  }
  // Unasked output.
  for (size_t ci = 0; ci < channels_.size(); ++ci) {
    Channel& c = *channels_[ci];
    for (size_t t = 0; t < c.timerDue.size() && c.fd >= 0; ++t) {
      if (c.timerDue[t] <= now) {
        const TimerSpec& timer = options_.timers[t];
        c.timerDue[t] =
            timer.repeat ? std::max(c.timerDue[t] + static_cast<uint64_t>(timer.periodMs), now + 1) : UINT64_MAX;
        RunScript(c, timer.script);
      }
      if (c.timerDue[t] != UINT64_MAX) next = std::min(next, c.timerDue[t]);
    }
  }
  if (ptyReopenAt_ && ptyReopenAt_ <= now) {
    ptyReopenAt_ = 0;
    transcript_.Note("pty", "reopened");
    OpenPty();
  }
  if (ptyReopenAt_) next = std::min(next, ptyReopenAt_);
  for (const auto& p : pending_) next = std::min(next, p.due);
  now = NowMs();
  return next > now ? static_cast<int>(next - now) : 0;
}

void Server::ReadChannel(Channel& channel) {
  char buffer[4096];
  while (channel.fd >= 0) {
    ssize_t n = read(channel.fd, buffer, sizeof buffer);
    if (n > 0) {
      transcript_.Record(channel.name, true, buffer, static_cast<size_t>(n));
      instrument_->Receive(channel, buffer, static_cast<size_t>(n));
      // A short read took all there was: the next poll tells of more, which
      // saves a read that would only say "nothing yet" on every command.
      if (static_cast<size_t>(n) < sizeof buffer) return;
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    // A pseudo-terminal master reads EIO while nobody has the slave open; it
    // stays usable for the next open, so it is not closed.
    if (channel.kind == Channel::kPty) return;
    CloseChannel(channel);
    return;
  }
}

int Server::Run() {
  std::vector<pollfd> fds;
  std::vector<Channel*> owners;
  while (!StopRequested) {
    fds.clear();
    owners.clear();
    if (listenFd_ >= 0) {
      fds.push_back({listenFd_, POLLIN, 0});
      owners.push_back(nullptr);
    }
    for (auto& c : channels_) {
      if (c->fd < 0) continue;
      fds.push_back({c->fd, static_cast<short>(c->outbox.empty() ? POLLIN : POLLIN | POLLOUT), 0});
      owners.push_back(c.get());
    }
    const size_t firstResponder = fds.size();
    for (auto& r : responders_) fds.push_back({r.fd, POLLIN, 0});
    int ready = poll(fds.data(), fds.size(), RunDue());
    if (ready < 0) {
      if (errno == EINTR) continue;
      perror("quillbox-sim: poll");
      return 1;
    }
    for (size_t i = firstResponder; i < fds.size(); ++i) {
      if (fds[i].revents) ServeResponder(responders_[i - firstResponder], transcript_);
    }
    for (size_t i = 0; i < firstResponder; ++i) {
      if (!fds[i].revents || (owners[i] && owners[i]->fd < 0)) continue;
      if (!owners[i]) {
        AcceptClient();
        continue;
      }
      if (fds[i].revents & POLLOUT) Flush(*owners[i]);
      if ((fds[i].revents & ~POLLOUT) && owners[i]->fd >= 0) ReadChannel(*owners[i]);
    }
    // Forget closed TCP clients.
    for (size_t i = 0; i < channels_.size();) {
      if (channels_[i]->fd < 0) {
        channels_.erase(channels_.begin() + static_cast<long>(i));
      } else {
        ++i;
      }
    }
  }
  return 0;
}

}  // namespace sim
