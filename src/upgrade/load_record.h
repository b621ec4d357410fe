// The firmware file set: one LoadRecord per file to erase and program, the
// FileInfo of a found file, and the platform's look-up of a file by path.
// Names and paths are kept whole (no fixed buffers), so a long path is either
// found as it is or shown as missing, never cut.
#pragma once

#include <cstdint>
#include <string>

namespace qb {

// The table's size; a descriptor may fill at most one record less, because a
// full table means some of its LOAD lines were not read.
constexpr int kMaxLoadRecords = 50;
constexpr int kMaxTargetLength = 20;
constexpr int kSectorCount = 8;

struct FileInfo {
  uint32_t attributes = 0;
  int64_t creationTime = 0;  // seconds since 1970-01-01 00:00 UTC
  int64_t lastAccessTime = 0;
  int64_t lastWriteTime = 0;
  uint32_t size = 0;  // bytes (files of 4 GiB and more read as 0xFFFFFFFF)
  std::string name;   // without folder
};

struct LoadRecord {
  std::string path;  // full path; for a found file the name as stored on disk
  FileInfo info;     // a missing file has only the name, as written
  int32_t sector = 0;
  bool found = false;
  int32_t serialLow = 0;   // 0 = no lower bound
  int32_t serialHigh = 0;  // 0 = no upper bound
  // The first line of a found file that is not sound Intel HEX (1-based), or
  // 0 when the file was checked and is sound, with what is wrong with it.
  int32_t badLine = 0;
  std::string problem;
};

// Looks the path up and fills info from the file found; true when there is
// one. On a case-sensitive file system every part of the path that does not
// exist as written is matched without regard to case in its folder, and
// actualPath (when given) receives the path as stored; "\" separates folders
// as "/" does. Folders are not files: looking one up finds nothing.
bool FindFileInfo(const std::string& path, FileInfo& info, std::string* actualPath = nullptr);

}  // namespace qb
