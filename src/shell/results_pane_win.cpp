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

}  // namespace

void FlushResults() {
  if (HeldLines.empty()) return;
  DWORD start = GetTickCount();
  AppendAtEnd(GetControlWindow(IDC_RESULTS_PANE), HeldLines.c_str());
  LastAppendEnd = GetTickCount();
  LastAppendCost = LastAppendEnd - start;
  std::string().swap(HeldLines);
}

void DiscardHeldResults() {
  std::string().swap(HeldLines);
}

void AppendToResults(HWND control, const char* text) {
  if (control == GetControlWindow(IDC_RESULTS_PANE)) FlushResults();
  AppendAtEnd(control, text);
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
      if (Accumulator.bytes[0] != 0) {
        HeldLines += RenderResultLine(Accumulator.bytes, Accumulator.count);
        HeldLines += "\r\n";
      }
      ReceivedCharCount += ReceivedLength(Accumulator.bytes, Accumulator.count);
      ClearAccumulator(Accumulator);
    }
    if (++taken >= kPollBytesPerTick) break;
  }
  if (PaneAppendDue(GetTickCount(), LastAppendEnd, LastAppendCost, HeldLines.size())) FlushResults();
  if (value == -1) {
    FlushResults();
    PostMessageA(main, WM_COMMAND, CMD_DISCONNECT, 1);
    ShowMessageBox(main, "A Comms error has occured, Disconnected from instrument", "Comms Error", kMbIconExclamation);
  }
}

}  // namespace qb
