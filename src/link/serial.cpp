// The parts of the serial driver that both platforms share: the line read on
// top of the platform's one-byte wait, and the checks on a port name.
#include "link/serial.h"

#include <cstring>

namespace qb {

int SerialReadLine(intptr_t handle, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  memset(buffer, 0, static_cast<size_t>(size));
  int stored = 0;
  while (stored < size - 1) {
    unsigned char byte;
    if (SerialReadWait(handle, &byte) != 1) break;
    buffer[stored++] = static_cast<char>(byte);
    if (byte == '\n') break;
  }
  // The line ends at its first carriage return; a bare line feed stays.
  const void* cr = memchr(buffer, '\r', static_cast<size_t>(stored));
  if (cr) {
    stored = static_cast<int>(static_cast<const char*>(cr) - buffer);
    buffer[stored] = '\0';
  }
  return stored;
}

// A port name is a plain device name: not empty, and no path of its own.
bool PortNameUsable(const char* portName) {
  if (!portName || !*portName) return false;
  return strpbrk(portName, "\\/:") == nullptr;
}

}  // namespace qb
