// FindFileInfo on Windows: the first match of FindFirstFileA, its times
// turned into seconds since 1970. The file system ignores case itself.
#include <windows.h>

#include "upgrade/load_record.h"

namespace qb {

namespace {

int64_t UnixSeconds(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  if (value.QuadPart == 0) return 0;
  // 100-ns intervals since 1601-01-01.
  return static_cast<int64_t>(value.QuadPart / 10000000ULL) - 11644473600LL;
}

}  // namespace

bool FindFileInfo(const std::string& path, FileInfo& info, std::string* actualPath) {
  info = FileInfo();
  if (path.empty() || path.find('\0') != std::string::npos || path.find_first_of("*?") != std::string::npos)
    return false;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  info.attributes = data.dwFileAttributes;
  info.creationTime = UnixSeconds(data.ftCreationTime);
  info.lastAccessTime = UnixSeconds(data.ftLastAccessTime);
  info.lastWriteTime = UnixSeconds(data.ftLastWriteTime);
  info.size = data.nFileSizeHigh ? 0xFFFFFFFFu : data.nFileSizeLow;
  info.name = data.cFileName;
  if (actualPath) *actualPath = path;
  return true;
}

}  // namespace qb
