// What the console program needs from the operating system beyond the
// standard library: whether a standard stream is a terminal, how a serial
// port given on the command line becomes the link's port name, and the
// connection settings the main window stored.
#pragma once

#include <string>

#include "link/instrument_link.h"

namespace qb {

// fd 0, 1 or 2.
bool StandardStreamIsTerminal(int fd);

// Sets the link's port name for the serial port the user named: "COMn" as it
// is; natively also a device path ("/dev/ttyUSB0"), which is reached through a
// private device folder. False with a message when the port cannot be used.
bool UseSerialPort(const std::string& port, InstrumentLink& link, std::string& message);

// Reads the connection the main window stored into the link. False when
// there is none (natively there never is).
bool LoadStoredConnection(InstrumentLink& link);

}  // namespace qb
