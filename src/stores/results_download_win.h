// The Download Results dialog (resource 157): scans the results stored in the
// instrument, lets the user queue them and downloads the queue into a folder
// as text or QZL files. The scan and the downloads run as background tasks
// behind the progress dialog; the caller clears the link's polling while the
// dialog is open.
#pragma once

#include <windows.h>

namespace qb {

// Opens the dialog modally, owned by owner (null: the front end's main window).
void RunResultsDownloadDialog(HWND owner);

}  // namespace qb
