// The console program's command line: the verbs, each in a file of its own
// (verb_*.cpp over the front end of cli_front.h), are added to one parser;
// the verb the arguments name runs and its result is the exit code. A new
// verb is one new file and one line in the list below.
#include "cli/cli.h"

#include <exception>

#include "cli/cli_front.h"

namespace qb {

int RunCli(const std::vector<std::string>& arguments, CliConsole& console) {
  using namespace cli;
  CLI::App app{"The terminal's jobs from a command line: quillbox-cli VERB [options]", kProgramName};
  app.require_subcommand(1, 1);
  app.fallthrough(false);

  std::unique_ptr<CliVerb> verbs[] = {
      MakeDiscoverVerb(), MakeIdentifyVerb(), MakeSendVerb(),    MakeRunVerb(),
      MakeCaptureVerb(),  MakeProgramsVerb(), MakeResultsVerb(), MakeUpgradeVerb(),
      MakeTrendVerb(),    MakeSweepVerb(),
  };
  std::vector<CLI::App*> commands;
  for (auto& verb : verbs) commands.push_back(verb->Add(app));

  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    CLI::App* verb = app.get_subcommands().empty() ? &app : app.get_subcommands().front();
    console.out << verb->help();
    return kCliSuccess;
  } catch (const CLI::ParseError& e) {
    console.err << kProgramName << ": " << e.what() << '\n';
    CLI::App* verb = app.get_subcommands().empty() ? &app : app.get_subcommands().front();
    console.err << verb->help();
    return kCliFailed;
  }

  try {
    for (size_t i = 0; i < commands.size(); ++i) {
      if (commands[i]->parsed()) return verbs[i]->Run(console);
    }
  } catch (const std::exception& e) {
    return Fail(console, e.what());
  }
  return kCliFailed;
}

}  // namespace qb
