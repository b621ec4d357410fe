// The Win32 views of the Upgrade Firmware command; see upgrade_command_win.h.
#include "upgrade/upgrade_command_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/front_end.h"
#include "common/ui_seam.h"
#include "resources/resource.h"
#include "resources/text_table.h"
#include "upgrade/upgrade_command.h"

namespace qb {

namespace {

HINSTANCE Instance() {
  HINSTANCE instance = static_cast<HINSTANCE>(DialogInstance());
  return instance ? instance : GetModuleHandleA(nullptr);
}

// --- open-file dialog --------------------------------------------------------

bool ChooseUpgradeFile(void* owner, std::string& path) {
  // Room for any path the dialog can return; a path too long for the file
  // functions is then shown as a missing file rather than cut.
  std::vector<char> buffer(32768, '\0');
  OPENFILENAMEA ofn;
  memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = static_cast<HWND>(owner);
  ofn.lpstrFilter = "Upgrade Descriptor\0*.upg\0HXA Firmware\0*.hex\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrTitle = TextTableEntry(TXT_SELECT_UPGRADE_FILE);
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&ofn)) return false;
  path = buffer.data();
  return !path.empty();
}

// --- Firmware Files List dialog (151) ------------------------------------------

struct FilesListParams {
  const std::string* report;
  bool problem;
};

struct StreamSource {
  const std::string* text;
  size_t at;
};

DWORD CALLBACK ReadReport(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
  StreamSource* source = reinterpret_cast<StreamSource*>(cookie);
  size_t left = source->text->size() - source->at;
  size_t n = left < static_cast<size_t>(size) ? left : static_cast<size_t>(size);
  memcpy(buffer, source->text->data() + source->at, n);
  source->at += n;
  *read = static_cast<LONG>(n);
  return 0;
}

INT_PTR CALLBACK FilesListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const FilesListParams* params = reinterpret_cast<const FilesListParams*>(lParam);
      HWND report = GetDlgItem(dialog, IDC_UPGRADE_REPORT);
      SendMessageA(report, EM_EXLIMITTEXT, 0, 4 << 20);
      StreamSource source = {params->report, 0};
      EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, ReadReport};
      SendMessageA(report, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
      if (params->problem) EnableWindow(GetDlgItem(dialog, IDC_UPGRADE_ACCEPT), FALSE);
      // The focus on the default button: on the report the dialog would
      // select all of its text.
      SetFocus(GetDlgItem(dialog, IDCANCEL));
      return FALSE;
    }
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDC_UPGRADE_ACCEPT || id == IDCANCEL) {
        // Accept is refused while disabled, whatever sent it.
        if (id == IDC_UPGRADE_ACCEPT && !IsWindowEnabled(GetDlgItem(dialog, IDC_UPGRADE_ACCEPT))) return TRUE;
        EndDialog(dialog, id);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

int ShowFilesList(void* owner, const std::string& report, bool problem) {
  FilesListParams params = {&report, problem};
  INT_PTR result = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_FIRMWARE_FILES), static_cast<HWND>(owner),
                                   FilesListProc, reinterpret_cast<LPARAM>(&params));
  return result == IDC_UPGRADE_ACCEPT ? kAcceptButton : IDCANCEL;
}

// --- Upgrade Firmware dialog (152) ---------------------------------------------

// Posts what the transfer reports to the dialog.
class DialogReporter : public JobReporter {
 public:
  explicit DialogReporter(HWND dialog) : dialog_(dialog) {}
  void Status(const std::string& text) override { PostTextToWindow(dialog_, UPG_STATUS, text.c_str()); }
  void Log(const std::string& line) override { PostTextToWindow(dialog_, UPG_LOG, line.c_str()); }
  void Percent(int percent) override { PostMessageA(dialog_, WM_COMMAND, UPG_PROGRESS, static_cast<LPARAM>(percent)); }

 private:
  HWND dialog_;
};

struct UpgradeDialogState {
  UpgradeJob* job;
  HANDLE thread = nullptr;
  bool running = false;
};

