// The system's fixed-pitch faces on Windows, listed by EnumFontFamiliesExA.
#include <windows.h>

#include "common/fixed_font.h"

namespace qb {

namespace {

int CALLBACK AddFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM list) {
  if ((font->lfPitchAndFamily & 0x3) == FIXED_PITCH)
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(font->lfFaceName);
  return 1;
}

}  // namespace

const std::string& SystemFixedFace() {
  static const std::string face = [] {
    std::vector<std::string> faces;
    HDC dc = GetDC(nullptr);
    LOGFONTA query = {};
    query.lfCharSet = DEFAULT_CHARSET;
    if (dc) {
      EnumFontFamiliesExA(dc, &query, AddFace, reinterpret_cast<LPARAM>(&faces), 0);
      ReleaseDC(nullptr, dc);
    }
    return ChooseFixedFace(faces);
  }();
  return face;
}

}  // namespace qb
