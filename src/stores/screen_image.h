// The instrument's screen as the program holds it after a capture, and the
// decoding of the instrument's screen reply rows into it.
//
// Black and white: packed rows, 1 bit a pixel, width/8 bytes a row, first
// received row first, most significant bit leftmost, 1 = white.
// Colour: 3 bytes a pixel (blue, green, red), width x 3 bytes a row, the last
// received row first, as the bottom-up rows of a BMP file.
#pragma once

#include <cstdint>

#include "link/instrument_link.h"

namespace qb {

constexpr int kScreenImageBytes = 1671168;

struct ScreenImage {
  unsigned char pixels[kScreenImageBytes];
  int32_t width;
  int32_t height;
  bool ready;   // a capture has completed and may be shown, saved or copied
  bool colour;  // the capture is a colour capture
};

// The process-wide capture; it outlives the Screen Capture dialog.
extern ScreenImage CapturedScreen;

// The screen of the instrument on link: 512 x 272 for a connected family 1
// or 5 instrument, else 320 x 240.
void ScreenSizeFor(const InstrumentLink& link, int* width, int* height);

// The text of a reply row without the line end that a transport may leave on
// it (a bare line feed, a carriage return).
int RowLengthWithoutLineEnd(const char* line, int length);

// One black-and-white reply line: two characters not interpreted, then
// width/8 pairs of hexadecimal digits (either case), each a byte of 8 pixels
// with bit 0 leftmost and a set bit dark. Stores width/8 bytes into row with
// the most significant bit leftmost and 1 = white. False, with row untouched,
// when the line (length characters, line end stripped) is not exactly that.
bool DecodeMonoRow(const char* line, int length, int width, unsigned char* row);

// One colour reply line: two characters not interpreted, then exactly
// pixelCount pixel bytes, copied to pixelBytes. False, with nothing copied,
// when the line (line end stripped) has another length; a zero byte inside is
// a pixel like any other.
bool DecodeColourLine(const char* line, int length, int pixelCount, unsigned char* pixelBytes);

// A colour pixel byte (bits 5-4 red, 3-2 green, 1-0 blue, bits 7-6 ignored)
// as blue, green and red intensities (levels 0, 64, 128, 255).
void ColourPixelToBgr(unsigned char pixel, unsigned char bgr[3]);

// Fills image's colour pixels from width x height received pixel bytes, top
// row first: converted, and stored last row first.
void StoreColourRows(const unsigned char* received, int width, int height, ScreenImage* image);

// The image as 24-bit rows, bottom row first (width x 3 bytes each, no
// padding), whichever kind it holds: black and white becomes black (0, 0, 0)
// and white (255, 255, 255). out must hold width x height x 3 bytes.
void ScreenImageToBottomUpBgr(const ScreenImage& image, unsigned char* out);

// Where the Screen Capture dialog shows an image of width x height, in
// client pixels: centred on (450, 155) as integer division has it, so 320 x
// 240 sits at (290, 35)-(610, 275) and 512 x 272 at (194, 19)-(706, 291).
struct PixelRect {
  int left, top, right, bottom;
};
PixelRect CaptureImageRect(int width, int height);

}  // namespace qb
