// The command assistant on a stand-in for the command line: whole keystroke
// sequences are replayed through the same key handling the window procedure
// uses, and after each key the line, its selection and the three assist
// lines are checked. The stand-in behaves as the Edit control does for what
// the assistant passes on (characters, Backspace, Left and Right, the
// 100-character limit), and Enter reaches the shell as CMD_SEND.
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
  void ExpectLines(const std::string& top, const std::string& middle, const std::string& bottom) {
    EXPECT_EQ(line.lines[ASSIST_LINE_TOP], top);
    EXPECT_EQ(line.lines[ASSIST_LINE_MIDDLE], middle);
    EXPECT_EQ(line.lines[ASSIST_LINE_BOTTOM], bottom);
  }
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

TEST_F(Assistant, LookupTakesTheFirstPatternThatBeginsWithTheText) {
  Connect(1);
  EXPECT_EQ(LookupEntry(""), 0);
  EXPECT_EQ(LookupEntry("HARM"), 49);
  EXPECT_EQ(LookupEntry("harmon,,"), 50);  // not harmon,,series?
  EXPECT_EQ(LookupEntry("xyz"), kNoEntry);
  EXPECT_TRUE(MatchesPrefix("harmon", ""));
  EXPECT_FALSE(MatchesPrefix("lcr", "lcr,"));  // typed longer than the candidate
  Connect(2);
  EXPECT_EQ(LookupEntry(""), 0);
  EXPECT_EQ(LookupEntry("tfa,s"), 72);
  Connect(3);
  EXPECT_EQ(LookupEntry(""), kNoEntry);
  EXPECT_EQ(LookupEntry("harm"), kNoEntry);
}

TEST_F(Assistant, KeywordListFollowsTheEntryAndSlotOfTheFamilysSet) {
  SelectKeywordList(68, 1);  // no family yet: nothing changes, nothing logged
  EXPECT_EQ(ActiveKeywordList, nullptr);
  EXPECT_TRUE(Diagnostics.empty());
  Connect(1);
  SelectKeywordList(68, 1);
  ASSERT_NE(ActiveKeywordList, nullptr);
  ASSERT_EQ(ActiveKeywordList->Count, 7);
  EXPECT_STREQ(ActiveKeywordList->Words[0], "power");
  EXPECT_STREQ(ActiveKeywordList->Words[6], "phasem");
  EXPECT_TRUE(Logged("Dictionary: HXA_MODE 1\n"));
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
  EXPECT_STREQ(HelpRecordText(15, 0), "");  // no family known
  Connect(1);
  EXPECT_STREQ(HelpRecordText(15, 0), "The ALARM1 command sets Alarm1 type and threshold");
  EXPECT_STREQ(HelpRecordText(15, 2), "Alarm1 Data { 1-4 }");
  EXPECT_STREQ(HelpRecordText(15, 5), "");                            // no description
  EXPECT_STREQ(HelpRecordText(15, 6), "");                            // beyond the record
  EXPECT_STREQ(HelpRecordText(49, 2), "Individual harmonic number");  // harmon shares harmon,,,
  EXPECT_STREQ(HelpRecordText(135, 0), "");
  EXPECT_STREQ(HelpRecordText(-1, 0), "");
}

// --- keystroke sequences ------------------------------------------------------------

TEST_F(Assistant, TypingModeCommaPProposesAndExplainsEachStep) {
  Connect(1);
  ExpectLines("*cls", "The *CLS command clears the (SESR) Standard Event Status Register", line.lines[2]);
  line.Type("m");
  EXPECT_EQ(line.Shown(), "m[ode,]");
  ExpectLines("mode,", kModeHelp, "mode,  ;  mslave,  ;  multil,0  ;  multil,,,  ;  multil?  ;  multil,?  ");
  line.Type("o");
  EXPECT_EQ(line.Shown(), "mo[de,]");
  line.Type("d");
  EXPECT_EQ(line.Shown(), "mod[e,]");
  ExpectLines("mode,", kModeHelp, "mode,  ");
  line.Type("e");
  EXPECT_EQ(line.Shown(), "mode[,]");  // the comma stays proposed
  ExpectLines("mode,", kModeHelp, "mode,  ");
  line.Type(",");
  EXPECT_EQ(line.Shown(), "mode,[power]");
  ExpectLines("mode,", "Mode { Power, Integr, Harmon, Rms, LCR, Scope, Phasem }",
              "power  ;  integr  ;  harmon  ;  rms  ;  lcr  ;  scope  ;  phasem  ");
  line.Type("p");
  EXPECT_EQ(line.Shown(), "mode,p[ower]");
  ExpectLines("mode,", "Mode { Power, Integr, Harmon, Rms, LCR, Scope, Phasem }", "power  ;  phasem  ");
  EXPECT_TRUE(Logged("Predictive: ON\n"));
  EXPECT_TRUE(Logged("Forced? NO\n"));
  EXPECT_TRUE(Logged("Dictionary: HXA_MODE 1\n"));
  EXPECT_TRUE(Logged("Guessed Word: 'power'\n"));
}

