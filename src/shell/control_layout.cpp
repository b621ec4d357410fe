// The layout table and rules of the main window.
#include "shell/control_layout.h"

#include "resources/resource.h"

namespace qb {

namespace {
constexpr uint32_t kEdgeStyle = 0x200;  // WS_EX_CLIENTEDGE
}

ControlLayout MainWindowLayout = {0,
                                  "QZQuillboxWClass",
                                  "Vantor",
                                  kStyleOverlappedWindow,
                                  kUseDefault,
                                  kUseDefault,
                                  kDesignWidth,
                                  kDesignHeight,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  nullptr,
                                  nullptr,
                                  0,
                                  0,
                                  0,
                                  0};

#define QB_ROW(ex, cls, text, style, x, y, w, h, id, font, place, size) \
  { ex, cls, text, style, x, y, w, h, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, id, font, place, size }

ControlLayout ControlTable[kControlCount] = {
    QB_ROW(kEdgeStyle, "Edit", "", 0x40B100C4, 6, 6, 788, 544, IDC_RESULTS_PANE, 3, 0, 3),
    QB_ROW(kEdgeStyle, "Edit", "", 0x40811004, 6, 6, 706, 24, IDC_COMMAND_LINE, 0, 3, 1),
    QB_ROW(0, "Button", "Send", 0x40010000, 6, 6, 75, 24, IDC_SEND_BUTTON, 1, 4, 0),
    QB_ROW(kEdgeStyle, "Listbox", "", 0x40A10100, 6, 6, 706, 152, IDC_SCRIPT_LIST, 0, 3, 1),
    QB_ROW(0, "Button", "Run", 0x40010000, 6, 134, 75, 24, IDC_RUN_STOP_BUTTON, 1, 4, 0),
    QB_ROW(0, "Button", "Step", 0x40010000, 6, 108, 75, 24, IDC_STEP_BUTTON, 1, 4, 0),
    QB_ROW(0, "Button", "Close", 0x40010000, 6, 82, 75, 24, IDC_SCRIPT_CLOSE_BUTTON, 1, 4, 0),
    QB_ROW(0, "Static", "", 0x40010000, 8, 60, 786, 13, IDC_ASSIST_LINE_TOP, 1, 3, 1),
    QB_ROW(0, "Static", "", 0x40010000, 8, 45, 786, 13, IDC_ASSIST_LINE_MIDDLE, 0, 3, 1),
    QB_ROW(0, "Static", "", 0x4001C000, 8, 30, 786, 13, IDC_ASSIST_LINE_BOTTOM, 2, 3, 1),
};

#undef QB_ROW

void ResetLayout(ControlLayout* rows, int count) {
  for (int i = 0; i < count; ++i) {
    ControlLayout& r = rows[i];
    r.baseX = r.x = r.designX;
    r.baseY = r.y = r.designY;
    r.baseWidth = r.width = r.designWidth;
    r.baseHeight = r.height = r.designHeight;
  }
}

bool ComputeControlRect(ControlLayout& row, const ControlLayout& mainRow, const LayoutFrame& frame) {
  if (row.sizingRule != 0) {
    int dw = frame.outerWidth - mainRow.width;
    int dh = frame.outerHeight - mainRow.height;
    if (row.sizingRule == 1 || row.sizingRule >= 3) row.width = row.baseWidth + dw;
    if (row.sizingRule >= 2) row.height = row.baseHeight + dh;
  }
  int cw = frame.clientWidth;
  int ch = frame.clientHeight;
  switch (row.placementRule) {
    case 1:
      row.y = row.baseY + frame.clientTop;
      row.x = cw / 2 - row.width - row.baseX;
      break;
    case 2:
      row.x = cw - row.width - row.baseX;
      break;
    case 3:
      row.y = ch - row.height - row.baseY;
      break;
    case 4:
      row.x = cw - row.width - row.baseX;
      row.y = ch - row.height - row.baseY;
      break;
    case 5:
      row.y = ch - row.height - row.baseY;
      row.x = cw / 2 - row.width - row.baseX;
      break;
    default:
      break;
  }
  return row.placementRule != 0 || row.sizingRule != 0;
}

void AdjustMainWindowForFrame(ControlLayout& mainRow, int frameX, int frameY) {
  if (frameX - 4 > 0) mainRow.designWidth += 2 * (frameX - 4);
  if (frameY - 4 > 0) mainRow.designHeight += 2 * (frameY - 4);
}

int ScriptModeVisibility(int row, int scriptState) {
  bool scriptMode = scriptState > 0;
  switch (row) {
    case ROW_COMMAND_LINE:
    case ROW_SEND_BUTTON:
    case ROW_ASSIST_LINE_TOP:
    case ROW_ASSIST_LINE_MIDDLE:
    case ROW_ASSIST_LINE_BOTTOM:
      return scriptMode ? 0 : 1;
    case ROW_SCRIPT_LIST:
    case ROW_RUN_STOP_BUTTON:
    case ROW_STEP_BUTTON:
    case ROW_SCRIPT_CLOSE_BUTTON:
      return scriptMode ? 1 : 0;
    default:
      return -1;
  }
}

int ResultsPaneDesignHeight(int scriptState, bool assistLinesShown) {
  if (scriptState > 0) return kResultsHeightScriptMode;
  return assistLinesShown ? kResultsHeightAssistMode : kResultsHeightCommandMode;
}

int RowOfControl(uint32_t id) {
  for (int i = 0; i < kControlCount; ++i) {
    if (ControlTable[i].id == id) return i;
  }
  return -1;
}

}  // namespace qb
