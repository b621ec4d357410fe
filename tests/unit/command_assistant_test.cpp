// The command assistant on a stand-in for the command line: whole keystroke
// sequences, one table of them, are replayed through the same key handling
// the window procedure uses, and after each the line, its selection and the
// three assist lines are checked. The stand-in behaves as the Edit control
// does for what the assistant passes on (characters, Backspace, Left and
// Right, the 100-character limit), and Enter reaches the shell as CMD_SEND.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assist/command_dictionary.h"
#include "assist/command_line_keys.h"
#include "assist/completion_engine.h"
#include "resources/resource.h"

using namespace qb;

namespace {

constexpr int kTab = 9;

class FakeCommandLine final : public CommandLineView {
 public:
  std::string text;
  int selStart = 0, selEnd = 0;
  std::string lines[3];
  std::vector<int> posted;
  size_t limit = 100;

  // --- the view -------------------------------------------------------------
  std::string Text() override { return text; }
  void GetSelection(int& start, int& end) override {
    start = selStart;
    end = selEnd;
  }
  void ReplaceSelection(const std::string& t) override {
    text.erase(static_cast<size_t>(selStart), static_cast<size_t>(selEnd - selStart));
    std::string fits = t.substr(0, limit > text.size() ? limit - text.size() : 0);
    text.insert(static_cast<size_t>(selStart), fits);
    selStart = selEnd = selStart + static_cast<int>(fits.size());
  }
  void SetSelection(int start, int end) override {
    int length = static_cast<int>(text.size());
    if (start < 0) {  // EM_SETSEL with -1 removes the selection
      selStart = selEnd;
      return;
    }
    if (end < 0 || end > length) end = length;
    if (start > length) start = length;
    if (start > end) std::swap(start, end);
    selStart = start;
    selEnd = end;
  }
  void SetAssistLine(AssistLine line, const std::string& t) override { lines[line] = t; }
  intptr_t PassOn() override {
    if (kind_ == CHAR) {
      if (code_ == 13) {
        posted.push_back(CMD_SEND);  // the shell's subclass procedure sends the line
      } else if (code_ == 8) {
        if (selStart == selEnd && selStart > 0) --selStart;
        ReplaceSelection("");
      } else if (code_ >= 32) {
        ReplaceSelection(std::string(1, static_cast<char>(code_)));
      }
      return 0x1234;  // what the chained procedure answered
    }
    if (kind_ == KEYDOWN) {
      // The Edit control moves from the caret end and drops the selection.
      int caret = selEnd;
      if (code_ == KEY_LEFT && caret > 0) --caret;
      if (code_ == KEY_RIGHT && caret < static_cast<int>(text.size())) ++caret;
      if (code_ == KEY_LEFT || code_ == KEY_RIGHT) selStart = selEnd = caret;
      ++keysPassedOn;
    }
    return 0;
  }
  void PostCommand(int command) override { posted.push_back(command); }

  // --- the keyboard ---------------------------------------------------------
  intptr_t Char(int ch, bool ctrl = false) {
    kind_ = CHAR;
    code_ = ch;
    return CommandLineChar(*this, ch, ctrl);
  }
  // A key press as the message loop delivers it: down, the character that
  // TranslateMessage makes of it, up. Tab never reaches the control: the loop
  // turns it into MSG_COMPLETE_KEY.
  void Key(int vk) {
    if (vk == kTab) {
      AcceptAndAdvance(*this);
    } else {
      kind_ = KEYDOWN;
      code_ = vk;
      CommandLineKeyDown(*this, vk);
      if (vk == KEY_BACK || vk == KEY_RETURN || vk == KEY_ESCAPE) Char(vk);
    }
    kind_ = NONE;
    CommandLineKeyUp(*this, vk);
  }
  void Type(const std::string& s) {
    for (char c : s) Char(static_cast<unsigned char>(c));
  }
  // Puts text in the line as a recall or paste does, caret at the end.
  void Set(const std::string& t, int caret = -1) {
    text = t;
    selStart = selEnd = caret < 0 ? static_cast<int>(t.size()) : caret;
  }
  // The line with the selection in brackets, or a bar at the caret.
  std::string Shown() const {
    std::string s = text;
    if (selStart == selEnd) return s.insert(static_cast<size_t>(selStart), "|");
    s.insert(static_cast<size_t>(selEnd), "]");
    return s.insert(static_cast<size_t>(selStart), "[");
  }