TEST_F(Assistant, HarmUpTabSTabCompletesAHarmonicsCommand) {
  Connect(1);
  line.Type("harm");
  EXPECT_EQ(line.Shown(), "harm[on]");
  ExpectLines("harmon", kHarmonHelp, kHarmonCandidates);
  line.Key(KEY_UP);
  EXPECT_EQ(line.Shown(), "harm[on,,,]");
  ExpectLines("harmon,,,", kHarmonHelp, kHarmonCandidates);
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "harmon,[thdd],,");
  EXPECT_EQ(line.lines[ASSIST_LINE_MIDDLE].substr(0, 18), "Harmonic Formula {");
  EXPECT_EQ(line.lines[ASSIST_LINE_BOTTOM],
            "thdd  ;  thds  ;  tif  ;  thf  ;  tdd  ;  trd  ;  hphase  ;  ph-ph  ;  series  ");
  line.Type("s");
  EXPECT_EQ(line.Shown(), "harmon,s[eries],,");
  EXPECT_EQ(line.lines[ASSIST_LINE_BOTTOM], "series  ");
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "harmon,series,|,");  // slot 2 has no list: nothing proposed
  ExpectLines("harmon,,,", "Individual harmonic number", "");
  line.Key(KEY_RETURN);
  EXPECT_EQ(line.posted, std::vector<int>{CMD_SEND});
  EXPECT_FALSE(Predictive.PredictiveActive);
  EXPECT_EQ(line.text, "harmon,series,,");
}

TEST_F(Assistant, UpAndDownCycleThroughTheMatches) {
  Connect(1);
  line.Type("harm");
  line.Key(KEY_UP);
  line.Key(KEY_DOWN);
  EXPECT_EQ(line.Shown(), "harm[on]");
  // Two matches: the index runs over the whole list and is reduced modulo 2.
  line.Set("");
  Predictive = PredictiveState{false, false, 0, 5};
  line.Type("ze");
  EXPECT_EQ(line.Shown(), "ze[ro]");
  line.Key(KEY_UP);
  EXPECT_EQ(line.Shown(), "ze[ro,delete]");
  line.Key(KEY_UP);
  EXPECT_EQ(line.Shown(), "ze[ro]");
  line.Key(KEY_UP);
  EXPECT_EQ(line.Shown(), "ze[ro,delete]");
  // Down from the first of three matches lands on rank (135 - 1) mod 3 = 2.
  line.Set("");
  StopPredictive();
  line.Type("*s");
  EXPECT_EQ(line.Shown(), "*s[re,]");
  line.Key(KEY_DOWN);
  EXPECT_EQ(line.Shown(), "*s[tb?]");
  EXPECT_EQ(Predictive.MatchIndex, 2);
  // In a parameter slot Up steps through the keyword list.
  line.Set("");
  StopPredictive();
  line.Type("mode,");
  line.Key(KEY_UP);
  EXPECT_EQ(line.Shown(), "mode,[integr]");
  line.Key(KEY_DOWN);
  line.Key(KEY_DOWN);
  EXPECT_EQ(line.Shown(), "mode,[phasem]");  // from the first word back to the last
  // Letters after Up keep the rank among the new matches.
  line.Set("");
  StopPredictive();
  line.Type("h");
  line.Key(KEY_UP);
  EXPECT_EQ(line.Shown(), "h[armon,,,]");
  line.Type("a");
  EXPECT_EQ(line.Shown(), "ha[rmon,,,]");
  EXPECT_TRUE(line.posted.empty());  // Up while predicting never reaches the history
  EXPECT_EQ(line.keysPassedOn, 0);
}

TEST_F(Assistant, CtrlSpaceReplacesTheWordAtTheCaret) {
  Connect(1);
  line.Set("mode,po");
  EXPECT_EQ(line.Char(' ', true), 1);  // no space enters the line
  EXPECT_EQ(line.Shown(), "mode,[power]");
  EXPECT_TRUE(Logged("Forced? YES\n"));
  line.Key(KEY_UP);
  EXPECT_EQ(line.Shown(), "mode,[integr]");
  // In an empty slot the word goes into the slot, not over its comma.
  line.Set("harmon,,,", 7);
  StopPredictive();
  line.Char(' ', true);
  EXPECT_EQ(line.text, "harmon,thdd,,");
  EXPECT_EQ(line.Shown(), "harmon,[thdd],,");
  // On a command without values the whole template is replaced.
  line.Set("harm");
  StopPredictive();
  line.Char(' ', true);
  EXPECT_EQ(line.Shown(), "[harmon]");
  EXPECT_EQ(line.lines[ASSIST_LINE_TOP], "harmon");
  // An empty line gets the first pattern.
  line.Set("");
  StopPredictive();
  line.Char(' ', true);
  EXPECT_EQ(line.Shown(), "[*cls]");
  // A plain space with predictive mode off just enters the line.
  line.Set("*rst");
  StopPredictive();
  line.Char(' ');
  EXPECT_EQ(line.Shown(), "*rst |");
  EXPECT_FALSE(Predictive.PredictiveActive);
}

