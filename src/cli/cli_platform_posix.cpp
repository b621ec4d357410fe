// The console program's operating-system services on POSIX systems. A serial
// port named by its device path is reached the way the serial driver finds
// every port: as "com1" in a device folder, here a private folder of this
// process holding a symlink to the device.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "cli/cli_platform.h"
#include "connection/connect_settings.h"
#include "link/serial.h"

namespace qb {

bool StandardStreamIsTerminal(int fd) {
  return isatty(fd) == 1;
}

namespace {

std::string PrivateDeviceFolder;

void RemovePrivateDeviceFolder() {
  if (PrivateDeviceFolder.empty()) return;
  unlink((PrivateDeviceFolder + "/com1").c_str());
  rmdir(PrivateDeviceFolder.c_str());
}

}  // namespace

bool UseSerialPort(const std::string& port, InstrumentLink& link, std::string& message) {
  if (port.find('/') == std::string::npos) {
    if (!PortNameUsable(port.c_str()) || port.size() >= sizeof link.portName) {
      message = "Unusable serial port name " + port;
      return false;
    }
    CopyField(link.portName, sizeof link.portName, port, sizeof link.portName - 1);
    return true;
  }
  if (access(port.c_str(), F_OK) != 0) {
    message = "Unable to open port " + port;
    return false;
  }
  if (PrivateDeviceFolder.empty()) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillbox-cli.XXXXXX";
    if (!mkdtemp(&pattern[0])) {
      message = "Unable to open port " + port + " (no temporary folder)";
      return false;
    }
    PrivateDeviceFolder = pattern;
    atexit(RemovePrivateDeviceFolder);
  }
  std::string entry = PrivateDeviceFolder + "/com1";
  unlink(entry.c_str());
  if (symlink(port.c_str(), entry.c_str()) != 0) {
    message = "Unable to open port " + port;
    return false;
  }
  SetSerialDeviceFolder(PrivateDeviceFolder.c_str());
  CopyField(link.portName, sizeof link.portName, "COM1", sizeof link.portName - 1);
  return true;
}

bool LoadStoredConnection(InstrumentLink&) {
  return false;
}

}  // namespace qb
