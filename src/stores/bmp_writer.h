// The 24-bit BMP files of the screen capture: a 14-byte file header, a
// 40-byte information header (3780 pixels per metre, no compression, image
// size 0) and the pixel rows bottom-up, each padded to a multiple of 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qb {

constexpr int kBmpHeaderSize = 54;

// Bytes in one stored row: width x 3 rounded up to a multiple of 4.
size_t BmpRowSize(int width);
// The whole file's size for an image, 0 when the sizes are not positive or
// the file would not fit in 32 bits.
size_t BmpFileSize(int width, int height);

// The two headers for a width x height 24-bit image. False for sizes that
// BmpFileSize refuses.
bool BuildBmpHeaders(int width, int height, unsigned char header[kBmpHeaderSize]);

// The whole file from rows of width x 3 bytes (blue, green, red), bottom row
// first, unpadded. Empty for sizes that BmpFileSize refuses.
std::vector<unsigned char> BuildBmpFile(const unsigned char* bottomUpRows, int width, int height);

// Creates or replaces the file at path with the image, in three writes
// (file header, information header, pixel rows). False when the file cannot be created or a
// write fails; what was written of it is then removed.
bool WriteBmpFile(const char* path, const unsigned char* bottomUpRows, int width, int height);

}  // namespace qb
