// The UDP responders of the LAN search; see discovery.h.
#include "discovery.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include "behaviour.h"

namespace sim {

namespace {

// Probe A replies: the letter A, the module's name and, after a slash, the
// TCP port of the instrument. "ok" is 26 bytes, the shortest accepted.
const struct {
  const char* name;
  const char* bytes;
} kProbeAShapes[] = {
    {"ok", "AQZL-LAN-00:1A:2B:3C/10001"},       // accepted
    {"short", "AQZL-LAN-00:1A:2B:3/10001"},     // 25 bytes
    {"letter", "BQZL-LAN-00:1A:2B:3C/10001"},   // first byte not A
    {"port", "AQZL-LAN-00:1A:2B:3C/10002"},     // another port after the slash
    {"noslash", "AQZL-LAN-00:1A:2B:3C:10001"},  // no slash at all
};

// Probe B replies: 30 bytes whose byte 3 is 0xF7 are accepted.
std::string ProbeBBytes(size_t length, unsigned char marker) {
  std::string bytes(length, '\0');
  for (size_t i = 4; i < length; ++i) bytes[i] = static_cast<char>(0x20 + i);
  if (length > 3) bytes[3] = static_cast<char>(marker);
  return bytes;
}

}  // namespace

bool ProbeReplyShape(char probe, const std::string& shape, std::string& bytes, std::string& error) {
  if (shape.compare(0, 4, "raw:") == 0) return UnescapeText(shape.substr(4), bytes, error);
  if (probe == 'A') {
    for (const auto& s : kProbeAShapes) {
      if (shape == s.name) {
        bytes = s.bytes;
        return true;
      }
    }
  } else {
    if (shape == "ok") bytes = ProbeBBytes(30, 0xF7);
    if (shape == "long") bytes = ProbeBBytes(31, 0xF7);
    if (shape == "short") bytes = ProbeBBytes(29, 0xF7);
    if (shape == "marker") bytes = ProbeBBytes(30, 0xF6);
    if (!bytes.empty()) return true;
  }
  error = std::string("unknown probe ") + probe + " reply shape: " + shape;
  return false;
}

ProbeResponder MakeResponder(char probe, const std::vector<std::string>& replies) {
  ProbeResponder responder;
  responder.replies = replies;
  if (probe == 'A') {
    responder.name = "udpa";
    responder.port = kProbeAPort;
    responder.request = "X";
  } else {
    responder.name = "udpb";
    responder.port = kProbeBPort;
    responder.request = std::string("\0\0\0\xF6", 4);
  }
  return responder;
}

bool OpenResponder(ProbeResponder& responder, const std::string& address, std::string& error) {
  sockaddr_in local;
  memset(&local, 0, sizeof local);
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(responder.port));
  if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
    error = "bad address " + address;
    return false;
  }
  responder.fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  int on = 1;
  if (responder.fd < 0 || setsockopt(responder.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(responder.fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    error = "cannot listen on UDP " + address + ":" + std::to_string(responder.port) + ": " + strerror(errno);
    CloseResponder(responder);
    return false;
  }
  return true;
}

void ServeResponder(ProbeResponder& responder, Transcript& transcript) {
  for (;;) {
    char datagram[2048];
    sockaddr_in from;
    socklen_t fromLength = sizeof from;
    ssize_t n = recvfrom(responder.fd, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) return;  // nothing more waiting (or an error the next poll sees again)
    transcript.Record(responder.name, true, datagram, static_cast<size_t>(n));
    if (std::string(datagram, static_cast<size_t>(n)) != responder.request) continue;
    for (const std::string& reply : responder.replies) {
      if (sendto(responder.fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength) ==
          static_cast<ssize_t>(reply.size()))
        transcript.Record(responder.name, false, reply.data(), reply.size());
    }
  }
}

void CloseResponder(ProbeResponder& responder) {
  if (responder.fd >= 0) close(responder.fd);
  responder.fd = -1;
}

}  // namespace sim
