// Makes a host path (the simulator's pseudo-terminal) reachable as port COMn
// for the program's serial driver: under Wine through the registry and the
// prefix's dosdevices symlink, natively through a symlink "comN" in the serial
// device folder of this test process.
#pragma once

#include <string>

namespace qbtest {

bool MapComPort(int number, const std::string& hostPath);
void UnmapComPort(int number);

}  // namespace qbtest