  int keysPassedOn = 0;

 private:
  enum Kind { NONE, CHAR, KEYDOWN } kind_ = NONE;
  int code_ = 0;
};

std::vector<std::string> Diagnostics;
void Capture(const char* line) {
  Diagnostics.push_back(line);
}

bool Logged(const std::string& line) {
  for (const std::string& d : Diagnostics) {
    if (d == line) return true;
  }
  return false;
}

const char* const kModeHelp = "The MODE command sets the basic operating mode of the instrument";
const char* const kHarmonHelp =
    "The HARMON command causes the instrument to enter the HARMONICS mode and can set the harmonics mode settings";
const char* const kHarmonCandidates =
    "harmon  ;  harmon,,,  ;  harmon?  ;  harmon,?  ;  harmon,series?  ;  harmon,,series?  ";

class Assistant : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommandAssistant();
    Diagnostics.clear();
    AssistDiagnosticSink = Capture;
  }
  void TearDown() override { AssistDiagnosticSink = DefaultAssistDiagnostic; }
  // The shell's message after a connect: 1 for an HXA instrument, 2 for ZTQ.
  void Connect(long mode) { SetDictionaryMode(line, mode); }
  FakeCommandLine line;
};

// --- text analysis ---------------------------------------------------------------

TEST(AssistText, CommandSegmentIsBoundedBySemicolons) {
  EXPECT_EQ(CommandSegmentAt("mode,power;harm", 13), "harm");
  EXPECT_EQ(CommandSegmentAt("mode,power;harm", 15), "harm");  // at the end
  EXPECT_EQ(CommandSegmentAt("mode,power;harm", 3), "mode,power");
  EXPECT_EQ(CommandSegmentAt("mode,power;harm", 10), "");  // the ';' itself
  EXPECT_EQ(CommandSegmentAt("a;b;c", 2), "b");
  EXPECT_EQ(CommandSegmentAt("mode", -1), "");
  EXPECT_EQ(CommandSegmentAt("", 0), "");
  EXPECT_EQ(CommandSegmentAt("mode", 40), "mode");  // past the end stays safe
}

TEST(AssistText, WordAtStopsAtSeparators) {
  EXPECT_EQ(WordAt("mode,power", 7, false), "po");
  EXPECT_EQ(WordAt("mode,power", 7, true), "power");
  EXPECT_EQ(WordAt("mode,power", 4, true), "");  // on the comma
  EXPECT_EQ(WordAt("mode,", 5, false), "");
  EXPECT_EQ(WordAt("  harm", 6, false), "harm");  // leading spaces go
  EXPECT_EQ(WordAt("  harm", 1, true), "harm");   // a position inside them counts as 0
  EXPECT_EQ(WordAt("mode, po", 8, false), "po");  // a space after a comma ends the word
  EXPECT_EQ(WordAt("power?x", 7, false), "x");
  EXPECT_EQ(WordAt("harmon?", 2, true), "harmon?");  // '?' does not end a word to the right
  EXPECT_EQ(WordAt("abc", -5, true), "abc");
  EXPECT_EQ(WordAt("abc", 99, false), "abc");
}

