// quillbox-cli identify: opens the link as Connect does and prints the
// identification reply and the family it names.
#include "cli/cli_front.h"

namespace qb {
namespace cli {

namespace {

class IdentifyVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("identify", "print the instrument's identification and family");
    AddLinkOptions(*verb, link_);
    return verb;
  }
  int Run(CliConsole& console) override {
    Session session(console, link_);
    if (int code = session.Open()) return code;
    console.out << MainLink.identification << '\n' << "family: " << FamilyName(MainLink.family) << '\n';
    return kCliSuccess;
  }

 private:
  LinkOptions link_;
};

}  // namespace

std::unique_ptr<CliVerb> MakeIdentifyVerb() {
  return std::make_unique<IdentifyVerb>();
}

}  // namespace cli
}  // namespace qb
