// The Screen Capture dialog as a user meets it, against the virtual
// instrument as a ZTQ (320 x 240, over TCP) and as a family 1 HXA (512 x 272,
// over a COM port): colour and black-and-white captures shown pixel for pixel
// in the frame, saved byte for byte as the instrument's own BMP, copied to
// the clipboard and read back here, the close question, and a capture that
// fails mid-screen. What is asked and decoded, for both sizes and kinds and
// every fault, is the capture tests' (screen_capture_test.cpp,
// ScreenCaptureJobs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

// After windows.h (harness.h).
#include <commctrl.h>

#include "resources/resource.h"
#include "support/file_dialog_win.h"
#include "support/host.h"

using namespace e2e;
using qbtest::ReadHostFile;
using qbtest::WaitFor;

namespace {

bool Checked(HWND dialog, int id) {
  return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The pixel rows of a 24-bit BMP file (what follows its 54 header bytes).
std::string BmpPixels(const std::string& file) {
  return file.size() > 54 ? file.substr(54) : "";
}

class ScreenCaptureDialog : public ::testing::Test {
 protected:
  // Starts the instrument with a screen of width x height, which writes the
  // BMPs the captures should give, and connects to it.
  void Connect(bool serial, int width, int height, std::vector<std::string> args) {
    width_ = width;
    height_ = height;
    scratch_ = qbtest::MakeScratchDir("capture");
    args.insert(args.end(), {"--screen", std::to_string(width) + "x" + std::to_string(height), "--screen-bmp",
                             "colour:" + Expected(true), "--screen-bmp", "mono:" + Expected(false)});
    ASSERT_TRUE(serial ? c_.StartSerial(args, 37, "Serial") : c_.StartLan(args)) << c_.error;
  }

  std::string Expected(bool colour) const { return scratch_ + (colour ? "/colour.bmp" : "/mono.bmp"); }

  HWND Open() { return c_.Open(CMD_SCREEN_CAPTURE, "Screen Capture"); }

  void SetColour(HWND dialog, bool colour) {
    SendMessageA(GetDlgItem(dialog, IDC_CAPTURE_COLOUR), BM_SETCHECK, colour ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(GetDlgItem(dialog, IDC_CAPTURE_MONO), BM_SETCHECK, colour ? BST_UNCHECKED : BST_CHECKED, 0);
  }

  // Presses Download and follows the progress dialog until it has gone.
  // Returns what its status and progress lines last read.
  std::string Download(HWND dialog) {
    ClickButton(dialog, IDC_CAPTURE_DOWNLOAD);
    HWND progress = c_.Dialog("Download");
    if (!progress) return "no progress dialog";
    std::string seen;
    WaitFor(
        [&] {
          if (!IsWindow(progress)) return true;
          std::string status = ControlText(progress, IDC_PROGRESS_STATUS);
          std::string line = ControlText(progress, IDC_PROGRESS_LINE);
          if (!status.empty()) seen = status + " | " + line;
          return false;
        },
        60000);
    return seen;
  }

  // The image area of the dialog on the screen against the instrument's
  // picture, pixel for pixel (ImageMagick's count of differing pixels is 0).
  // Tried a few times: what covered the dialog may not have been repainted
  // away yet.
  bool ShownAsExpected(HWND dialog, bool colour, const std::string& shotName) {
    return WaitFor([&] { return ShownNowAsExpected(dialog, colour, shotName); }, 4000);
  }
  bool ShownNowAsExpected(HWND dialog, bool colour, const std::string& shotName) {
    std::string shot = Screenshot(shotName);
    if (shot.empty()) return false;
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    int left = (500 - width_) / 2 + 200, top = (230 - height_) / 2 + 40;
    std::string crop = scratch_ + "/" + shotName + "-area.png";
    std::string geometry = std::to_string(width_) + "x" + std::to_string(height_) + "+" +
                           std::to_string(origin.x + left) + "+" + std::to_string(origin.y + top);
    if (qbtest::RunHost({"/usr/bin/env", "convert", shot, "-crop", geometry, "+repage", crop}) != 0) return false;
    // compare exits 0 when no pixel differs (its count goes to stderr).
    return qbtest::RunHost({"/bin/sh", "-c",
                            "compare -metric AE '" + crop + "' '" + Expected(colour) + "' null: 2>/dev/null"}) == 0;
  }

  // Saves through the save dialog as name; the file's bytes.
  std::string Save(HWND dialog, const std::string& name) {
    ClickButton(dialog, IDC_CAPTURE_SAVE);
    std::string path = scratch_ + "/" + name;
    EXPECT_TRUE(qbtest::ChooseInFileDialog(c_.app.Pid(), "Choose Save Location...", qbtest::LocalPath(path)));
    std::string bytes;
    const size_t size = 54 + static_cast<size_t>(width_) * 3 * static_cast<size_t>(height_);
    WaitFor([&] { return (bytes = ReadHostFile(path)).size() == size; }, kWait);
    return bytes;
  }

  // The clipboard's bitmap, read here, as bottom-up 24-bit rows.
  std::string ClipboardPixels() {
    std::string pixels;
    if (!OpenClipboard(nullptr)) return pixels;
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP info = {};
    if (bitmap && GetObjectA(bitmap, sizeof info, &info) && info.bmWidth == width_ && info.bmHeight == height_) {
      BITMAPINFO want = {};
      want.bmiHeader.biSize = sizeof want.bmiHeader;
      want.bmiHeader.biWidth = width_;
      want.bmiHeader.biHeight = height_;
      want.bmiHeader.biPlanes = 1;
      want.bmiHeader.biBitCount = 24;
      want.bmiHeader.biCompression = BI_RGB;
      pixels.resize(static_cast<size_t>((width_ * 3 + 3) / 4 * 4 * height_));
      HDC dc = GetDC(nullptr);
      if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height_), &pixels[0], &want, DIB_RGB_COLORS) != height_)
        pixels.clear();
      ReleaseDC(nullptr, dc);
    }
    CloseClipboard();
    return pixels;
  }

