// Key and character handling of the command line for the command assistant.
#include "assist/command_line_keys.h"

#include <string>

#include "assist/command_dictionary.h"
#include "common/text_lines.h"
#include "resources/resource.h"

namespace qb {

namespace {

bool IsLetterOrDigit(int ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

// Characters that enter the line and start a prediction.
bool IsTrigger(int ch) {
  return IsLetterOrDigit(ch) || ch == ',' || ch == '*' || ch == '+' || ch == '-';
}

char At(const std::string& s, int i) {
  return (i >= 0 && i < static_cast<int>(s.size())) ? s[static_cast<size_t>(i)] : '\0';
}

// The line is empty or all of it is selected.
bool EmptyOrAllSelected(CommandLineView& view) {
  int length = static_cast<int>(view.Text().size());
  int start = 0, end = 0;
  view.GetSelection(start, end);
  return length == 0 || end - start == length;
}

// The assist lines for the caret position, without proposing anything: the
// first entry of the command's keyword and the slot under the caret.
void RefreshAssistForCaret(CommandLineView& view) {
  if (EmptyOrAllSelected(view)) {
    UpdateAssist(view, "", "", 0);
    return;
  }
  std::string line = StripLineEnds(view.Text());
  int p = SelectionStartInLine(view) - 1;
  std::string segment = CommandSegmentAt(line, p);
  std::string keyword = WordAt(PatternOf(segment), 0, true);
  std::string entry = GuessWord(keyword, 0);
  int slot = SlotAt(line, p);
  std::string partial = Predict(view, Predictive.ForcedCompletion, true);
  UpdateAssist(view, entry, partial, slot);
}

}  // namespace

void SetDictionaryMode(CommandLineView& view, long mode) {
  SelectCommandSet(mode);
  ResetAssist(view);
}

intptr_t CommandLineChar(CommandLineView& view, int ch, bool ctrlDown) {
  bool forced = false;
  intptr_t result = 1;
  if (IsTrigger(ch)) {
    result = view.PassOn();
  } else if (ch == ' ' && (Predictive.PredictiveActive || ctrlDown)) {
    if (ctrlDown) {
      forced = true;  // Ctrl+Space asks for a proposal and inserts no space
    } else {
      result = view.PassOn();
    }
  } else {
    if (ch == ';') ResetAssist(view);
    return view.PassOn();
  }
  if (ch == ',') Predictive.MatchIndex = 0;
  StartPredictive(forced);
  Predict(view, Predictive.ForcedCompletion, false);
  return result;
}

void CommandLineKeyDown(CommandLineView& view, int key) {
  bool active = Predictive.PredictiveActive;
  switch (key) {
    case KEY_BACK:
      if (active) StopPredictive();  // the edit control then deletes the selected proposal
      break;
    case KEY_CLEAR:
    case KEY_ESCAPE:
    case KEY_LEFT:
      if (active) {
        view.ReplaceSelection("");
        StopPredictive();
      }
      break;
    case KEY_RETURN:
      StopPredictive();  // a proposal stays in the line and is sent with it
      break;
    case KEY_UP:
    case KEY_DOWN:
      if (active) {
        if (key == KEY_UP) {
          NextMatch();
        } else {
          PreviousMatch();
        }
        return;
      }
      if (EmptyOrAllSelected(view)) {
        view.PostCommand(key == KEY_UP ? CMD_HISTORY_UP : CMD_HISTORY_DOWN);
        return;
      }
      break;
    default:
      break;
  }
  view.PassOn();
}

void CommandLineKeyUp(CommandLineView& view, int key) {
  bool caretKey = key == KEY_UP || key == KEY_DOWN || key == KEY_BACK || key == KEY_LEFT || key == KEY_RIGHT;
  if (!caretKey) return;
  if (Predictive.PredictiveActive) {
    if (key == KEY_LEFT || key == KEY_RIGHT) {
      StopPredictive();
      Predict(view, false, false);
    } else {
      Predict(view, Predictive.ForcedCompletion, false);
    }
    return;
  }
  RefreshAssistForCaret(view);
}

void AcceptAndAdvance(CommandLineView& view) {
  Predictive.MatchIndex = 0;
  std::string line = StripLineEnds(view.Text());
  int length = static_cast<int>(line.size());
  int c = SelectionStartInLine(view);

  size_t next = line.find_first_of(",?;", static_cast<size_t>(c));
  int caret = length;
  if (next != std::string::npos) {
    if (line[next] == ',') {
      StartPredictive(false);
    } else {
      StopPredictive();
    }
    caret = static_cast<int>(next) + 1;
  }
  SelectInLine(view, caret, caret);

  // Propose the first word of the next slot only while that slot is empty: a
  // value already typed there (even a single character) is left alone.
  bool slotEmpty = caret >= length || (!IsLetterOrDigit(At(line, caret)) && !IsLetterOrDigit(At(line, caret + 1)));
  if (Predictive.PredictiveActive && slotEmpty) Predict(view, false, false);
}

}  // namespace qb
