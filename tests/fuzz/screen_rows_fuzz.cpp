// Fuzzes the screen capture's decoding and files: reply rows of any length
// and content through both row decoders into buffers of exactly a row (so a
// read or write past a row shows), the colour rows stored and the image
// turned into BMP rows at small sizes, and the BMP writer, whose file must
// always be as long as its header says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "stores/bmp_writer.h"
#include "stores/screen_image.h"

namespace {

qb::ScreenImage Image;

void DecodeLine(const char* line, int length, int width) {
  std::vector<unsigned char> row(static_cast<size_t>(width / 8), 0xA5);
  std::vector<unsigned char> before = row;
  bool ok = qb::DecodeMonoRow(line, length, width, row.data());
  if (!ok && row != before) abort();  // a refused row is left alone
  std::vector<unsigned char> pixels(static_cast<size_t>(width / 4));
  if (qb::DecodeColourLine(line, length, width / 4, pixels.data()) &&
      memcmp(pixels.data(), line + 2, pixels.size()) != 0)
    abort();
}

void CheckBmp(const uint8_t* data, size_t size, int width, int height) {
  std::vector<unsigned char> rows(static_cast<size_t>(width * height * 3));
  for (size_t i = 0; i < rows.size() && size > 0; ++i) rows[i] = data[i % size];
  std::vector<unsigned char> file = qb::BuildBmpFile(rows.data(), width, height);
  if (file.size() != qb::BmpFileSize(width, height)) abort();
  uint32_t stated = file[2] | file[3] << 8 | file[4] << 16 | static_cast<uint32_t>(file[5]) << 24;
  if (stated != file.size()) abort();
  // Each row's pixels come through unchanged, and the padding is zero.
  size_t rowSize = qb::BmpRowSize(width);
  for (int y = 0; y < height; ++y) {
    const unsigned char* stored = &file[54 + rowSize * static_cast<size_t>(y)];
    if (memcmp(stored, &rows[static_cast<size_t>(y * width * 3)], static_cast<size_t>(width * 3)) != 0) abort();
    for (size_t p = static_cast<size_t>(width * 3); p < rowSize; ++p) {
      if (stored[p] != 0) abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // The first byte picks the screen width (a multiple of 8), the next two a
  // small image for the image and BMP checks.
  const int width = 8 * (1 + data[0] % 64);
  const int smallWidth = 1 + data[1] % 23, smallHeight = 1 + data[2] % 17;
  data += 3;
  size -= 3;

  // Lines as a transport delivers them: cut at line feeds, zero bytes kept.
  const char* text = reinterpret_cast<const char*>(data);
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i == size || text[i] == '\n') {
      DecodeLine(text + start, static_cast<int>(i - start), width);
      start = i + 1;
    }
  }

  CheckBmp(data, size, smallWidth, smallHeight);

  // The image at the small size, both kinds, from the input's bytes.
  memset(&Image, 0, sizeof Image);
  Image.width = smallWidth * 8;
  Image.height = smallHeight;
  std::vector<unsigned char> received(static_cast<size_t>(Image.width * Image.height));
  for (size_t i = 0; i < received.size() && size > 0; ++i) received[i] = data[i % size];
  std::vector<unsigned char> out(static_cast<size_t>(Image.width * Image.height * 3));
  for (bool colour : {false, true}) {
    Image.colour = colour;
    if (colour) qb::StoreColourRows(received.data(), Image.width, Image.height, &Image);
    qb::ScreenImageToBottomUpBgr(Image, out.data());
    if (!colour) {
      for (unsigned char b : out) {
        if (b != 0 && b != 255) abort();  // black and white only
      }
    }
  }
  return 0;
}
