// quillbox-cli discover: the LAN search's two probes, then the
// identification and family of every instrument found, as a table or JSON,
// each by its resource string; with --run a script on every instrument that
// answered, all at once.
#include <cstdio>

#include "cli/cli_front.h"
#include "cli/resource_address.h"
#include "connection/connect_settings.h"
#include "connection/identification.h"
#include "link/lan_search.h"
#include "script/script_interpreter.h"

namespace qb {
namespace cli {

namespace {

std::string JsonEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u >= 0x80) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\u%04x", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

struct FoundRow {
  std::string address, text, family, resource;
  bool answered;
};

void CollectRow(void* context, int, const char* address, const char* text) {
  ResourceAddress lan;
  lan.host = address;
  static_cast<std::vector<FoundRow>*>(context)->push_back(FoundRow{address, text, "", ResourceText(lan), false});
}

struct DiscoverOptions {
  bool json = false;
  BenchRun run;  // run.script: the script to run on each, none when ""
};

int Discover(CliConsole& console, DiscoverOptions& options) {
  const bool json = options.json;
  ConsoleBoxes boxes(console);
  bool previousTrace = TraceEnabled;
  TraceEnabled = false;
  auto list = std::make_unique<FoundInstrumentList>();
  *list = FoundInstrumentList{};
  DiscoverInstruments(*list);
  std::vector<FoundRow> rows;
  IdentifyFoundInstruments(*list, CollectRow, &rows);
  for (FoundRow& row : rows) {
    // The family needs the whole reply, which the list's row no longer holds.
    InstrumentLink link = MakeClosedLink();
    link.kind = LINK_LAN;
    CopyField(link.ipAddress, sizeof link.ipAddress, row.address, 15);
    bool known = row.text != kNoConnectionText && row.text != kNoReplyText && !row.text.empty();
    row.answered = known && IdentifyInstrument(nullptr, &link, false, 1);
    row.family = row.answered ? FamilyName(link.family) : "unknown";
  }
  TraceEnabled = previousTrace;
  if (json) {
    console.out << "[";
    for (size_t i = 0; i < rows.size(); ++i) {
      console.out << (i ? ",\n " : "\n ") << "{\"address\": \"" << JsonEscaped(rows[i].address)
                  << "\", \"resource\": \"" << JsonEscaped(rows[i].resource) << "\", \"family\": \""
                  << JsonEscaped(rows[i].family) << "\", \"identification\": \"" << JsonEscaped(rows[i].text) << "\"}";
    }
    console.out << (rows.empty() ? "]\n" : "\n]\n");
  } else {
    char line[256];
    snprintf(line, sizeof line, "%-29s %-8s %s", "ADDRESS", "FAMILY", "INSTRUMENT");
    console.out << line << '\n';
    for (const FoundRow& row : rows) {
      snprintf(line, sizeof line, "%-29s %-8s %s", row.resource.c_str(), row.family.c_str(), row.text.c_str());
      console.out << line << '\n';
    }
  }
  if (rows.empty()) console.err << "No instruments found\n";
  if (options.run.script.empty()) return kCliSuccess;
  for (const FoundRow& row : rows) {
    if (row.answered) options.run.addresses.push_back(row.resource);
  }
  console.out << std::flush;
  return RunOnEach(console, options.run);
}

class DiscoverVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("discover", "find the instruments on the LAN (both probes)");
    verb->add_flag("--json", options_.json, "print the instruments as JSON");
    auto* run = verb->add_option("--run", options_.run.script, "then run SCRIPT on every instrument that answered");
    verb->add_option("--junit", options_.run.junit, "with --run: the JUnit file, a suite per instrument")->needs(run);
    verb->add_option("--transcript", options_.run.transcriptDir, "with --run: a transcript per instrument in DIR")
        ->needs(run);
    verb->add_option("--timeout", options_.run.timeoutMs, "with --run: reply time-out in milliseconds")
        ->check(CLI::Range(1, kLongestWaitMs))
        ->needs(run);
    return verb;
  }
  int Run(CliConsole& console) override { return Discover(console, options_); }

 private:
  DiscoverOptions options_;
};

}  // namespace

std::unique_ptr<CliVerb> MakeDiscoverVerb() {
  return std::make_unique<DiscoverVerb>();
}

}  // namespace cli
}  // namespace qb
