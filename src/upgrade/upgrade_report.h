// The "Proposed Operation" report the user reads before an upgrade: an RTF
// document for the Firmware Files List dialog's rich-edit control, listing
// the instrument, the target, the sectors to erase and the files to program,
// with missing files, unsound HEX files and invalid sectors in red.
#pragma once

#include <cstdint>
#include <string>

#include "upgrade/load_record.h"

namespace qb {

// The report for count records. Marks each record the instrument (the serial
// field of identification) is in range for; lower-cases the file names of
// those records in place; sets problem for a missing or unsound file. Texts
// from the instrument and the descriptor are escaped for RTF.
std::string BuildProposedOperationReport(const std::string& target, bool& problem, LoadRecord* records, int count,
                                         const std::string& identification);

// "dd/mm/yy" of the local date of a time (seconds since 1970), or "--/--/--"
// for a time not more than a day after 1970-01-01.
std::string ReportDate(int64_t time);

// The report as plain text for a console: one line per paragraph, the
// document's tables and formatting dropped, escapes undone. A line with text
// the document shows in red (a missing or unsound file, an invalid sector)
// ends in kPlainProblemMark.
std::string ProposedOperationText(const std::string& report);
constexpr char kPlainProblemMark[] = "  <-- problem";

// Text with RTF's special characters (\ { }) escaped.
std::string RtfEscape(const std::string& text);

}  // namespace qb
