// The Download Results dialog. The results table and the queue live on the
// GUI thread only: the scan worker hands each listed result to the dialog
// with a sent message, and a download works on a copy of the queue taken
// before it starts. While a scan runs the download buttons are disabled, so
// the link and the progress dialog never serve two tasks at once.
#include "stores/results_download_win.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/background_task.h"
#include "common/front_end.h"
#include "common/progress_dialog_win.h"
#include "common/timer_service.h"
#include "common/ui_seam.h"
#include "link/instrument_link.h"
#include "resources/resource.h"
#include "stores/store_exchange.h"
#include "stores/store_view.h"

namespace qb {

namespace {

// Sent by the scan worker to the dialog.
constexpr UINT MSG_SCAN_BEGIN = WM_APP + 1;  // empty the list and the table
constexpr UINT MSG_SCAN_ENTRY = WM_APP + 2;  // lParam: const ResultEntry*
constexpr UINT MSG_SCAN_END = WM_APP + 3;

constexpr int kFirstScanDelayMs = 200;
constexpr const char* kCaption = "Download Results";

struct ScanContext {
  HWND dialog;
  int skipped;
};

struct DownloadContext {
  HWND dialog;
  std::string folder;
  std::vector<ResultEntry> queue;
  ResultFileKind kind;
  DownloadReport report;
};

// The results table outlives the dialog; the queue does not.
std::vector<ResultEntry> ResultsTable;
std::vector<ResultEntry> Queue;
BackgroundTask ScanTask, DownloadTask;
ScanContext Scan;
DownloadContext Download;
bool ScanBusy = false;
bool Browsing = false;

HWND Item(HWND dialog, int id) {
  return GetDlgItem(dialog, id);
}

void AddColumns(HWND list, const ResultColumns& widths) {
  const struct {
    const char* title;
    int width;
  } columns[] = {{"ID", widths.id}, {"Name", widths.name}, {"Date", widths.date}};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(columns[i].title);
    column.cx = columns[i].width;
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

int AppendRow(HWND list, const ResultEntry& entry) {
  std::string number = std::to_string(entry.number);
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(number.c_str());
  int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  const std::string* texts[] = {&entry.name, &entry.details};
  for (int column = 1; column <= 2; ++column) {
    LVITEMA cell = {};
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(texts[column - 1]->c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
  }
  return row;
}

void UpdateQueueButtons(HWND dialog) {
  bool queued = !Queue.empty();
  EnableWindow(Item(dialog, IDC_REMOVE_RESULT), queued);
  EnableWindow(Item(dialog, IDC_DOWNLOAD_TXT), queued && !ScanBusy);
  EnableWindow(Item(dialog, IDC_DOWNLOAD_QZL_RESULTS), queued && !ScanBusy);
}

unsigned ScanWorker(void* argument) {
  ScanContext* context = static_cast<ScanContext*>(argument);
  TaskReporter reporter(&ScanTask);
  SendMessageA(context->dialog, MSG_SCAN_BEGIN, 0, 0);
  ResultListing listing;
  ScanResults(MainLink, reporter, listing, [&](const ResultEntry& entry) {
    SendMessageA(context->dialog, MSG_SCAN_ENTRY, 0, reinterpret_cast<LPARAM>(&entry));
  });
  context->skipped = listing.skipped;
  SendMessageA(context->dialog, MSG_SCAN_END, 0, 0);
  return 0;
}

unsigned DownloadWorker(void* argument) {
  DownloadContext* context = static_cast<DownloadContext*>(argument);
  TaskReporter reporter(&DownloadTask);
  context->report = DownloadResults(MainLink, context->queue, context->folder, context->kind, reporter);
  return 0;
}

// Whether the instrument is one whose results can be scanned; says why not.
bool MayScan(HWND dialog) {
  const char* refusal = ScanRefusal(MainLink.family);
  if (MainLink.family == 0 && MainLink.ConnectedFlag && IdentifyStoreInstrument(MainLink)) refusal = nullptr;
  if (refusal) ShowMessageBox(dialog, refusal, "Scan Failed", kMbIconInformation);
  return refusal == nullptr;
}

void StartScan(HWND dialog) {
  if (ScanBusy) {
    // A scan is running: only an instrument of unknown family is told so.
    if (MainLink.family == 0) ShowMessageBox(dialog, ScanRefusal(0), "Scan Failed", kMbIconInformation);
    return;
  }
  if (!MayScan(dialog)) return;
  ScanBusy = true;
  UpdateQueueButtons(dialog);
  Scan = {dialog, 0};
  PrepareBackgroundTask(&ScanTask, "Scanning", ScanWorker, &Scan);
  RunProgressDialog(nullptr, &ScanTask);
  ScanBusy = false;
  UpdateQueueButtons(dialog);
  if (Scan.skipped > 0) {
    char text[160];
    snprintf(text, sizeof text, "%d result(s) listed by the instrument could not be shown.", Scan.skipped);
    ShowMessageBox(dialog, text, kCaption, kMbIconInformation);
  }
}

int FocusedRow(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void AddFocused(HWND dialog) {
  int row = FocusedRow(Item(dialog, IDC_RESULT_LIST));
  if (row < 0 || static_cast<size_t>(row) >= ResultsTable.size()) {
    ShowMessageBox(dialog, "No results selected", kCaption, kMbIconExclamation);
    return;
  }
  const ResultEntry& entry = ResultsTable[static_cast<size_t>(row)];
  if (AddToQueue(Queue, entry) == QueueChange::AlreadyQueued) {
    ShowMessageBox(dialog, "That result is already selected", kCaption, kMbIconExclamation);
    return;
  }
  AppendRow(Item(dialog, IDC_QUEUE_LIST), entry);
  UpdateQueueButtons(dialog);
}

void RemoveFocused(HWND dialog) {
  HWND list = Item(dialog, IDC_QUEUE_LIST);
  int row = FocusedRow(list);
  if (RemoveFromQueue(Queue, row) == QueueChange::NoSelection) {
    ShowMessageBox(dialog, "No results selected", kCaption, kMbIconExclamation);
    return;
  }
  SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  UpdateQueueButtons(dialog);
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

// The user's documents folder, through SHFOLDER.DLL when it is there.
std::string DocumentsFolder() {
  using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  std::string folder;
  HMODULE module = LoadLibraryA("SHFOLDER.DLL");
  if (!module) return folder;
  auto get = reinterpret_cast<GetFolderPath>(reinterpret_cast<void*>(GetProcAddress(module, "SHGetFolderPathA")));
  char path[MAX_PATH] = "";
  if (get && SUCCEEDED(get(nullptr, CSIDL_PERSONAL, nullptr, 0, path))) folder = path;
  FreeLibrary(module);
  return folder;
}

void ChooseFolder(HWND dialog) {
  char start[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_DOWNLOAD_DIRECTORY, start, sizeof start);
  if (start[0] == '\0') snprintf(start, sizeof start, "%s", DocumentsFolder().c_str());
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BROWSEINFOA info = {};
  info.hwndOwner = dialog;
  info.lpszTitle = "Select Directory";
  info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start);
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (chosen) {
    char path[MAX_PATH] = "";
    if (SHGetPathFromIDListA(chosen, path) && path[0]) {
      SetDlgItemTextA(dialog, IDC_DOWNLOAD_DIRECTORY, path);
    } else {
      ShowMessageBox(dialog, "Invalid Directory Selected", "Error", kMbIconInformation);
    }
    CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(com)) CoUninitialize();
}

void StartDownload(HWND dialog, ResultFileKind kind) {
  char folder[260] = "";
  GetDlgItemTextA(dialog, IDC_DOWNLOAD_DIRECTORY, folder, sizeof folder);
  if (folder[0] == '\0') {
    ShowMessageBox(dialog, "Select an export location", "Error Downloading Results", kMbOk);
    return;
  }
  if (ScanBusy || Queue.empty()) return;
  Download.dialog = dialog;
  Download.folder = folder;
  Download.queue = Queue;
  Download.kind = kind;
  Download.report = DownloadReport();
  PrepareBackgroundTask(&DownloadTask, "Retrieving Results", DownloadWorker, &Download);
  EnableWindow(dialog, FALSE);
  INT_PTR shown = RunProgressDialog(nullptr, &DownloadTask);
  EnableWindow(dialog, TRUE);
  if (shown != kProgressFinished) {
    if (shown != kProgressBusy)
      ShowMessageBox(dialog, "The download could not be started.", kCaption, kMbIconExclamation);
    return;
  }
  if (Download.report.complete) {
    ShowMessageBox(dialog, "Download Complete", "Download Complete", kMbOk);
  } else {
    ShowMessageBox(dialog, DownloadFailureText(Download.report).c_str(), kCaption, kMbIconExclamation);
  }
}

void OnInit(HWND dialog) {
  HWND results = Item(dialog, IDC_RESULT_LIST);
  RECT client = {};
  GetClientRect(results, &client);
  ResultColumns widths = ResultColumnWidths(client.right - client.left, GetSystemMetrics(SM_CXVSCROLL));
  AddColumns(results, widths);
  AddColumns(Item(dialog, IDC_QUEUE_LIST), widths);
  AddTimer(kFirstScanDelayMs, dialog, IDC_RESCAN, true);
  SendMessageA(Item(dialog, IDC_DOWNLOAD_DIRECTORY), EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(L"Click to set path"));
}

bool OnCommand(HWND dialog, int id, int code) {
  switch (id) {
    case IDC_RESCAN:
      StartScan(dialog);
      return true;
    case IDC_ADD_RESULT:
      AddFocused(dialog);
      return true;
    case IDC_REMOVE_RESULT:
      RemoveFocused(dialog);
      return true;
    case IDC_BROWSE:
      ChooseFolder(dialog);
      return true;
    case IDC_DOWNLOAD_DIRECTORY:
      if (code != EN_SETFOCUS || Browsing) return false;
      Browsing = true;
      ChooseFolder(dialog);
      Browsing = false;
      SetFocus(Item(dialog, IDC_BROWSE));
      return true;
    case IDC_DOWNLOAD_TXT:
      StartDownload(dialog, ResultFileKind::Text);
      return true;
    case IDC_DOWNLOAD_QZL_RESULTS:
      StartDownload(dialog, ResultFileKind::Qzl);
      return true;
    case IDOK:
    case IDCANCEL:
      Queue.clear();
      EndDialog(dialog, id);
      return true;
    default:
      return false;
  }
}

INT_PTR CALLBACK ResultsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog);
      // The folder box would take the first focus and open the folder
      // browser before the dialog shows; Close takes it instead.
      SetFocus(Item(dialog, IDCANCEL));
      return FALSE;
    case MSG_SCAN_BEGIN:
      SendMessageA(Item(dialog, IDC_RESULT_LIST), LVM_DELETEALLITEMS, 0, 0);
      ResultsTable.clear();
      return TRUE;
    case MSG_SCAN_ENTRY: {
      const ResultEntry* entry = reinterpret_cast<const ResultEntry*>(lParam);
      HWND list = Item(dialog, IDC_RESULT_LIST);
      int row = AppendRow(list, *entry);
      SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
      ResultsTable.push_back(*entry);
      return TRUE;
    }
    case MSG_SCAN_END:
      if (!ResultsTable.empty()) EnableWindow(Item(dialog, IDC_ADD_RESULT), TRUE);
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code != NM_DBLCLK) return FALSE;
      if (header->idFrom == IDC_RESULT_LIST) AddFocused(dialog);
      if (header->idFrom == IDC_QUEUE_LIST) RemoveFocused(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunResultsDownloadDialog(HWND owner) {
  if (!owner) owner = static_cast<HWND>(OwnerWindow());
  HINSTANCE instance = static_cast<HINSTANCE>(DialogInstance());
  if (!instance) instance = GetModuleHandleA(nullptr);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DOWNLOAD_RESULTS), owner, ResultsProc, 0);
  Queue.clear();
}

}  // namespace qb