TEST(AssistText, SlotCountsCommasBackToTheCommandStart) {
  EXPECT_EQ(SlotAt("mode,power", 7), 1);
  EXPECT_EQ(SlotAt("mode,power", 4), 1);  // the comma itself counts
  EXPECT_EQ(SlotAt("mode,power", 3), 0);
  EXPECT_EQ(SlotAt("harmon,series,,", 13), 2);
  EXPECT_EQ(SlotAt("mode,power;harm,x", 16), 1);  // stops at the ';'
  EXPECT_EQ(SlotAt(",,,", 0), 0);                 // line[0] is never examined
  EXPECT_EQ(SlotAt("", 0), 0);
  EXPECT_EQ(SlotAt("a,b", 4), 0);  // past the end
  EXPECT_EQ(SlotAt("a,b", -1), 0);
}

TEST(AssistText, PatternOfDropsParameterValues) {
  EXPECT_EQ(PatternOf("alarm1,high,1,5"), "alarm1,,,");
  EXPECT_EQ(PatternOf("power,phase1,wa"), "power,,");
  EXPECT_EQ(PatternOf("harmon,phase1?"), "harmon,?");
  EXPECT_EQ(PatternOf("harmon,phase1,series?"), "harmon,,?");
  EXPECT_EQ(PatternOf("harmon?"), "harmon?");
  EXPECT_EQ(PatternOf("mode,"), "mode,");
  EXPECT_EQ(PatternOf(" mode,lcr"), " mode,");
  EXPECT_EQ(PatternOf(""), "");
  EXPECT_EQ(TrimLeadingSpaces("   "), "");
  EXPECT_EQ(TrimLeadingSpaces("  a b"), "a b");
}

// --- lookups ---------------------------------------------------------------------

// (What an empty or lower-case line proposes in each set is the keystroke
// table's.)
TEST_F(Assistant, LookupTakesTheFirstPatternThatBeginsWithTheText) {
  Connect(1);
  EXPECT_EQ(LookupEntry("HARM"), 49);
  EXPECT_EQ(LookupEntry("harmon,,"), 50);  // not harmon,,series?
  EXPECT_EQ(LookupEntry("xyz"), kNoEntry);
  EXPECT_TRUE(MatchesPrefix("harmon", ""));
  EXPECT_FALSE(MatchesPrefix("lcr", "lcr,"));  // typed longer than the candidate
  Connect(3);
  EXPECT_EQ(LookupEntry(""), kNoEntry);
  EXPECT_EQ(LookupEntry("harm"), kNoEntry);
}

TEST_F(Assistant, KeywordListFollowsTheEntryAndSlotOfTheFamilysSet) {
  SelectKeywordList(68, 1);  // no family yet: nothing changes, nothing logged
  EXPECT_EQ(ActiveKeywordList, nullptr);
  EXPECT_TRUE(Diagnostics.empty());
  // (A slot's list as the bottom line shows it is the keystroke table's.)
  Connect(1);
  SelectKeywordList(68, 2);
  EXPECT_EQ(ActiveKeywordList, &EmptyKeywordList);
  SelectKeywordList(33, 3);  // datalo,,, offers "high" in slot 3, nothing in slot 2
  EXPECT_STREQ(ActiveKeywordList->Words[0], "high");
  SelectKeywordList(33, 2);
  EXPECT_EQ(ActiveKeywordList->Count, 0);
  SelectKeywordList(1, 1);  // *ese,
  EXPECT_EQ(ActiveKeywordList->Count, 0);
  EXPECT_TRUE(Logged("Dictionary: default 1\n"));
  SelectKeywordList(133, 9);  // beyond the five slots: the empty list
  EXPECT_EQ(ActiveKeywordList->Count, 0);
  Connect(2);
  SelectKeywordList(28, 4);  // fsweep, in slot 4 only
  EXPECT_STREQ(ActiveKeywordList->Words[0], "logari");
  SelectKeywordList(28, 1);
  EXPECT_EQ(ActiveKeywordList->Count, 0);
}

