// The LAN search's Win32 side: the Connect dialog's search button and the
// "Please Choose Instrument" dialog, which asks each found address for its
// identity and lists the answers in a report-view list. The probes and the
// identification of each address are portable (lan_search.cpp).
#include "link/lan_search_win.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "common/front_end.h"
#include "common/ui_seam.h"
#include "resources/resource.h"

namespace qb {

namespace {

constexpr char kNothingFoundText[] = "No Instruments found on this subnet";
constexpr char kSearchCaption[] = "LAN Find Instrument";
// Room for one column's text in the list.
constexpr int kColumnTextSize = 128;

// Added to the Connect dialog's caption while a search runs: the probes and
// the identification keep the dialogs busy for some seconds, and the wait
// cursor alone is easily missed.
constexpr char kSearchingSuffix[] = " - searching the LAN...";

// The list of the search in progress; one search runs at a time.
FoundInstrumentList SearchList;
// The window whose caption says that a search runs, and its own caption.
HWND SearchingWindow = nullptr;
char SearchingCaption[kColumnTextSize];

void ShowSearching(HWND window) {
  if (!window || SearchingWindow) return;
  GetWindowTextA(window, SearchingCaption, sizeof SearchingCaption);
  char text[sizeof SearchingCaption + sizeof kSearchingSuffix];
  snprintf(text, sizeof text, "%s%s", SearchingCaption, kSearchingSuffix);
  SetWindowTextA(window, text);  // redraws the caption at once
  // A look at the queue lets the display take the new caption before the
  // search keeps this thread busy (nothing is removed from the queue).
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  SearchingWindow = window;
}

void EndSearching() {
  if (SearchingWindow) SetWindowTextA(SearchingWindow, SearchingCaption);
  SearchingWindow = nullptr;
}

void AddColumn(HWND list, int column, const char* title, int width) {
  char text[kColumnTextSize];
  snprintf(text, sizeof text, "%s", title);
  LVCOLUMNA lvc = {};
  lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  lvc.fmt = LVCFMT_LEFT;
  lvc.cx = width;
  lvc.pszText = text;
  lvc.iSubItem = column;
  SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&lvc));
}

// Appends a row with the record's index as its item data.
void AddRow(void* context, int index, const char* address, const char* text) {
  HWND list = static_cast<HWND>(context);
  char first[kColumnTextSize], second[kColumnTextSize];
  snprintf(first, sizeof first, "%s", address);
  snprintf(second, sizeof second, "%s", text);
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = first;
  item.lParam = index;
  int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  LVITEMA sub = {};
  sub.iSubItem = 1;
  sub.pszText = second;
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
}

void SetRowState(HWND list, int row, UINT state) {
  LVITEMA item = {};
  item.stateMask = state;
  item.state = state;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void InitChooseDialog(HWND dialog, FoundInstrumentList* found) {
  HWND list = GetDlgItem(dialog, IDC_INSTRUMENT_LIST);
  RECT client = {};
  GetClientRect(list, &client);
  ChooseListColumns widths = ChooseListColumnWidths(client.right - client.left);
  AddColumn(list, 0, "IP Address", widths.address);
  AddColumn(list, 1, "Instrument", widths.instrument);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  void* cursor = ShowWaitCursor();
  if (found) IdentifyFoundInstruments(*found, AddRow, list);
  EndSearching();
  if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1) SetRowState(list, 0, LVIS_SELECTED | LVIS_FOCUSED);
  RestoreCursor(cursor);
}

// The record index of the selected row, or -1 when no row is selected.
INT_PTR SelectedRecord(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_INSTRUMENT_LIST);
  LRESULT row = SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  if (row < 0) return -1;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = static_cast<int>(row);
  if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
  return item.lParam >= 0 && item.lParam < kFoundInstrumentCapacity ? item.lParam : -1;
}

INT_PTR CALLBACK ChooseInstrumentProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitChooseDialog(dialog, reinterpret_cast<FoundInstrumentList*>(lParam));
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header || header->idFrom != IDC_INSTRUMENT_LIST) return FALSE;
      if (header->code == LVN_ITEMCHANGING) {
        EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, FALSE);  // let the change happen
        return TRUE;
      }
      if (header->code == NM_DBLCLK) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          EndDialog(dialog, SelectedRecord(dialog));
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, -1);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunChooseInstrumentDialog(HWND owner, FoundInstrumentList* list) {
  return DialogBoxParamA(static_cast<HINSTANCE>(DialogInstance()), MAKEINTRESOURCEA(IDD_CHOOSE_INSTRUMENT), owner,
                         ChooseInstrumentProc, reinterpret_cast<LPARAM>(list));
}

void FindInstruments(HWND connectDialog) {
  void* cursor = ShowWaitCursor();
  ShowSearching(connectDialog);
  memset(&SearchList, 0, sizeof SearchList);
  if (DiscoverInstruments(SearchList) == 0) {
    EndSearching();
    ShowMessageBox(connectDialog, kNothingFoundText, kSearchCaption, kMbIconInformation);
  } else {
    INT_PTR chosen = RunChooseInstrumentDialog(connectDialog, &SearchList);
    // DialogBoxParam's own failure is -1 too: nothing is chosen then.
    if (chosen >= 0 && chosen < kFoundInstrumentCapacity) {
      SendDlgItemMessageA(connectDialog, IDC_IP_ADDRESS, WM_SETTEXT, 0,
                          reinterpret_cast<LPARAM>(SearchList.records[chosen].ipAddress));
    }
  }
  EndSearching();
  RestoreCursor(cursor);
}

}  // namespace qb
