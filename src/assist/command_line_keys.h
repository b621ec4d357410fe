// The command line's keyboard as the command assistant handles it: which
// characters and keys start, steer, accept or cancel a proposal, the refresh
// of the assist lines when the caret moves, Tab (accept and go to the next
// parameter) and the dictionary mode the shell sends after connect and
// disconnect. Portable: the window procedure in command_line_win.cpp calls
// these with a view over the Edit control.
#pragma once

#include <cstdint>

#include "assist/completion_engine.h"

namespace qb {

// Virtual-key codes the assistant acts on.
enum AssistKey {
  KEY_BACK = 8,
  KEY_CLEAR = 12,
  KEY_RETURN = 13,
  KEY_ESCAPE = 27,
  KEY_LEFT = 37,
  KEY_UP = 38,
  KEY_RIGHT = 39,
  KEY_DOWN = 40,
};

// Chooses the command set for the mode (1 HXA, 2 ZTQ, other none) and
// resets the assist lines.
void SetDictionaryMode(CommandLineView& view, long mode);

// WM_CHAR: returns the result of the procedure behind, or 1 for Ctrl+Space,
// which is not passed on.
intptr_t CommandLineChar(CommandLineView& view, int ch, bool ctrlDown);
// WM_KEYDOWN: passes the key on unless the assistant consumes it.
void CommandLineKeyDown(CommandLineView& view, int key);
// WM_KEYUP: never passed on.
void CommandLineKeyUp(CommandLineView& view, int key);
// Tab: accepts the proposal and moves the caret past the next ',', '?' or
// ';' (or to the end of the line), proposing the first word of the next slot.
void AcceptAndAdvance(CommandLineView& view);

}  // namespace qb