  // The dialog's close question, answered with button; false when none came.
  bool AnswerCloseQuestion(HWND dialog, int button) {
    ClickButton(dialog, IDCANCEL);
    MessageBoxInfo box;
    if (!WaitForMessageBox(c_.app.Pid(), box)) return false;
    EXPECT_EQ(box.caption, "Screen Capture");
    EXPECT_EQ(box.text, "Closing this window will delete the screencapture data\n\nContinue?");
    EXPECT_EQ(box.buttons, (std::vector<std::string>{"OK", "Cancel"}));
    return AnswerMessageBox(box, button);
  }

  // Colour then black and white: shown, saved (and the temporary copy kept
  // while the dialog is open), copied.
  void CaptureBothKinds(HWND dialog, const std::string& tag) {
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    const std::string temporary = std::string(folder) + "dlcap.bmp";
    for (bool colour : {true, false}) {
      SCOPED_TRACE(colour ? "colour" : "black and white");
      SetColour(dialog, colour);
      std::string last = Download(dialog);
      EXPECT_EQ(last.rfind("Downloading Screenshot... | ", 0), 0u) << last;
      EXPECT_TRUE(WaitFor(
          [&] {
            return IsEnabled(GetDlgItem(dialog, IDC_CAPTURE_SAVE)) && IsEnabled(GetDlgItem(dialog, IDC_CAPTURE_COPY));
          },
          kWait));
      EXPECT_FALSE(MessageBoxShowing(c_.app.Pid()));
      qbtest::SleepMs(300);  // the repaint it posted itself
      EXPECT_TRUE(ShownAsExpected(dialog, colour, tag + (colour ? "-colour" : "-mono")));

      std::string saved = Save(dialog, colour ? "saved-colour.bmp" : "saved-mono.bmp");
      EXPECT_TRUE(saved == ReadHostFile(Expected(colour))) << "the saved file differs from the instrument's picture";
      if (colour) {
        EXPECT_TRUE(ReadWindowsFile(temporary) == ReadHostFile(Expected(true))) << "the temporary file " << temporary;
      }
      ClickButton(dialog, IDC_CAPTURE_COPY);
      std::string clip;
      WaitFor([&] { return (clip = ClipboardPixels()) == BmpPixels(ReadHostFile(Expected(colour))); }, kWait);
      EXPECT_TRUE(clip == BmpPixels(ReadHostFile(Expected(colour)))) << "the clipboard's bitmap differs";
    }
    // Cancel keeps the dialog, OK closes it and takes the temporary file.
    ASSERT_TRUE(AnswerCloseQuestion(dialog, IDCANCEL));
    EXPECT_TRUE(IsWindow(dialog));
    ASSERT_TRUE(AnswerCloseQuestion(dialog, IDOK));
    EXPECT_TRUE(WaitForWindowGone(dialog));
    EXPECT_EQ(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES);
  }

  ConnectedApp c_;
  std::string scratch_;
  int width_ = 0, height_ = 0;
};

