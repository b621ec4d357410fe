// Intel HEX firmware images for the upgrade tests, made by Debian's srecord
// tools (srec_cat), which nobody here wrote, from random binaries; and
// srec_info's verdict on a file, the independent judge of the HEX checker.
// Host programs, so the helpers work natively and under Wine alike.
#pragma once

#include <string>
#include <vector>

namespace qbtest {

// Writes size random bytes (seeded, so a run can be repeated) as an Intel HEX
// file at hostPath with bytesPerRecord data bytes a record, extended address
// records past 64 KiB and an end-of-file record. False when srec_cat failed.
bool MakeHexImage(const std::string& hostPath, size_t size, unsigned seed, int bytesPerRecord = 16);

// srec_info's verdict: true when it reads the file without an error or a
// warning. lineNumber receives the line it names in its message (0 if none).
bool SrecInfoAccepts(const std::string& hostPath, int* lineNumber = nullptr);

// The ':' lines of a file, line ends removed.
std::vector<std::string> HexRecords(const std::string& hostPath);

}  // namespace qbtest