TEST_F(Assistant, HelpRecordTextPicksTheSlotsText) {
  // (Help and slot texts as the assist lines show them are the keystroke table's.)
  EXPECT_STREQ(HelpRecordText(15, 0), "");  // no family known
  Connect(1);
  EXPECT_STREQ(HelpRecordText(15, 5), "");  // no description
  EXPECT_STREQ(HelpRecordText(15, 6), "");  // beyond the record
  EXPECT_STREQ(HelpRecordText(135, 0), "");
  EXPECT_STREQ(HelpRecordText(-1, 0), "");
}

// --- keystroke sequences ------------------------------------------------------------

const char* const kClsHelp = "The *CLS command clears the (SESR) Standard Event Status Register";
const char* const kModeSlot = "Mode { Power, Integr, Harmon, Rms, LCR, Scope, Phasem }";
const char* const kModeMatches = "mode,  ;  mslave,  ;  multil,0  ;  multil,,,  ;  multil?  ;  multil,?  ";
const char* const kFormula =
    "Harmonic Formula { THDD (Difference),  THDS (Series),  TIF (Tele Influ Factor),  THF (Tele Harmon Factor),  "
    "TDD (T.Demand Distortion),  TRD (T.Rated Distortion),  HPHASE (Harmonic Phase),  PH-PH (Phase to Phase) }";
const char* const kFormulas = "thdd  ;  thds  ;  tif  ;  thf  ;  tdd  ;  trd  ;  hphase  ;  ph-ph  ;  series  ";

// One keystroke sequence from a fresh assistant: the dictionary mode sent
// first (0: none yet), the line and caret it starts from (-1: at the end),
// the keys, then the line shown, whether predictive mode is on (-1: either)
// and the three assist lines (null: not checked). Keys are characters, or
// {Up} {Down} {Left} {Right} {Tab} {Esc} {Back} {Enter}; {Ctrl} is Ctrl+Space,
// {All} selects the whole line, {Start} starts predictive mode, {Off} sends
// mode 3 (a disconnect), {Clear} empties the line.
struct KeyCase {
  long mode;
  const char* text;
  int caret;
  const char* keys;
  const char* shown;
  int active;
  const char* top;
  const char* middle;
  const char* bottom;
};

