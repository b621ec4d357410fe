// FindFileInfo on POSIX file systems: stat() for the times and the size, and
// a case-insensitive walk down the path for names the descriptor wrote in
// upper case (or a .hex set derived from a name in another case).
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "upgrade/load_record.h"

namespace qb {

namespace {

// The entry of folder whose name equals name without regard to case; the
// name itself when it exists as written or nothing matches.
std::string MatchEntry(const std::string& folder, const std::string& name) {
  std::string exact = folder.empty() ? name : folder + "/" + name;
  struct stat st;
  if (lstat(exact.c_str(), &st) == 0) return name;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return name;
  std::string match = name;
  while (dirent* entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) {
      match = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return match;
}

std::string ResolveNoCase(const std::string& path) {
  std::string normal = path;
  for (char& c : normal) {
    if (c == '\\') c = '/';
  }
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t slash = normal.find('/', start);
    parts.push_back(normal.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  std::string resolved;
  bool absolute = !normal.empty() && normal[0] == '/';
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part.empty() || part == "." || part == "..") {
      if (!part.empty()) resolved += (resolved.empty() && !absolute) ? part : "/" + part;
      continue;
    }
    std::string folder = resolved.empty() && absolute ? "/" : resolved;
    std::string name = MatchEntry(folder, part);
    if (resolved.empty()) {
      resolved = absolute ? "/" + name : name;
    } else {
      resolved += "/" + name;
    }
  }
  return resolved;
}

}  // namespace

bool FindFileInfo(const std::string& path, FileInfo& info, std::string* actualPath) {
  info = FileInfo();
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  std::string resolved = ResolveNoCase(path);
  struct stat st;
  if (stat(resolved.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  info.attributes = static_cast<uint32_t>(st.st_mode);
  info.creationTime = static_cast<int64_t>(st.st_ctime);
  info.lastAccessTime = static_cast<int64_t>(st.st_atime);
  info.lastWriteTime = static_cast<int64_t>(st.st_mtime);
  info.size = st.st_size > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(st.st_size);
  size_t slash = resolved.rfind('/');
  info.name = slash == std::string::npos ? resolved : resolved.substr(slash + 1);
  if (actualPath) *actualPath = resolved;
  return true;
}

}  // namespace qb
