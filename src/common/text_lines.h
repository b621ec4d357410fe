// Small text helpers shared by the shell and the features.
#pragma once

#include <string>

namespace qb {

// Removes every carriage return and line feed, closing the gaps.
std::string StripLineEnds(const std::string& text);

}  // namespace qb
