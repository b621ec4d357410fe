// The Trend window: the queries, the period and the limits on the left with
// Start/Pause, Clear, Export CSV... and Save PNG...; the live chart, the
// statistics of each query and a status line. The poll runs on the window's
// own timer on the user-interface thread and never waits on the link (the
// portable poller in trend.h does the work); every sample goes at once to a
// temporary CSV file that Export copies. When the link is lost the timer
// stops before the message box shows, and the samples stay for export.
#include "measure/trend_window_win.h"

#include <memory>
#include <string>

#include "common/front_end.h"
#include "common/tick_clock.h"
#include "common/ui_seam.h"
#include "link/instrument_link.h"
#include "measure/measure_view_win.h"
#include "measure/trend.h"
#include "resources/resource.h"

namespace qb {

namespace {

const char kCaption[] = "Trend";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 10;
// The chart and the statistics are redrawn at most this often.
constexpr uint64_t kRedrawMs = 200;

// The one Trend window's state, on the user-interface thread.
struct TrendWindow {
  TrendSettings settings;
  std::unique_ptr<TrendPoller> poller;
  TrendLog log;
  std::string csvPath;
  bool running = false;
  bool linkLost = false;
  bool ticking = false;
  bool dirty = false;
  uint64_t lastRedrawMs = 0;
  std::string note;
};
TrendWindow* Window = nullptr;

std::string TemporaryCsvPath() {
  char folder[MAX_PATH + 1] = "", name[MAX_PATH + 1] = "";
  DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder || !GetTempFileNameA(folder, "qbt", 0, name)) return "";
  return name;
}

void SetStatus(HWND dialog, const std::string& text) {
  SetDlgItemTextA(dialog, IDC_TREND_STATUS, text.c_str());
}

std::string SamplesText(int64_t n) {
  return std::to_string(n) + (n == 1 ? " sample" : " samples");
}

// Which controls can be used now.
void UpdateControls(HWND dialog) {
  const TrendWindow& w = *Window;
  const bool haveData = w.log.Samples() > 0;
  const bool editable = !w.running && !haveData;
  for (int id : {IDC_TREND_QUERIES, IDC_TREND_PERIOD, IDC_TREND_LOW, IDC_TREND_HIGH})
    EnableWindow(GetDlgItem(dialog, id), editable);
  EnableWindow(GetDlgItem(dialog, IDC_TREND_START), !w.linkLost && MainLink.ConnectedFlag);
  SetDlgItemTextA(dialog, IDC_TREND_START, w.running ? "Pause" : haveData ? "Resume" : "Start");
  EnableWindow(GetDlgItem(dialog, IDC_TREND_CLEAR), haveData && !w.running);
  EnableWindow(GetDlgItem(dialog, IDC_TREND_EXPORT), haveData);
  EnableWindow(GetDlgItem(dialog, IDC_TREND_SAVE_PNG), haveData);
}

void Redraw(HWND dialog) {
  TrendWindow& w = *Window;
  std::string stats;
  for (size_t q = 0; q < w.log.Queries().size(); ++q) stats += w.log.StatsLine(q) + "\r\n";
  SetDlgItemTextA(dialog, IDC_TREND_STATS, stats.c_str());
  InvalidateRect(GetDlgItem(dialog, IDC_TREND_CHART), nullptr, FALSE);
  if (w.running) SetStatus(dialog, "Running: " + SamplesText(w.log.Samples()) + ".");
  w.dirty = false;
  w.lastRedrawMs = SteadyMs();
}

// Reads the settings from the controls; false (and the user told) when
// they do not make a trend.
bool ReadSettings(HWND dialog, TrendSettings& s) {
  std::string error;
  s.queries = QueriesFromLines(ControlString(dialog, IDC_TREND_QUERIES));
  double period = 0;
  bool present = false;
  if (!ControlNumber(dialog, IDC_TREND_PERIOD, present, period) || !present || period != static_cast<int>(period)) {
    error = "The period must be a whole number of milliseconds (50 or more).";
  } else {
    s.periodMs = static_cast<int>(period);
  }
  if (error.empty() && (!ControlNumber(dialog, IDC_TREND_LOW, s.limits.hasLow, s.limits.low) ||
                        !ControlNumber(dialog, IDC_TREND_HIGH, s.limits.hasHigh, s.limits.high)))
    error = "A limit must be a number, or empty for none.";
  if (error.empty()) CheckTrendSettings(s, error);
  if (error.empty()) return true;
  ShowMessageBox(dialog, error.c_str(), kCaption, kMbIconExclamation);
  return false;
}

void Start(HWND dialog) {
  TrendWindow& w = *Window;
  if (!MainLink.ConnectedFlag || w.linkLost) return;
  if (w.log.Samples() == 0) {
    TrendSettings s;
    if (!ReadSettings(dialog, s)) return;
    if (w.csvPath.empty()) w.csvPath = TemporaryCsvPath();
    std::string error;
    if (w.csvPath.empty() || !w.log.Open(w.csvPath, s.queries, s.limits, error)) {
      ShowMessageBox(dialog, ("The trend's records cannot be kept: " + error).c_str(), kCaption, kMbIconExclamation);
      return;
    }
    w.settings = s;
    w.note.clear();
  }
  w.poller.reset(new TrendPoller(&MainLink, w.settings));
  w.poller->Start(SteadyMs(), EpochMs());
  if (!SetTimer(dialog, kTimerId, kTimerMs, nullptr)) {
    ShowMessageBox(dialog, "The trend's timer could not be started.", kCaption, kMbIconExclamation);
    return;
  }
  w.running = true;
  SetStatus(dialog, "Running: " + SamplesText(w.log.Samples()) + ".");
  UpdateControls(dialog);
}

void Pause(HWND dialog) {
  TrendWindow& w = *Window;
  KillTimer(dialog, kTimerId);
  w.running = false;
  Redraw(dialog);
  SetStatus(dialog, "Paused: " + SamplesText(w.log.Samples()) + ".");
  UpdateControls(dialog);
}

void LinkLost(HWND dialog) {
  TrendWindow& w = *Window;
  // The timer stops first: the box below runs a message loop of its own.
  KillTimer(dialog, kTimerId);
  w.running = false;
  w.linkLost = true;
  w.note = "link lost";
  const std::string reason = w.poller->LostReason();
  w.log.Note("link lost at " + IsoTimestamp(EpochMs()) + ": " + reason);
  Redraw(dialog);
  SetStatus(dialog, "Stopped: " + reason + " The " + SamplesText(w.log.Samples()) + " so far are kept.");
  UpdateControls(dialog);
  const std::string text = reason + "\n\nThe " + SamplesText(w.log.Samples()) +
                           " so far are kept: Export CSV... and Save PNG... still work.";
  ShowMessageBox(dialog, text.c_str(), kCaption, kMbIconExclamation);
}

void OnTimer(HWND dialog) {
  TrendWindow& w = *Window;
  if (w.ticking || !w.running || !w.poller) return;
  w.ticking = true;
  TrendSample sample;
  const uint64_t now = SteadyMs();
  if (w.poller->Tick(now, sample)) {
    w.log.Add(std::move(sample));
    w.dirty = true;
  }
  w.ticking = false;
  if (w.poller->LinkLost()) {
    LinkLost(dialog);
    return;
  }
  if (w.dirty && now - w.lastRedrawMs >= kRedrawMs) Redraw(dialog);
  if (w.log.WriteFailed() && w.note.empty()) {
    w.note = "not all samples saved";
    SetStatus(dialog, "The temporary CSV file could not be written: export keeps only the samples before.");
  }
  // The first sample enables the export buttons.
  if (w.log.Samples() == 1) UpdateControls(dialog);
}

void Clear(HWND dialog) {
  TrendWindow& w = *Window;
  std::string error;
  if (!w.log.Clear(error)) ShowMessageBox(dialog, error.c_str(), kCaption, kMbIconExclamation);
  w.note.clear();
  Redraw(dialog);
  SetStatus(dialog, "Cleared. Press Start to watch the queries.");
  UpdateControls(dialog);
}

void Export(HWND dialog) {
  TrendWindow& w = *Window;
  std::string path = AskSavePath(dialog, "Export CSV", "csv");
  if (path.empty()) return;
  std::string error;
  if (!w.log.CopyCsvTo(path, error)) ShowMessageBox(dialog, error.c_str(), kCaption, kMbIconExclamation);
}

bool Close(HWND dialog) {
  TrendWindow& w = *Window;
  if (w.log.Samples() > 0 &&
      ShowMessageBox(dialog, "Close the trend?\n\nIts samples are lost unless you have exported them.", kCaption,
                     kMbOkCancel | kMbIconInformation) != kIdOk)
    return false;
  KillTimer(dialog, kTimerId);
  w.running = false;
  w.log.Close();
  if (!w.csvPath.empty()) DeleteFileA(w.csvPath.c_str());
  EndDialog(dialog, w.linkLost ? 1 : 0);
  return true;
}

void OnInit(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_TREND_QUERIES, "POWER?");
  SetDlgItemTextA(dialog, IDC_TREND_PERIOD, "500");
  SetStatus(dialog, MainLink.ConnectedFlag ? "Press Start to watch the queries." : "Not connected.");
  UpdateControls(dialog);
}

