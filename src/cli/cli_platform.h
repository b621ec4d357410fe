// What the console program needs from the operating system beyond the
// standard library: whether a standard stream is a terminal, how a serial
// port given on the command line becomes the link's port name, and the
// connection settings the main window stored; the name lookup of a LAN
// host, and the program started again as a child for each instrument of a
// bench.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// The dotted IPv4 address of a host: given dotted, as it is; a name, as the
// system's resolver finds it. False when it finds none.
bool ResolveIpv4(const std::string& host, std::string& dotted);

// The path of the running program, "" when unknown.
std::string OwnProgramPath();

// Starts program with the arguments, standard input empty and standard
// output and error both going to the file outputPath. A handle for
// WaitChild, or -1 when it could not be started.
intptr_t StartChild(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& outputPath);
// Waits for the child to end: its exit code, or -1 when it did not exit
// (killed, crashed).
int WaitChild(intptr_t child);

}  // namespace qb
