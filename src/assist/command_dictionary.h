// The command assistant's knowledge of the instrument command language: a
// dictionary of command entries per instrument family (the HXA set for the
// power analysers, the ZTQ set for the selective level meters, and an empty
// set for everything else), the parameter keyword lists attached to entries,
// the choice of the active set and keyword list, and the lookups that the
// completion engine and the help display use. All tables are constant data.
#pragma once

#include <string>

namespace qb {

constexpr int kSlotCount = 5;  // parameter slots 1 to 5 carry a description and keywords

// The words offered for one parameter slot, in the order completion offers
// them (lower case, 1 to 11 characters).
struct KeywordList {
  const char* const* Words;
  int Count;
};

// The six texts of an entry: slot 0 is the help text, slots 1-5 the
// descriptions of the parameters. Rows of one keyword often share a record.
struct HelpRecord {
  const char* HelpText;
  const char* SlotDescription[kSlotCount];  // null where a slot has none
};

struct CommandEntry {
  // The keyword, one comma per parameter slot (a slot may hold a fixed word),
  // and a trailing '?' for a query. Lower case.
  const char* Pattern;
  const HelpRecord* Help;
  const KeywordList* SlotKeywords[kSlotCount];  // null where a slot has none
  // The label of the entry in the keyword-list diagnostic ("default" for
  // most entries without lists).
  const char* Label;
};

struct CommandDictionary {
  const char* Name;
  const CommandEntry* Entries;
  int Count;
};

extern const CommandDictionary HxaCommandSet;    // 135 rows, families 1-5
extern const CommandDictionary ZtqCommandSet;    // 85 rows, family 8
extern const CommandDictionary EmptyCommandSet;  // no rows
extern const KeywordList EmptyKeywordList;

// The dictionary used for command completion. HXA at start-up.
extern const CommandDictionary* ActiveCommandSet;
// The keyword list used for parameter completion; null (none) at start-up.
extern const KeywordList* ActiveKeywordList;
// The set of the identified instrument family, which gives the help texts
// and keyword lists; null while no HXA or ZTQ instrument is identified. It
// follows the dictionary mode the shell sends after every connect and
// disconnect (mode 1 for families 1-5, mode 2 for family 8).
extern const CommandDictionary* FamilyCommandSet;

// Where the assistant's diagnostic lines go: the debugger output on Windows,
// nowhere natively unless a test installs a sink of its own.
using DiagnosticSink = void (*)(const char* line);
extern DiagnosticSink AssistDiagnosticSink;
void DefaultAssistDiagnostic(const char* line);  // per platform
void WriteAssistDiagnostic(const std::string& line);

// Puts every piece of assistant state back to its start-up value.
void InitCommandAssistant();

// Mode 1: the HXA set, mode 2: the ZTQ set, anything else: the empty set.
// The family's set follows; the empty set also drops the keyword list.
void SelectCommandSet(long mode);

// True when the first length(typed) characters of candidate equal typed,
// ignoring ASCII letter case. The empty text matches every candidate.
bool MatchesPrefix(const char* candidate, const std::string& typed);

constexpr int kNoEntry = -1;
// Index of the first entry of the active set whose pattern begins with text,
// or kNoEntry.
int LookupEntry(const std::string& text);

// Makes the keyword list of (entry, slot) in the family's set active, or the
// empty list when that pair has none; nothing changes while no family is
// known. Writes a diagnostic line naming the entry and the slot.
void SelectKeywordList(int entry, int slot);

// Text number slot (0 = help text, 1-5 = slot descriptions) of the entry's
// record in the family's set; "" when there is none.
const char* HelpRecordText(int entry, int slot);

}  // namespace qb
