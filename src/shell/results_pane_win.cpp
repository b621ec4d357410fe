// The results pane's Win32 side: appending, reading the command line, and the
// poll run on every timer tick while connected.
#include "shell/results_pane_win.h"

#include <vector>

#include "common/ui_seam.h"
#include "link/instrument_link.h"
#include "resources/resource.h"
#include "script/script_state.h"
#include "shell/main_window_win.h"
#include "shell/results_text.h"

namespace qb {

namespace {

// One tick takes at most this many bytes, so that a flood from the instrument
// cannot keep the window from answering; the rest waits for the next tick.
constexpr int kPollBytesPerTick = 256 * 1024;

// Complete lines read by the poll and not yet in the pane, and the timing of
// the last append (see PaneAppendDue).
std::string HeldLines;
DWORD LastAppendEnd = 0;
DWORD LastAppendCost = 0;

void AppendAtEnd(HWND control, const char* text) {
  LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
  SendMessageA(control, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendMessageA(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

size_t PaneLength(HWND pane) {
  LRESULT length = SendMessageA(pane, WM_GETTEXTLENGTH, 0, 0);
  return length > 0 ? static_cast<size_t>(length) : 0;
}

// Replaces the whole pane with the marker line and the newest whole lines of
// text that fit.
void RestartPaneWith(HWND pane, const std::string& text) {
  std::string kept = kPaneTrimmedMarker;
  kept.append(text, PaneBatchStart(text, kPaneKeepAfterTrim), std::string::npos);
  SetWindowTextA(pane, kept.c_str());
  SendMessageA(pane, EM_SETSEL, kept.size(), static_cast<LPARAM>(kept.size()));
  SendMessageA(pane, EM_SCROLLCARET, 0, 0);
}

// Appends to the results pane within its scroll-back limit: whole lines go
// from the top first, and the marker line says so. When the control cannot
// take the text (out of memory, EN_ERRSPACE), the pane starts again from the
// newest lines rather than silently showing nothing more.
void AppendToPane(HWND pane, const std::string& text) {
  if (text.empty()) return;
  if (text.size() > kPaneKeepAfterTrim) {
    RestartPaneWith(pane, text);
    return;
  }
  size_t cut = PaneTrimCount(PaneLength(pane), text.size());
  if (cut > 0) {
    // The pane neither wraps nor holds a line end other than CR LF, so edit
    // lines are the lines as shown.
    LRESULT line = SendMessageA(pane, EM_LINEFROMCHAR, cut - 1, 0);
    LRESULT next = SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(line + 1), 0);
    size_t end = next < 0 ? PaneLength(pane) : static_cast<size_t>(next);
    SendMessageA(pane, EM_SETSEL, 0, static_cast<LPARAM>(end));
    SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(kPaneTrimmedMarker));
  }
  size_t before = PaneLength(pane);
  AppendAtEnd(pane, text.c_str());
  if (PaneLength(pane) < before + text.size()) RestartPaneWith(pane, text);
}

HWND ResultsPane() {
  return GetControlWindow(IDC_RESULTS_PANE);
}

}  // namespace

void FlushResults() {
  if (HeldLines.empty()) return;
  DWORD start = GetTickCount();
  AppendToPane(ResultsPane(), HeldLines);
  LastAppendEnd = GetTickCount();
  LastAppendCost = LastAppendEnd - start;
  std::string().swap(HeldLines);
}

void DiscardHeldResults() {
  std::string().swap(HeldLines);
}

void AppendToResults(HWND control, const char* text) {
  if (!text) return;
  if (control != ResultsPane()) {
    AppendAtEnd(control, text);
    return;
  }
  FlushResults();
  AppendToPane(control, text);
}

std::string GetCommandLineText(HWND control, int size) {
  if (size < 2) return "";
  std::vector<char> buffer(static_cast<size_t>(size), '\0');
  *reinterpret_cast<WORD*>(buffer.data()) = static_cast<WORD>(size - 1);
  LRESULT copied = SendMessageA(control, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buffer.data()));
  if (copied <= 0) return "";
  if (copied > size - 1) copied = size - 1;
  return std::string(buffer.data(), static_cast<size_t>(copied));
}

void ResultsPoll(HWND main, bool reset) {
  if (reset) {
    ClearAccumulator(Accumulator);
    return;
  }
  // Completed lines are appended in batches: the same text as line by line,
  // at a fraction of the cost.
  int value = ReadByte(&MainLink);
  for (int taken = 0; value >= 0; value = ReadByte(&MainLink)) {
    if (AccumulateByte(Accumulator, value)) {
      HoldReceivedLine(HeldLines, Accumulator.bytes, Accumulator.count);
      AddReceivedCharacters(ReceivedLength(Accumulator.bytes, Accumulator.count));
      ClearAccumulator(Accumulator);
    }
    if (++taken >= kPollBytesPerTick) break;
  }
  if (PaneAppendDue(GetTickCount(), LastAppendEnd, LastAppendCost, HeldLines.size())) FlushResults();
  if (value == -1) {
    FlushResults();
    // The box first, then the disconnect and its reconnect question: posted
    // before the box, the disconnect would run inside the box's own message
    // loop and put its question over the unread box.
    MainLink.PollingEnabled = false;
    ShowMessageBox(main, "A Comms error has occured, Disconnected from instrument", "Comms Error", kMbIconExclamation);
    PostMessageA(main, WM_COMMAND, CMD_DISCONNECT, 1);
  }
}

}  // namespace qb
