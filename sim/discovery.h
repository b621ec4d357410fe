// The instrument's answers to the LAN search: two UDP responders, one for each
// probe format, that answer the probe's request with the replies they were
// given (an accepted reply by default, or shapes a program must reject).
#pragma once

#include <string>
#include <vector>

#include "transcript.h"

namespace sim {

constexpr int kProbeAPort = 65535;  // hears "X"
constexpr int kProbeBPort = 30718;  // hears 00 00 00 F6

struct ProbeResponder {
  std::string name;                  // "udpa" or "udpb", for the transcript
  int port = 0;                      // UDP port it listens on
  std::string request;               // the request it answers
  std::vector<std::string> replies;  // sent in order, one datagram each
  int fd = -1;
};

// The reply bytes of a named shape for probe 'A' or 'B', or "raw:TEXT" (TEXT
// with the behaviour escapes). False with a message for an unknown shape.
bool ProbeReplyShape(char probe, const std::string& shape, std::string& bytes, std::string& error);

// A responder for probe 'A' or 'B' with the given replies.
ProbeResponder MakeResponder(char probe, const std::vector<std::string>& replies);
// Binds the responder's socket to address and its port; false with a message.
bool OpenResponder(ProbeResponder& responder, const std::string& address, std::string& error);
// Answers every waiting datagram that is the responder's request, sending
// each reply to its sender; records both in the transcript.
void ServeResponder(ProbeResponder& responder, Transcript& transcript);
void CloseResponder(ProbeResponder& responder);

}  // namespace sim
