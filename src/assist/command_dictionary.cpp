// The active dictionary and keyword list, and the lookups over the constant
// command sets.
#include "assist/command_dictionary.h"

namespace qb {

const CommandDictionary EmptyCommandSet = {"empty", nullptr, 0};
const KeywordList EmptyKeywordList = {nullptr, 0};

const CommandDictionary* ActiveCommandSet = &HxaCommandSet;
const KeywordList* ActiveKeywordList = nullptr;
const CommandDictionary* FamilyCommandSet = nullptr;

DiagnosticSink AssistDiagnosticSink = DefaultAssistDiagnostic;

void WriteAssistDiagnostic(const std::string& line) {
  if (AssistDiagnosticSink) AssistDiagnosticSink(line.c_str());
}

void SelectCommandSet(long mode) {
  if (mode == 1) {
    ActiveCommandSet = FamilyCommandSet = &HxaCommandSet;
  } else if (mode == 2) {
    ActiveCommandSet = FamilyCommandSet = &ZtqCommandSet;
  } else {
    // Nothing is offered without a set: not even the words of the last
    // command of the instrument that was connected before.
    ActiveCommandSet = &EmptyCommandSet;
    FamilyCommandSet = nullptr;
    ActiveKeywordList = nullptr;
  }
}

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool MatchesPrefix(const char* candidate, const std::string& typed) {
  for (size_t i = 0; i < typed.size(); ++i) {
    // A candidate shorter than typed ends in its terminator, which differs
    // from every typed character except a zero byte; a zero byte never
    // matches.
    if (candidate[i] == '\0' || LowerAscii(candidate[i]) != LowerAscii(typed[i])) return false;
  }
  return true;
}

int LookupEntry(const std::string& text) {
  const CommandDictionary* set = ActiveCommandSet;
  if (!set) return kNoEntry;
  for (int i = 0; i < set->Count; ++i) {
    if (MatchesPrefix(set->Entries[i].Pattern, text)) return i;
  }
  return kNoEntry;
}

void SelectKeywordList(int entry, int slot) {
  const CommandDictionary* set = FamilyCommandSet;
  if (!set) return;
  const KeywordList* list = &EmptyKeywordList;
  const char* label = "default";
  if (entry >= 0 && entry < set->Count) {
    const CommandEntry& e = set->Entries[entry];
    label = e.Label;
    if (slot >= 1 && slot <= kSlotCount && e.SlotKeywords[slot - 1]) list = e.SlotKeywords[slot - 1];
  }
  ActiveKeywordList = list;
  WriteAssistDiagnostic("Dictionary: " + std::string(label) + " " + std::to_string(slot) + "\n");
}

const char* HelpRecordText(int entry, int slot) {
  const CommandDictionary* set = FamilyCommandSet;
  if (!set || entry < 0 || entry >= set->Count || slot < 0 || slot > kSlotCount) return "";
  const HelpRecord* record = set->Entries[entry].Help;
  if (!record) return "";
  const char* text = slot == 0 ? record->HelpText : record->SlotDescription[slot - 1];
  return text ? text : "";
}

}  // namespace qb
