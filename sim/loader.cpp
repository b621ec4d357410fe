// The firmware loader of the virtual instrument; see loader.h.
#include "loader.h"

#include <time.h>

#include <cstdlib>
#include <cstring>

#include "server.h"

namespace sim {

namespace {

const char* const kSectorCodes[8] = {"A4C1y", "B975y", "729Fy", "8F21y", "53F1y", "DBA4y", "C162y", "7F6Ay"};
constexpr char kInitCode[] = "6F5Dz";
constexpr char kWake = 25;
constexpr char kFinal = 21;

void SleepUntilUs(uint64_t when) {
  for (;;) {
    uint64_t now = NowUs();
    if (now >= when) return;
    uint64_t left = when - now;
    timespec ts = {static_cast<time_t>(left / 1000000), static_cast<long>(left % 1000000) * 1000};
    nanosleep(&ts, nullptr);
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A record the loader would program: ':' and hex pairs whose sum is 0.
bool RecordSound(const std::string& record) {
  if (record.size() < 11 || record[0] != ':' || (record.size() - 1) % 2 != 0) return false;
  unsigned sum = 0;
  for (size_t i = 1; i + 1 < record.size(); i += 2) {
    int high = HexValue(record[i]), low = HexValue(record[i + 1]);
    if (high < 0 || low < 0) return false;
    sum += static_cast<unsigned>(high * 16 + low);
  }
  return (sum & 0xFF) == 0 &&
         static_cast<size_t>(HexValue(record[1]) * 16 + HexValue(record[2])) * 2 + 11 == record.size();
}

bool ParseLong(const std::string& text, long low, long& value) {
  char* end = nullptr;
  value = strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && value >= low;
}

}  // namespace

bool ParseLoaderOption(int argc, char** argv, int& i, LoaderOptions& o, std::string& error) {
  std::string arg = argv[i];
  if (arg != "--loader-image" && arg != "--loader-refuse" && arg != "--loader-fault" && arg != "--loader-drop" &&
      arg != "--loader-baud")
    return false;
  if (i + 1 >= argc) {
    error = "missing value after " + arg;
    return true;
  }
  std::string v = argv[++i];
  if (arg == "--loader-image") {
    o.imageDir = v;
  } else if (arg == "--loader-refuse") {
    size_t colon = v.find(':');
    long k = 0;
    if (colon == std::string::npos || !ParseLong(v.substr(0, colon), 1, o.refuseRecord) ||
        !ParseLong(v.substr(colon + 1), 1, k) || k > 1000000) {
      error = "bad --loader-refuse value (want N:K): " + v;
    }
    o.refuseTimes = static_cast<int>(k);
  } else if (arg == "--loader-fault") {
    if (v == "silent") {
      o.silent = true;
    } else if (v == "init") {
      o.errInit = true;
    } else if (v == "erase") {
      o.errErase = true;
    } else if (v == "record") {
      o.errRecord = true;
    } else {
      error = "bad --loader-fault value (silent, init, erase or record): " + v;
    }
  } else if (arg == "--loader-drop") {
    if (!ParseLong(v, 1, o.dropAtRecord)) error = "bad --loader-drop value: " + v;
  } else if (!ParseLong(v, 1, o.baud) || o.baud > 10000000) {
    error = "bad --loader-baud value: " + v;
  }
  return true;
}

const char* LoaderUsageText() {
  return "Firmware loader (woken by the byte 25 on a channel):\n"
         "  --loader-image DIR   write the programmed records to DIR/sectorN.hex and the\n"
         "                       events to DIR/events.txt\n"
         "  --loader-refuse N:K  answer ERR to record N (counted from 1) its first K times\n"
         "  --loader-fault F     silent (never answer), init, erase or record (answer ERR)\n"
         "  --loader-drop N      drop the link when record N arrives\n"
         "  --loader-baud RATE   pace the loader's conversation at RATE baud\n";
}

Loader::~Loader() {
  for (FILE*& f : sectorFiles_) {
    if (f) fclose(f);
  }
}

void Loader::Event(const std::string& text) {
  if (options_.imageDir.empty()) return;
  FILE* f = fopen((options_.imageDir + "/events.txt").c_str(), "a");
  if (!f) return;
  fprintf(f, "%s\n", text.c_str());
  fclose(f);
}

void Loader::Erase(int sector) {
  erased_[sector] = true;
  image_[sector].clear();
  Event("erase " + std::to_string(sector));
  if (options_.imageDir.empty()) return;
  if (sectorFiles_[sector]) fclose(sectorFiles_[sector]);
  sectorFiles_[sector] = fopen((options_.imageDir + "/sector" + std::to_string(sector) + ".hex").c_str(), "w");
}

void Loader::Program(int sector, const std::string& record) {
  image_[sector].push_back(record);
  if (FILE* f = sectorFiles_[sector]) {
    fprintf(f, "%s\n", record.c_str());
    fflush(f);
  }
}

void Loader::Pace(State& state, size_t bytes) {
  if (options_.baud <= 0) return;
  uint64_t now = NowUs();
  if (state.busyUntilUs < now) state.busyUntilUs = now;
  state.busyUntilUs += static_cast<uint64_t>(bytes) * 10 * 1000000 / static_cast<uint64_t>(options_.baud);
}

void Loader::Answer(Channel& channel, State& state, const std::string& text) {
  if (options_.silent) return;
  std::string bytes = text + "\r\n";
  if (options_.baud > 0) {
    // The reply starts once the command is in, and is in once its bytes are.
    Pace(state, bytes.size());
    SleepUntilUs(state.busyUntilUs);
  }
  server_.Send(channel, bytes);
}

void Loader::Drop(Channel& channel) {
  static const Script kDrop = {Step{Step::kDrop, "", 0}};
  Event("dropped");
  server_.RunScript(channel, kDrop);
}

bool Loader::Byte(Channel& channel, char c) {
  State& state = states_[channel.name];
  if (!state.active) {
    if (c != kWake) return false;
    state = State();
    state.active = true;
    channel.pending.clear();
    Event("wake");
    return true;
  }
  Pace(state, 1);
  if (c == kFinal && state.restarting) {
    Event("final");
    state = State();
    return true;
  }
  if (c == 'x' && state.line.empty()) {
    // The erase confirm is the one command without a line end.
    Line(channel, state, "x");
  } else if (c == '\n' || c == '\r') {
    std::string line;
    line.swap(state.line);
    if (!line.empty()) Line(channel, state, line);
  } else if (c != '\0' && state.line.size() < 4096) {
    state.line.push_back(c);
  }
  return true;
}

void Loader::Line(Channel& channel, State& state, const std::string& line) {
  if (line == kInitCode) {
    state.initialised = !options_.errInit;
    if (state.initialised) Event("init");
    Answer(channel, state, state.initialised ? "ok" : "ERR");
    return;
  }
  if (!state.initialised) return Answer(channel, state, "ERR");
  for (int s = 0; s < 8; ++s) {
    if (line == kSectorCodes[s]) {
      state.sector = s;
      return Answer(channel, state, "ok");
    }
  }
  if (line == "x") {
    if (state.sector < 0 || options_.errErase) return Answer(channel, state, "ERR");
    Erase(state.sector);
    return Answer(channel, state, "ok");
  }
  if (line == "z") {
    state.restarting = true;
    Event("restart");
    return;
  }
  if (line[0] == ':') {
    long number = acknowledged_ + 1;
    if (options_.dropAtRecord > 0 && number == options_.dropAtRecord) return Drop(channel);
    bool refuse = options_.errRecord || state.sector < 0 || !erased_[state.sector] || !RecordSound(line);
    if (!refuse && number == options_.refuseRecord && refused_ < options_.refuseTimes) {
      ++refused_;
      refuse = true;
    }
    if (refuse) return Answer(channel, state, "ERR");
    Program(state.sector, line);
    ++acknowledged_;
    return Answer(channel, state, "ok");
  }
  Answer(channel, state, "ERR");
}

}  // namespace sim