TEST_F(Assistant, ASecondCommandAfterASemicolonIsCompletedOnItsOwn) {
  Connect(1);
  line.Set("mode,power");
  line.Type(";");
  ExpectLines("*cls", "The *CLS command clears the (SESR) Standard Event Status Register", line.lines[2]);
  EXPECT_EQ(line.Shown(), "mode,power;|");
  line.Type("harm");
  EXPECT_EQ(line.Shown(), "mode,power;harm[on]");
  ExpectLines("harmon", kHarmonHelp, kHarmonCandidates);
  line.Type("on");
  EXPECT_EQ(line.Shown(), "mode,power;harmon|");  // the keyword is whole: nothing to add
  line.Type(",");
  // harmon, finds harmon,,, whose slot 1 offers the formulas.
  EXPECT_EQ(line.Shown(), "mode,power;harmon,[thdd]");
  line.Type("x;ls");
  EXPECT_EQ(line.Shown(), "mode,power;harmon,x;ls|");  // no command starts with ls
  ExpectLines(" ", " ", "");
}

TEST_F(Assistant, EscapeBackspaceAndQuestionMarkRemoveOnlyTheProposal) {
  Connect(1);
  line.Type("harm");
  line.Key(KEY_ESCAPE);
  EXPECT_EQ(line.Shown(), "harm|");
  EXPECT_FALSE(Predictive.PredictiveActive);
  line.Type("o");
  EXPECT_EQ(line.Shown(), "harmo[n]");
  line.Key(KEY_BACK);
  EXPECT_EQ(line.Shown(), "harmo|");
  EXPECT_FALSE(Predictive.PredictiveActive);
  // The key-up refresh explains the command under the caret.
  ExpectLines("harmon", kHarmonHelp, kHarmonCandidates);
  line.Key(KEY_BACK);  // without a proposal Backspace deletes a character
  EXPECT_EQ(line.Shown(), "harm|");
  // Left drops the proposal, then moves the caret.
  line.Type("o");
  line.Key(KEY_LEFT);
  EXPECT_EQ(line.Shown(), "harm|o");
  // Right while predicting stops and only refreshes the lines.
  line.Set("mo");
  line.Type("d");
  EXPECT_EQ(line.Shown(), "mod[e,]");
  line.Key(KEY_RIGHT);
  EXPECT_FALSE(Predictive.PredictiveActive);
  EXPECT_EQ(line.text, "mode,");
  // '?' replaces a proposal, proposes nothing and leaves predictive mode on.
  line.Set("");
  line.Type("harm?");
  EXPECT_EQ(line.Shown(), "harm?|");
  EXPECT_TRUE(Predictive.PredictiveActive);
}

TEST_F(Assistant, TabMovesPastTheNextSeparator) {
  Connect(1);
  // The nearest separator decides: the ',' of harmon,? proposes a phase,
  // then the '?' ends predictive mode.
  line.Set("harmon,?", 2);
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "harmon,[phase1]?");
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "harmon,phase1?|");
  EXPECT_FALSE(Predictive.PredictiveActive);
  // Onto ';': the same.
  line.Set("*rst;mode,", 1);
  StartPredictive(false);
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "*rst;|mode,");
  EXPECT_FALSE(Predictive.PredictiveActive);
  // None after the caret: to the end, the mode unchanged.
  line.Set("harmon", 2);
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "harmon|");
  EXPECT_FALSE(Predictive.PredictiveActive);
  // Onto a comma before a typed value: predictive mode on, nothing proposed.
  line.Set("mode,power", 2);
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "mode,|power");
  EXPECT_TRUE(Predictive.PredictiveActive);
  // A value of one character is left alone as well.
  line.Set("range,1,auto", 3);
  StopPredictive();
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "range,|1,auto");
  line.Set("mode,p", 1);
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "mode,|p");
  // An accepted proposal stays in the line.
  line.Set("");
  StopPredictive();
  line.Type("sm");
  EXPECT_EQ(line.Shown(), "sm[ooth,]");
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "smooth,[none]");
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