const KeyCase kKeyCases[] = {
    // Typing proposes and explains each step.
    {1, "", -1, "", "|", -1, "*cls", kClsHelp, nullptr},
    {1, "", -1, "m", "m[ode,]", -1, "mode,", kModeHelp, kModeMatches},
    {1, "", -1, "mode", "mode[,]", -1, "mode,", kModeHelp, "mode,  "},  // the comma stays proposed
    {1, "", -1, "mode,", "mode,[power]", -1, "mode,", kModeSlot,
     "power  ;  integr  ;  harmon  ;  rms  ;  lcr  ;  scope  ;  phasem  "},
    {1, "", -1, "mode,p", "mode,p[ower]", -1, "mode,", kModeSlot, "power  ;  phasem  "},
    // harm, Up, Tab, s, Tab: a harmonics command.
    {1, "", -1, "harm", "harm[on]", -1, "harmon", kHarmonHelp, kHarmonCandidates},
    {1, "", -1, "harm{Up}", "harm[on,,,]", -1, "harmon,,,", kHarmonHelp, kHarmonCandidates},
    {1, "", -1, "harm{Up}{Tab}", "harmon,[thdd],,", -1, nullptr, kFormula, kFormulas},
    {1, "", -1, "harm{Up}{Tab}s", "harmon,s[eries],,", -1, nullptr, nullptr, "series  "},
    // Slot 2 has no list: nothing proposed.
    {1, "", -1, "harm{Up}{Tab}s{Tab}", "harmon,series,|,", -1, "harmon,,,", "Individual harmonic number", ""},
    {1, "", -1, "harm{Up}{Tab}s{Tab}{Enter}", "harmon,series,|,", 0, nullptr, nullptr, nullptr},
    // Up and Down cycle through the matches, or in a slot through its list.
    {1, "", -1, "harm{Up}{Down}", "harm[on]", -1, nullptr, nullptr, nullptr},
    {1, "", -1, "ze{Up}", "ze[ro,delete]", -1, nullptr, nullptr, nullptr},
    {1, "", -1, "ze{Up}{Up}", "ze[ro]", -1, nullptr, nullptr, nullptr},  // two matches: modulo 2
    {1, "", -1, "*s{Down}", "*s[tb?]", -1, nullptr, nullptr, nullptr},  // rank (135 - 1) mod 3
    {1, "", -1, "mode,{Up}", "mode,[integr]", -1, nullptr, nullptr, nullptr},
    {1, "", -1, "mode,{Up}{Down}{Down}", "mode,[phasem]", -1, nullptr, nullptr, nullptr},  // first back to last
    {1, "", -1, "h{Up}a", "ha[rmon,,,]", -1, nullptr, nullptr, nullptr},  // the rank is kept
    // Ctrl+Space replaces the word at the caret.
    {1, "mode,po", -1, "{Ctrl}", "mode,[power]", -1, nullptr, nullptr, nullptr},
    {1, "mode,po", -1, "{Ctrl}{Up}", "mode,[integr]", -1, nullptr, nullptr, nullptr},
    {1, "harmon,,,", 7, "{Ctrl}", "harmon,[thdd],,", -1, nullptr, nullptr, nullptr},  // into the slot
    {1, "harm", -1, "{Ctrl}", "[harmon]", -1, "harmon", nullptr, nullptr},            // the whole template
    {1, "", -1, "{Ctrl}", "[*cls]", -1, nullptr, nullptr, nullptr},
    {1, "*rst", -1, " ", "*rst |", 0, nullptr, nullptr, nullptr},  // a plain space just enters
    // A second command after a semicolon is completed on its own.
    {1, "mode,power", -1, ";", "mode,power;|", -1, "*cls", kClsHelp, nullptr},
    {1, "mode,power", -1, ";harm", "mode,power;harm[on]", -1, "harmon", kHarmonHelp, kHarmonCandidates},
    {1, "mode,power", -1, ";harmon", "mode,power;harmon|", -1, nullptr, nullptr, nullptr},
    {1, "mode,power", -1, ";harmon,", "mode,power;harmon,[thdd]", -1, nullptr, nullptr, nullptr},
    {1, "mode,power", -1, ";harmon,x;ls", "mode,power;harmon,x;ls|", -1, " ", " ", ""},
    // Escape, Backspace, Left, Right and '?' remove only the proposal.
    {1, "", -1, "harm{Esc}", "harm|", 0, nullptr, nullptr, nullptr},
    {1, "", -1, "harm{Esc}o", "harmo[n]", -1, nullptr, nullptr, nullptr},
    {1, "", -1, "harm{Esc}o{Back}", "harmo|", 0, "harmon", kHarmonHelp, kHarmonCandidates},
    {1, "", -1, "harm{Esc}o{Back}{Back}o{Left}", "harm|o", -1, nullptr, nullptr, nullptr},
    {1, "mo", -1, "d{Right}", "mode,|", 0, nullptr, nullptr, nullptr},
    {1, "", -1, "harm?", "harm?|", 1, nullptr, nullptr, nullptr},
    // Tab moves past the nearest separator.
    {1, "harmon,?", 2, "{Tab}{Tab}", "harmon,phase1?|", 0, nullptr, nullptr, nullptr},
    {1, "*rst;mode,", 1, "{Start}{Tab}", "*rst;|mode,", 0, nullptr, nullptr, nullptr},
    {1, "harmon", 2, "{Tab}", "harmon|", 0, nullptr, nullptr, nullptr},          // none: to the end
    {1, "mode,power", 2, "{Tab}", "mode,|power", 1, nullptr, nullptr, nullptr},  // a typed value stays
    {1, "range,1,auto", 3, "{Tab}", "range,|1,auto", -1, nullptr, nullptr, nullptr},
    {1, "mode,p", 1, "{Tab}", "mode,|p", -1, nullptr, nullptr, nullptr},
    {1, "", -1, "sm{Tab}", "smooth,[none]", -1, nullptr, nullptr, nullptr},  // the proposal is kept
    // Caret moves explain the slot under the caret; the keyword alone gives
    // slot 1 its formulas.
    {1, "harmon,thdd,3", -1, "{Left}{Left}", "harmon,thdd|,3", -1, "harmon", kFormula, "thdd  "},
    {1, "harmon,thdd,3", -1, "{Left}{Left}{Right}{Right}", nullptr, -1, nullptr, "Individual harmonic number", nullptr},
    {1, "harmon,thdd,3", -1, "{Left}{Left}{All}{Up}", nullptr, -1, " ", nullptr, nullptr},  // history resets
    // A line of spaces proposes nothing.
    {1, "", -1, "   ", "   |", -1, nullptr, nullptr, nullptr},
    {1, "  ", -1, "{Start} {Up}{Left}{Tab}", "   |", -1, nullptr, nullptr, nullptr},
    // After a disconnect (or for an unknown family) nothing is offered, not
    // even the words of the last command.
    {1, "", -1, "mode,{Off}", nullptr, -1, " ", " ", ""},
    {1, "", -1, "mode,{Off}{Clear}mode,", "mode,|", -1, nullptr, nullptr, nullptr},
    {3, "", -1, "harm,{Ctrl}{Up}{Tab}", "harm,|", -1, "harm,", "", ""},
    // Before identification patterns come without help or keywords.
    {0, "", -1, "m", "m[ode,]", -1, "mode,", " ", kModeMatches},
    {0, "", -1, "m{Tab}", "mode,|", -1, nullptr, nullptr, nullptr},
    {0, "", -1, "m{Tab}x", nullptr, -1, "mode,", " ", ""},
    // The ZTQ set serves family 8.
    {2, "", -1, "m", "m[arker,]", -1, nullptr, nullptr, nullptr},
    {2, "", -1, "mo{Tab}", "mode,[ztq]", -1, "mode,", "Mode { ZTQ,  LCR,  VSWR,  FRA,  SCOPE }",
     "ztq  ;  lcr  ;  vswr  ;  fra  ;  scope  "},
    {2, "", -1, "filter,n,", "filter,n,[auto]", -1, nullptr, "Dynamic Response { Auto, Fixed }", nullptr},
    // Pasted line ends do not shift the proposal.
    {1, "ha\r\n", -1, "r", "ha\r\nr[mon]", -1, "harmon", nullptr, nullptr},
    {1, "ha\r\n", -1, "r{Up}{Tab}{Ctrl}", "ha\r\nrmon,[thdd],,", -1, nullptr, nullptr, nullptr},
};

