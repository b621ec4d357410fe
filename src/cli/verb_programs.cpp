// quillbox-cli programs: the program stores (list, save a slot into a QZL
// file, upload a QZL file into a slot, delete, load the default) through the
// stores' own exchanges.
#include <fstream>

#include "cli/cli_front.h"
#include "stores/store_exchange.h"

namespace qb {
namespace cli {

namespace {

bool FileExists(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return file.good();
}

struct ProgramOptions {
  std::string action;
  int slot = 0;
  std::string file;
  bool yes = false;
};

int Programs(CliConsole& console, const LinkOptions& options, const ProgramOptions& program) {
  Session session(console, options);
  if (int code = session.Open()) return code;
  if (program.action == "list") {
    if (const char* refusal = ScanRefusal(MainLink.family)) return Fail(console, refusal);
    ProgramListing listing = ListPrograms(MainLink);
    for (size_t i = 0; i < listing.rows.size(); ++i) {
      const ProgramRow& row = listing.rows[i];
      if (row.stored) console.out << i + 1 << '\t' << row.id << '\t' << row.name << '\t' << row.date << '\n';
    }
    if (listing.skipped > 0) console.err << listing.skipped << " listing lines could not be read\n";
    return kCliSuccess;
  }
  if (program.action == "default") {
    LoadDefaultProgram(MainLink);
    return kCliSuccess;
  }
  if (program.slot < 1 || program.slot > kProgramSlots) return Fail(console, "Give a program slot from 1 to 999");
  if (program.action == "delete") {
    DeleteProgram(MainLink, program.slot);
    return kCliSuccess;
  }
  bool upload = program.action == "upload";
  std::string path = program.file.empty() ? ProgramDefaultName(program.slot) : program.file;
  if (!upload) {
    path = ProgramSaveName(path);
    if (FileExists(path) && !program.yes) return Fail(console, path + " already exists (--yes replaces it)");
  }
  TransferResult result =
      upload ? UploadProgram(MainLink, program.slot, path) : DownloadProgram(MainLink, program.slot, path);
  if (const char* message = ProgramTransferMessage(result, upload)) {
    std::string line = message;
    if (!result.keptPath.empty()) line += " (received part kept as " + result.keptPath + ")";
    return Fail(console, line);
  }
  console.out << (upload ? "uploaded " : "saved ") << path << " (" << result.lines << " lines)\n";
  return kCliSuccess;
}

class ProgramsVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    verb_ = app.add_subcommand("programs", "list, save, upload or delete programs in the instrument");
    AddLinkOptions(*verb_, link_);
    verb_->add_option("action", program_.action, "list, save, upload, delete or default")
        ->required()
        ->check(CLI::IsMember({"list", "save", "upload", "delete", "default"}));
    verb_->add_option("slot", program_.slot, "program slot, 1 to 999")->check(CLI::Range(1, kProgramSlots));
    verb_->add_option("file", program_.file, "QZL file (default ZTQ_Cnnn.QZL)");
    verb_->add_flag("--yes,-y", program_.yes, "replace an existing file");
    return verb_;
  }
  int Run(CliConsole& console) override {
    bool needsSlot = program_.action != "list" && program_.action != "default";
    if (needsSlot && program_.slot == 0) {
      console.err << kProgramName << ": " << program_.action << " needs a program slot\n" << verb_->help();
      return kCliFailed;
    }
    return Programs(console, link_, program_);
  }

 private:
  CLI::App* verb_ = nullptr;
  LinkOptions link_;
  ProgramOptions program_;
};

}  // namespace

std::unique_ptr<CliVerb> MakeProgramsVerb() {
  return std::make_unique<ProgramsVerb>();
}

}  // namespace cli
}  // namespace qb
