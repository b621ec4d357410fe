// How a long job tells whoever started it what it is doing. The upgrade
// transfer, the results scan and download and the screen capture are portable
// functions over the instrument link that take a JobReporter: the Win32
// dialogs' reporters post the UPG_* / TASK_* commands to their dialog, the
// console program prints, and tests record every call.
//
// A job calls its reporter from the thread it runs on; a reporter that hands
// text to another thread copies it.
#pragma once

#include <string>

namespace qb {

enum class ProgressStyle {
  Counts,         // "Progress: 3/8"
  Percent,        // "37% Complete"
  TimeRemaining,  // "Estimated time remaining: 2 Minutes"
};

class JobReporter {
 public:
  // The status line (the progress dialog's status text, the upgrade's status).
  virtual void Status(const std::string& text) = 0;
  // One line of the upgrade log.
  virtual void Log(const std::string& line) { (void)line; }
  // How the progress line shows the counts that follow.
  virtual void Style(ProgressStyle style) { (void)style; }
  // Announces the total units; the count goes back to 0.
  virtual void Total(int total) { (void)total; }
  // Count = count, or one more when count is 0 (TASK_STEP's rule).
  virtual void Step(int count) { (void)count; }
  // A whole percentage (the upgrade's progress bar).
  virtual void Percent(int percent) { (void)percent; }

 protected:
  ~JobReporter() = default;
};

}  // namespace qb
