// The file set of a firmware upgrade, from an upgrade descriptor (.upg) or
// from the main .hex file of an instrument, and the two values the upgrade
// takes from the instrument's identification reply.
//
// Descriptor lines (upper-cased before they are looked at, keyword at the very
// start, fields separated by commas, every other line a comment):
//   TARGET,model          the model the set is for (first non-empty one)
//   SERIAL,n,low,high     the next n LOAD lines apply to instruments low..high
//   LOAD,sector,file      erase the sector and program the file (relative to
//                         the descriptor's folder)
#pragma once

#include <cstdint>
#include <string>

#include "upgrade/load_record.h"

namespace qb {

// Descriptor lines are kept up to this many characters; the rest of a longer
// line is skipped (it never becomes a line of its own).
constexpr size_t kDescriptorLineLimit = 4096;

// Parses the descriptor at path into up to maxRecords records (each cleared
// first) and the target (at most 20 characters, "" when none). Returns the
// records filled; 0 when the file cannot be opened or has no usable LOAD line.
// An invalid sector sets problem. maxRecords records filled means the table
// was full: LOAD lines after it were not read.
int ParseUpgradeDescriptor(bool& problem, const std::string& path, LoadRecord* records, int maxRecords,
                           std::string& target);

// The same over the descriptor's text, with its folder given (ending in its
// separator, or "").
int ParseUpgradeDescriptorText(bool& problem, const std::string& text, const std::string& folder, LoadRecord* records,
                               int maxRecords, std::string& target);

// The file set of a main .hex file ("AB_V123.HEX": DSP_V123.HEX in sector 2,
// FPG_V123.HEX in sector 1 unless the name begins with SQ or PC, the chosen
// file in sector 0). Returns 2 or 3, or -1 after the message "Please choose
// the main hex file..." (owner owns it) when the name is not a main file's.
// A missing file sets problem. records must hold 3.
int BuildHexFileSet(LoadRecord* records, bool& problem, void* owner, const std::string& chosenPath);

// Checks every found file of the records as Intel HEX (hex_check.h) and
// notes the first bad line in the record; true when all are sound.
bool CheckLoadRecordFiles(LoadRecord* records, int count);

// Reads an integer as atoi does (blanks, sign, digits up to the first other
// character, 0 without digits), held to the range of int32_t.
int32_t ReadInteger(const char* text);

// The model: the identification reply's text after its first comma, up to the
// next comma (at most 127 characters; "" without a comma).
std::string ModelFromIdentification(const std::string& reply);
// The instrument's number: the integer of its serial-number field, the text
// after the reply's second comma; -1 when the reply has fewer than two commas.
int32_t InstrumentNumberFromIdentification(const std::string& reply);
// Whether the record applies to the instrument of that number (a negative
// number: to every record).
bool RecordInRange(const LoadRecord& record, int32_t instrumentNumber);

}  // namespace qb
