// A job reporter that records every call a long job makes (status lines, log
// lines, progress styles, totals, steps, percentages), for the tests of the
// upgrade, the store exchanges and the screen capture. Header-only.
#pragma once

#include <string>
#include <vector>

#include "common/job_reporter.h"

namespace qbtest {

class RecordingReporter final : public qb::JobReporter {
 public:
  void Status(const std::string& text) override { statuses.push_back(text); }
  void Log(const std::string& line) override { logs.push_back(line); }
  void Style(qb::ProgressStyle style) override { styles.push_back(style); }
  void Total(int total) override { totals.push_back(total); }
  void Step(int count) override { steps.push_back(count); }
  void Percent(int percent) override { percents.push_back(percent); }

  std::vector<std::string> statuses, logs;
  std::vector<qb::ProgressStyle> styles;
  std::vector<int> totals, steps, percents;
};

// How often needle stands in text, overlapping runs counted.
inline size_t CountOf(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
  return count;
}

}  // namespace qbtest
