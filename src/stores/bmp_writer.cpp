// Writing the 24-bit BMP files; see bmp_writer.h.
#include "stores/bmp_writer.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace qb {

namespace {

void Put16(unsigned char* at, uint32_t value) {
  at[0] = static_cast<unsigned char>(value);
  at[1] = static_cast<unsigned char>(value >> 8);
}

void Put32(unsigned char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The padded rows that follow the headers.
std::vector<unsigned char> PaddedRows(const unsigned char* rows, int width, int height) {
  const size_t rowSize = BmpRowSize(width), bytes = static_cast<size_t>(width) * 3;
  std::vector<unsigned char> out(rowSize * static_cast<size_t>(height), 0);
  for (int y = 0; y < height; ++y) memcpy(&out[rowSize * static_cast<size_t>(y)], rows + bytes * y, bytes);
  return out;
}

}  // namespace

size_t BmpRowSize(int width) {
  return width > 0 ? (static_cast<size_t>(width) * 3 + 3) / 4 * 4 : 0;
}

size_t BmpFileSize(int width, int height) {
  if (width <= 0 || height <= 0 || width > 0x7FFFFF || height > 0x7FFFFF) return 0;
  unsigned long long size = kBmpHeaderSize + static_cast<unsigned long long>(BmpRowSize(width)) * height;
  return size <= 0xFFFFFFFFull ? static_cast<size_t>(size) : 0;
}

bool BuildBmpHeaders(int width, int height, unsigned char header[kBmpHeaderSize]) {
  const size_t fileSize = BmpFileSize(width, height);
  if (fileSize == 0) return false;
  memset(header, 0, kBmpHeaderSize);
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, static_cast<uint32_t>(fileSize));
  Put32(header + 10, kBmpHeaderSize);
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<uint32_t>(width));
  Put32(header + 22, static_cast<uint32_t>(height));
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 38, 3780);
  Put32(header + 42, 3780);
  return true;
}

std::vector<unsigned char> BuildBmpFile(const unsigned char* bottomUpRows, int width, int height) {
  unsigned char header[kBmpHeaderSize];
  if (!bottomUpRows || !BuildBmpHeaders(width, height, header)) return {};
  std::vector<unsigned char> file(header, header + kBmpHeaderSize);
  std::vector<unsigned char> rows = PaddedRows(bottomUpRows, width, height);
  file.insert(file.end(), rows.begin(), rows.end());
  return file;
}

bool WriteBmpFile(const char* path, const unsigned char* bottomUpRows, int width, int height) {
  unsigned char header[kBmpHeaderSize];
  if (!path || !*path || !bottomUpRows || !BuildBmpHeaders(width, height, header)) return false;
  std::vector<unsigned char> rows = PaddedRows(bottomUpRows, width, height);
  FILE* file = fopen(path, "wb");
  if (!file) return false;
  bool ok = fwrite(header, 1, 14, file) == 14 && fwrite(header + 14, 1, 40, file) == 40 &&
            fwrite(rows.data(), 1, rows.size(), file) == rows.size() && fflush(file) == 0;
  // A full disk may only show when the file is closed.
  if (fclose(file) != 0) ok = false;
  // Half a picture is no picture: what was written goes (only ever a plain
  // file, never a device the name might point at).
  struct stat info;
  if (!ok && stat(path, &info) == 0 && (info.st_mode & S_IFMT) == S_IFREG) remove(path);
  return ok;
}

}  // namespace qb
