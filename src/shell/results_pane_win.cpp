// The results pane's Win32 side: appending, reading the command line, and the
// poll run on every timer tick while connected.
#include "shell/results_pane_win.h"

#include <vector>

#include "link/instrument_link.h"
#include "resources/resource.h"
#include "shell/main_window_win.h"
#include "shell/results_text.h"
#include "shell/shell_state.h"

namespace qb {

namespace {
// One tick takes at most this many bytes, so that a flood from the instrument
// cannot keep the window from answering; the rest waits for the next tick.
constexpr int kPollBytesPerTick = 256 * 1024;
}  // namespace

void AppendToResults(HWND control, const char* text) {
  LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
  SendMessageA(control, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendMessageA(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
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
  // Lines completed in this tick are appended in one go: the same text as
  // line by line, at a fraction of the cost.
  std::string shown;
  int value = ReadByte(&MainLink);
  for (int taken = 0; value >= 0; value = ReadByte(&MainLink)) {
    if (AccumulateByte(Accumulator, value)) {
      if (Accumulator.bytes[0] != 0) {
        shown += RenderResultLine(Accumulator.bytes, Accumulator.count);
        shown += "\r\n";
      }
      ReceivedCharCount += ReceivedLength(Accumulator.bytes, Accumulator.count);
      ClearAccumulator(Accumulator);
    }
    if (++taken >= kPollBytesPerTick) break;
  }
  if (!shown.empty()) AppendToResults(GetControlWindow(IDC_RESULTS_PANE), shown.c_str());
  if (value == -1) {
    PostMessageA(main, WM_COMMAND, CMD_DISCONNECT, 1);
    MessageBoxA(main, "A Comms error has occured, Disconnected from instrument", "Comms Error", 0x30);
  }
}

}  // namespace qb
