// The fixed-pitch face where no font list can be asked for: the first choice.
#include "common/fixed_font.h"

namespace qb {

const std::string& SystemFixedFace() {
  static const std::string face = FixedFaceFallbacks().front();
  return face;
}

}  // namespace qb
