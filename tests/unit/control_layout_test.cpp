// The main window's layout rules: where each control lands for a window size.
#include "shell/control_layout.h"

#include <gtest/gtest.h>

#include "resources/resource.h"

using namespace qb;

namespace {

struct Rect {
  int x, y, w, h;
  bool operator==(const Rect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "{" << r.x << "," << r.y << "," << r.w << "," << r.h << "}";
}

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rows_ = std::vector<ControlLayout>(ControlTable, ControlTable + kControlCount);
    main_ = MainWindowLayout;
    ResetLayout(&main_, 1);
    ResetLayout(rows_.data(), kControlCount);
  }
  // A window whose outer size is the reference size plus (dw, dh); the client
  // area is the outer size less a 16-pixel frame and a 58-pixel caption and menu.
  void Layout(int dw, int dh) {
    LayoutFrame frame{main_.width + dw, main_.height + dh, 0, main_.width + dw - 16, main_.height + dh - 58};
    for (auto& r : rows_) ComputeControlRect(r, main_, frame);
  }
  Rect At(int row) const { return {rows_[row].x, rows_[row].y, rows_[row].width, rows_[row].height}; }

  std::vector<ControlLayout> rows_;
  ControlLayout main_;
};

TEST_F(LayoutTest, ResizingKeepsGapsToTheBottomRightAndGrowsWidths) {
  Layout(120, 80);
  EXPECT_EQ(At(ROW_RESULTS_PANE), (Rect{6, 6, 908, 624}));
  EXPECT_EQ(At(ROW_COMMAND_LINE), (Rect{6, 645, 826, 24}));
  EXPECT_EQ(At(ROW_SEND_BUTTON), (Rect{831, 645, 75, 24}));
  EXPECT_EQ(At(ROW_ASSIST_LINE_MIDDLE), (Rect{8, 617, 906, 13}));
  // Shrinking below the reference size shrinks the same way, and going back
  // restores the design rectangles: sizes are computed from the base, never
  // accumulated.
  Layout(-300, -200);
  EXPECT_EQ(At(ROW_RESULTS_PANE), (Rect{6, 6, 488, 344}));
  Layout(0, 0);
  EXPECT_EQ(At(ROW_RESULTS_PANE), (Rect{6, 6, 788, 544}));
  EXPECT_EQ(At(ROW_COMMAND_LINE), (Rect{6, 565, 706, 24}));
}

// While the command assistant's three lines show, the script-mode pane ends
// above them, from the smallest client height at which the script list fits
// (595 + dh pixels high).
TEST_F(LayoutTest, TheResultsPaneEndsAboveTheAssistLines) {
  EXPECT_EQ(ResultsPaneDesignHeight(0, false), kResultsHeightCommandMode);
  EXPECT_EQ(ResultsPaneDesignHeight(2, true), kResultsHeightScriptMode);
  rows_[ROW_RESULTS_PANE].designHeight = ResultsPaneDesignHeight(0, true);
  ResetLayout(rows_.data(), kControlCount);
  const int order[] = {ROW_RESULTS_PANE, ROW_ASSIST_LINE_TOP, ROW_ASSIST_LINE_MIDDLE, ROW_ASSIST_LINE_BOTTOM,
                       ROW_COMMAND_LINE};
  for (int dh : {-7, 5, 20, 45}) {
    Layout(0, dh);
    for (int i = 0; i + 1 < 5; ++i) EXPECT_LE(At(order[i]).y + At(order[i]).h, At(order[i + 1]).y) << dh << " " << i;
  }
}

TEST_F(LayoutTest, OnlyRowsWithARuleMove) {
  LayoutFrame frame{main_.width, main_.height, 0, 792, 595};
  ControlLayout fixed = rows_[ROW_SEND_BUTTON];
  fixed.placementRule = 0;
  fixed.sizingRule = 0;
  EXPECT_FALSE(ComputeControlRect(fixed, main_, frame));
  EXPECT_EQ(fixed.x, 6);
  EXPECT_TRUE(ComputeControlRect(rows_[ROW_RESULTS_PANE], main_, frame));
}

TEST_F(LayoutTest, CentredPlacementsHalveTheClientWidthTowardZero) {
  ControlLayout r = rows_[ROW_SEND_BUTTON];
  r.placementRule = 1;
  r.baseY = 10;
  LayoutFrame frame{main_.width, main_.height, 3, 793, 595};
  ComputeControlRect(r, main_, frame);
  EXPECT_EQ(r.x, 396 - 75 - 6);
  EXPECT_EQ(r.y, 13);
  r.placementRule = 5;
  ComputeControlRect(r, main_, frame);
  EXPECT_EQ(r.x, 396 - 75 - 6);
  EXPECT_EQ(r.y, 595 - 24 - 10);
}

TEST(MainWindowFrame, AddsTwiceTheFrameExcessOnlyWhenPositive) {
  ControlLayout m = MainWindowLayout;
  AdjustMainWindowForFrame(m, 8, 4);
  EXPECT_EQ(m.designWidth, 808 + 8);
  EXPECT_EQ(m.designHeight, 653);
  ControlLayout n = MainWindowLayout;
  AdjustMainWindowForFrame(n, 2, 5);
  EXPECT_EQ(n.designWidth, 808);
  EXPECT_EQ(n.designHeight, 655);
}

TEST(ScriptMode, SwapsTheCommandControlsForTheScriptControls) {
  for (int state : {1, 2, 3}) {
    EXPECT_EQ(ScriptModeVisibility(ROW_COMMAND_LINE, state), 0);
    EXPECT_EQ(ScriptModeVisibility(ROW_ASSIST_LINE_BOTTOM, state), 0);
    EXPECT_EQ(ScriptModeVisibility(ROW_SCRIPT_LIST, state), 1);
    EXPECT_EQ(ScriptModeVisibility(ROW_STEP_BUTTON, state), 1);
  }
  EXPECT_EQ(ScriptModeVisibility(ROW_SEND_BUTTON, 0), 1);
  EXPECT_EQ(ScriptModeVisibility(ROW_SCRIPT_CLOSE_BUTTON, 0), 0);
  EXPECT_EQ(ScriptModeVisibility(ROW_RESULTS_PANE, 0), -1);
  EXPECT_EQ(ScriptModeVisibility(ROW_RESULTS_PANE, 2), -1);
}

}  // namespace
