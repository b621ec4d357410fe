// The virtual LAN's facts as lan-netns.sh hands them to the command it runs.
#include <unistd.h>

#include <cctype>
#include <cstdlib>

#include "support/virtual_lan.h"

namespace qbtest {

namespace {

std::string NetNamespaceOf(const char* process) {
  char link[256] = "";
  ssize_t n = readlink((std::string("/proc/") + process + "/ns/net").c_str(), link, sizeof link - 1);
  return n > 0 ? std::string(link, static_cast<size_t>(n)) : "";
}

}  // namespace

// True only inside the virtual LAN: the script said so, and this process's
// network namespace is neither the one the script started in nor (where it
// can be read) that of process 1.
bool OnVirtualLan() {
  const char* ns = getenv("QB_LAN_NETNS");
  const char* outside = getenv("QB_LAN_OUTSIDE_NETNS");
  if (!ns || !*ns || !outside || !*outside) return false;
  std::string mine = NetNamespaceOf("self"), first = NetNamespaceOf("1");
  return !mine.empty() && mine != outside && mine != first;
}

std::string Instrument(const char* name) {
  std::string key = "QB_LAN_" + std::string(name);
  for (char& c : key) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const char* value = getenv(key.c_str());
  return value ? value : "";
}

}  // namespace qbtest
