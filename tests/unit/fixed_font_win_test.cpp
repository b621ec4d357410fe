// The fixed-pitch face the system gives the reports, under Wine: a prefix
// without Courier New falls back to a face it has, and in that face every
// character of a report column is as wide as every other, so columns line up.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/fixed_font.h"

namespace {

TEST(FixedFaceWin, TheChosenFaceIsInstalledAndColumnsLineUp) {
  const std::string& face = qb::SystemFixedFace();
  HDC dc = GetDC(nullptr);
  ASSERT_TRUE(dc);
  LOGFONTA wanted = {};
  wanted.lfHeight = -13;
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(wanted.lfFaceName, face.c_str(), LF_FACESIZE);
  HFONT font = CreateFontIndirectA(&wanted);
  HGDIOBJ previous = SelectObject(dc, font);
  char got[LF_FACESIZE] = "";
  GetTextFaceA(dc, LF_FACESIZE, got);
  EXPECT_STREQ(got, face.c_str()) << "the chosen face is not the one the system draws";
  // Report lines: numbers, padded names, dates; each as wide as its length.
  const char* lines[] = {"1    2      dsp_v1.hex          05/03/14", "12   0      WWWWWWWWWWWWWWWWWWWW--/--/--",
                         "3    7      iiiiiiiiiiiiiiiiiiii31/12/13", "File Sector Filename            Date    "};
  SIZE first = {};
  GetTextExtentPoint32A(dc, lines[0], lstrlenA(lines[0]), &first);
  for (const char* line : lines) {
    SIZE size = {};
    GetTextExtentPoint32A(dc, line, lstrlenA(line), &size);
    EXPECT_EQ(size.cx, first.cx) << line;
  }
  SelectObject(dc, previous);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
}

}  // namespace
#endif
