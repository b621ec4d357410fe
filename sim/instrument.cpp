// The instrument model. Commands end in a line feed or a carriage return; the
// zero byte that follows every command over TCP and empty commands are ignored.
// A command is answered by the first --on rule that matches it, else by the
// built-in replies (the screen, the readings, the stores, "*IDN?"); replies end in the --framing line end.
#include "instrument.h"

#include "server.h"

namespace sim {

void Instrument::Receive(Channel& channel, const char* data, size_t size) {
  for (size_t i = 0; i < size && channel.fd >= 0; ++i) {
    char c = data[i];
    if (loader_.Byte(channel, c)) continue;
    if (c == '\n' || c == '\r') {
      std::string command;
      command.swap(channel.pending);
      if (!command.empty()) Command(channel, command);
    } else if (c != '\0') {
      // A runaway sender cannot make the instrument hoard memory.
      if (channel.pending.size() < 65536) channel.pending.push_back(c);
    }
  }
}

void Instrument::Command(Channel& channel, const std::string& command) {
  if (options_.silent) return;
  for (const Rule& rule : options_.rules) {
    if (RuleMatches(rule, command)) {
      server_.RunScript(channel, rule.script);
      return;
    }
  }
  if (AnswerScreenCommand(server_, channel, command, options_.screen, options_.lineEnd)) return;
  std::string reading;
  if (readings_.Command(command, reading)) {
    if (!reading.empty()) server_.Send(channel, reading + options_.lineEnd);
    return;
  }
  StoreReply reply;
  if (stores_.Command(command, reply)) {
    SendStoreReply(server_, channel, reply.bytes, command.size() + 1, options_.stores.baud);
    // The drop waits a little, so a pseudo-terminal delivers what was sent
    // before it hangs up.
    static const Script kDrop = {Step{Step::kWait, "", 200}, Step{Step::kDrop, "", 0}};
    if (reply.drop) server_.RunScript(channel, kDrop);
    if (reply.later) server_.RunScript(channel, *reply.later);
    return;
  }
  if (command == "*IDN?" && ++channel.idnQueries >= options_.answerFrom) {
    server_.Send(channel, options_.idn + options_.lineEnd);
  }
}

}  // namespace sim
