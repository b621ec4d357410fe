// The Screen Capture dialog: choose colour or black and white, download the
// instrument's screen behind the progress dialog, see it in a bevelled frame,
// save it as a BMP file or copy it to the clipboard. The exchange itself is
// the portable capture job (screen_capture.h); this file is the view.
#include "stores/screen_capture_win.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "common/background_task.h"
#include "common/front_end.h"
#include "common/progress_dialog_win.h"
#include "common/ui_seam.h"
#include "link/instrument_link.h"
#include "resources/resource.h"
#include "stores/bmp_writer.h"
#include "stores/screen_capture.h"
#include "stores/screen_image.h"

namespace qb {

namespace {

const char kCaptureCaption[] = "Screen Capture";
const char kCloseQuestion[] = "Closing this window will delete the screencapture data\n\nContinue?";
const char kSaveFailedText[] = "The screen capture could not be saved to\n%s";
const char kClipboardBusyText[] = "The clipboard is in use by another program: the screen capture was not copied.";
constexpr int kClipboardAttempts = 25;
// Room left around the frame when the dialog grows to show a large screen.
constexpr int kFrameMargin = 2;

BackgroundTask CaptureTask;
CaptureJob Job;

// A device context and the bitmap selected into it, released together.
class MemoryCanvas {
 public:
  MemoryCanvas(HDC reference, int width, int height)
      : dc_(CreateCompatibleDC(reference)), bitmap_(CreateCompatibleBitmap(reference, width, height)) {
    if (dc_ && bitmap_) previous_ = SelectObject(dc_, bitmap_);
  }
  ~MemoryCanvas() {
    if (previous_) SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;
  bool Ok() const { return dc_ && bitmap_ && previous_; }
  HDC Dc() const { return dc_; }
  // Hands the bitmap over (deselected); the canvas no longer frees it.
  HBITMAP Release() {
    if (previous_) SelectObject(dc_, previous_);
    previous_ = nullptr;
    HBITMAP b = bitmap_;
    bitmap_ = nullptr;
    return b;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_ = nullptr;
};

std::string TemporaryBmpPath() {
  char folder[MAX_PATH + 1] = "";
  DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder) return "";
  return std::string(folder) + "dlcap.bmp";
}

// White, with the capture (if one is held) at the top left.
void DrawCapture(HDC dc, int width, int height) {
  RECT area = {0, 0, width, height};
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const ScreenImage& image = CapturedScreen;
  if (!image.ready) return;
  if (image.colour) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = image.height;  // bottom-up, as stored
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(image.width), static_cast<DWORD>(image.height), 0, 0, 0,
                      static_cast<UINT>(image.height), image.pixels, &info, DIB_RGB_COLORS);
    return;
  }
  HBITMAP mono = CreateBitmap(image.width, image.height, 1, 1, image.pixels);
  if (!mono) return;
  HDC source = CreateCompatibleDC(dc);
  if (source) {
    HGDIOBJ previous = SelectObject(source, mono);
    // A clear bit takes the text colour, a set bit the background colour.
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    BitBlt(dc, 0, 0, image.width, image.height, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
  }
  DeleteObject(mono);
}

void OnPaint(HWND dialog) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(dialog, &paint);
  int width = 0, height = 0;
  ScreenSizeFor(MainLink, &width, &height);
  PixelRect r = CaptureImageRect(width, height);
  MemoryCanvas canvas(dc, width, height);
  if (canvas.Ok()) {
    DrawCapture(canvas.Dc(), width, height);
    BitBlt(dc, r.left, r.top, width, height, canvas.Dc(), 0, 0, SRCCOPY);
  }
  // The bevel, from the outside in.
  const int kBrushes[5] = {GRAY_BRUSH, LTGRAY_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH};
  for (int i = 0; i < 5; ++i) {
    RECT frame = {r.left - 5 + i, r.top - 5 + i, r.right + 5 - i, r.bottom + 5 - i};
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(kBrushes[i])));
  }
  EndPaint(dialog, &paint);
}

// Grows the dialog where its font makes it too small to show the whole
// screen of the link's instrument in its frame.
void FitScreen(HWND dialog) {
  int width = 0, height = 0;
  ScreenSizeFor(MainLink, &width, &height);
  PixelRect r = CaptureImageRect(width, height);
  RECT client;
  GetClientRect(dialog, &client);
  int growX = r.right + 5 + kFrameMargin - client.right, growY = r.bottom + 5 + kFrameMargin - client.bottom;
  if (growX <= 0 && growY <= 0) return;
  RECT window;
  GetWindowRect(dialog, &window);
  int newWidth = window.right - window.left + (growX > 0 ? growX : 0);
  int newHeight = window.bottom - window.top + (growY > 0 ? growY : 0);
  SetWindowPos(dialog, nullptr, window.left - (growX > 0 ? growX / 2 : 0), window.top - (growY > 0 ? growY / 2 : 0),
               newWidth, newHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void EnableImageButtons(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDC_CAPTURE_SAVE), CapturedScreen.ready);
  EnableWindow(GetDlgItem(dialog, IDC_CAPTURE_COPY), CapturedScreen.ready);
}

unsigned CaptureWorker(void* argument) {
  TaskReporter reporter(&CaptureTask);
  RunCaptureJob(*static_cast<CaptureJob*>(argument), reporter);
  return 0;
}

