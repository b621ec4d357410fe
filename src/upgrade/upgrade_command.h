// The Upgrade Firmware command: choose a descriptor or a main .hex file,
// identify the instrument again, check the set is meant for it, show the
// Proposed Operation report and, after Accept, run the transfer in the
// Upgrade Firmware dialog. The flow is portable; the three windows it shows
// (open-file dialog, Firmware Files List, Upgrade Firmware) come in as views,
// Win32 dialogs in the program and stand-ins in tests. The link's
// PollingEnabled is clear for the whole command and restored on every path.
#pragma once

#include <string>

#include "link/instrument_link.h"
#include "upgrade/upgrade_transfer.h"

namespace qb {

// The Firmware Files List dialog's Accept button.
constexpr int kAcceptButton = 1000;

// The upgrade dialog's private commands (WM_COMMAND ids), posted by the worker.
constexpr int UPG_FINISHED = 125;
constexpr int UPG_PROGRESS = 126;
constexpr int UPG_STATUS = 127;
constexpr int UPG_LOG = 128;

struct UpgradeViews {
  // The open-file dialog; false when the user cancelled. path receives the file.
  bool (*chooseFile)(void* owner, std::string& path);
  // The Firmware Files List dialog; the id of the button that closed it.
  int (*showFilesList)(void* owner, const std::string& report, bool problem);
  // The Upgrade Firmware dialog, running the job until the user closes it.
  void (*runUpgrade)(void* owner, UpgradeJob& job);
};

// How a command ended, for the tests and the trace.
enum class UpgradeOutcome {
  Cancelled,        // no file chosen
  NotContinued,     // "No" to continuing without an instrument
  LinkNotOpened,    // the link could not be opened again
  NoFileSet,        // not a main .hex file, no LOAD lines, or too many
  WrongInstrument,  // "No" to the target question
  NotAccepted,      // the report was not accepted
  Transferred,      // the Upgrade Firmware dialog ran
};

UpgradeOutcome RunUpgradeFirmwareCommand(void* owner, InstrumentLink* link, const UpgradeViews& views);

// The records that go to the instrument: those of the first count that the
// instrument (its identification's serial-number field) is in range for.
int SelectRecordsInRange(const LoadRecord* records, int count, const std::string& identification, LoadRecord* out);

}  // namespace qb
