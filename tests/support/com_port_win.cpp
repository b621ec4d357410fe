// COM ports under Wine: HKLM\Software\Wine\Ports names the device, and the
// prefix's dosdevices/comN symlink is what Wine opens.
#include <windows.h>

#include <cstdlib>

#include "support/com_port.h"
#include "support/host.h"

namespace qbtest {

bool MapComPort(int number, const std::string& hostPath) {
  std::string name = "COM" + std::to_string(number);
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(hostPath.c_str()),
                 static_cast<DWORD>(hostPath.size() + 1));
  RegCloseKey(key);
  const char* prefix = getenv("WINEPREFIX");
  if (!prefix) return false;
  std::string link = std::string(prefix) + "/dosdevices/com" + std::to_string(number);
  return RunHost({"/bin/ln", "-sfn", hostPath, link}) == 0;
}

void UnmapComPort(int number) {
  std::string name = "COM" + std::to_string(number);
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
  }
  const char* prefix = getenv("WINEPREFIX");
  if (prefix) RunHost({"/bin/rm", "-f", std::string(prefix) + "/dosdevices/com" + std::to_string(number)});
}

}  // namespace qbtest
