// The About dialog: program name, version, notice and icon.
#include "shell/about_dialog_win.h"

#include "resources/resource.h"
#include "resources/text_table.h"
#include "shell/main_window_win.h"

namespace qb {

namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_ABOUT_NAME, TextTableEntry(TXT_PROGRAM_NAME));
      SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, TextTableEntry(TXT_VERSION));
      SetDlgItemTextA(dialog, IDC_ABOUT_NOTICE, TextTableEntry(TXT_ABOUT_NOTICE));
      SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_SETICON,
                          reinterpret_cast<WPARAM>(LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_QUILLBOX))), 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunAboutDialog(HWND owner) {
  DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutProc, 0);
}

}  // namespace qb
