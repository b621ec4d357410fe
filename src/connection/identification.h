// Identification of the instrument on a link: ask "*IDN?", classify the
// reply into an InstrumentFamily and keep the reply as the link's
// identification text. Connect mode (report false, probe 0) opens the link and
// leaves it open; check mode (any other combination) identifies, reports if
// asked and closes the link again. Messages and the wait cursor go through the
// user-interface seam (common/ui_seam.h).
#pragma once

#include <cstdint>

#include "link/instrument_link.h"

namespace qb {

enum InstrumentFamily : int32_t {
  FAMILY_UNKNOWN = 0,
  FAMILY_HXA15 = 1,
  FAMILY_HXA25 = 2,
  FAMILY_HXA26 = 3,
  FAMILY_HXA55 = 4,
  FAMILY_HXA5 = 5,  // "5" followed by anything but a second "5"
  FAMILY_KRV17 = 6,
  FAMILY_HXA45 = 7,
  FAMILY_ZTQ = 8,  // also the second brand's instruments
};

constexpr char kIdentifyQuery[] = "*IDN?\n";
constexpr int kIdentifyAttempts = 5;
constexpr int kIdentifyReplySize = 128;
constexpr int kConnectModeTimeoutMs = 100;
constexpr int kCheckModeTimeoutMs = 500;

// Whether the reply begins with one of the makers' prefixes that
// identification accepts.
bool HasAcceptedPrefix(const char* reply);
// The family code of an identification reply (0 when not recognised).
int32_t ClassifyIdentification(const char* reply);

// Identifies the instrument on the link; see the file comment for the modes.
// owner is the window that owns the message boxes (null for none).
bool IdentifyInstrument(void* owner, InstrumentLink* link, bool report, int probe);

}  // namespace qb
