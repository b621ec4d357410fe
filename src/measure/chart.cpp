// The chart renderer: layout, scales, the bitmap font and the drawing; see
// chart.h. Everything is drawn into the image's own pixels, clipped to it.
#include "measure/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qb {

namespace {

// The bitmap font: printable ASCII, each glyph eight rows of five pixels
// (bit 4 the leftmost), the last row for descenders; one column between
// characters.
constexpr int kGlyphWidth = 5, kGlyphHeight = 8, kAdvance = 6;
const uint8_t kFont[95][kGlyphHeight] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // ' '
    {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04, 0x00},  // '!'
    {0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '"'
    {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A, 0x00},  // '#'
    {0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04, 0x00},  // '$'
    {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03, 0x00},  // '%'
    {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D, 0x00},  // '&'
    {0x04, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // "'"
    {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02, 0x00},  // '('
    {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08, 0x00},  // ')'
    {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00, 0x00},  // '*'
    {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00, 0x00},  // '+'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08},  // ','
    {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00, 0x00},  // '-'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C, 0x00},  // '.'
    {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00, 0x00},  // '/'
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E, 0x00},  // '0'
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E, 0x00},  // '1'
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F, 0x00},  // '2'
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E, 0x00},  // '3'
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02, 0x00},  // '4'
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E, 0x00},  // '5'
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E, 0x00},  // '6'
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08, 0x00},  // '7'
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E, 0x00},  // '8'
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C, 0x00},  // '9'
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00, 0x00},  // ':'
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x04, 0x08, 0x00},  // ';'
    {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02, 0x00},  // '<'
    {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00, 0x00},  // '='
    {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08, 0x00},  // '>'
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04, 0x00},  // '?'
    {0x0E, 0x11, 0x01, 0x0D, 0x15, 0x15, 0x0E, 0x00},  // '@'
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11, 0x00},  // 'A'
    {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E, 0x00},  // 'B'
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E, 0x00},  // 'C'
    {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C, 0x00},  // 'D'
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F, 0x00},  // 'E'
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10, 0x00},  // 'F'
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F, 0x00},  // 'G'
    {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11, 0x00},  // 'H'
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E, 0x00},  // 'I'
    {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C, 0x00},  // 'J'
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11, 0x00},  // 'K'
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F, 0x00},  // 'L'
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11, 0x00},  // 'M'
    {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x00},  // 'N'
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E, 0x00},  // 'O'
    {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10, 0x00},  // 'P'
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D, 0x00},  // 'Q'
    {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11, 0x00},  // 'R'
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E, 0x00},  // 'S'
    {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x00},  // 'T'
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E, 0x00},  // 'U'
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04, 0x00},  // 'V'
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A, 0x00},  // 'W'
    {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11, 0x00},  // 'X'
    {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x00},  // 'Y'
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F, 0x00},  // 'Z'
    {0x0E, 0x08, 0x08, 0x08, 0x08, 0x08, 0x0E, 0x00},  // '['
    {0x00, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00, 0x00},  // '\\'
    {0x0E, 0x02, 0x02, 0x02, 0x02, 0x02, 0x0E, 0x00},  // ']'
    {0x04, 0x0A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00},  // '^'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F, 0x00},  // '_'
    {0x08, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '`'
    {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F, 0x00},  // 'a'
    {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1E, 0x00},  // 'b'
    {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E, 0x00},  // 'c'
    {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F, 0x00},  // 'd'
    {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E, 0x00},  // 'e'
    {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08, 0x00},  // 'f'
    {0x00, 0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x0E},  // 'g'
    {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11, 0x00},  // 'h'
    {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E, 0x00},  // 'i'
    {0x02, 0x00, 0x06, 0x02, 0x02, 0x02, 0x12, 0x0C},  // 'j'
    {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12, 0x00},  // 'k'
    {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E, 0x00},  // 'l'
    {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11, 0x00},  // 'm'
    {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11, 0x00},  // 'n'
    {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E, 0x00},  // 'o'
    {0x00, 0x00, 0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10},  // 'p'
    {0x00, 0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x01},  // 'q'
    {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10, 0x00},  // 'r'
    {0x00, 0x00, 0x0F, 0x10, 0x0E, 0x01, 0x1E, 0x00},  // 's'
    {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06, 0x00},  // 't'
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D, 0x00},  // 'u'
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04, 0x00},  // 'v'
    {0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A, 0x00},  // 'w'
    {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x00},  // 'x'
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x0E},  // 'y'
    {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F, 0x00},  // 'z'
    {0x02, 0x04, 0x04, 0x08, 0x04, 0x04, 0x02, 0x00},  // '{'
    {0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x00},  // '|'
    {0x08, 0x04, 0x04, 0x02, 0x04, 0x04, 0x08, 0x00},  // '}'
    {0x00, 0x00, 0x08, 0x15, 0x02, 0x00, 0x00, 0x00},  // '~'
};

