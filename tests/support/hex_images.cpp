// Intel HEX images and srec_info's verdict for the upgrade tests; see
// hex_images.h.
#include "support/hex_images.h"

#include <cstdlib>

#include "support/host.h"

namespace qbtest {

bool MakeHexImage(const std::string& hostPath, size_t size, unsigned seed, int bytesPerRecord) {
  std::string bytes(size, '\0');
  unsigned state = seed * 2654435761u + 1;
  for (char& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<char>(state >> 16);
  }
  std::string binary = hostPath + ".bin";
  if (!WriteHostFile(binary, bytes)) return false;
  int code = RunHost(
      {"/usr/bin/srec_cat", binary, "-binary", "-o", hostPath, "-intel", "-obs=" + std::to_string(bytesPerRecord)},
      60000);
  return code == 0 && HostFileExists(hostPath);
}

bool SrecInfoAccepts(const std::string& hostPath, int* lineNumber) {
  std::string messages = hostPath + ".srec_info";
  int code = RunHost(
      {"/bin/sh", "-c", "/usr/bin/srec_info \"$1\" -intel >/dev/null 2>\"$2\"", "sh", hostPath, messages}, 60000);
  std::string text = ReadHostFile(messages);
  if (lineNumber) {
    // "srec_info: FILE: LINE: message"
    *lineNumber = 0;
    size_t at = text.find(hostPath + ": ");
    if (at != std::string::npos) *lineNumber = atoi(text.c_str() + at + hostPath.size() + 2);
  }
  return code == 0 && text.find("warning") == std::string::npos;
}

std::vector<std::string> HexRecords(const std::string& hostPath) {
  std::vector<std::string> records;
  std::string text = ReadHostFile(hostPath);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == ':') records.push_back(line);
    start = end + 1;
  }
  return records;
}

}  // namespace qbtest