TEST_F(Assistant, CaretMovesRefreshTheHelpForTheSlotUnderIt) {
  Connect(1);
  line.Set("harmon,thdd,3");
  line.Key(KEY_LEFT);
  line.Key(KEY_LEFT);  // into slot 2
  EXPECT_EQ(line.Shown(), "harmon,thdd|,3");
  // The keyword alone (harmon) gives slot 1 its list of formulas.
  ExpectLines("harmon",
              "Harmonic Formula { THDD (Difference),  THDS (Series),  TIF (Tele Influ Factor),  THF (Tele "
              "Harmon Factor),  TDD (T.Demand Distortion),  TRD (T.Rated Distortion),  HPHASE (Harmonic Phase),  "
              "PH-PH (Phase to Phase) }",
              "thdd  ");
  ASSERT_NE(ActiveKeywordList, nullptr);
  EXPECT_EQ(ActiveKeywordList->Count, 9);
  line.Key(KEY_RIGHT);
  line.Key(KEY_RIGHT);
  EXPECT_EQ(line.lines[ASSIST_LINE_MIDDLE], "Individual harmonic number");
  line.selStart = 0;  // all selected: Up recalls history and the lines reset
  line.Key(KEY_UP);
  EXPECT_EQ(line.posted, std::vector<int>{CMD_HISTORY_UP});
  EXPECT_EQ(line.lines[ASSIST_LINE_TOP], " ");
}

TEST_F(Assistant, ALineOfSpacesProposesNothing) {
  Connect(1);
  line.Type("   ");
  EXPECT_EQ(line.Shown(), "   |");
  line.Set("  ");
  StartPredictive(false);
  line.Type(" ");
  EXPECT_EQ(line.Shown(), "   |");
  line.Key(KEY_UP);
  line.Key(KEY_LEFT);
  line.Key(kTab);
  EXPECT_EQ(line.text, "   ");
}

TEST_F(Assistant, TheEmptySetOffersNothing) {
  Connect(1);
  line.Type("mode,");
  EXPECT_EQ(line.Shown(), "mode,[power]");
  Connect(3);  // after a disconnect, or for an unknown family
  ExpectLines(" ", " ", "");
  line.Set("");
  StopPredictive();
  line.Type("mode,");  // not even the words of the last command
  EXPECT_EQ(line.Shown(), "mode,|");
  line.Set("");
  line.Type("harm,");
  EXPECT_EQ(line.Shown(), "harm,|");
  line.Char(' ', true);
  EXPECT_EQ(line.Shown(), "harm,|");
  line.Key(KEY_UP);
  line.Key(kTab);
  EXPECT_EQ(line.text, "harm,");
  ExpectLines("harm,", "", "");
}

TEST_F(Assistant, BeforeIdentificationPatternsComeWithoutHelpOrKeywords) {
  line.Type("m");
  EXPECT_EQ(line.Shown(), "m[ode,]");
  ExpectLines("mode,", " ", "mode,  ;  mslave,  ;  multil,0  ;  multil,,,  ;  multil?  ;  multil,?  ");
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "mode,|");
  line.Type("x");
  ExpectLines("mode,", " ", "");
}

TEST_F(Assistant, TheZtqSetServesFamilyEight) {
  Connect(2);
  line.Type("m");
  EXPECT_EQ(line.Shown(), "m[arker,]");
  line.Type("o");
  EXPECT_EQ(line.Shown(), "mo[de,]");
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "mode,[ztq]");
  ExpectLines("mode,", "Mode { ZTQ,  LCR,  VSWR,  FRA,  SCOPE }", "ztq  ;  lcr  ;  vswr  ;  fra  ;  scope  ");
  line.Set("");
  StopPredictive();
  line.Type("filter,n,");
  EXPECT_EQ(line.Shown(), "filter,n,[auto]");
  EXPECT_EQ(line.lines[ASSIST_LINE_MIDDLE], "Dynamic Response { Auto, Fixed }");
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

TEST_F(Assistant, PastedLineEndsDoNotShiftTheProposal) {
  Connect(1);
  line.Set("ha\r\n");  // pasted; the control's positions count the line end
  line.Char('r');
  EXPECT_EQ(line.Shown(), "ha\r\nr[mon]");
  EXPECT_EQ(line.lines[ASSIST_LINE_TOP], "harmon");
  line.Key(KEY_UP);
  EXPECT_EQ(line.Shown(), "ha\r\nr[mon,,,]");
  line.Key(kTab);
  EXPECT_EQ(line.Shown(), "ha\r\nrmon,[thdd],,");
  line.Char(' ', true);
  EXPECT_EQ(line.Shown(), "ha\r\nrmon,[thdd],,");
}

}  // namespace
