// The fixed-pitch face reports and columns are drawn in: the first face of a
// fallback list that the system has, so columns line up on a system (a Wine
// prefix, say) that lacks the first choice. The Win32 half asks the system
// which faces it has; the choice itself is a plain function.
#pragma once

#include <string>
#include <vector>

namespace qb {

// The faces in order of preference.
const std::vector<std::string>& FixedFaceFallbacks();

// The first fallback face among the available faces (compared without regard
// to case); the first fallback when none is there, for a renderer to map.
std::string ChooseFixedFace(const std::vector<std::string>& available);

// The chosen face for this system, found once (the first fallback where the
// system cannot be asked).
const std::string& SystemFixedFace();

}  // namespace qb
