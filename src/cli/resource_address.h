// Instrument addresses as the console program takes them: the standard
// resource strings of test benches, case-insensitive,
//   TCPIP[n]::HOST::PORT::SOCKET   a raw socket at PORT
//   TCPIP[n]::HOST::INSTR          the instrument's own LAN port, 10001
//   ASRLn::INSTR, ASRLCOMn::INSTR  serial port COMn (n from 1 to 254)
// and the plain forms: a host name or dotted IPv4 address for the LAN, COMn
// or (natively) a device path for a serial port.
#pragma once

#include <string>

namespace qb {

struct ResourceAddress {
  enum Kind { Lan, Serial } kind = Lan;
  std::string host;    // Lan: as given, a name or dotted IPv4
  int port = 0;        // Lan: 0 = the instrument's port
  std::string serial;  // Serial: "COMn" or a device path
};

// What the address was given as: which forms are taken.
enum class AddressUse { Any, Lan, Serial };

// Parses text. False with the reason (one line naming the text) when it is
// not an address of the kind the use takes.
bool ParseResourceAddress(const std::string& text, AddressUse use, ResourceAddress& address, std::string& error);

// The address as a resource string: "TCPIP::10.0.0.5::INSTR",
// "TCPIP::host::5025::SOCKET", "ASRL3::INSTR" (a device path as it is).
std::string ResourceText(const ResourceAddress& address);

// The text made fit for a file name: everything but letters, digits, '.' and
// '-' becomes '_'.
std::string FileSafe(const std::string& text);

}  // namespace qb
