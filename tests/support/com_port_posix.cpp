// COM ports natively: the serial driver looks for "comN" in its device
// folder; this process gets a scratch folder of its own for that.
#include <unistd.h>

#include "link/serial.h"
#include "support/com_port.h"
#include "support/host.h"

namespace qbtest {

static const std::string& DeviceFolder() {
  static const std::string folder = [] {
    std::string dir = MakeScratchDir("dosdevices");
    qb::SetSerialDeviceFolder(dir.c_str());
    return dir;
  }();
  return folder;
}

bool MapComPort(int number, const std::string& hostPath) {
  std::string link = DeviceFolder() + "/com" + std::to_string(number);
  unlink(link.c_str());
  return symlink(hostPath.c_str(), link.c_str()) == 0;
}

void UnmapComPort(int number) {
  unlink((DeviceFolder() + "/com" + std::to_string(number)).c_str());
}

}  // namespace qbtest
