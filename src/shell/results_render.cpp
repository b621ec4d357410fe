// Rendering of received lines: packed numbers become their text.
#include "link/instrument_link.h"
#include "shell/results_text.h"

namespace qb {

std::string RenderResultLine(const unsigned char* bytes, int count) {
  std::string out;
  out.reserve(static_cast<size_t>(count) * 2);
  for (int i = 0; i < count;) {
    if (bytes[i] < 0x80) {
      out.push_back(static_cast<char>(bytes[i]));
      ++i;
      continue;
    }
    unsigned char packed[4] = {0, 0, 0, 0};
    for (int k = 0; k < 4 && i + k < count; ++k) packed[k] = bytes[i + k];
    char text[kPackedNumberTextSize];
    DecodePackedNumber(packed, text);
    out += text;
    i += 4;
  }
  return out;
}

}  // namespace qb
