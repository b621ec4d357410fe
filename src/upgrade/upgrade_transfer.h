// The firmware transfer over the instrument's loader protocol: wake the
// loader, send its init code, erase every sector the file set uses, program
// each file record by record with an acknowledgement per record, restart.
// Runs as a job over the link and tells a JobReporter what it does (status
// line, log lines, percentages); the Upgrade Firmware dialog runs it on a
// worker thread and posts UPG_FINISHED when it returns.
//
// Every file is checked as Intel HEX once more before anything is sent, so a
// file that went missing or changed after the report leaves the instrument
// untouched instead of erased.
#pragma once

#include <cstdint>

#include "common/job_reporter.h"
#include "link/instrument_link.h"
#include "upgrade/load_record.h"

namespace qb {

// The loader's code of each flash sector, sent (with a line feed) before the
// sector's erase confirm and before the records of a file programmed into it.
extern const char* const SectorCodeTable[kSectorCount];
// Sent (with a line feed) after the wake byte; its acknowledgement means the
// loader is ready.
constexpr char LoaderInitCode[] = "6F5Dz";
constexpr char kWakeByte = 25;
constexpr char kFinalByte = 21;
constexpr char kEraseConfirm[] = "x";
constexpr char kRestartCommand[] = "z\n";
constexpr int kRecordAttempts = 4;
constexpr int kInitAttempts = 2;

// The protocol's fixed waits (ms). Tests shorten them; the program uses these.
struct LoaderWaits {
  int beforeWake = 1000;
  int afterWake = 5000;
  int afterRestart = 500;
  int afterFinal = 1000;
};

struct UpgradeJob {
  void* dialog = nullptr;               // the Upgrade Firmware dialog (an HWND)
  bool success = false;                 // every step succeeded, up to the restart
  const LoadRecord* records = nullptr;  // the file set, in transfer order
  int count = 0;                        // records in use
  LoaderWaits waits;
};

// Sends text, then reads one reply line with the link's read time-out. True
// when it FAILED: the send failed, no line came, or the line (its line end
// aside) does not end in "ok" in any case.
bool SendExpectOk(const char* text, InstrumentLink* link);

// 1..100: done of total as a percentage plus one, at most 100 (100 for a
// total of 0 or less); exact for any 64-bit counts.
int ProgressPercent(int64_t total, int64_t done);

// Carries the job out over the link; sets and returns job.success.
bool UpgradeThread(UpgradeJob& job, InstrumentLink* link, JobReporter& reporter);

}  // namespace qb
