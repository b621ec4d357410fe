// Room for the command assistant's three lines: while they are shown the
// results pane ends above them at the design size, as the script layout
// leaves room for the script list.
#include <gtest/gtest.h>

#include "shell/control_layout.h"

using namespace qb;

namespace {

TEST(AssistLayout, ResultsPaneEndsAboveTheAssistLines) {
  EXPECT_EQ(ResultsPaneDesignHeight(0, false), kResultsHeightCommandMode);
  EXPECT_EQ(ResultsPaneDesignHeight(2, true), kResultsHeightScriptMode);
  ControlLayout mainRow = MainWindowLayout;
  ResetLayout(&mainRow, 1);
  // Client heights from the smallest at which the script list fits (its top
  // 158 pixels above the bottom, the script-mode pane 430 pixels down).
  for (int clientHeight : {588, 600, 615, 640}) {
    SCOPED_TRACE(clientHeight);
    ControlLayout rows[kControlCount];
    for (int i = 0; i < kControlCount; ++i) rows[i] = ControlTable[i];
    rows[ROW_RESULTS_PANE].designHeight = ResultsPaneDesignHeight(0, true);
    ResetLayout(rows, kControlCount);
    LayoutFrame frame{mainRow.width, mainRow.height, 0, kDesignWidth - 16, clientHeight};
    for (ControlLayout& row : rows) ComputeControlRect(row, mainRow, frame);
    const ControlLayout& pane = rows[ROW_RESULTS_PANE];
    const ControlLayout& top = rows[ROW_ASSIST_LINE_TOP];
    const ControlLayout& middle = rows[ROW_ASSIST_LINE_MIDDLE];
    const ControlLayout& bottom = rows[ROW_ASSIST_LINE_BOTTOM];
    const ControlLayout& line = rows[ROW_COMMAND_LINE];
    EXPECT_LE(pane.y + pane.height, top.y);
    EXPECT_LE(top.y + top.height, middle.y);
    EXPECT_LE(middle.y + middle.height, bottom.y);
    EXPECT_LE(bottom.y + bottom.height, line.y);
  }
}

}  // namespace
