// What the instrument's stores look like on the wire and on disk: the program
// and result listings, the QZL transfer lines (a block header, 64 payload
// characters, a two-character trailer) both ways, and the names of the files
// the stores are saved under. Plain functions over text, no link and no
// window, so every rule here is tested natively and fuzzed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qb {

constexpr int kProgramSlots = 999;
constexpr int kMaxResultEntries = 999;
constexpr int kQzlBlockSize = 64;
constexpr int kQzlMaxBlocks = 16;
// "#X" and four hexadecimal digits before the payload, "00" after it.
constexpr int kQzlHeaderLength = 6;
constexpr int kQzlTrailerLength = 2;
constexpr int kResultTextSize = 256;  // name and details, with the terminator

// One row of the Programs list: slot number, name and date as the instrument
// sent them, or the slot number and two blanks for an empty slot.
struct ProgramRow {
  std::string id, name, date;
  bool stored = false;
};

// The slot list being filled from a "progra,files?" reply.
struct ProgramListing {
  std::vector<ProgramRow> rows;  // slot s is rows[s - 1] once finished
  int skipped = 0;               // listing lines that could not be shown
};

// Takes one listing line; false when it ends the listing (the line "empty").
// Lines with fewer than three fields, and slots out of order or outside 1 to
// 999, are counted in skipped.
bool AddProgramListingLine(ProgramListing& listing, const std::string& line);
// Pads the list with empty rows up to slot 999.
void FinishProgramListing(ProgramListing& listing);

// One stored result as the instrument lists it.
struct ResultEntry {
  uint32_t number = 0;
  std::string name;     // " " when the field is empty; at most 255 characters
  std::string details;  // everything after the second comma; at most 255
};

struct ResultListing {
  std::vector<ResultEntry> entries;  // at most kMaxResultEntries
  int skipped = 0;                   // lines that could not be listed
};

enum class ListingStep { Added, Skipped, End };
// Takes one "result,files?" line: a line without a comma ends the listing; a
// line whose first field is not a number, or one past the table's 999
// entries, is skipped and counted.
ListingStep AddResultListingLine(ResultListing& listing, const std::string& line);

// "#X" and block as four upper-case hexadecimal digits, least significant
// first: 0 gives #X0000, 10 gives #XA000, 16 gives #X0100.
std::string QzlBlockHeader(int block);
// The lines an upload sends for a file's bytes: one per full 64-byte block,
// at most 16, each the header, the block up to its first zero byte, "00" and
// a line feed. A final short block is left out.
std::vector<std::string> QzlUploadLines(const std::string& fileBytes);
// The payload of a received transfer line: without its 6-character header and
// its 2-character trailer. False for a line too short to hold both.
bool QzlLinePayload(const std::string& line, std::string& payload);

// The file name a typed program save name becomes: ".QZL" appended unless
// the fourth character from the end is a full stop.
std::string ProgramSaveName(const std::string& typed);
// "ZTQ_C%03d" for a slot's default save name; "ZTQ_R%03d" for a result.
std::string ProgramDefaultName(int slot);
std::string ResultFileName(uint32_t number);
// folder, a separator unless it already ends in one, and name.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace qb
