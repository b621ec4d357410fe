// The rules every row of the two command sets follows. The tables themselves
// are the data; these checks catch a row out of place (its help names another keyword), a list
// that is not one shared object, a word the help does not explain, or a
// pattern the completion engine cannot match.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "assist/command_dictionary.h"

using namespace qb;

namespace {

std::vector<std::string> WordsOf(const KeywordList* list) {
  std::vector<std::string> words;
  for (int i = 0; list && i < list->Count; ++i) words.push_back(list->Words[i]);
  return words;
}

std::string Cased(std::string s, int (*to)(int)) {
  for (char& c : s) c = static_cast<char>(to(static_cast<unsigned char>(c)));
  return s;
}

const CommandDictionary* const kSets[] = {&HxaCommandSet, &ZtqCommandSet};

// Patterns lower case and 3-15 characters; keywords lower case, 1-11
// characters, 1-13 to a list; identical lists are one shared object.
TEST(CommandSets, PatternsAndKeywordsKeepTheirForm) {
  for (const CommandDictionary* set : kSets) {
    std::map<std::vector<std::string>, const KeywordList*> byContent;
    for (int row = 0; row < set->Count; ++row) {
      std::string p = set->Entries[row].Pattern;
      SCOPED_TRACE(std::string(set->Name) + " " + p);
      EXPECT_GE(p.size(), 3u);
      EXPECT_LE(p.size(), 15u);
      EXPECT_EQ(p, Cased(p, std::tolower));
      for (const KeywordList* list : set->Entries[row].SlotKeywords) {
        if (!list) continue;
        EXPECT_GE(list->Count, 1);
        EXPECT_LE(list->Count, 13);
        for (const std::string& w : WordsOf(list)) {
          EXPECT_GE(w.size(), 1u);
          EXPECT_LE(w.size(), 11u);
          EXPECT_EQ(w, Cased(w, std::tolower));
        }
        auto seen = byContent.emplace(WordsOf(list), list).first;
        EXPECT_EQ(seen->second, list) << "an identical list that is not shared";
      }
    }
  }
}

// Every row has help that opens "The KEYWORD command" ("The KEYWORD? command"
// for a query), so a record on the wrong row shows; every offered keyword is
// named, between braces, in its slot's description. The records written out
// in other words, and the query slots that have no description, are the
// exceptions.
TEST(CommandSets, EveryRowIsExplainedInTheSameManner) {
  const std::set<std::pair<std::string, std::string>> unexplained = {
      {"HXA", "status,?"}, {"HXA", "power,?"}, {"HXA", "power,,?"}, {"ZTQ", "result,?"}, {"ZTQ", "ztq,sweep?"}};
  for (const CommandDictionary* set : kSets) {
    for (int row = 0; row < set->Count; ++row) {
      const CommandEntry& e = set->Entries[row];
      SCOPED_TRACE(std::string(set->Name) + " " + e.Pattern);
      ASSERT_NE(e.Help, nullptr);
      ASSERT_NE(e.Help->HelpText, nullptr);
      std::string pattern = e.Pattern;
      std::string keyword = Cased(pattern.substr(0, pattern.find_first_of(",?")), std::toupper);
      std::string opening = "The " + keyword + (pattern.back() == '?' ? "? command " : " command ");
      EXPECT_EQ(std::string(e.Help->HelpText).substr(0, opening.size()), opening);
      EXPECT_EQ(std::string(e.Help->HelpText).find('\n'), std::string::npos);
      for (int slot = 1; slot <= kSlotCount; ++slot) {
        const KeywordList* list = e.SlotKeywords[slot - 1];
        if (!list || unexplained.count({set->Name, pattern})) continue;
        const char* description = e.Help->SlotDescription[slot - 1];
        ASSERT_NE(description, nullptr) << "slot " << slot;
        std::string d = Cased(description, std::tolower);
        size_t open = d.find('{');
        ASSERT_NE(open, std::string::npos) << description;
        for (const std::string& w : WordsOf(list)) EXPECT_NE(d.find(w, open), std::string::npos) << w;
      }
    }
  }
}

}  // namespace
