// The LAN search's process-wide socket state, shared by the UDP drivers; see
// udp.h.
#include "link/udp.h"

#include "link/instrument_link.h"

namespace qb {

DiscoverySocketState DiscoverySocket = {kNoHandle, 0, 0};

}  // namespace qb