TEST_F(ScreenCaptureDialog, ItsControlsStatesAndTheProgressDialog) {
  Connect(false, 320, 240, {"--model", "ztq", "--screen-baud", "230400"});
  HWND dialog = Open();
  ASSERT_NE(dialog, nullptr);
  // Colour chosen; nothing to save or copy before a capture.
  const struct {
    int id;
    bool enabled, checked;
  } kStates[] = {{IDC_CAPTURE_COLOUR, true, true},    {IDC_CAPTURE_MONO, true, false},
                 {IDC_CAPTURE_DOWNLOAD, true, false}, {IDC_CAPTURE_SAVE, false, false},
                 {IDC_CAPTURE_COPY, false, false},    {IDCANCEL, true, false}};
  for (const auto& k : kStates) {
    SCOPED_TRACE(k.id);
    EXPECT_EQ(IsEnabled(GetDlgItem(dialog, k.id)), k.enabled);
    EXPECT_EQ(Checked(dialog, k.id), k.checked);
  }
  Screenshot("screen-capture-empty");

  // The progress dialog while a paced capture runs.
  ClickButton(dialog, IDC_CAPTURE_DOWNLOAD);
  HWND progress = c_.Dialog("Download");
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(ControlText(progress, IDC_PROGRESS_STATUS), "Setting up");
  EXPECT_NE(GetWindowLongA(GetDlgItem(progress, IDC_PROGRESS_BAR), GWL_STYLE) & PBS_MARQUEE, 0);
  EXPECT_TRUE(WaitFor([&] { return ControlText(progress, IDC_PROGRESS_STATUS) == "Downloading Screenshot..."; }, 5000));
  // The one-second start and the progress line are the progress dialog's
  // (progress_dialog_win_test.cpp); the line moves before Escape is tried.
  EXPECT_TRUE(WaitFor(
      [&] {
        std::string line = ControlText(progress, IDC_PROGRESS_LINE);
        return line.size() > 10 && line.find("% Complete") == line.size() - 10 && line != "0% Complete";
      },
      10000))
      << ControlText(progress, IDC_PROGRESS_LINE);
  Screenshot("screen-capture-progress");
  // Escape and the close request are ignored: it runs to the end.
  PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
  PostMessageA(progress, WM_CLOSE, 0, 0);
  qbtest::SleepMs(200);
  EXPECT_TRUE(IsWindow(progress));
  EXPECT_TRUE(WaitForWindowGone(progress, 30000));
  EXPECT_TRUE(WaitFor([&] { return IsEnabled(GetDlgItem(dialog, IDC_CAPTURE_SAVE)); }, kWait));
  qbtest::SleepMs(300);
  Screenshot("screen-capture-colour");
  EXPECT_TRUE(ShownAsExpected(dialog, true, "screen-capture-paced"));

  // Cancelling the save dialog writes nothing and leaves the picture.
  ClickButton(dialog, IDC_CAPTURE_SAVE);
  EXPECT_TRUE(qbtest::CancelFileDialog(c_.app.Pid(), "Choose Save Location..."));
  EXPECT_FALSE(MessageBoxShowing(c_.app.Pid()));
  EXPECT_TRUE(ShownAsExpected(dialog, true, "screen-capture-after-cancel"));
  ASSERT_TRUE(AnswerCloseQuestion(dialog, IDOK));
}

TEST_F(ScreenCaptureDialog, AFamilyOneScreenOverAComPortIs512By272) {
  Connect(true, 512, 272, {"--model", "hxa"});
  HWND dialog = Open();
  ASSERT_NE(dialog, nullptr);
  CaptureBothKinds(dialog, "hxa");
}

TEST_F(ScreenCaptureDialog, ACaptureThatFailsMidScreenShowsTheCommsErrorAndDisconnects) {
  Connect(false, 320, 240, {"--model", "ztq", "--screen-fault", "silence@300"});
  HWND dialog = Open();
  ASSERT_NE(dialog, nullptr);
  ClickButton(dialog, IDC_CAPTURE_DOWNLOAD);
  MessageBoxInfo box;
  ASSERT_TRUE(WaitForMessageBoxText(c_.app.Pid(), "A Comms error has occured, Disconnected from instrument", box));
  EXPECT_EQ(box.caption, "Comms Error");
  EXPECT_FALSE(IsWindow(c_.Dialog("Download", 0)));
  Screenshot("screen-capture-comms-error");
  ASSERT_TRUE(AnswerMessageBox(box, IDOK));
  // The main window disconnects, and offers to reconnect (declined) when it
  // is told that a read failed.
  EXPECT_TRUE(WaitFor([&] { return !IsEnabled(c_.Control(IDC_COMMAND_LINE)); }, kWait));
  if (WaitForMessageBox(c_.app.Pid(), box, 1500)) {
    EXPECT_EQ(box.caption, "Vantor");
    EXPECT_TRUE(AnswerMessageBox(box, IDNO));
  }
  // Nothing is held: no image, Save and Copy stay off, Close asks nothing.
  EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, IDC_CAPTURE_SAVE)));
  EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, IDC_CAPTURE_COPY)));
  ClickButton(dialog, IDCANCEL);
  EXPECT_TRUE(WaitForWindowGone(dialog));
  EXPECT_FALSE(MessageBoxShowing(c_.app.Pid()));
  bool grayed = false;
  for (const MenuItem& item : ReadMenu(c_.app.Main())) {
    if (item.id == CMD_SCREEN_CAPTURE) grayed = item.grayed;
  }
  EXPECT_TRUE(grayed);
}

}  // namespace
