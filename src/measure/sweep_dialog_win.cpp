// The Sweep dialog: the set command with its {} placeholder, the range (from,
// to, steps, logarithmic) or a list of settings, the settle time and the
// queries on the left with Run, Export CSV... and Save PNG...; the chart and
// the table of rows on the right. Run starts the portable sweep job behind
// the progress dialog, whose Stop ends it between steps; the rows measured
// stay, and the status line and the caption say when the sweep is incomplete.
#include "measure/sweep_dialog_win.h"

#include <commctrl.h>

#include <atomic>
#include <string>

#include "common/background_task.h"
#include "common/front_end.h"
#include "common/progress_dialog_win.h"
#include "common/ui_seam.h"
#include "link/instrument_link.h"
#include "measure/measure_view_win.h"
#include "measure/sweep.h"
#include "resources/resource.h"

namespace qb {

namespace {

const char kCaption[] = "Sweep";

struct SweepWindow {
  SweepPlan plan;
  SweepResult result;
  bool haveResult = false;
  bool linkFailed = false;
  std::atomic<bool> stop{false};
  BackgroundTask task;
};
SweepWindow* Window = nullptr;

unsigned SweepWorker(void* argument) {
  auto* w = static_cast<SweepWindow*>(argument);
  TaskReporter reporter(&w->task);
  RunSweep(w->plan, &MainLink, reporter, w->stop, w->result);
  return 0;
}

// Reads the plan from the controls; false (and the user told) when it does
// not make a sweep.
bool ReadPlan(HWND dialog, SweepPlan& plan) {
  std::string error;
  SweepRange range;
  range.listText = ControlString(dialog, IDC_SWEEP_LIST);
  bool present = false;
  double steps = 0, settle = 0;
  if (range.listText.find_first_not_of(" \t,;") != std::string::npos) {
    range.spacing = SweepSpacing::kList;
  } else {
    range.spacing = IsDlgButtonChecked(dialog, IDC_SWEEP_LOG) == BST_CHECKED ? SweepSpacing::kLogarithmic
                                                                              : SweepSpacing::kLinear;
    if (!ControlNumber(dialog, IDC_SWEEP_FROM, present, range.from) || !present ||
        !ControlNumber(dialog, IDC_SWEEP_TO, present, range.to) || !present) {
      error = "From and To must be numbers (or give a list of settings).";
    } else if (!ControlNumber(dialog, IDC_SWEEP_STEPS, present, steps) || !present || steps != static_cast<int>(steps)) {
      error = "Steps must be a whole number.";
    }
    range.steps = static_cast<int>(steps);
  }
  if (error.empty() && (!ControlNumber(dialog, IDC_SWEEP_SETTLE, present, settle) || settle < 0 ||
                        settle > kLongestSettleMs || settle != static_cast<int>(settle)))
    error = "The settle time must be a whole number of milliseconds.";
  plan.settleMs = static_cast<int>(settle);
  plan.setCommand = ControlString(dialog, IDC_SWEEP_SET);
  plan.queries = QueriesFromLines(ControlString(dialog, IDC_SWEEP_QUERIES));
  plan.logAxis = range.spacing == SweepSpacing::kLogarithmic;
  if (error.empty()) SweepSettings(range, plan.settings, error);
  if (error.empty()) CheckSweepPlan(plan, error);
  if (error.empty()) return true;
  ShowMessageBox(dialog, error.c_str(), kCaption, kMbIconExclamation);
  return false;
}

void FillTable(HWND dialog) {
  HWND table = GetDlgItem(dialog, IDC_SWEEP_TABLE);
  const SweepWindow& w = *Window;
  ListView_DeleteAllItems(table);
  while (ListView_DeleteColumn(table, 0)) {
  }
  std::vector<std::string> headings = {"Step", w.plan.setCommand};
  for (const std::string& q : w.plan.queries) headings.push_back(q);
  for (size_t c = 0; c < headings.size(); ++c) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = c == 0 ? 40 : 95;
    column.pszText = const_cast<char*>(headings[c].c_str());
    ListView_InsertColumn(table, static_cast<int>(c), &column);
  }
  for (size_t r = 0; r < w.result.rows.size(); ++r) {
    const SweepRow& row = w.result.rows[r];
    std::vector<std::string> cells = {std::to_string(row.step), row.settingText};
    for (const Reading& reading : row.readings)
      cells.push_back(reading.kind == Reading::kNoReply ? "(no reply)" : reading.kind == Reading::kNumber ? CsvReading(reading) : reading.text);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(r);
    item.pszText = const_cast<char*>(cells[0].c_str());
    int index = ListView_InsertItem(table, &item);
    for (size_t c = 1; c < cells.size(); ++c)
      ListView_SetItemText(table, index, static_cast<int>(c), const_cast<char*>(cells[c].c_str()));
  }
}

void ShowResult(HWND dialog) {
  const SweepWindow& w = *Window;
  FillTable(dialog);
  SetDlgItemTextA(dialog, IDC_SWEEP_STATUS, SweepSummary(w.result).c_str());
  SetWindowTextA(dialog, w.result.end == SweepEnd::kComplete ? kCaption : "Sweep (incomplete)");
  EnableWindow(GetDlgItem(dialog, IDC_SWEEP_EXPORT), !w.result.rows.empty());
  EnableWindow(GetDlgItem(dialog, IDC_SWEEP_SAVE_PNG), !w.result.rows.empty());
  EnableWindow(GetDlgItem(dialog, IDC_SWEEP_RUN), MainLink.ConnectedFlag && !w.linkFailed);
  InvalidateRect(GetDlgItem(dialog, IDC_SWEEP_CHART), nullptr, FALSE);
}

void Run(HWND dialog) {
  SweepWindow& w = *Window;
  if (!MainLink.ConnectedFlag || w.linkFailed) return;
  SweepPlan plan;
  if (!ReadPlan(dialog, plan)) return;
  w.plan = plan;
  w.stop.store(false);
  PrepareBackgroundTask(&w.task, kCaption, SweepWorker, &w);
  w.task.stopRequest = &w.stop;
  INT_PTR shown = RunProgressDialog(dialog, &w.task);
  if (shown == kProgressBusy) return;
  if (shown != kProgressFinished) {
    ShowMessageBox(dialog, "The sweep could not be started.", kCaption, kMbIconExclamation);
    return;
  }
  w.haveResult = true;
  w.linkFailed = w.result.end == SweepEnd::kLinkFailed;
  ShowResult(dialog);
  if (w.linkFailed) {
    std::string text = SweepSummary(w.result) + "\n\nThe rows measured are kept: Export CSV... and Save PNG... still work.";
    ShowMessageBox(dialog, text.c_str(), kCaption, kMbIconExclamation);
  }
}

void Export(HWND dialog) {
  const SweepWindow& w = *Window;
  std::string path = AskSavePath(dialog, "Export CSV", "csv");
  if (path.empty()) return;
  std::string error;
  if (!WriteSweepCsv(path, w.plan, w.result, error)) ShowMessageBox(dialog, error.c_str(), kCaption, kMbIconExclamation);
}

void OnInit(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_SWEEP_SET, "FREQUE,{}");
  SetDlgItemTextA(dialog, IDC_SWEEP_FROM, "10");
  SetDlgItemTextA(dialog, IDC_SWEEP_TO, "100000");
  SetDlgItemTextA(dialog, IDC_SWEEP_STEPS, "21");
  CheckDlgButton(dialog, IDC_SWEEP_LOG, BST_CHECKED);
  SetDlgItemTextA(dialog, IDC_SWEEP_SETTLE, "100");
  SetDlgItemTextA(dialog, IDC_SWEEP_QUERIES, "GAIN?\r\nPHASE?");
  SetDlgItemTextA(dialog, IDC_SWEEP_STATUS, MainLink.ConnectedFlag ? "Press Run to sweep." : "Not connected.");
  HWND table = GetDlgItem(dialog, IDC_SWEEP_TABLE);
  ListView_SetExtendedListViewStyle(table, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  EnableWindow(GetDlgItem(dialog, IDC_SWEEP_EXPORT), FALSE);
  EnableWindow(GetDlgItem(dialog, IDC_SWEEP_SAVE_PNG), FALSE);
  EnableWindow(GetDlgItem(dialog, IDC_SWEEP_RUN), MainLink.ConnectedFlag);
}

INT_PTR CALLBACK SweepProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog);
      return TRUE;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!item || item->CtlID != IDC_SWEEP_CHART) return FALSE;
      PaintChart(*item, SweepChart(Window->plan, Window->result));
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SWEEP_RUN:
          Run(dialog);
          return TRUE;
        case IDC_SWEEP_EXPORT:
          Export(dialog);
          return TRUE;
        case IDC_SWEEP_SAVE_PNG:
          SaveChartAsPng(dialog, SweepChart(Window->plan, Window->result), kCaption);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, Window->linkFailed ? 1 : 0);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

void RunSweepDialog(HWND owner) {
  HWND parent = owner ? owner : static_cast<HWND>(OwnerWindow());
  HINSTANCE instance = static_cast<HINSTANCE>(DialogInstance());
  if (!instance) instance = GetModuleHandleA(nullptr);
  SweepWindow window;
  Window = &window;
  bool polling = MainLink.PollingEnabled;
  MainLink.PollingEnabled = false;
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SWEEP), parent, SweepProc, 0);
  Window = nullptr;
  SetReadTimeout(kDefaultReadTimeoutMs, &MainLink);
  MainLink.PollingEnabled = polling && MainLink.ConnectedFlag;
  if (result == 1) PostMainCommand(CMD_DISCONNECT, 1);
}

}  // namespace qb
