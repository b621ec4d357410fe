// The Connect dialog's decisions as plain functions: what the chosen
// interface shows, how the dialog's controls become the link's settings, what
// is missing before a connection can be tried, which probed COM ports are
// listed, and how stored defaults are read.
#pragma once

#include <string>

#include "link/instrument_link.h"

namespace qb {

// Interface choices in list order; the link kind is the index + 1.
constexpr int kInterfaceCount = 3;
extern const char* const kInterfaceNames[kInterfaceCount];  // "USB", "LAN", "Serial"
constexpr int kBaudRateCount = 6;
extern const char* const kBaudRateNames[kBaudRateCount];  // "1200" ... "38400"
constexpr int kUsbBaudRate = 19200;

// Which controls the dialog shows for the interface list's selection.
struct InterfaceLayout {
  bool showIpAddress;  // IP control and the search button
  bool showComPort;    // COM list
  bool showBaudRate;   // baud list and its label
  bool enableBaudRate;
  const char* portLabel;  // label 118
};
InterfaceLayout LayoutForInterface(int interfaceIndex);

// The dialog's controls as read: -1 or "" where nothing is selected.
struct ConnectDialogValues {
  int interfaceIndex = -1;
  std::string comPort;
  std::string baudRate;
  std::string ipAddress;  // the IP control's text; "0.0.0.0" is its empty state
};

// Copies the dialog's values into the link's settings.
void ApplyConnectDialog(const ConnectDialogValues& values, InstrumentLink& link);
// The message that says what is missing, or nullptr when the settings are
// complete enough to try.
const char* ConnectSettingsProblem(const InstrumentLink& link);

// Whether the COM port probe lists a port: it opened, or it exists but is busy
// (access denied, general failure, sharing violation).
bool ComProbeListsPort(bool opened, unsigned long error);

// Stored defaults into the link: kind, port name (at most 6 characters), baud
// rate, IP address (at most 15 characters). A kind outside 0-3 or a negative
// baud rate, as a damaged settings file may hold, reads as not chosen.
void ApplyStoredConnection(long interfaceKind, const std::string& comPort, long baudRate, const std::string& ipAddress,
                           InstrumentLink& link);

// <local application data>\Quartzline\Quillboxer and the .ini file in it.
std::string SettingsFolderFor(const std::string& localAppData);
std::string SettingsFileFor(const std::string& settingsFolder);

// Copies text into a fixed field, at most maxChars characters, terminated.
void CopyField(char* field, size_t fieldSize, const std::string& text, size_t maxChars);

}  // namespace qb

namespace qb {

// What the window shows of a link, decided here and nowhere else: connected
// only while the link is open and the instrument answered "*IDN?". A link
// that opened but stayed silent is shown (and reported) as failed and is to
// be closed, so nothing polls an instrument the window calls disconnected.
struct ShownLinkState {
  bool connected;
  bool closeLink;       // the link is open but must not stay so
  int dictionaryMode;   // the command assistant's mode; 0 when not connected
  const char* outcome;  // "Connection Successful" or "Connection Failed"
};
ShownLinkState ShownStateOf(const InstrumentLink& link);

// The command assistant's mode for an identified family: 1 for the HXA models
// (families 1-5), 2 for family 8, 0 otherwise.
int DictionaryModeForFamily(int family);

}  // namespace qb
