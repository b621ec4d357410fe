// The shared Win32 pieces of the Trend window and the Sweep dialog; see
// measure_view_win.h.
#include "measure/measure_view_win.h"

#include <commdlg.h>

#include <vector>

#include "common/ui_seam.h"
#include "measure/measure_values.h"

namespace qb {

void PaintChart(const DRAWITEMSTRUCT& item, const ChartContent& content) {
  const int width = item.rcItem.right - item.rcItem.left, height = item.rcItem.bottom - item.rcItem.top;
  if (width <= 0 || height <= 0) return;
  RgbImage image = RenderChart(content, width, height);
  // A top-down DIB: rows of blue, green, red, each padded to four bytes.
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> rows(stride * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* from =
          &image.pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
      uint8_t* to = &rows[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
    }
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(item.hDC, item.rcItem.left, item.rcItem.top, static_cast<DWORD>(width), static_cast<DWORD>(height),
                    0, 0, 0, static_cast<UINT>(height), rows.data(), &info, DIB_RGB_COLORS);
}

std::string AskSavePath(HWND owner, const char* title, const char* extension) {
  char name[MAX_PATH + 1] = "";
  const std::string ext = extension;
  std::string filter = ext + " files (*." + ext + ")";
  filter.push_back('\0');
  filter += "*." + ext;
  filter.push_back('\0');
  filter.push_back('\0');
  OPENFILENAMEA request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpstrFilter = filter.c_str();
  request.lpstrFile = name;
  request.nMaxFile = sizeof name;
  request.lpstrTitle = title;
  request.lpstrDefExt = extension;
  request.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameA(&request) || name[0] == '\0') return "";
  return name;
}

std::string ControlString(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  int length = GetWindowTextLengthA(control);
  if (length <= 0) return "";
  std::vector<char> text(static_cast<size_t>(length) + 1);
  GetWindowTextA(control, text.data(), length + 1);
  return text.data();
}

bool ControlNumber(HWND dialog, int id, bool& present, double& value) {
  std::string text = ControlString(dialog, id);
  present = text.find_first_not_of(" \t") != std::string::npos;
  return !present || ParseDecimal(text, value);
}

void SaveChartAsPng(HWND owner, const ChartContent& content, const char* caption) {
  std::string path = AskSavePath(owner, "Save PNG", "png");
  if (path.empty()) return;
  std::string error;
  if (!WritePngFile(path, RenderChart(content, kSavedChartWidth, kSavedChartHeight), error))
    ShowMessageBox(owner, error.c_str(), caption, kMbIconExclamation);
}

}  // namespace qb
