// The Connect dialog's rules; connect_dialog_win.cpp applies them to the
// dialog's controls.
#include "connection/connect_settings.h"

#include <cstdlib>
#include <cstring>

namespace qb {

const char* const kInterfaceNames[kInterfaceCount] = {"USB", "LAN", "Serial"};
const char* const kBaudRateNames[kBaudRateCount] = {"1200", "2400", "4800", "9600", "19200", "38400"};

InterfaceLayout LayoutForInterface(int interfaceIndex) {
  if (interfaceIndex == LINK_LAN - 1) return {true, false, false, false, "IP Address:"};
  return {false, true, true, interfaceIndex == LINK_SERIAL - 1, "Com Port:"};
}

void CopyField(char* field, size_t fieldSize, const std::string& text, size_t maxChars) {
  size_t n = text.size();
  if (n > maxChars) n = maxChars;
  if (n > fieldSize - 1) n = fieldSize - 1;
  memcpy(field, text.data(), n);
  field[n] = '\0';
}

void ApplyConnectDialog(const ConnectDialogValues& values, InstrumentLink& link) {
  if (values.interfaceIndex >= 0 && values.interfaceIndex < kInterfaceCount) link.kind = values.interfaceIndex + 1;
  if (!values.comPort.empty()) CopyField(link.portName, sizeof link.portName, values.comPort, 6);
  if (!values.baudRate.empty()) link.baudRate = atoi(values.baudRate.c_str());
  if (link.kind == LINK_USB) link.baudRate = kUsbBaudRate;
  std::string ip = values.ipAddress.substr(0, 127);
  if (ip == "0.0.0.0") ip.clear();
  CopyField(link.ipAddress, sizeof link.ipAddress, ip, 15);
}

const char* ConnectSettingsProblem(const InstrumentLink& link) {
  if (link.kind == LINK_LAN) return link.ipAddress[0] ? nullptr : "Please enter an IP address";
  if (link.kind == LINK_USB || link.kind == LINK_SERIAL) {
    if (!link.portName[0]) return "Please select a COM Port";
    if (link.baudRate == 0) return "Please choose a baudrate";
  }
  return nullptr;
}

bool ComProbeListsPort(bool opened, unsigned long error) {
  return opened || error == 5 || error == 31 || error == 32;
}

void ApplyStoredConnection(long interfaceKind, const std::string& comPort, long baudRate, const std::string& ipAddress,
                           InstrumentLink& link) {
  link.kind = interfaceKind >= LINK_NONE && interfaceKind <= LINK_SERIAL ? static_cast<int32_t>(interfaceKind) : 0;
  CopyField(link.portName, sizeof link.portName, comPort, 6);
  link.baudRate = baudRate > 0 && baudRate <= 10000000 ? static_cast<int32_t>(baudRate) : 0;
  CopyField(link.ipAddress, sizeof link.ipAddress, ipAddress, 15);
}

}  // namespace qb

namespace qb {

ShownLinkState ShownStateOf(const InstrumentLink& link) {
  bool connected = link.ConnectedFlag && link.identification[0] != '\0';
  return {connected, link.ConnectedFlag && !connected, connected ? DictionaryModeForFamily(link.family) : 0,
          connected ? "Connection Successful" : "Connection Failed"};
}

int DictionaryModeForFamily(int family) {
  if (family >= 1 && family <= 5) return 1;
  if (family == 8) return 2;
  return 0;
}

std::string SettingsFolderFor(const std::string& localAppData) {
  return localAppData + "\\Quartzline\\Quillboxer";
}

std::string SettingsFileFor(const std::string& settingsFolder) {
  return settingsFolder + "\\Quillboxer.ini";
}

}  // namespace qb