constexpr Rgb kText = {0, 0, 0};
constexpr Rgb kFrame = {0, 0, 0};
constexpr Rgb kGrid = {226, 226, 226};
constexpr Rgb kMinorGrid = {240, 240, 240};
constexpr Rgb kZeroLine = {150, 150, 150};
constexpr int kMostTicks = 60;

class Canvas {
 public:
  explicit Canvas(RgbImage& image) : image_(image) {}
  void Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return;
    uint8_t* p =
        &image_.pixels[(static_cast<size_t>(y) * static_cast<size_t>(image_.width) + static_cast<size_t>(x)) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  }
  void Fill(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = std::max(y0, 0); y <= std::min(y1, image_.height - 1); ++y)
      for (int x = std::max(x0, 0); x <= std::min(x1, image_.width - 1); ++x) Set(x, y, c);
  }
  void HLine(int x0, int x1, int y, Rgb c, int dash = 0) {
    for (int x = x0; x <= x1; ++x)
      if (dash == 0 || (x - x0) / dash % 2 == 0) Set(x, y, c);
  }
  void VLine(int x, int y0, int y1, Rgb c) {
    for (int y = y0; y <= y1; ++y) Set(x, y, c);
  }
  // A line two pixels thick, clipped to the box.
  void Line(int x0, int y0, int x1, int y1, Rgb c, int left, int top, int right, int bottom) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    for (int guard = 0; guard < 100000; ++guard) {
      for (int oy = 0; oy < 2; ++oy)
        for (int ox = 0; ox < 2; ++ox) {
          int x = x0 + ox, y = y0 + oy;
          if (x >= left && x <= right && y >= top && y <= bottom) Set(x, y, c);
        }
      if (x0 == x1 && y0 == y1) break;
      int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  void Text(int x, int y, const std::string& text, Rgb c) {
    for (unsigned char ch : text) {
      int index = ch >= 32 && ch <= 126 ? ch - 32 : '?' - 32;
      for (int row = 0; row < kGlyphHeight; ++row)
        for (int col = 0; col < kGlyphWidth; ++col)
          if (kFont[index][row] & (0x10 >> col)) Set(x + col, y + row, c);
      x += kAdvance;
    }
  }

 private:
  RgbImage& image_;
};

int TextWidth(const std::string& text) {
  return text.empty() ? 0 : static_cast<int>(text.size()) * kAdvance - 1;
}

// The values of an axis's labelled ticks, low to high.
std::vector<double> Ticks(const AxisScale& scale) {
  std::vector<double> ticks;
  for (int k = 0; k < kMostTicks; ++k) {
    double v = scale.log ? scale.low * std::pow(10.0, k) : scale.low + k * scale.step;
    if (v > scale.high * (1 + 1e-12) + (scale.log ? 0.0 : std::fabs(scale.step) * 1e-9)) break;
    ticks.push_back(v);
  }
  return ticks;
}

struct Span {
  bool any = false;
  double min = 0.0, max = 0.0;
  void Add(double v) {
    if (!std::isfinite(v)) return;
    if (!any) min = max = v;
    min = std::min(min, v);
    max = std::max(max, v);
    any = true;
  }
};

double Fraction(const AxisScale& axis, double v) {
  if (axis.log) {
    double lo = std::log10(axis.low), hi = std::log10(axis.high);
    return hi > lo ? (std::log10(v) - lo) / (hi - lo) : 0.0;
  }
  return axis.high > axis.low ? (v - axis.low) / (axis.high - axis.low) : 0.0;
}

int Clamped(double pixel) {
  if (!(pixel > -100000.0)) return -100000;
  if (pixel > 100000.0) return 100000;
  return static_cast<int>(std::lround(pixel));
}

Rgb SeriesColour(size_t index) {
  return kSeriesColours[index % kSeriesColourCount];
}

}  // namespace

Rgb PixelAt(const RgbImage& image, int x, int y) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return {0, 0, 0};
  const uint8_t* p =
      &image.pixels[(static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 3];
  return {p[0], p[1], p[2]};
}

AxisScale NiceScale(double min, double max) {
  if (max < min) std::swap(min, max);
  double span = max - min;
  if (!std::isfinite(span)) return {min, max, max / 4 - min / 4, false};
  if (span <= std::max(std::fabs(min), std::fabs(max)) * 1e-12) {
    double pad = min == 0.0 ? 1.0 : std::fabs(min) * 0.1;
    min -= pad;
    max += pad;
    span = max - min;
  }
  double raw = span / 5;
  double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  double f = raw / magnitude;
  double step = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * magnitude;
  AxisScale scale;
  scale.step = step;
  scale.low = std::floor(min / step + 1e-9) * step;
  scale.high = std::ceil(max / step - 1e-9) * step;
  if (scale.high <= scale.low) scale.high = scale.low + step;
  return scale;
}

