// quillbox-cli upgrade: the Upgrade Firmware command's own flow with
// console views: the Proposed Operation as plain text with the HEX check, the
// command's questions asked as [y/N] (or answered by --yes), then the loader
// transfer with progress and its log.
#include <algorithm>

#include "cli/cli_front.h"
#include "resources/resource.h"
#include "upgrade/upgrade_command.h"
#include "upgrade/upgrade_report.h"
#include "upgrade/upgrade_transfer.h"

namespace qb {
namespace cli {

namespace {

struct UpgradeOptions {
  std::string file;
  bool yes = false;
};

// The upgrade command's three windows on the console. The views are plain
// functions, so the running verb's state is reached through this pointer.
struct UpgradeConsole {
  CliConsole& console;
  const UpgradeOptions& options;
  bool problem = false;      // the report marked a file or a sector
  bool transferred = false;  // the transfer ran and succeeded
};
UpgradeConsole* ActiveUpgrade = nullptr;

// A y/N question on standard error: yes with --yes, otherwise the answer
// typed at the terminal (no terminal: no).
bool AskYesNo() {
  CliConsole& console = ActiveUpgrade->console;
  if (ActiveUpgrade->options.yes) {
    console.err << "[y/N] y (--yes)\n";
    return true;
  }
  if (!console.inputIsTerminal) return false;
  console.err << "[y/N] " << std::flush;
  std::string answer;
  if (!std::getline(console.in, answer)) {
    console.err << '\n';  // end of input: the next line starts on its own
    return false;
  }
  answer.erase(std::remove_if(answer.begin(), answer.end(), [](char c) { return c == ' ' || c == '\r'; }),
               answer.end());
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

bool UpgradeFileGiven(void*, std::string& path) {
  path = ActiveUpgrade->options.file;
  return !path.empty();
}

int ConsoleFilesList(void*, const std::string& report, bool problem) {
  CliConsole& console = ActiveUpgrade->console;
  console.out << ProposedOperationText(report) << std::flush;
  ActiveUpgrade->problem = problem;
  if (problem) return kIdCancel;  // the dialog's Accept is disabled
  console.err << "Accept the proposed operation? ";
  return AskYesNo() ? kAcceptButton : kIdCancel;
}

void ConsoleUpgradeRun(void*, UpgradeJob& job) {
  {
    ConsoleReporter reporter(ActiveUpgrade->console);
    UpgradeThread(job, &MainLink, reporter);
  }
  ActiveUpgrade->transferred = job.success;
}

const UpgradeViews kConsoleUpgradeViews = {UpgradeFileGiven, ConsoleFilesList, ConsoleUpgradeRun};

int Upgrade(CliConsole& console, const LinkOptions& options, const UpgradeOptions& upgrade) {
  // The upgrade erases the instrument's firmware: somebody must have agreed.
  if (!upgrade.yes && !console.inputIsTerminal) {
    return Fail(console, "An upgrade asks before it erases the firmware: give --yes, or run it at a terminal");
  }
  Session session(console, options);
  if (int code = session.Open()) return code;
  UpgradeConsole state{console, upgrade};
  struct Asking {
    explicit Asking(UpgradeConsole* state) {
      ActiveUpgrade = state;
      SetBoxQuestion(AskYesNo);
    }
    ~Asking() {
      SetBoxQuestion(nullptr);
      ActiveUpgrade = nullptr;
    }
  } asking(&state);
  UpgradeOutcome outcome = RunUpgradeFirmwareCommand(nullptr, &MainLink, kConsoleUpgradeViews);
  if (outcome == UpgradeOutcome::Transferred && state.transferred) {
    console.out << "Firmware upgraded from " << upgrade.file << '\n';
    return kCliSuccess;
  }
  switch (outcome) {
    case UpgradeOutcome::NotAccepted:
      return Fail(console, state.problem ? "A file of the set is missing, not sound Intel HEX or for an invalid "
                                           "sector (marked above): nothing was sent"
                                         : "The proposed operation was not accepted: nothing was sent");
    case UpgradeOutcome::NotContinued:
    case UpgradeOutcome::WrongInstrument:
      return Fail(console, "The upgrade was not started: nothing was sent");
    case UpgradeOutcome::Transferred:
      return Fail(console, "The upgrade did not finish (see the log above)");
    case UpgradeOutcome::LinkNotOpened:
      return Fail(console, "The link could not be opened again");
    default:
      return kCliFailed;  // the message said why
  }
}

class UpgradeVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("upgrade", "upgrade the instrument's firmware from a .upg or main .hex file");
    AddLinkOptions(*verb, link_);
    verb->add_option("file", upgrade_.file, "the upgrade descriptor (.upg) or the main .hex file")->required();
    verb->add_flag("--yes,-y", upgrade_.yes, "answer yes to every question (needed without a terminal)");
    return verb;
  }
  int Run(CliConsole& console) override { return Upgrade(console, link_, upgrade_); }

 private:
  LinkOptions link_;
  UpgradeOptions upgrade_;
};

}  // namespace

std::unique_ptr<CliVerb> MakeUpgradeVerb() {
  return std::make_unique<UpgradeVerb>();
}

}  // namespace cli
}  // namespace qb
