// CommandLineProc: the Edit control of the command line as the completion
// engine's view (EM_GETSEL, EM_REPLACESEL, EM_SETSEL and the three assist
// lines 18007-18009), and the messages it handles for the assistant. The
// assist lines are shown while a command set is in use (after a connect to an
// HXA or ZTQ instrument) and hidden otherwise.
#include "assist/command_line_win.h"

#include "assist/command_dictionary.h"
#include "assist/command_line_keys.h"
#include "common/front_end.h"
#include "resources/resource.h"

namespace qb {

namespace {

WNDPROC ChainedWindowProc = nullptr;

LRESULT CallChained(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!ChainedWindowProc) return DefWindowProcA(window, message, wParam, lParam);
  return CallWindowProcA(ChainedWindowProc, window, message, wParam, lParam);
}

class EditControlView final : public CommandLineView {
 public:
  EditControlView(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
      : window_(window), message_(message), wParam_(wParam), lParam_(lParam) {}

  std::string Text() override {
    int length = GetWindowTextLengthA(window_);
    if (length <= 0) return "";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(window_, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
  }
  void GetSelection(int& start, int& end) override {
    DWORD s = 0, e = 0;
    SendMessageA(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = static_cast<int>(s);
    end = static_cast<int>(e);
  }
  void ReplaceSelection(const std::string& text) override {
    SendMessageA(window_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void SetSelection(int start, int end) override { SendMessageA(window_, EM_SETSEL, start, end); }
  void SetAssistLine(AssistLine line, const std::string& text) override {
    HWND control = static_cast<HWND>(ControlWindow(IDC_ASSIST_LINE_TOP + static_cast<int>(line)));
    if (control) SetWindowTextA(control, text.c_str());
  }
  intptr_t PassOn() override { return CallChained(window_, message_, wParam_, lParam_); }
  void PostCommand(int command) override {
    PostMessageA(GetParent(window_), WM_COMMAND, static_cast<WPARAM>(command), 0);
  }

 private:
  HWND window_;
  UINT message_;
  WPARAM wParam_;
  LPARAM lParam_;
};

}  // namespace

LRESULT CALLBACK CommandLineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  EditControlView view(window, message, wParam, lParam);
  switch (message) {
    case MSG_SET_DICTIONARY_MODE:
      SetDictionaryMode(view, static_cast<long>(lParam));
      SetAssistLinesShown(ActiveCommandSet && ActiveCommandSet->Count > 0);
      return 0;
    case MSG_SET_CHAINED_PROC:
      ChainedWindowProc = reinterpret_cast<WNDPROC>(lParam);
      return 0;
    case MSG_COMPLETE_KEY:
      AcceptAndAdvance(view);
      return 0;
    case WM_CREATE:
      return 1;
    case WM_KEYDOWN:
      CommandLineKeyDown(view, static_cast<int>(wParam));
      return 0;
    case WM_KEYUP:
      CommandLineKeyUp(view, static_cast<int>(wParam));
      return 0;
    case WM_CHAR:
      return CommandLineChar(view, static_cast<int>(wParam), (GetKeyState(VK_CONTROL) & 0x8000) != 0);
    default:
      return CallChained(window, message, wParam, lParam);
  }
}

void AttachCommandAssistant(HWND commandLine) {
  if (!commandLine) return;
  InitCommandAssistant();
  // Help texts, descriptions and candidate lists can be longer than the
  // window is wide: each line ends in an ellipsis where it is cut (the word
  // ellipsis of the candidate line cuts at both ends on some systems).
  for (int id : {IDC_ASSIST_LINE_TOP, IDC_ASSIST_LINE_MIDDLE, IDC_ASSIST_LINE_BOTTOM}) {
    HWND line = static_cast<HWND>(ControlWindow(id));
    LONG style = line ? GetWindowLongA(line, GWL_STYLE) : 0;
    if (line) SetWindowLongA(line, GWL_STYLE, (style & ~SS_ELLIPSISMASK) | SS_ENDELLIPSIS);
  }
  LONG_PTR previous = SetWindowLongPtrA(commandLine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CommandLineProc));
  SendMessageA(commandLine, MSG_SET_CHAINED_PROC, 0, previous);
}

}  // namespace qb
