// The simulator's behaviour language: how it answers a command or what it
// sends on a timer, as a short script of steps. A script is steps separated by
// "|":
//
//   line:TEXT   send TEXT and the line end (--framing)
//   raw:TEXT    send TEXT as it is
//   idn         send the identification reply and the line end
//   wait:MS     go on with the next step MS milliseconds later
//   drop        close the connection (over the pseudo-terminal: hang up)
//   hangup      close the pseudo-terminal for good (the program's next read
//               fails); over TCP the same as drop
//   hangup:MS   close it, and MS ms later open a new one (--pty-link follows)
//   none        do nothing (a command never answered)
//
// TEXT escapes: \r \n \t \0 \\ \| \xNN, \p{VALUE} a packed number (4 bytes),
// \g{N} N bytes of binary garbage (every value, CR and LF included),
// \a{N} N printable filler characters (for over-long lines).
#pragma once

#include <string>
#include <vector>

namespace sim {

struct Step {
  enum Kind { kSend, kLine, kIdn, kWait, kDrop, kHangup, kNone };
  Kind kind = kNone;
  std::string bytes;  // kSend and kLine: unescaped text
  int ms = 0;         // kWait; kHangup: reopen after ms (0 = never)
};

using Script = std::vector<Step>;

// How one command is answered. A pattern ending in "*" matches every command
// that begins with the rest of it.
struct Rule {
  std::string pattern;
  Script script;
};

// A script run on every channel some time after it opened: once, or again
// and again every periodMs.
struct TimerSpec {
  int periodMs = 0;
  int startMs = 0;  // first run this long after the channel opened
  bool repeat = false;
  Script script;
};

// Parses a script; on an error writes a message and returns false.
bool ParseScript(const std::string& text, Script& script, std::string& error);
// Turns TEXT escapes into bytes (the garbage of \g is the same on every run).
bool UnescapeText(const std::string& text, std::string& bytes, std::string& error);
// "PATTERN=SCRIPT" and "MS=SCRIPT".
bool ParseRule(const std::string& text, Rule& rule, std::string& error);
bool ParseTimer(const std::string& text, bool repeat, TimerSpec& timer, std::string& error);

// Whether the rule's pattern matches the command.
bool RuleMatches(const Rule& rule, const std::string& command);

// The instrument's four-byte packed number for value (the nearest it can
// hold; 0 is sent as "value absent").
std::string EncodePackedNumber(double value);

}  // namespace sim
