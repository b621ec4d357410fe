// The instrument's firmware loader: the byte 25 wakes it on a channel; then
// it answers the init code "6F5Dz", the eight sector codes ("A4C1y"...), the
// erase confirm "x" (a single byte, no line end) and Intel HEX records each with one line ending in "ok"
// (or "ERR"), until "z" restarts the instrument and the byte 21 ends the
// loader. It keeps what it programmed per sector and, with --loader-image,
// writes it to DIR/sectorN.hex (the records as received, one a line) and the
// events (init, erase N, restart, final) to DIR/events.txt.
//
// Faults: refuse record N (counting records acknowledged, from 1) K times;
// never answer; answer "ERR" to the init code, to erase confirms or to every
// record; drop the link when record N arrives. Pacing: each reply waits until
// the bytes received and sent would have taken at the given baud rate
// (10 bits a byte).
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace sim {

struct LoaderOptions {
  std::string imageDir;   // --loader-image DIR
  long refuseRecord = 0;  // --loader-refuse N:K
  int refuseTimes = 0;
  bool silent = false;     // --loader-fault silent
  bool errInit = false;    // --loader-fault init
  bool errErase = false;   // --loader-fault erase
  bool errRecord = false;  // --loader-fault record
  long dropAtRecord = 0;   // --loader-drop N
  long baud = 0;           // --loader-baud RATE
};

// Parses one loader option at argv[i] (advancing i past its value). Returns
// false when arg is not a loader option; error is set when it is one with a
// bad value.
bool ParseLoaderOption(int argc, char** argv, int& i, LoaderOptions& options, std::string& error);
// The lines of --help about the loader.
const char* LoaderUsageText();

struct Channel;
class Server;

class Loader {
 public:
  Loader(const LoaderOptions& options, Server& server) : options_(options), server_(server) {}
  ~Loader();
  // Takes a received byte when the loader is (or, with the wake byte, becomes)
  // active on the channel; false leaves it to the instrument.
  bool Byte(Channel& channel, char c);

 private:
  struct State {
    bool active = false;
    bool initialised = false;
    bool restarting = false;
    int sector = -1;
    std::string line;
    uint64_t busyUntilUs = 0;  // pacing: when the wire is free again
  };
  void Line(Channel& channel, State& state, const std::string& line);
  void Answer(Channel& channel, State& state, const std::string& text);
  void Pace(State& state, size_t bytes);
  void Event(const std::string& text);
  void Erase(int sector);
  void Program(int sector, const std::string& record);
  void Drop(Channel& channel);

  const LoaderOptions& options_;
  Server& server_;
  std::map<std::string, State> states_;  // by channel name
  bool erased_[8] = {};
  std::vector<std::string> image_[8];
  FILE* sectorFiles_[8] = {};
  long acknowledged_ = 0;  // records acknowledged so far
  int refused_ = 0;        // times the refused record was refused so far
};

}  // namespace sim
