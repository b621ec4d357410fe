// Helpers for writing the constant command-set tables: a keyword list made
// from an array of words, with its length taken from the array.
#pragma once

#include <cstddef>

#include "assist/command_dictionary.h"

namespace qb {

template <size_t N>
constexpr KeywordList MakeKeywordList(const char* const (&words)[N]) {
  return KeywordList{words, static_cast<int>(N)};
}

}  // namespace qb
