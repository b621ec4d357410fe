// The main window and its ten child controls as a table of layout records, and
// the rules that keep the controls in place when the window is resized. The
// decisions are plain functions over the records; control_layout_win.cpp
// applies them to the real windows.
#pragma once

#include <cstdint>

namespace qb {

// Window styles used by the table, spelled out so that the table compiles
// without windows.h.
constexpr uint32_t kStyleChild = 0x40000000;
constexpr uint32_t kStyleDisabled = 0x08000000;
constexpr uint32_t kStyleOverlappedWindow = 0x00CF0000;
constexpr int32_t kUseDefault = static_cast<int32_t>(0x80000000);

struct ControlLayout {
  uint32_t exStyle;
  const char* className;  // a row without a class name is not created
  const char* text;
  uint32_t style;
  int32_t designX, designY, designWidth, designHeight;
  int32_t baseX, baseY, baseWidth, baseHeight;
  int32_t x, y, width, height;  // current rectangle
  void* parent;                 // window handles, set at creation
  void* window;
  uint32_t id;
  uint32_t fontIndex;
  uint32_t placementRule;  // 0-5
  uint32_t sizingRule;     // 0-5
};

constexpr int kControlCount = 10;
constexpr int kDesignWidth = 808;
constexpr int kDesignHeight = 653;
constexpr int kResultsHeightCommandMode = 544;
constexpr int kResultsHeightScriptMode = 424;
constexpr int kResultsHeightAssistMode = 504;  // room for the three assist lines above the command line

enum ControlRow {
  ROW_RESULTS_PANE,
  ROW_COMMAND_LINE,
  ROW_SEND_BUTTON,
  ROW_SCRIPT_LIST,
  ROW_RUN_STOP_BUTTON,
  ROW_STEP_BUTTON,
  ROW_SCRIPT_CLOSE_BUTTON,
  ROW_ASSIST_LINE_TOP,
  ROW_ASSIST_LINE_MIDDLE,
  ROW_ASSIST_LINE_BOTTOM,
};

extern ControlLayout MainWindowLayout;
extern ControlLayout ControlTable[kControlCount];

// The sizes of the main window that the layout rules read.
struct LayoutFrame {
  int outerWidth, outerHeight;  // the window rectangle
  int clientTop;                // the client rectangle
  int clientWidth, clientHeight;
};

// Base and current rectangle = design rectangle, for each row.
void ResetLayout(ControlLayout* rows, int count);

// Recomputes a row's current rectangle for the frame; returns whether the
// row must be moved (its placement or sizing rule is not 0).
bool ComputeControlRect(ControlLayout& row, const ControlLayout& mainRow, const LayoutFrame& frame);

// Adds twice the frame excess (frame metric minus 4, when positive) to the main
// row's design size, once, at start-up.
void AdjustMainWindowForFrame(ControlLayout& mainRow, int frameX, int frameY);

// Whether a control is shown in script mode (scriptState > 0) or in command
// mode. Rows that neither mode switches keep their state: returns -1.
int ScriptModeVisibility(int row, int scriptState);

// The results pane's design height: shorter in script mode, and in command
// mode while the command assistant's three lines are shown.
int ResultsPaneDesignHeight(int scriptState, bool assistLinesShown);

// The row whose control has this id, or -1.
int RowOfControl(uint32_t id);

}  // namespace qb
