// The completion engine: text analysis of the command line, the guess, the
// insertion of the proposal and the three assist lines. Every keystroke
// re-reads the whole line and walks the active list; nothing is cached.
// Positions are zero-based; reading at or past the end of a text gives a zero
// character, which is none of the separators.
#include "assist/completion_engine.h"

#include "assist/command_dictionary.h"
#include "common/text_lines.h"

namespace qb {

PredictiveState Predictive = {false, false, 0, 5};

void InitCommandAssistant() {
  Predictive = PredictiveState{false, false, 0, 5};
  ActiveCommandSet = &HxaCommandSet;
  ActiveKeywordList = nullptr;
  FamilyCommandSet = nullptr;
}

namespace {

int Length(const std::string& s) {
  return static_cast<int>(s.size());
}

char At(const std::string& s, int i) {
  return (i >= 0 && i < Length(s)) ? s[static_cast<size_t>(i)] : '\0';
}

// The characters [from, to), clipped to the text.
std::string Slice(const std::string& s, int from, int to) {
  if (from < 0) from = 0;
  if (to > Length(s)) to = Length(s);
  if (from >= to) return "";
  return s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
}

// The list that a slot completes from: the patterns of the active set for the
// keyword, the active keyword list for a parameter.
int SourceCount(bool atKeyword) {
  if (atKeyword) return ActiveCommandSet ? ActiveCommandSet->Count : 0;
  return ActiveKeywordList ? ActiveKeywordList->Count : 0;
}

const char* SourceItem(bool atKeyword, int i) {
  return atKeyword ? ActiveCommandSet->Entries[i].Pattern : ActiveKeywordList->Words[i];
}

// The item of the given rank among the matches of partial, or null; count
// receives the number of matches seen.
const char* MatchOfRank(bool atKeyword, const std::string& partial, int rank, int& count) {
  count = 0;
  int n = SourceCount(atKeyword);
  for (int i = 0; i < n; ++i) {
    const char* item = SourceItem(atKeyword, i);
    if (!MatchesPrefix(item, partial)) continue;
    if (count == rank) return item;
    ++count;
  }
  return nullptr;
}

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

}  // namespace

int SelectionStartInLine(CommandLineView& view) {
  std::string text = view.Text();
  int start = 0, end = 0;
  view.GetSelection(start, end);
  int position = 0;
  for (int i = 0; i < start && i < Length(text); ++i) position += !IsLineEnd(text[static_cast<size_t>(i)]);
  return position;
}

void SelectInLine(CommandLineView& view, int start, int end) {
  std::string text = view.Text();
  // The index in the control's text of a position in the line.
  auto inText = [&text](int position) {
    int seen = 0;
    for (int i = 0; i < Length(text); ++i) {
      if (seen >= position) return i;
      seen += !IsLineEnd(text[static_cast<size_t>(i)]);
    }
    return Length(text);
  };
  view.SetSelection(inText(start), inText(end));
}

std::string TrimLeadingSpaces(const std::string& text) {
  size_t n = text.find_first_not_of(' ');
  return n == std::string::npos ? std::string() : text.substr(n);
}

std::string CommandSegmentAt(const std::string& line, int p) {
  if (p < 0) return "";
  int length = Length(line);
  int lo = p, hi = p;
  for (;;) {
    bool moved = false;
    if (lo > 0 && At(line, lo) != ';') {
      --lo;
      moved = true;
    }
    if (hi < length && At(line, hi) != ';') {
      ++hi;
      moved = true;
    }
    if (!moved) break;
  }
  if (lo == hi) return "";
  return Slice(line, lo == 0 ? 0 : lo + 1, hi);
}

std::string WordAt(const std::string& text, int p, bool extendRight) {
  if (p < 0) p = 0;
  size_t spaces = text.find_first_not_of(' ');
  if (spaces == std::string::npos) spaces = text.size();
  std::string t = text.substr(spaces);
  p -= static_cast<int>(spaces);
  if (p < 0) p = 0;  // p stood in the leading spaces
  int length = Length(t);
  int lo = p, hi = p;
  for (;;) {
    bool moved = false;
    if (lo > 0) {
      char c = At(t, lo);
      char left = At(t, lo - 1);
      bool stop = c == ';' || c == ',' || c == '?' || (c == ' ' && (left == ',' || left == ';'));
      if (!stop) {
        --lo;
        moved = true;
      }
    }
    if (extendRight && hi < length) {
      char c = At(t, hi);
      if (c != ';' && c != ',') {
        ++hi;
        moved = true;
      }
    }
    if (!moved) break;
  }
  if (lo == hi) return "";
  return Slice(t, lo == 0 ? 0 : lo + 1, hi);
}

int SlotAt(const std::string& line, int p) {
  if (line.empty() || p > Length(line)) return 0;
  int commas = 0;
  for (int i = p; i >= 1; --i) {
    char c = At(line, i);
    if (c == ';') break;
    if (c == ',') ++commas;
  }
  return commas;
}

std::string PatternOf(const std::string& text) {
  size_t comma = text.find(',');
  if (comma == std::string::npos) return text;
  std::string pattern = text.substr(0, comma);
  for (;;) {
    pattern += ',';
    size_t next = text.find(',', comma + 1);
    if (next != std::string::npos) {
      comma = next;  // the value between the two commas goes
      continue;
    }
    size_t query = text.find('?', comma);
    if (query != std::string::npos) pattern += text.substr(query);
    return pattern;
  }
}

std::string GuessWord(const std::string& partial, int slot) {
  bool atKeyword = slot == 0;
  if (Predictive.MatchIndex < 0) Predictive.MatchIndex = 0;
  int count = 0;
  const char* item = MatchOfRank(atKeyword, partial, Predictive.MatchIndex, count);
  if (item) return item;
  if (count == 0) return "";
  Predictive.MatchIndex %= count;
  item = MatchOfRank(atKeyword, partial, Predictive.MatchIndex, count);
  return item ? item : "";
}

std::string CandidateList(bool atKeyword, const std::string& partial) {
  std::string list;
  int n = SourceCount(atKeyword);
  for (int i = 0; i < n; ++i) {
    const char* item = SourceItem(atKeyword, i);
    if (!MatchesPrefix(item, partial)) continue;
    list += item;
    list += "  ;  ";
  }
  size_t last = list.rfind(';');
  if (last != std::string::npos) list.erase(last);
  return list;
}

void ShowAssist(CommandLineView& view, const std::string& word, const std::string& partial, int slot) {
  view.SetAssistLine(ASSIST_LINE_TOP, word.empty() ? " " : word);
  std::string help = " ";
  if (!word.empty()) {
    int entry = LookupEntry(word);
    if (entry == kNoEntry) {
      help = "";
    } else if (FamilyCommandSet) {
      help = HelpRecordText(entry, slot);
    }
  }
  view.SetAssistLine(ASSIST_LINE_MIDDLE, help);
  view.SetAssistLine(ASSIST_LINE_BOTTOM, CandidateList(slot == 0, partial));
}

void UpdateAssist(CommandLineView& view, const std::string& word, const std::string& partial, int slot) {
  std::string w = TrimLeadingSpaces(word);
  std::string part = TrimLeadingSpaces(partial);
  int entry = LookupEntry(w);
  WriteAssistDiagnostic("Dictionary Word: " + w + "\n");
  if (slot != 0) {
    if (entry != kNoEntry && entry != 0) {
      SelectKeywordList(entry, slot);
    } else if (FamilyCommandSet) {
      ActiveKeywordList = &EmptyKeywordList;  // an unknown command's parameters get no words
    }
  }
  ShowAssist(view, w, part, slot);
}

void ResetAssist(CommandLineView& view) {
  UpdateAssist(view, GuessWord("", 0), "", 0);
}

namespace {

void WritePredictiveDiagnostic() {
  WriteAssistDiagnostic(std::string("Predictive: ") + (Predictive.PredictiveActive ? "ON" : "OFF") + "\n");
  WriteAssistDiagnostic(std::string("Forced? ") + (Predictive.ForcedCompletion ? "YES" : "NO") + "\n");
}

}  // namespace

void StartPredictive(bool forced) {
  Predictive.PredictiveActive = true;
  Predictive.ForcedCompletion = forced;
  WritePredictiveDiagnostic();
}

void StopPredictive() {
  Predictive.PredictiveActive = false;
  Predictive.ForcedCompletion = false;
  Predictive.MatchIndex = 0;
  WritePredictiveDiagnostic();
}

void NextMatch() {
  int n = SourceCount(Predictive.CurrentSlot == 0);
  if (n <= 0) return;
  Predictive.MatchIndex = Predictive.MatchIndex + 1 >= n ? 0 : Predictive.MatchIndex + 1;
  WriteAssistDiagnostic("Word Index: " + std::to_string(Predictive.MatchIndex) + "\n");
}

void PreviousMatch() {
  int n = SourceCount(Predictive.CurrentSlot == 0);
  if (n <= 0) return;
  Predictive.MatchIndex = Predictive.MatchIndex > 0 ? Predictive.MatchIndex - 1 : n - 1;
  WriteAssistDiagnostic("Word Index: " + std::to_string(Predictive.MatchIndex) + "\n");
}

namespace {

void WriteRangeDiagnostic(int start, int end) {
  WriteAssistDiagnostic("Start: " + std::to_string(start) + " End: " + std::to_string(end) + "\n");
}

// The proposal typed on: the rest of the guess goes in at the caret and is
// left selected after it.
void InsertRemainder(CommandLineView& view, const std::string& line, int p, const std::string& partial,
                     const std::string& guess) {
  std::string remainder = guess.size() > partial.size() ? guess.substr(partial.size()) : std::string();
  int start = p + 1;
  if (partial.empty() && At(line, p) != ',' && At(line, p) != '?') start = p;
  int end = p + 1 + Length(remainder);
  view.ReplaceSelection(remainder);
  SelectInLine(view, start, end);
  WriteRangeDiagnostic(start, end);
}

// The proposal asked for: the whole guess replaces the word at the caret, or
// the whole command template while the command holds no values yet.
void ReplaceWord(CommandLineView& view, const std::string& line, int p, const std::string& partial,
                 const std::string& fullWord, const std::string& phrase, bool sameAsPattern, const std::string& guess) {
  int start = p == 0 ? 0 : p - Length(partial);
  if (start < 0) start = 0;
  // An empty slot: p is the separator before it, and the word goes after it.
  if (partial.empty() && fullWord.empty() && (At(line, p) == ',' || At(line, p) == '?')) start = p + 1;
  if (fullWord.empty()) {
    WriteRangeDiagnostic(start, start);
    SelectInLine(view, start, start);
  } else {
    int n = sameAsPattern ? Length(phrase) : Length(fullWord);
    WriteRangeDiagnostic(start, start + n);
    SelectInLine(view, start, start + n);
  }
  view.ReplaceSelection(guess);
  SelectInLine(view, start, start + Length(guess));
  WriteRangeDiagnostic(start, start + Length(guess));
}

}  // namespace

std::string Predict(CommandLineView& view, bool forced, bool partialOnly) {
  std::string line = StripLineEnds(view.Text());
  int length = Length(line);
  int c = SelectionStartInLine(view);

  // The position the prediction looks at: the character before the caret,
  // or for a forced proposal the caret itself (before a ',' or '?').
  int p = forced ? c : c - 1;
  if (p < 0) p = 0;
  if (forced && (At(line, p) == ',' || At(line, p) == '?')) p = p - 1;
  if (p < 0) p = 0;

  int e = (length > 0 && (!forced || (p == 0 && c > 0))) ? p + 1 : p;
  std::string partial = WordAt(line, e, false);
  std::string fullWord = WordAt(line, p, true);
  if (!forced && partial.empty()) partial = fullWord;
  if (partialOnly) return partial;

  std::string segment = CommandSegmentAt(line, p);
  std::string pattern = PatternOf(segment);
  bool sameAsPattern = segment == pattern;
  std::string phrase = TrimLeadingSpaces(pattern);
  partial = TrimLeadingSpaces(partial);
  fullWord = TrimLeadingSpaces(fullWord);
  if (!forced && phrase.empty()) return partial;

  Predictive.CurrentSlot = SlotAt(line, p);
  UpdateAssist(view, phrase, partial, Predictive.CurrentSlot);
  std::string guess = GuessWord(partial, Predictive.CurrentSlot);
  if (guess == phrase) return partial;

  if (!guess.empty() && Predictive.PredictiveActive) {
    if (forced) {
      ReplaceWord(view, line, p, partial, fullWord, phrase, sameAsPattern, guess);
    } else {
      InsertRemainder(view, line, p, partial, guess);
    }
  }

  char atP = At(line, p);
  WriteAssistDiagnostic("Current String:\n");
  WriteAssistDiagnostic("---------------\n");
  WriteAssistDiagnostic("'" + line + "'\n");
  WriteAssistDiagnostic("Cursor is at point " + std::to_string(p) + " which is letter '" +
                        std::string(1, atP ? atP : ' ') + "'\n");
  WriteAssistDiagnostic("Partial is: '" + partial + "'\n");
  WriteAssistDiagnostic("Word is: '" + fullWord + "'\n");
  WriteAssistDiagnostic("Phrase is: '" + phrase + "'\n");
  WriteAssistDiagnostic("Guessed Word: '" + guess + "'\n");
  WriteAssistDiagnostic("Paramater: " + std::to_string(Predictive.CurrentSlot) + "\n");

  UpdateAssist(view, Predictive.CurrentSlot == 0 ? guess : phrase, partial, Predictive.CurrentSlot);
  return partial;
}

}  // namespace qb
