// Reading and checking script files, portable over the C stream functions.
// The file is read in binary mode in pieces of at most 299 characters, so a
// long line counts as several lines for the check; each piece is cut at its
// first carriage return and at its first line feed.
#include "script/script_loader.h"

#include <cstring>

#include "resources/text_table.h"
#include "script/script_interpreter.h"

namespace qb {

namespace {

std::string FillPath(const char* format, const char* path) {
  std::string text(std::strlen(format) + std::strlen(path) + 1, '\0');
  int length = std::snprintf(&text[0], text.size(), format, path);
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return text;
}

}  // namespace

const char kTooManyLinesText[] = "%s has too many lines to load as a script (at most 100000)";

void ScanScriptPiece(ScriptFileScan& scan, const char* piece, size_t length) {
  if (length == 0) return;
  // A piece that carries on a line longer than one read belongs to a line far
  // beyond the listing's limit: it is checked but never listed or run.
  bool continuation = scan.inLongLine;
  scan.inLongLine = length >= static_cast<size_t>(kScriptReadLimit) && piece[length - 1] != '\n';

  size_t lineLength = 0;
  while (lineLength < length && piece[lineLength] != '\r' && piece[lineLength] != '\n') ++lineLength;

  if (!continuation) {
    const void* zero = std::memchr(piece, '\0', lineLength);  // a zero byte ends the text
    size_t textLength = zero ? static_cast<size_t>(static_cast<const char*>(zero) - piece) : lineLength;
    if (textLength > 0 && textLength < static_cast<size_t>(kScriptLineLimit) && piece[0] != kEndOfFileMark) {
      if (scan.collect && scan.listedLines < kMostScriptLines) scan.lines.emplace_back(piece, textLength);
      ++scan.listedLines;
    }
  }

  if (piece[0] == '"') {
    ++scan.commandLines;
  } else if (piece[0] == '#') {
    ++scan.directiveLines;
  }
  for (size_t i = 0; i < lineLength; ++i) {
    if (static_cast<unsigned char>(piece[i]) > 127) {
      scan.commandLines = scan.directiveLines = 0;
      break;
    }
  }
}

bool ScanScriptStream(std::FILE* file, ScriptFileScan& scan) {
  char piece[kScriptReadLimit];
  size_t length = 0;
  for (int c; (c = std::getc(file)) != EOF;) {
    piece[length++] = static_cast<char>(c);
    if (c == '\n' || length == sizeof piece) {
      ScanScriptPiece(scan, piece, length);
      length = 0;
    }
  }
  if (length > 0) ScanScriptPiece(scan, piece, length);
  return !std::ferror(file);
}

bool LooksLikeScript(const ScriptFileScan& scan) {
  return scan.commandLines > 0 || scan.directiveLines > 0;
}

bool ReadScriptFile(const char* path, ScriptListing* listing, std::string* message) {
  ScriptFileScan scan;
  scan.collect = listing != nullptr;
  std::FILE* file = OpenScriptFileForReading(path);
  bool read = file && ScanScriptStream(file, scan);
  if (file) std::fclose(file);
  if (!read) {
    if (message) *message = FillPath(TextTableEntry(TXT_UNABLE_TO_READ_FILE), path);
    return false;
  }
  if (!LooksLikeScript(scan)) {
    if (message) *message = FillPath(TextTableEntry(TXT_NOT_A_SCRIPT), path);
    return false;
  }
  if (scan.listedLines > kMostScriptLines) {
    if (message) *message = FillPath(kTooManyLinesText, path);
    return false;
  }
  if (listing) {
    listing->Clear();
    listing->SetSelection(-1);
    size_t bytes = 0;
    for (const std::string& line : scan.lines) bytes += line.size() + 1;
    listing->Reserve(static_cast<int>(scan.lines.size()), bytes);
    for (const std::string& line : scan.lines) listing->AddLine(line.c_str());
  }
  return true;
}

}  // namespace qb
