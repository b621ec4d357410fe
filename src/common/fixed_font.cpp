// The fixed-pitch face choice; see fixed_font.h.
#include "common/fixed_font.h"

#include <cctype>

namespace qb {

namespace {

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

const std::vector<std::string>& FixedFaceFallbacks() {
  static const std::vector<std::string> faces = {"Courier New", "DejaVu Sans Mono", "Liberation Mono", "Lucida Console",
                                                 "Courier"};
  return faces;
}

std::string ChooseFixedFace(const std::vector<std::string>& available) {
  for (const std::string& face : FixedFaceFallbacks()) {
    for (const std::string& have : available) {
      if (SameNoCase(face, have)) return face;
    }
  }
  return FixedFaceFallbacks().front();
}

}  // namespace qb
