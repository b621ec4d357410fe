// Small text helpers shared by the shell and the features.
#include "common/text_lines.h"

namespace qb {

std::string StripLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

}  // namespace qb
