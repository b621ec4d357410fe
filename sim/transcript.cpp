// Writes the simulator's transcript; see transcript.h for the format.
#include "transcript.h"

#include <sys/time.h>

namespace sim {

Transcript::~Transcript() {
  if (file_) fclose(file_);
}

bool Transcript::Open(const std::string& path) {
  file_ = fopen(path.c_str(), "w");
  return file_ != nullptr;
}

std::string EscapeBytes(const void* data, size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    unsigned char c = p[i];
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

static void WriteStamp(FILE* f) {
  timeval tv;
  gettimeofday(&tv, nullptr);
  fprintf(f, "%ld.%06ld ", static_cast<long>(tv.tv_sec), static_cast<long>(tv.tv_usec));
}

void Transcript::Record(const std::string& channel, bool incoming, const void* data, size_t size) {
  if (!file_ || size == 0) return;
  WriteStamp(file_);
  fprintf(file_, "%s %s %s\n", channel.c_str(), incoming ? "in" : "out", EscapeBytes(data, size).c_str());
  fflush(file_);
}

void Transcript::Note(const std::string& channel, const std::string& text) {
  if (!file_) return;
  WriteStamp(file_);
  fprintf(file_, "%s note %s\n", channel.c_str(), text.c_str());
  fflush(file_);
}

}  // namespace sim
