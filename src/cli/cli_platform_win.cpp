// The console program's operating-system services on Windows: console
// checks through the C runtime, "COMn" ports as the serial driver opens them,
// and the connection stored by the main window's "Save as Default".
#include <io.h>
#include <windows.h>

#include "cli/cli_platform.h"
#include "connection/connect_settings.h"
#include "connection/connect_settings_win.h"
#include "link/serial.h"

namespace qb {

bool StandardStreamIsTerminal(int fd) {
  return _isatty(fd) != 0;
}

bool UseSerialPort(const std::string& port, InstrumentLink& link, std::string& message) {
  if (!PortNameUsable(port.c_str()) || port.size() >= sizeof link.portName) {
    message = "Unusable serial port name " + port;
    return false;
  }
  CopyField(link.portName, sizeof link.portName, port, sizeof link.portName - 1);
  return true;
}

bool LoadStoredConnection(InstrumentLink& link) {
  std::string folder = LocalAppDataFolder();
  if (folder.empty()) return false;
  std::string file = SettingsFileFor(SettingsFolderFor(folder));
  if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  LoadConnectionSettings(file.c_str(), link);
  return link.kind != LINK_NONE;
}

}  // namespace qb
