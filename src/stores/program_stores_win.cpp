// The Programs dialog: reads its controls, calls the program store exchanges
// of store_exchange.h on the main link and shows what they return.
#include "stores/program_stores_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/front_end.h"
#include "common/ui_seam.h"
#include "link/instrument_link.h"
#include "resources/resource.h"
#include "resources/text_table.h"
#include "stores/store_exchange.h"
#include "stores/store_view.h"

namespace qb {

namespace {

// The rows the list shows, slot s at index s - 1.
std::vector<ProgramRow> Rows;

HWND List(HWND dialog) {
  return GetDlgItem(dialog, IDC_PROGRAM_LIST);
}

int SelectedRow(HWND dialog) {
  int row = static_cast<int>(SendMessageA(List(dialog), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  return row >= 0 && static_cast<size_t>(row) < Rows.size() ? row : -1;
}

void UpdateButtons(HWND dialog) {
  int row = SelectedRow(dialog);
  ProgramButtons buttons = ProgramButtonsFor(row >= 0 ? &Rows[static_cast<size_t>(row)] : nullptr);
  EnableWindow(GetDlgItem(dialog, IDC_UPLOAD_QZL), buttons.upload);
  EnableWindow(GetDlgItem(dialog, IDC_DOWNLOAD_QZL), buttons.download);
  EnableWindow(GetDlgItem(dialog, IDC_DELETE_PROGRAM), buttons.remove);
  if (buttons.upload) {
    SetDlgItemTextA(dialog, IDC_UPLOAD_QZL, TextTableEntry(buttons.overwrite ? TXT_OVERWRITE_QZL : TXT_UPLOAD_QZL));
  }
}

void SetCell(HWND list, int row, int column, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Empties the list and fills it from the instrument.
void FillList(HWND dialog) {
  HWND list = List(dialog);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  Rows.clear();
  UpdateButtons(dialog);
  if (const char* refusal = ScanRefusal(MainLink.family)) {
    ShowMessageBox(dialog, refusal, "Scan Failed", kMbIconInformation);
    return;
  }
  void* cursor = ShowWaitCursor();
  ProgramListing listing = ListPrograms(MainLink);
  RestoreCursor(cursor);
  Rows = listing.rows;
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < Rows.size(); ++i) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(Rows[i].id.c_str());
    int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    SetCell(list, row, 1, Rows[i].name);
    SetCell(list, row, 2, Rows[i].date);
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  if (listing.skipped > 0) {
    char text[160];
    snprintf(text, sizeof text, "%d line(s) of the instrument's program list could not be shown.", listing.skipped);
    ShowMessageBox(dialog, text, TextTableEntry(TXT_PROGRAM_NAME), kMbIconInformation);
  }
}

OPENFILENAMEA FileDialog(HWND dialog, char* name, const char* title, DWORD flags) {
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = "QZL Files\0*.QZL\0";
  ofn.lpstrFile = name;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = title;
  ofn.Flags = flags | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  return ofn;
}

void SaveProgram(HWND dialog) {
  int row = SelectedRow(dialog);
  if (row < 0) return;
  char name[MAX_PATH];
  snprintf(name, sizeof name, "%s", ProgramDefaultName(atoi(Rows[static_cast<size_t>(row)].id.c_str())).c_str());
  // A new name must be allowed, and an existing file is only replaced after
  // the platform has asked.
  OPENFILENAMEA ofn = FileDialog(dialog, name, TextTableEntry(TXT_SAVE_QZL), OFN_OVERWRITEPROMPT);
  if (!GetSaveFileNameA(&ofn) || name[0] == '\0') return;
  std::string path = ProgramSaveName(name);
  if (path != name && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // The extension was added after the platform's own check.
    std::string question = path + " already exists.\nDo you want to replace it?";
    if (ShowMessageBox(dialog, question.c_str(), TextTableEntry(TXT_SAVE_QZL), kMbYesNo | kMbIconExclamation) != kIdYes)
      return;
  }
  void* cursor = ShowWaitCursor();
  TransferResult result = DownloadProgram(MainLink, row + 1, path);
  RestoreCursor(cursor);
  if (const char* message = ProgramTransferMessage(result, false)) {
    ShowMessageBox(dialog, message, "Program Download Error", kMbIconExclamation);
  }
}

void UploadFile(HWND dialog) {
  int row = SelectedRow(dialog);
  if (row < 0) return;
  char name[MAX_PATH] = "";
  OPENFILENAMEA ofn = FileDialog(dialog, name, TextTableEntry(TXT_OPEN_QZL), OFN_FILEMUSTEXIST);
  if (!GetOpenFileNameA(&ofn) || name[0] == '\0') return;
  void* cursor = ShowWaitCursor();
  TransferResult result = UploadProgram(MainLink, row + 1, name);
  RestoreCursor(cursor);
  if (const char* message = ProgramTransferMessage(result, true)) {
    ShowMessageBox(dialog, message, TextTableEntry(TXT_PROGRAM_NAME), kMbIconExclamation);
    return;
  }
  FillList(dialog);
}

void DeleteSelected(HWND dialog) {
  int row = SelectedRow(dialog);
  if (row < 0) return;
  DeleteProgram(MainLink, row + 1);
  FillList(dialog);
}

void AddColumns(HWND list) {
  const struct { int text, width; } columns[] = {{TXT_COLUMN_ID, 50}, {TXT_COLUMN_NAME, 120}, {TXT_COLUMN_DATE, 120}};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(TextTableEntry(columns[i].text));
    column.cx = columns[i].width;
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
}

INT_PTR CALLBACK ProgramsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      HWND list = List(dialog);
      AddColumns(list);
      FillList(dialog);
      const DWORD styles = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER;
      SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
      return TRUE;
    }
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_PROGRAM_LIST && header->code == LVN_ITEMCHANGED) UpdateButtons(dialog);
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_DOWNLOAD_QZL:
          SaveProgram(dialog);
          return TRUE;
        case IDC_UPLOAD_QZL:
          UploadFile(dialog);
          return TRUE;
        case IDC_DELETE_PROGRAM:
          DeleteSelected(dialog);
          return TRUE;
        case IDC_LOAD_DEFAULT:
          LoadDefaultProgram(MainLink);
          return TRUE;
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

void RunProgramStoresDialog(HWND owner) {
  if (!owner) owner = static_cast<HWND>(OwnerWindow());
  HINSTANCE instance = static_cast<HINSTANCE>(DialogInstance());
  if (!instance) instance = GetModuleHandleA(nullptr);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PROGRAMS), owner, ProgramsProc, 0);
  Rows.clear();
}

}  // namespace qb
