// The trend's and the sweep's chart as a plain function from the data to an
// RGB image: a line per series, a time or setting axis along the bottom
// (linear, or logarithmic for a logarithmic sweep), an auto-scaled value axis
// at the left and, for series that ask for it, a second one at the right,
// grid lines, the limit lines with the readings outside them marked, a
// legend, a title and a note (such as "incomplete"). Axis labels use a small
// built-in bitmap font. The window shows the image; the PNG is the image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "measure/measure_values.h"

namespace qb {

// Rows top to bottom, three bytes (red, green, blue) a pixel.
struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
};
struct Rgb {
  uint8_t r, g, b;
};
Rgb PixelAt(const RgbImage& image, int x, int y);

struct ChartSeries {
  std::string name;
  std::vector<double> x, y;  // y not a number (NaN): a gap, nothing drawn
  bool rightAxis = false;
};

struct ChartContent {
  std::string title, xLabel, note;
  bool logX = false;
  std::vector<ChartSeries> series;
  Limits limits;  // drawn on the left axis; readings of left-axis series outside them marked
};

// One axis: the span it shows and the step between its labelled ticks (a
// logarithmic axis shows whole decades and ticks at each).
struct AxisScale {
  double low = 0.0, high = 1.0, step = 1.0;
  bool log = false;
};
// A span from low to high with a step of 1, 2 or 5 times a power of ten,
// about five steps wide, covering min..max (a single value gets room around
// it); min and max must be finite.
AxisScale NiceScale(double min, double max);
// Whole decades covering min..max (both above zero).
AxisScale DecadeScale(double min, double max);
// A tick's label: as many decimals as the step needs; a logarithmic axis's
// decades with SI prefixes ("100", "1k", "10M", "1m").
std::string TickLabel(const AxisScale& scale, double value);

// Where the chart draws: the plot area in pixels and the three axes.
struct ChartFrame {
  int left = 0, top = 0, right = 0, bottom = 0;
  AxisScale x, yLeft, yRight;
  bool hasRight = false;
};
ChartFrame LayOutChart(const ChartContent& content, int width, int height);
// The pixel column of an x value and the pixel row of a value on an axis.
int ChartX(const ChartFrame& frame, double x);
int ChartY(const ChartFrame& frame, const AxisScale& axis, double y);

// The colours the chart uses, for the window's legend and the tests.
constexpr Rgb kChartBackground = {255, 255, 255};
constexpr Rgb kLimitColour = {214, 0, 0};
constexpr Rgb kSeriesColours[] = {{0, 84, 200}, {232, 118, 0}, {0, 150, 64}, {140, 40, 170}};
constexpr int kSeriesColourCount = 4;

// The chart at width x height (each at least 120 x 80 is sensible; smaller
// sizes still draw what fits).
RgbImage RenderChart(const ChartContent& content, int width, int height);

// The size of a chart saved as a PNG file.
constexpr int kSavedChartWidth = 960, kSavedChartHeight = 540;

// Writes the image as a PNG file; false with the reason in error.
bool WritePngFile(const std::string& path, const RgbImage& image, std::string& error);

}  // namespace qb