// Replays keys (in the notation of KeyCase) on the line.
void Press(FakeCommandLine& line, const std::string& keys) {
  const std::pair<const char*, int> named[] = {{"Up", KEY_UP},       {"Down", KEY_DOWN},   {"Left", KEY_LEFT},
                                               {"Right", KEY_RIGHT}, {"Tab", kTab},        {"Esc", KEY_ESCAPE},
                                               {"Back", KEY_BACK},   {"Enter", KEY_RETURN}};
  for (size_t at = 0; at < keys.size(); ++at) {
    if (keys[at] != '{') {
      line.Char(static_cast<unsigned char>(keys[at]));
      continue;
    }
    size_t end = keys.find('}', at);
    std::string name = keys.substr(at + 1, end - at - 1);
    at = end;
    if (name == "Ctrl") line.Char(' ', true);
    if (name == "All") line.SetSelection(0, -1);
    if (name == "Start") StartPredictive(false);
    if (name == "Off") SetDictionaryMode(line, 3);
    if (name == "Clear") line.Set("");
    for (const auto& n : named) {
      if (name == n.first) line.Key(n.second);
    }
  }
}

TEST_F(Assistant, KeystrokeSequences) {
  for (const KeyCase& c : kKeyCases) {
    SCOPED_TRACE(std::string("mode ") + std::to_string(c.mode) + " '" + c.text + "' keys " + c.keys);
    InitCommandAssistant();
    line = FakeCommandLine();
    if (c.mode) Connect(c.mode);
    line.Set(c.text, c.caret);
    Press(line, c.keys);
    auto expect = [](const std::string& got, const char* wanted) { return !wanted || got == wanted; };
    EXPECT_PRED2(expect, line.Shown(), c.shown);
    EXPECT_TRUE(c.active < 0 || Predictive.PredictiveActive == (c.active == 1));
    EXPECT_PRED2(expect, line.lines[ASSIST_LINE_TOP], c.top);
    EXPECT_PRED2(expect, line.lines[ASSIST_LINE_MIDDLE], c.middle);
    EXPECT_PRED2(expect, line.lines[ASSIST_LINE_BOTTOM], c.bottom);
  }
}

