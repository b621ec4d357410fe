// The simulator's transcript: every byte it receives and sends, with the time,
// the channel and the direction, one record per read or write. Tests read it
// back to check what went over the wire.
//
// Record format, one per line:
//   <unix seconds>.<microseconds> <channel> <in|out> <bytes>
// where <bytes> holds printable ASCII as is and every other byte, and the
// backslash itself, as \xNN.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace sim {

class Transcript {
 public:
  Transcript() = default;
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  bool Open(const std::string& path);
  void Record(const std::string& channel, bool incoming, const void* data, size_t size);
  void Note(const std::string& channel, const std::string& text);

 private:
  FILE* file_ = nullptr;
};

std::string EscapeBytes(const void* data, size_t size);

}  // namespace sim
