// The chart image as a PNG file, through stb_image_write (Debian's
// libstb-dev, compiled into this file alone). The encoder hands its bytes to
// a writer of our own, so every write and the close are checked and a full
// disk or a vanished folder is reported rather than leaving a cut-off file
// that looks saved.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "measure/chart.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace qb {

namespace {

struct PngSink {
  FILE* file;
  bool failed;
};

void WriteChunk(void* context, void* data, int size) {
  auto* sink = static_cast<PngSink*>(context);
  if (sink->failed || size <= 0) return;
  if (fwrite(data, 1, static_cast<size_t>(size), sink->file) != static_cast<size_t>(size)) sink->failed = true;
}

}  // namespace

bool WritePngFile(const std::string& path, const RgbImage& image, std::string& error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
    error = "There is no picture to save.";
    return false;
  }
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) {
    error = "The file " + path + " could not be written: " + strerror(errno) + ".";
    return false;
  }
  PngSink sink = {file, false};
  int encoded = stbi_write_png_to_func(WriteChunk, &sink, image.width, image.height, 3, image.pixels.data(),
                                       image.width * 3);
  bool closed = fclose(file) == 0;
  if (!encoded || sink.failed || !closed) {
    remove(path.c_str());
    error = "The file " + path + " could not be written completely (is the disk full?).";
    return false;
  }
  return true;
}

}  // namespace qb
