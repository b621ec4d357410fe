// The virtual LAN that tests/support/lan-netns.sh builds of network
// namespaces: whether this process runs on it, and the addresses of the
// instruments on it. Tests that broadcast run only there.
#pragma once

#include <string>

namespace qbtest {

// True only inside the virtual LAN: the script said so, and this process's
// network namespace is neither the one the script started in nor (where it
// can be read) that of process 1.
bool OnVirtualLan();
// The address (or, for NAME_pid and the like, the value) the script gave an
// instrument of tests/support/lan-instruments.txt; "" when none.
std::string Instrument(const char* name);

}  // namespace qbtest

#define REQUIRE_VIRTUAL_LAN()                                                                         \
  if (!OnVirtualLan())                                                                                \
  GTEST_SKIP() << "broadcasts only inside the virtual LAN of tests/support/lan-netns.sh (CTest test " \
                  "netns.LanSearch)"
