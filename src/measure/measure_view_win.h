// What the Trend window and the Sweep dialog share on Windows: the chart
// image painted into an owner-drawn control, the Save As dialog for CSV and
// PNG files, a control's text and a number typed into it.
#pragma once

#include <windows.h>

#include <string>

#include "measure/chart.h"

namespace qb {

// Paints the chart content, drawn at the control's size, into the item.
void PaintChart(const DRAWITEMSTRUCT& item, const ChartContent& content);

// The Save As dialog with the title, for files of the extension ("csv",
// "png"); the path chosen (with the extension added when it has none), or
// "" when cancelled.
std::string AskSavePath(HWND owner, const char* title, const char* extension);

std::string ControlString(HWND dialog, int id);
// An empty control gives present = false; a number gives present = true;
// anything else false.
bool ControlNumber(HWND dialog, int id, bool& present, double& value);

// The chart saved as a PNG (of kSavedChartWidth x kSavedChartHeight) through
// AskSavePath.
void SaveChartAsPng(HWND owner, const ChartContent& content, const char* caption);

}  // namespace qb
