// Instrument addresses: resource strings and plain forms; see
// resource_address.h.
#include "cli/resource_address.h"

#include <cctype>
#include <vector>

namespace qb {

namespace {

constexpr int kHighestComPort = 254;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// A decimal number from 1 to highest, digits only.
int NumberUpTo(const std::string& text, int highest) {
  if (!AllDigits(text) || text.size() > 6) return 0;
  int value = std::stoi(text);
  return value <= highest ? value : 0;
}

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t at; (at = text.find("::", start)) != std::string::npos; start = at + 2) {
    fields.push_back(text.substr(start, at - start));
  }
  fields.push_back(text.substr(start));
  return fields;
}

bool HostUsable(const std::string& host) {
  if (host.empty()) return false;
  for (char c : host) {
    unsigned char u = static_cast<unsigned char>(c);
    if (!(isalnum(u) || c == '.' || c == '-' || c == '_')) return false;
  }
  return true;
}

// "COMn" in any case, n from 1 to 254.
bool IsComPort(const std::string& text) {
  return Upper(text).compare(0, 3, "COM") == 0 && NumberUpTo(text.substr(3), kHighestComPort) != 0;
}

// "TCPIP", "TCPIP0", "ASRL3", "ASRLCOM3": a resource string's start alone.
bool LooksLikeBoard(const std::string& text) {
  std::string upper = Upper(text);
  if (upper.compare(0, 5, "TCPIP") == 0) return upper.size() == 5 || AllDigits(upper.substr(5));
  if (upper.compare(0, 4, "ASRL") != 0) return false;
  return AllDigits(upper.substr(upper.compare(4, 3, "COM") == 0 ? 7 : 4));
}

class Parse {
 public:
  Parse(const std::string& text, std::string& error) : text_(text), error_(error) {}
  bool Refuse(const std::string& why) {
    error_ = "Not an instrument address: \"" + text_ + "\" (" + why + ")";
    return false;
  }

  bool Resource(ResourceAddress& address) {
    std::vector<std::string> fields = Fields(text_);
    std::string board = Upper(fields[0]);
    std::string last = Upper(fields.back());
    if (board.compare(0, 5, "TCPIP") == 0 && (board.size() == 5 || AllDigits(board.substr(5)))) {
      address.kind = ResourceAddress::Lan;
      if (fields.size() < 3 || (last != "INSTR" && last != "SOCKET")) {
        return Refuse(fields.size() > 4 ? "trailing text" : "it ends in neither ::INSTR nor ::SOCKET");
      }
      if (fields.size() != (last == "INSTR" ? 3u : 4u)) {
        return Refuse(last == "INSTR" ? "TCPIP::HOST::INSTR has no port" : "want TCPIP::HOST::PORT::SOCKET");
      }
      address.host = fields[1];
      if (address.host.empty()) return Refuse("no host");
      if (!HostUsable(address.host)) return Refuse("not a host name or IPv4 address: " + address.host);
      if (last == "SOCKET") {
        address.port = NumberUpTo(fields[2], 65535);
        if (address.port == 0) return Refuse("the port must be a number from 1 to 65535");
      }
      return true;
    }
    if (board.compare(0, 4, "ASRL") == 0) {
      address.kind = ResourceAddress::Serial;
      std::string number = board.substr(board.compare(4, 3, "COM") == 0 ? 7 : 4);
      if (!AllDigits(number)) return Refuse("want ASRLn::INSTR");
      int port = NumberUpTo(number, kHighestComPort);
      if (port == 0) return Refuse("serial ports are 1 to 254");
      if (fields.size() == 1 || last != "INSTR") return Refuse("it does not end in ::INSTR");
      if (fields.size() != 2) return Refuse("trailing text");
      address.serial = "COM" + std::to_string(port);
      return true;
    }
    return Refuse("known boards: TCPIP and ASRL");
  }

 private:
  const std::string& text_;
  std::string& error_;
};

}  // namespace

bool ParseResourceAddress(const std::string& text, AddressUse use, ResourceAddress& address, std::string& error) {
  address = ResourceAddress{};
  Parse parse(text, error);
  if (text.empty()) return parse.Refuse("empty");
  if (text.find("::") != std::string::npos || LooksLikeBoard(text)) {
    if (!parse.Resource(address)) return false;
  } else if (use == AddressUse::Serial ||
             (use == AddressUse::Any && (IsComPort(text) || text.find('/') != std::string::npos))) {
    address.kind = ResourceAddress::Serial;
    address.serial = text;
  } else {
    address.kind = ResourceAddress::Lan;
    address.host = text;
    if (!HostUsable(text)) return parse.Refuse("not a host name or IPv4 address");
  }
  if (use == AddressUse::Lan && address.kind != ResourceAddress::Lan) return parse.Refuse("not a LAN address");
  if (use == AddressUse::Serial && address.kind != ResourceAddress::Serial) return parse.Refuse("not a serial port");
  return true;
}

std::string ResourceText(const ResourceAddress& address) {
  if (address.kind == ResourceAddress::Serial) {
    return IsComPort(address.serial) ? "ASRL" + address.serial.substr(3) + "::INSTR" : address.serial;
  }
  if (address.port == 0) return "TCPIP::" + address.host + "::INSTR";
  return "TCPIP::" + address.host + "::" + std::to_string(address.port) + "::SOCKET";
}

std::string FileSafe(const std::string& text) {
  std::string safe = text;
  for (char& c : safe) {
    unsigned char u = static_cast<unsigned char>(c);
    if (!(isalnum(u) || c == '.' || c == '-')) c = '_';
  }
  return safe;
}

}  // namespace qb