AxisScale DecadeScale(double min, double max) {
  if (max < min) std::swap(min, max);
  double lo = std::floor(std::log10(min) + 1e-9), hi = std::ceil(std::log10(max) - 1e-9);
  if (hi <= lo) hi = lo + 1;
  AxisScale scale;
  scale.low = std::pow(10.0, lo);
  scale.high = std::pow(10.0, hi);
  scale.step = 10.0;
  scale.log = true;
  return scale;
}

std::string TickLabel(const AxisScale& scale, double value) {
  char text[48];
  if (scale.log) {
    static const char* const kPrefixes[] = {"p", "n", "u", "m", "", "k", "M", "G", "T"};
    int exponent = static_cast<int>(std::lround(std::log10(value)));
    int group = static_cast<int>(std::floor(exponent / 3.0));
    if (group < -4 || group > 4) {
      snprintf(text, sizeof text, "1e%d", exponent);
    } else {
      snprintf(text, sizeof text, "%.0f%s", std::pow(10.0, exponent - 3 * group), kPrefixes[group + 4]);
    }
    return text;
  }
  if (std::fabs(value) < std::fabs(scale.step) * 1e-9) value = 0.0;
  double biggest = std::max(std::fabs(scale.low), std::fabs(scale.high));
  if (biggest >= 1e6 || scale.step < 1e-4) {
    snprintf(text, sizeof text, "%.3g", value);
  } else {
    int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(scale.step) + 1e-9)));
    snprintf(text, sizeof text, "%.*f", decimals, value);
  }
  return text;
}

ChartFrame LayOutChart(const ChartContent& content, int width, int height) {
  ChartFrame frame;
  Span x, left, right;
  for (const ChartSeries& s : content.series) {
    for (size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
      if (!std::isfinite(s.y[i]) || (content.logX && !(s.x[i] > 0))) continue;
      x.Add(s.x[i]);
      (s.rightAxis ? right : left).Add(s.y[i]);
      frame.hasRight |= s.rightAxis;
    }
  }
  if (content.limits.hasLow) left.Add(content.limits.low);
  if (content.limits.hasHigh) left.Add(content.limits.high);
  if (content.logX) {
    frame.x = x.any ? DecadeScale(x.min, x.max) : DecadeScale(1, 10);
  } else {
    frame.x = x.any ? NiceScale(x.min, x.max) : NiceScale(0, 1);
  }
  frame.yLeft = left.any ? NiceScale(left.min, left.max) : NiceScale(0, 1);
  frame.yRight = right.any ? NiceScale(right.min, right.max) : NiceScale(0, 1);
  int leftLabels = 0, rightLabels = 0;
  for (double v : Ticks(frame.yLeft)) leftLabels = std::max(leftLabels, TextWidth(TickLabel(frame.yLeft, v)));
  for (double v : Ticks(frame.yRight)) rightLabels = std::max(rightLabels, TextWidth(TickLabel(frame.yRight, v)));
  frame.left = 10 + leftLabels;
  frame.right = width - 1 - (frame.hasRight ? 10 + rightLabels : 16);
  frame.top = 30;
  frame.bottom = height - 1 - 30;
  if (frame.right <= frame.left) frame.right = frame.left + 1;
  if (frame.bottom <= frame.top) frame.bottom = frame.top + 1;
  return frame;
}

int ChartX(const ChartFrame& frame, double x) {
  return Clamped(frame.left + Fraction(frame.x, x) * (frame.right - frame.left));
}

int ChartY(const ChartFrame& frame, const AxisScale& axis, double y) {
  return Clamped(frame.bottom - Fraction(axis, y) * (frame.bottom - frame.top));
}

