// The Connect dialog (resource 121): interface, COM port, baud rate or IP
// address, with Test, Save as Default, the LAN search, Connect and Cancel.
#pragma once

#include <windows.h>

namespace qb {

// Runs the dialog modally over the main link. Returns 1 when the connection
// produced an identification text, 2 otherwise (also for Cancel). Sets the
// link's ConnectedFlag itself.
INT_PTR RunConnectDialog(HWND owner);

}  // namespace qb
