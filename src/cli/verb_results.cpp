// quillbox-cli results: the result stores scanned by the results download's
// job, then listed or downloaded as text or QZL files into a folder.
#include <algorithm>

#include "cli/cli_front.h"
#include "stores/store_exchange.h"

namespace qb {
namespace cli {

namespace {

struct ResultOptions {
  std::string action;
  std::vector<uint32_t> numbers;
  std::string folder = ".";
  bool qzl = false;
};

int Results(CliConsole& console, const LinkOptions& options, const ResultOptions& results) {
  Session session(console, options);
  if (int code = session.Open()) return code;
  const char* refusal = ScanRefusal(MainLink.family);
  if (MainLink.family == 0 && IdentifyStoreInstrument(MainLink)) refusal = nullptr;
  if (refusal) return Fail(console, refusal);
  ResultListing listing;
  {
    ConsoleReporter reporter(console);
    ScanResults(MainLink, reporter, listing);
  }
  if (results.action == "list") {
    for (const ResultEntry& entry : listing.entries) {
      console.out << entry.number << '\t' << entry.name << '\t' << entry.details << '\n';
    }
    if (listing.skipped > 0) console.err << listing.skipped << " listing lines could not be read\n";
    return kCliSuccess;
  }
  std::vector<ResultEntry> queue;
  for (uint32_t number : results.numbers) {
    auto found = std::find_if(listing.entries.begin(), listing.entries.end(),
                              [number](const ResultEntry& e) { return e.number == number; });
    if (found == listing.entries.end())
      return Fail(console, "The instrument holds no result " + std::to_string(number));
    queue.push_back(*found);
  }
  if (results.numbers.empty()) queue = listing.entries;
  if (queue.empty()) return Fail(console, "No results selected");
  ConsoleReporter reporter(console);
  DownloadReport report = DownloadResults(MainLink, queue, results.folder,
                                          results.qzl ? ResultFileKind::Qzl : ResultFileKind::Text, reporter);
  for (const std::string& name : report.written) console.out << JoinPath(results.folder, name) << '\n';
  if (!report.complete) {
    std::string text = DownloadFailureText(report);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return Fail(console, text);
  }
  return kCliSuccess;
}

class ResultsVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("results", "list the stored results or download them");
    AddLinkOptions(*verb, link_);
    verb->add_option("action", results_.action, "list or download")
        ->required()
        ->check(CLI::IsMember({"list", "download"}));
    verb->add_option("numbers", results_.numbers, "results to download (default all)");
    verb->add_option("--folder", results_.folder, "where the files go (default the current folder)");
    verb->add_flag("--qzl", results_.qzl, "download QZL files instead of text");
    return verb;
  }
  int Run(CliConsole& console) override { return Results(console, link_, results_); }

 private:
  LinkOptions link_;
  ResultOptions results_;
};

}  // namespace

std::unique_ptr<CliVerb> MakeResultsVerb() {
  return std::make_unique<ResultsVerb>();
}

}  // namespace cli
}  // namespace qb
