// Reading a script file: the check that says whether a file is a script and
// the lines that go into the script listing. A file is a script when at least
// one line after the last line with a character above 127 begins with '"' or
// '#'. The listing gets every non-empty line shorter than 100 characters that
// does not begin with the end-of-file mark (character 26).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "script/script_seam.h"

namespace qb {

// One read takes at most kScriptReadLimit characters; a longer line is read as
// several pieces, each checked as a line of its own.
constexpr int kScriptReadLimit = 299;
constexpr char kEndOfFileMark = 26;
// The most lines a script may list. A run of that many lines takes hours; a
// file with more is refused rather than left to fill the list box for minutes.
constexpr int64_t kMostScriptLines = 100000;

struct ScriptFileScan {
  int64_t commandLines = 0;        // lines beginning with '"'
  int64_t directiveLines = 0;      // lines beginning with '#'
  int64_t listedLines = 0;         // lines that go into the listing
  std::vector<std::string> lines;  // their texts, when collecting (up to kMostScriptLines)
  bool collect = false;
  bool inLongLine = false;  // the last piece filled a whole read without ending its line
};

// Takes one piece as read from the file: at most kScriptReadLimit bytes, the
// last of them a line feed when the line ended within the read.
void ScanScriptPiece(ScriptFileScan& scan, const char* piece, size_t length);
// Reads the whole stream piece by piece. Returns false on a read error.
bool ScanScriptStream(std::FILE* file, ScriptFileScan& scan);
bool LooksLikeScript(const ScriptFileScan& scan);

// Opens a file for reading in binary mode, leaving it open to other readers
// and writers. Null when it cannot be opened.
std::FILE* OpenScriptFileForReading(const char* path);

// Reads and checks the file at path. When listing is given and the file is a
// script, the listing is replaced by the file's lines with no selection; a
// file that is rejected leaves the listing as it was. On failure message
// holds the text for the user ("Unable to read file %s", "%s does not
// appear to be a script file" or kTooManyLinesText, filled with the path).
extern const char kTooManyLinesText[];

bool ReadScriptFile(const char* path, ScriptListing* listing, std::string* message);

}  // namespace qb
