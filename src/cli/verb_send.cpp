// quillbox-cli send: each command goes out as a typed line does, and the
// replies that follow it are printed as the results pane shows them.
#include <chrono>
#include <thread>

#include "cli/cli_front.h"
#include "script/script_runner.h"

namespace qb {
namespace cli {

namespace {

// How many reply time-outs send listens to one command at most.
constexpr uint32_t kSendListenFactor = 4;

class SendVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("send", "send each command as a typed line and print the replies");
    AddLinkOptions(*verb, link_);
    verb->add_option("command", commands_, "commands to send")->required();
    return verb;
  }
  int Run(CliConsole& console) override {
    Session session(console, link_);
    if (int code = session.Open()) return code;
    ReplyPoll poll(console, session.Record());
    for (const std::string& command : commands_) {
      if (SendCommandLine(command.c_str())) return Fail(console, "Unable to send " + command);
      // Replies are collected until none came for the settle time after the
      // last line, or for the time-out when none came at all; an instrument
      // that keeps talking is left after kSendListenFactor time-outs.
      uint32_t start = TickMs();
      uint32_t limit = static_cast<uint32_t>(link_.timeoutMs) * kSendListenFactor;
      int before = poll.Lines();
      for (;;) {
        if (!poll.Poll()) return Fail(console, kCommsErrorLine);
        uint32_t now = TickMs();
        bool answered = poll.Lines() > before;
        if (answered && now - poll.LastLineMs() >= static_cast<uint32_t>(kReplySettleMs)) break;
        if (!answered && now - start >= static_cast<uint32_t>(link_.timeoutMs)) break;
        if (now - start >= limit) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    return kCliSuccess;
  }

 private:
  LinkOptions link_;
  std::vector<std::string> commands_;
};

}  // namespace

std::unique_ptr<CliVerb> MakeSendVerb() {
  return std::make_unique<SendVerb>();
}

}  // namespace cli
}  // namespace qb
