// Decoding the instrument's screen rows and converting the captured image;
// see screen_image.h.
#include "stores/screen_image.h"

#include <cstring>

namespace qb {

ScreenImage CapturedScreen;

namespace {

constexpr int kRowPrefix = 2;  // the leading characters of every row, not interpreted

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

unsigned char ReverseBits(unsigned char b) {
  unsigned char r = 0;
  for (int i = 0; i < 8; ++i) r = static_cast<unsigned char>(r | (((b >> i) & 1) << (7 - i)));
  return r;
}

}  // namespace

void ScreenSizeFor(const InstrumentLink& link, int* width, int* height) {
  bool wide = link.ConnectedFlag && (link.family == 1 || link.family == 5);
  *width = wide ? 512 : 320;
  *height = wide ? 272 : 240;
}

int RowLengthWithoutLineEnd(const char* line, int length) {
  if (!line || length < 0) return 0;
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
  return length;
}

bool DecodeMonoRow(const char* line, int length, int width, unsigned char* row) {
  if (!line || !row || width <= 0 || width % 8 != 0) return false;
  const int bytes = width / 8;
  if (RowLengthWithoutLineEnd(line, length) != kRowPrefix + 2 * bytes) return false;
  const char* hex = line + kRowPrefix;
  for (int i = 0; i < 2 * bytes; ++i) {
    if (HexDigit(hex[i]) < 0) return false;
  }
  for (int i = 0; i < bytes; ++i) {
    unsigned char value = static_cast<unsigned char>(HexDigit(hex[2 * i]) << 4 | HexDigit(hex[2 * i + 1]));
    row[i] = static_cast<unsigned char>(~ReverseBits(value));
  }
  return true;
}

bool DecodeColourLine(const char* line, int length, int pixelCount, unsigned char* pixelBytes) {
  if (!line || !pixelBytes || pixelCount <= 0) return false;
  if (RowLengthWithoutLineEnd(line, length) != kRowPrefix + pixelCount) return false;
  memcpy(pixelBytes, line + kRowPrefix, static_cast<size_t>(pixelCount));
  return true;
}

void ColourPixelToBgr(unsigned char pixel, unsigned char bgr[3]) {
  static const unsigned char kLevel[4] = {0, 64, 128, 255};
  bgr[0] = kLevel[pixel & 3];
  bgr[1] = kLevel[(pixel >> 2) & 3];
  bgr[2] = kLevel[(pixel >> 4) & 3];
}

void StoreColourRows(const unsigned char* received, int width, int height, ScreenImage* image) {
  if (!received || !image || width <= 0 || height <= 0 ||
      static_cast<long long>(width) * height * 3 > kScreenImageBytes)
    return;
  for (int y = 0; y < height; ++y) {
    const unsigned char* from = received + static_cast<size_t>(y) * static_cast<size_t>(width);
    unsigned char* to = image->pixels + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width) * 3;
    for (int x = 0; x < width; ++x) ColourPixelToBgr(from[x], to + 3 * x);
  }
}

void ScreenImageToBottomUpBgr(const ScreenImage& image, unsigned char* out) {
  const int width = image.width, height = image.height;
  if (!out || width <= 0 || height <= 0 || static_cast<long long>(width) * height * 3 > kScreenImageBytes) return;
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  if (image.colour) {
    memcpy(out, image.pixels, rowBytes * static_cast<size_t>(height));
    return;
  }
  const size_t packed = static_cast<size_t>((width + 7) / 8);
  for (int y = 0; y < height; ++y) {
    const unsigned char* from = image.pixels + static_cast<size_t>(y) * packed;
    unsigned char* to = out + static_cast<size_t>(height - 1 - y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      unsigned char level = (from[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
      memset(to + 3 * x, level, 3);
    }
  }
}

PixelRect CaptureImageRect(int width, int height) {
  PixelRect r;
  r.left = (500 - width) / 2 + 200;
  r.top = (230 - height) / 2 + 40;
  r.right = r.left + width;
  r.bottom = r.top + height;
  return r;
}

}  // namespace qb