INT_PTR CALLBACK TrendProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog);
      return TRUE;
    case WM_TIMER:
      if (wParam == kTimerId) OnTimer(dialog);
      return TRUE;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!item || item->CtlID != IDC_TREND_CHART) return FALSE;
      PaintChart(*item, Window->log.Chart(Window->note));
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_TREND_START:
          if (Window->running) {
            Pause(dialog);
          } else {
            Start(dialog);
          }
          return TRUE;
        case IDC_TREND_CLEAR:
          Clear(dialog);
          return TRUE;
        case IDC_TREND_EXPORT:
          Export(dialog);
          return TRUE;
        case IDC_TREND_SAVE_PNG:
          SaveChartAsPng(dialog, Window->log.Chart(Window->note), kCaption);
          return TRUE;
        case IDCANCEL:
          Close(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

void RunTrendWindow(HWND owner) {
  HWND parent = owner ? owner : static_cast<HWND>(OwnerWindow());
  HINSTANCE instance = static_cast<HINSTANCE>(DialogInstance());
  if (!instance) instance = GetModuleHandleA(nullptr);
  TrendWindow window;
  Window = &window;
  bool polling = MainLink.PollingEnabled;
  MainLink.PollingEnabled = false;
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TREND), parent, TrendProc, 0);
  Window = nullptr;
  MainLink.PollingEnabled = polling && MainLink.ConnectedFlag;
  // A lost link: the main window disconnects and offers to connect again.
  if (result == 1) PostMainCommand(CMD_DISCONNECT, 1);
}

}  // namespace qb