RgbImage RenderChart(const ChartContent& content, int width, int height) {
  RgbImage image;
  image.width = std::max(width, 1);
  image.height = std::max(height, 1);
  image.pixels.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3, 255);
  Canvas canvas(image);
  const ChartFrame f = LayOutChart(content, image.width, image.height);

  // Grid and tick labels.
  for (double v : Ticks(f.x)) {
    int px = ChartX(f, v);
    canvas.VLine(px, f.top, f.bottom, kGrid);
    canvas.VLine(px, f.bottom, f.bottom + 3, kFrame);
    std::string label = TickLabel(f.x, v);
    canvas.Text(px - TextWidth(label) / 2, f.bottom + 6, label, kText);
    if (f.x.log) {
      for (int m = 2; m <= 9 && v * m < f.x.high; ++m) canvas.VLine(ChartX(f, v * m), f.top, f.bottom, kMinorGrid);
    }
  }
  for (double v : Ticks(f.yLeft)) {
    int py = ChartY(f, f.yLeft, v);
    canvas.HLine(f.left, f.right, py, kGrid);
    canvas.HLine(f.left - 3, f.left, py, kFrame);
    std::string label = TickLabel(f.yLeft, v);
    canvas.Text(f.left - 5 - TextWidth(label), py - 3, label, kText);
  }
  if (f.hasRight) {
    for (double v : Ticks(f.yRight)) {
      int py = ChartY(f, f.yRight, v);
      canvas.HLine(f.right, f.right + 3, py, kFrame);
      canvas.Text(f.right + 6, py - 3, TickLabel(f.yRight, v), kText);
    }
  }
  if (f.yLeft.low < 0 && f.yLeft.high > 0) canvas.HLine(f.left, f.right, ChartY(f, f.yLeft, 0.0), kZeroLine);

  // The limit lines, dashed, with their names.
  const Limits& limits = content.limits;
  if (limits.hasHigh) {
    int py = ChartY(f, f.yLeft, limits.high);
    canvas.HLine(f.left, f.right, py, kLimitColour, 6);
    canvas.Text(f.left + 4, py - 10, "max", kLimitColour);
  }
  if (limits.hasLow) {
    int py = ChartY(f, f.yLeft, limits.low);
    canvas.HLine(f.left, f.right, py, kLimitColour, 6);
    canvas.Text(f.left + 4, py + 3, "min", kLimitColour);
  }

  // The series: lines between neighbouring numbers, a gap at a reading that
  // is not one; markers where the points are few enough to tell apart.
  for (size_t s = 0; s < content.series.size(); ++s) {
    const ChartSeries& series = content.series[s];
    const AxisScale& axis = series.rightAxis ? f.yRight : f.yLeft;
    const Rgb colour = SeriesColour(s);
    const size_t n = std::min(series.x.size(), series.y.size());
    const bool markers = n > 0 && n * 4 <= static_cast<size_t>(f.right - f.left);
    bool havePrevious = false;
    int px0 = 0, py0 = 0;
    for (size_t i = 0; i < n; ++i) {
      double x = series.x[i], y = series.y[i];
      if (!std::isfinite(y) || !std::isfinite(x) || (f.x.log && !(x > 0))) {
        havePrevious = false;
        continue;
      }
      int px = ChartX(f, x), py = ChartY(f, axis, y);
      if (havePrevious) canvas.Line(px0, py0, px, py, colour, f.left, f.top, f.right, f.bottom);
      if (markers) canvas.Fill(px - 1, py - 1, px + 1, py + 1, colour);
      havePrevious = true;
      px0 = px;
      py0 = py;
    }
    if (series.rightAxis) continue;
    for (size_t i = 0; i < n; ++i) {
      double x = series.x[i], y = series.y[i];
      if (!std::isfinite(y) || !std::isfinite(x) || (f.x.log && !(x > 0)) || !OutsideLimits(limits, y)) continue;
      int px = ChartX(f, x), py = ChartY(f, axis, y);
      // A red ring around the point, the point itself left in its colour.
      for (int d = -4; d <= 4; ++d) {
        canvas.Set(px + d, py - 4, kLimitColour);
        canvas.Set(px + d, py + 4, kLimitColour);
        canvas.Set(px - 4, py + d, kLimitColour);
        canvas.Set(px + 4, py + d, kLimitColour);
      }
    }
  }

  // Frame, axis names, legend, title and note.
  canvas.HLine(f.left, f.right, f.top, kFrame);
  canvas.HLine(f.left, f.right, f.bottom, kFrame);
  canvas.VLine(f.left, f.top, f.bottom, kFrame);
  canvas.VLine(f.right, f.top, f.bottom, kFrame);
  canvas.Text((f.left + f.right) / 2 - TextWidth(content.xLabel) / 2, f.bottom + 18, content.xLabel, kText);
  canvas.Text(6, 4, content.title, kText);
  if (!content.note.empty()) canvas.Text(image.width - 6 - TextWidth(content.note), 4, content.note, kLimitColour);
  int lx = f.left;
  for (size_t s = 0; s < content.series.size(); ++s) {
    std::string name = content.series[s].name + (content.series[s].rightAxis && f.hasRight ? " (right)" : "");
    canvas.Fill(lx, 17, lx + 9, 20, SeriesColour(s));
    canvas.Text(lx + 13, 15, name, kText);
    lx += 13 + TextWidth(name) + 14;
  }
  return image;
}

}  // namespace qb
