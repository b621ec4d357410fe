// quillbox-cli discover: the LAN search's two probes, then the
// identification and family of every instrument found, as a table or JSON.
#include <cstdio>

#include "cli/cli_front.h"
#include "connection/connect_settings.h"
#include "connection/identification.h"
#include "link/lan_search.h"

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
  std::string address, text, family;
};

void CollectRow(void* context, int, const char* address, const char* text) {
  static_cast<std::vector<FoundRow>*>(context)->push_back(FoundRow{address, text, ""});
}

int Discover(CliConsole& console, bool json) {
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
    row.family = known && IdentifyInstrument(nullptr, &link, false, 1) ? FamilyName(link.family) : "unknown";
  }
  TraceEnabled = previousTrace;
  if (json) {
    console.out << "[";
    for (size_t i = 0; i < rows.size(); ++i) {
      console.out << (i ? ",\n " : "\n ") << "{\"address\": \"" << JsonEscaped(rows[i].address) << "\", \"family\": \""
                  << JsonEscaped(rows[i].family) << "\", \"identification\": \"" << JsonEscaped(rows[i].text) << "\"}";
    }
    console.out << (rows.empty() ? "]\n" : "\n]\n");
  } else {
    char line[128];
    snprintf(line, sizeof line, "%-16s %-8s %s", "ADDRESS", "FAMILY", "INSTRUMENT");
    console.out << line << '\n';
    for (const FoundRow& row : rows) {
      snprintf(line, sizeof line, "%-16s %-8s %s", row.address.c_str(), row.family.c_str(), row.text.c_str());
      console.out << line << '\n';
    }
  }
  if (rows.empty()) console.err << "No instruments found\n";
  return kCliSuccess;
}

class DiscoverVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("discover", "find the instruments on the LAN (both probes)");
    verb->add_flag("--json", json_, "print the instruments as JSON");
    return verb;
  }
  int Run(CliConsole& console) override { return Discover(console, json_); }

 private:
  bool json_ = false;
};

}  // namespace

std::unique_ptr<CliVerb> MakeDiscoverVerb() {
  return std::make_unique<DiscoverVerb>();
}

}  // namespace cli
}  // namespace qb