// What the sequences leave beside the line: the diagnostics, the commands
// posted, the keys passed on, the rank of the proposal.
TEST_F(Assistant, SequencesLogPostAndRankAsTheyShould) {
  Connect(1);
  line.Type("mode,p");
  EXPECT_TRUE(Logged("Predictive: ON\n"));
  EXPECT_TRUE(Logged("Forced? NO\n"));
  EXPECT_TRUE(Logged("Dictionary: HXA_MODE 1\n"));
  EXPECT_TRUE(Logged("Guessed Word: 'power'\n"));
  line.Set("mode,po");
  EXPECT_EQ(line.Char(' ', true), 1);  // no space enters the line
  EXPECT_TRUE(Logged("Forced? YES\n"));
  line.Key(KEY_RETURN);
  EXPECT_EQ(line.posted, std::vector<int>{CMD_SEND});
  line = FakeCommandLine();
  StopPredictive();
  line.Type("*s");
  line.Key(KEY_DOWN);
  EXPECT_EQ(Predictive.MatchIndex, 2);
  line.Set("");
  line.Type("h");
  line.Key(KEY_UP);
  EXPECT_TRUE(line.posted.empty());  // Up while predicting never reaches the history
  EXPECT_EQ(line.keysPassedOn, 0);
}

TEST_F(Assistant, UpAndDownWithoutAProposalWalkTheHistory) {
  Connect(1);
  line.Key(KEY_UP);
  EXPECT_EQ(line.posted, std::vector<int>{CMD_HISTORY_UP});
  EXPECT_EQ(line.Shown(), "|");
  EXPECT_EQ(line.keysPassedOn, 0);
  line.posted.clear();
  line.Set("*idn?");
  line.selStart = 0;  // all selected, as after a send
  line.Key(KEY_DOWN);
  EXPECT_EQ(line.posted, std::vector<int>{CMD_HISTORY_DOWN});
  line.posted.clear();
  line.Set("*idn?", 2);  // partly selected: the edit control gets the key
  line.selEnd = 3;
  line.Key(KEY_UP);
  EXPECT_TRUE(line.posted.empty());
  EXPECT_EQ(line.keysPassedOn, 1);
}

TEST_F(Assistant, TheLineLimitCutsAProposalSafely) {
  Connect(1);
  line.Set(std::string(95, 'x') + ";ha");  // 98 characters
  line.Type("r");
  EXPECT_EQ(line.text.size(), 100u);
  EXPECT_EQ(line.Shown(), std::string(95, 'x') + ";har[m]");
  line.Type("m");  // replaces the selection; the line is full
  EXPECT_EQ(line.Shown(), std::string(95, 'x') + ";harm|");
  line.Key(KEY_UP);
  line.Key(kTab);
  line.Char(' ', true);
  EXPECT_LE(line.text.size(), 100u);
}

}  // namespace