// lParam 1: a read failed, so the main window offers to reconnect.
void RequestDisconnect() {
  PostMainCommand(CMD_DISCONNECT, 1);
}

void Download(HWND dialog) {
  bool colour = IsDlgButtonChecked(dialog, IDC_CAPTURE_COLOUR) == BST_CHECKED;
  void* cursor = ShowWaitCursor();
  bool polling = MainLink.PollingEnabled;
  MainLink.PollingEnabled = false;
  BeginScreenCapture(Job, &MainLink, &CapturedScreen, colour, colour ? TemporaryBmpPath() : "");
  CaptureOutcome outcome = DownloadScreen(Job, [dialog](CaptureJob& job) {
    PrepareBackgroundTask(&CaptureTask, "", CaptureWorker, &job);
    return static_cast<int>(RunProgressDialog(dialog, &CaptureTask));
  });
  MainLink.PollingEnabled = polling && MainLink.ConnectedFlag;
  RestoreCursor(cursor);
  if (ReportCaptureOutcome(outcome, dialog)) RequestDisconnect();
  EnableImageButtons(dialog);
  PostMessageA(dialog, WM_COMMAND, CMD_CAPTURE_REPAINT, 0);
}

// The capture as a bitmap compatible with the screen, or null.
HBITMAP RenderCaptureBitmap() {
  const ScreenImage& image = CapturedScreen;
  HDC screen = GetDC(nullptr);
  if (!screen) return nullptr;
  HBITMAP bitmap = nullptr;
  {
    MemoryCanvas canvas(screen, image.width, image.height);
    if (canvas.Ok()) {
      DrawCapture(canvas.Dc(), image.width, image.height);
      bitmap = canvas.Release();
    }
  }
  ReleaseDC(nullptr, screen);
  return bitmap;
}

void Save(HWND dialog) {
  if (!CapturedScreen.ready) return;
  char name[260] = "*.bmp";
  OPENFILENAMEA request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = dialog;
  request.lpstrFile = name;
  request.nMaxFile = sizeof name;
  request.lpstrTitle = "Choose Save Location...";
  request.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameA(&request) || name[0] == '\0') return;
  // Written from the captured pixels themselves, so the file is exact
  // whatever the display's colour depth.
  const ScreenImage& image = CapturedScreen;
  std::vector<unsigned char> rows(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3);
  ScreenImageToBottomUpBgr(image, rows.data());
  if (!WriteBmpFile(name, rows.data(), image.width, image.height)) {
    std::vector<char> text(sizeof kSaveFailedText + sizeof name);
    snprintf(text.data(), text.size(), kSaveFailedText, name);
    ShowMessageBox(dialog, text.data(), kCaptureCaption, kMbIconExclamation);
  }
}

void Copy(HWND dialog) {
  if (!CapturedScreen.ready) return;
  HBITMAP bitmap = RenderCaptureBitmap();
  if (!bitmap) return;
  // Another program may hold the clipboard for a moment.
  bool open = false;
  for (int attempt = 0; attempt < kClipboardAttempts && !(open = OpenClipboard(dialog)); ++attempt) Sleep(20);
  if (!open) {
    DeleteObject(bitmap);
    ShowMessageBox(dialog, kClipboardBusyText, kCaptureCaption, kMbIconExclamation);
    return;
  }
  EmptyClipboard();
  // From here the clipboard owns the bitmap.
  if (!SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);
  CloseClipboard();
}

void Close(HWND dialog) {
  if (CapturedScreen.ready &&
      ShowMessageBox(dialog, kCloseQuestion, kCaptureCaption, kMbOkCancel | kMbIconInformation) != kIdOk)
    return;
  std::string temporary = TemporaryBmpPath();
  if (!temporary.empty()) DeleteFileA(temporary.c_str());
  CapturedScreen.ready = false;
  EndDialog(dialog, 0);
}

INT_PTR CALLBACK ScreenCaptureProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CheckRadioButton(dialog, IDC_CAPTURE_COLOUR, IDC_CAPTURE_MONO, IDC_CAPTURE_COLOUR);
      EnableWindow(GetDlgItem(dialog, IDC_CAPTURE_SAVE), FALSE);
      EnableWindow(GetDlgItem(dialog, IDC_CAPTURE_COPY), FALSE);
      FitScreen(dialog);
      return TRUE;
    case WM_PAINT:
      OnPaint(dialog);
      return TRUE;
    case WM_SIZE:
      InvalidateRect(dialog, nullptr, TRUE);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_CAPTURE_DOWNLOAD:
          Download(dialog);
          return TRUE;
        case IDC_CAPTURE_SAVE:
          Save(dialog);
          return TRUE;
        case IDC_CAPTURE_COPY:
          Copy(dialog);
          return TRUE;
        case CMD_CAPTURE_REPAINT:
          InvalidateRect(dialog, nullptr, TRUE);
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

void RunScreenCaptureDialog(HWND owner) {
  HWND parent = owner ? owner : static_cast<HWND>(OwnerWindow());
  HINSTANCE instance = static_cast<HINSTANCE>(DialogInstance());
  if (!instance) instance = GetModuleHandleA(nullptr);
  bool polling = MainLink.PollingEnabled;
  MainLink.PollingEnabled = false;
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SCREEN_CAPTURE), parent, ScreenCaptureProc, 0);
  MainLink.PollingEnabled = polling && MainLink.ConnectedFlag;
}

}  // namespace qb
