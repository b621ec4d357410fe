// The predictive completion engine of the command line: while the user types,
// it proposes the rest of the word at the caret (a command pattern in the
// keyword, a parameter keyword in a parameter slot), inserts the proposal
// selected so that the next character replaces it, lets Up and Down step
// through the other candidates, and explains the command and the parameter
// under the caret on the three assist lines.
//
// The engine works on a CommandLineView, so the same code drives the Edit
// control in the program and a string with a selection in the tests.
#pragma once

#include <cstdint>
#include <string>

namespace qb {

enum AssistLine { ASSIST_LINE_TOP, ASSIST_LINE_MIDDLE, ASSIST_LINE_BOTTOM };

// The command line as the assistant sees it: its text and selection, the
// three assist lines beside it, and the procedure behind it.
class CommandLineView {
 public:
  virtual std::string Text() = 0;
  virtual void GetSelection(int& start, int& end) = 0;
  virtual void ReplaceSelection(const std::string& text) = 0;
  virtual void SetSelection(int start, int end) = 0;
  virtual void SetAssistLine(AssistLine line, const std::string& text) = 0;
  // Hands the message being handled on to the procedure behind the
  // assistant and returns its result.
  virtual intptr_t PassOn() = 0;
  // Posts a command (WM_COMMAND) to the main window.
  virtual void PostCommand(int command) = 0;

 protected:
  ~CommandLineView() = default;
};

// Engine state, owned by the GUI thread.
struct PredictiveState {
  bool PredictiveActive;  // a proposal may be inserted
  bool ForcedCompletion;  // the proposal was asked for with Ctrl+Space
  int MatchIndex;         // rank of the proposed candidate among the matches
  int CurrentSlot;        // parameter slot of the last prediction; 0 = keyword
};
extern PredictiveState Predictive;

// --- positions ------------------------------------------------------------------
// The assistant analyses the line without line ends (a pasted text may hold
// some). The start of the selection as a position in that line, and a
// selection given in that line's positions applied to the control.
int SelectionStartInLine(CommandLineView& view);
void SelectInLine(CommandLineView& view, int start, int end);

// --- text analysis -------------------------------------------------------------
std::string TrimLeadingSpaces(const std::string& text);
// The command around position p, bounded by ';'.
std::string CommandSegmentAt(const std::string& line, int p);
// The word around position p; extendRight also takes the characters after p
// up to the next ',' or ';'.
std::string WordAt(const std::string& text, int p, bool extendRight);
// The number of commas between the start of the current command and p.
int SlotAt(const std::string& line, int p);
// The pattern form of a typed command: parameter values removed, commas and
// a '?' kept (alarm1,high,1,5 gives alarm1,,,).
std::string PatternOf(const std::string& text);

// --- guesses and the assist lines ------------------------------------------------
// The MatchIndex-th item of the slot's list (patterns for slot 0, the active
// keyword list otherwise) that begins with partial; MatchIndex is reduced
// modulo the number of matches. "" when nothing matches.
std::string GuessWord(const std::string& partial, int slot);
// Every matching item of the list, in order, joined by "  ;  " and ended by
// two spaces; "" when nothing matches.
std::string CandidateList(bool atKeyword, const std::string& partial);
void ShowAssist(CommandLineView& view, const std::string& word, const std::string& partial, int slot);
void UpdateAssist(CommandLineView& view, const std::string& word, const std::string& partial, int slot);
// The assist lines for an empty command line.
void ResetAssist(CommandLineView& view);

// --- predictive mode -------------------------------------------------------------
void StartPredictive(bool forced);
void StopPredictive();
void NextMatch();      // Up while predicting
void PreviousMatch();  // Down while predicting
// One prediction over the line: refreshes the assist lines and, while
// predictive mode is on, inserts the proposal selected. Returns the partial
// word at the caret; with partialOnly it only returns that word.
std::string Predict(CommandLineView& view, bool forced, bool partialOnly);

}  // namespace qb
