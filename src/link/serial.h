// The serial driver behind links of kind USB and Serial: 8 data bits, no
// parity, one stop bit, no flow control, DTR off and RTS on, 4096-byte queues,
// a read time-out that returns a byte at once when one is queued and otherwise
// waits up to the time-out for one. Win32 (serial_win.cpp) and POSIX termios
// (serial_posix.cpp) drivers provide the same functions with the same
// behaviour; handles are kNoHandle when none is open.
#pragma once

#include <cstdint>

namespace qb {

constexpr int kSerialQueueSize = 4096;

// Opens and configures the port at the device path; a handle, or kNoHandle
// when any step failed (nothing is left open then).
intptr_t SerialOpen(const char* devicePath, int baudRate);
// Purges and closes the port if it is open; the handle becomes kNoHandle.
void SerialClose(intptr_t& handle);
// Writes the text's characters (not its terminator); the count written, 0 on
// failure.
int SerialWrite(intptr_t handle, const char* text);
// One queued byte without waiting (0-255), -2 when none is queued, -1 on a read
// error.
int SerialReadByte(intptr_t handle);
// Reads one reply line: up to and including a line feed, at most size - 1
// bytes, each byte waiting up to the read time-out; the text is cut at its
// first carriage return. Returns the length kept (never negative).
int SerialReadLine(intptr_t handle, char* buffer, int size);
// Sets the read time-out; whether the port accepted it.
bool SerialSetReadTimeout(intptr_t handle, int milliseconds);

// Waits up to the read time-out for one byte: 1 with the byte, 0 when none
// came in time, -1 when the read failed. The line read is built on it.
int SerialReadWait(intptr_t handle, unsigned char* byte);

// The device path for a port name ("COM12"): \\.\COM12 on Windows, the
// lower-cased name in the serial device folder natively. False when the name
// is empty, holds a path separator or does not fit.
bool SerialDevicePath(const char* portName, char* out, int size);
// A port name is usable when it is not empty and holds no path separator.
bool PortNameUsable(const char* portName);
// True when handle refers to an open port.
inline bool SerialHandleValid(intptr_t handle) {
  return handle != -1 && handle != 0;
}

#ifndef _WIN32
// Natively, ports are found the way Wine finds them: the folder holds "comN"
// (lower case), usually a symlink to a terminal device. Default "/dev".
void SetSerialDeviceFolder(const char* folder);
const char* SerialDeviceFolder();
#endif

}  // namespace qb