DWORD WINAPI UpgradeThreadMain(void* parameter) {
  UpgradeJob* job = static_cast<UpgradeJob*>(parameter);
  HWND dialog = static_cast<HWND>(job->dialog);
  DialogReporter reporter(dialog);
  UpgradeThread(*job, &MainLink, reporter);
  // The last message: after it the job is no longer touched.
  PostMessageA(dialog, WM_COMMAND, UPG_FINISHED, 1);
  return 0;
}

void AppendLog(HWND dialog, const char* text) {
  HWND log = GetDlgItem(dialog, IDC_UPGRADE_LOG);
  int end = GetWindowTextLengthA(log);
  SendMessageA(log, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
  SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("\r\n"));
}

void StartWorker(HWND dialog, UpgradeDialogState* state) {
  if (state->running || state->thread) return;
  state->thread = CreateThread(nullptr, 0, UpgradeThreadMain, state->job, 0, nullptr);
  if (!state->thread) {
    ShowMessageBox(dialog, TextTableEntry(TXT_UPGRADE_THREAD_FAILED), TextTableEntry(TXT_UPGRADE_FIRMWARE),
                   kMbIconInformation);
    return;
  }
  state->running = true;
  EnableWindow(GetDlgItem(dialog, IDC_UPGRADE_START), FALSE);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
}

INT_PTR CALLBACK UpgradeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  UpgradeDialogState* state = reinterpret_cast<UpgradeDialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      state = reinterpret_cast<UpgradeDialogState*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      state->job->dialog = dialog;
      SendDlgItemMessageA(dialog, IDC_UPGRADE_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
      PostMessageA(dialog, WM_COMMAND, IDC_UPGRADE_START, 0);
      return TRUE;
    case WM_COMMAND: {
      if (!state) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_UPGRADE_START:
          StartWorker(dialog, state);
          return TRUE;
        case UPG_STATUS:
          SetDlgItemTextA(dialog, IDC_UPGRADE_STATUS, reinterpret_cast<const char*>(lParam));
          free(reinterpret_cast<void*>(lParam));
          return TRUE;
        case UPG_LOG:
          AppendLog(dialog, reinterpret_cast<const char*>(lParam));
          free(reinterpret_cast<void*>(lParam));
          return TRUE;
        case UPG_PROGRESS:
          SendDlgItemMessageA(dialog, IDC_UPGRADE_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(lParam), 0);
          return TRUE;
        case UPG_FINISHED:
          if (state->thread) {
            WaitForSingleObject(state->thread, INFINITE);
            CloseHandle(state->thread);
            state->thread = nullptr;
          }
          state->running = false;
          SetDlgItemTextA(dialog, IDCANCEL, TextTableEntry(TXT_FINISHED));
          EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
          return TRUE;
        case IDCANCEL:
          // Escape and the close box send this too: never while the worker runs.
          if (state->running) return TRUE;
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    }
    default:
      return FALSE;
  }
}

void RunUpgradeDialog(void* owner, UpgradeJob& job) {
  UpgradeDialogState state;
  state.job = &job;
  DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_UPGRADE_FIRMWARE), static_cast<HWND>(owner), UpgradeDialogProc,
                  reinterpret_cast<LPARAM>(&state));
}

const UpgradeViews kWin32Views = {ChooseUpgradeFile, ShowFilesList, RunUpgradeDialog};

}  // namespace

bool PostTextToWindow(HWND window, int commandId, const char* text) {
  if (!text) text = "";
  size_t size = strlen(text) + 1;
  char* copy = static_cast<char*>(malloc(size));
  if (!copy) return false;
  memcpy(copy, text, size);
  if (window && PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(commandId), reinterpret_cast<LPARAM>(copy)))
    return true;
  free(copy);
  return false;
}

void UpgradeFirmwareCommand(HWND owner) {
  if (!owner) owner = static_cast<HWND>(OwnerWindow());
  LoadLibraryA("riched32.dll");  // the report's control class; the shell normally has it loaded
  RunUpgradeFirmwareCommand(owner, &MainLink, kWin32Views);
}

}  // namespace qb
