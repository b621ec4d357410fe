// The instrument's program and result stores; see stores.h.
#include "stores.h"

#include <sys/stat.h>
#include <time.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "server.h"

namespace sim {

namespace {

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  bytes = out.str();
  return true;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  rename(temp.c_str(), path.c_str());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::string Number3(long n) {
  char text[24];
  snprintf(text, sizeof text, "%03ld", n);
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// Letters and digits that differ from one seed to the next.
std::string Generated(const std::string& seed, size_t size) {
  std::string out;
  unsigned value = 0;
  for (char c : seed) value = value * 31 + static_cast<unsigned char>(c);
  while (out.size() < size) {
    value = value * 1103515245u + 12345u;
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    out += kChars[(value >> 16) % 62];
  }
  return out;
}

std::string Header(int block) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string header = "#X";
  for (int digit = 0; digit < 4; ++digit) header += kHex[(block >> (4 * digit)) & 0xF];
  return header;
}

void SleepUntilUs(uint64_t due) {
  for (;;) {
    uint64_t us = NowUs();
    if (us >= due) return;
    uint64_t left = due - us;
    timespec wait = {static_cast<time_t>(left / 1000000), static_cast<long>(left % 1000000) * 1000};
    nanosleep(&wait, nullptr);
  }
}

}  // namespace

void SendStoreReply(Server& server, Channel& channel, const std::string& bytes, size_t received, int baud) {
  if (baud <= 0) {
    server.Send(channel, bytes);
    return;
  }
  const double usPerByte = 1e7 / baud;
  const uint64_t start = NowUs();
  SleepUntilUs(start + static_cast<uint64_t>(received * usPerByte));
  constexpr size_t kPiece = 16;
  for (size_t offset = 0; offset < bytes.size(); offset += kPiece) {
    std::string piece = bytes.substr(offset, kPiece);
    server.Send(channel, piece);
    SleepUntilUs(start + static_cast<uint64_t>((received + offset + piece.size()) * usPerByte));
  }
}

bool IsStoreOption(const std::string& arg) {
  return arg == "--stores" || arg == "--stores-dump" || arg == "--results" || arg == "--opc-busy" ||
         arg == "--store-fault" || arg == "--store-baud";
}

bool ParseStoreOption(const std::string& arg, const std::string& value, StoreOptions& o, std::string& error) {
  auto count = [&](int& out, long max) {
    char* end = nullptr;
    long n = strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || n < 0 || n > max) {
      error = "bad " + arg + " value: " + value;
      return false;
    }
    out = static_cast<int>(n);
    return true;
  };
  if (arg == "--stores") {
    o.seedDir = value;
  } else if (arg == "--stores-dump") {
    o.dumpDir = value;
  } else if (arg == "--results") {
    return count(o.generatedResults, 100000);
  } else if (arg == "--opc-busy") {
    return count(o.opcBusy, 1000000);
  } else if (arg == "--store-baud") {
    return count(o.baud, 10000000);
  } else if (arg == "--store-fault") {
    if (value.compare(0, 5, "drop:") == 0) {
      o.fault = StoreOptions::kDrop;
      std::string n = value.substr(5);
      char* end = nullptr;
      long at = strtol(n.c_str(), &end, 10);
      if (n.empty() || *end != '\0' || at < 0) {
        error = "bad --store-fault value: " + value;
        return false;
      }
      o.faultAt = static_cast<int>(at);
    } else if (value.compare(0, 6, "pause:") == 0) {
      o.fault = StoreOptions::kPause;
      o.faultAt = atoi(value.c_str() + 6);
    } else if (value == "silent") {
      o.fault = StoreOptions::kSilent;
    } else if (value == "short") {
      o.fault = StoreOptions::kShort;
    } else if (value == "malformed") {
      o.fault = StoreOptions::kMalformed;
    } else {
      error = "bad --store-fault value (drop:N, pause:N, silent, short or malformed): " + value;
      return false;
    }
  } else {
    return false;
  }
  return true;
}

Stores::Stores(const StoreOptions& options, const std::string& lineEnd) : options_(options), lineEnd_(lineEnd) {
  Seed();
  Dump();
}

void Stores::Seed() {
  current_ = Generated("default", 192);
  const std::string& dir = options_.seedDir;
  std::string text;
  if (!dir.empty() && ReadFile(dir + "/programs.txt", text)) {
    for (const std::string& line : Lines(text)) {
      std::istringstream in(line);
      std::string slot, name, date;
      std::getline(in, slot, ',');
      std::getline(in, name, ',');
      std::getline(in, date);
      long n = atol(slot.c_str());
      if (n < 1 || n > 999) continue;
      Program program{name, date, ""};
      if (!ReadFile(dir + "/programs/" + Number3(n) + ".QZL", program.payload)) {
        program.payload = Generated("program" + slot, 192);
      }
      programs_[static_cast<int>(n)] = program;
    }
  }
  if (!dir.empty() && ReadFile(dir + "/results.txt", text)) {
    for (const std::string& line : Lines(text)) {
      std::istringstream in(line);
      std::string number, name, details;
      std::getline(in, number, ',');
      std::getline(in, name, ',');
      std::getline(in, details);
      Result result{static_cast<uint32_t>(strtoul(number.c_str(), nullptr, 10)), name, details, "", ""};
      std::string base = dir + "/results/" + Number3(static_cast<long>(result.number));
      if (!ReadFile(base + ".txt", result.text)) result.text = "Result " + number + "\nNo data\n";
      if (!ReadFile(base + ".QZL", result.qzl)) result.qzl = Generated("result" + number, 128);
      results_.push_back(result);
    }
  }
  for (int n = 1; n <= options_.generatedResults; ++n) {
    std::string number = std::to_string(n);
    std::string text;
    for (int line = 1; line <= 20; ++line) {
      text += "Result " + number + " line " + std::to_string(line) + "," +
              Generated(number + "/" + std::to_string(line), 40) + "\n";
    }
    results_.push_back({static_cast<uint32_t>(n), "Result " + number, "2026-12-06,10:" + Number3(n % 60).substr(1),
                        text, Generated("result" + number, 256)});
  }
}

void Stores::Dump() const {
  const std::string& dir = options_.dumpDir;
  if (dir.empty()) return;
  mkdir(dir.c_str(), 0755);
  mkdir((dir + "/programs").c_str(), 0755);
  mkdir((dir + "/results").c_str(), 0755);
  std::string listing;
  for (int slot = 1; slot <= 999; ++slot) {
    std::string path = dir + "/programs/" + Number3(slot) + ".QZL";
    auto it = programs_.find(slot);
    if (it == programs_.end()) {
      remove(path.c_str());
      continue;
    }
    listing += std::to_string(slot) + "," + it->second.name + "," + it->second.date + "\n";
    WriteFile(path, it->second.payload);
  }
  WriteFile(dir + "/programs.txt", listing);
  listing.clear();
  for (const Result& result : results_) {
    listing += std::to_string(result.number) + "," + result.name + "," + result.details + "\n";
    std::string base = dir + "/results/" + Number3(static_cast<long>(result.number));
    WriteFile(base + ".txt", result.text);
    WriteFile(base + ".QZL", result.qzl);
  }
  WriteFile(dir + "/results.txt", listing);
}

void Stores::QzlLines(const std::string& payload, std::vector<std::string>& lines) const {
  for (size_t offset = 0, block = 0; offset < payload.size(); offset += 64, ++block) {
    lines.push_back(Header(static_cast<int>(block)) + payload.substr(offset, 64) + "00");
  }
}

void Stores::Transfer(const std::vector<std::string>& lines, StoreReply& reply) {
  if (options_.fault == StoreOptions::kSilent) return;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (options_.fault == StoreOptions::kDrop && !dropped_ && linesSent_ == options_.faultAt) {
      // Half a line, then the connection goes.
      reply.bytes += lines[i].substr(0, lines[i].size() / 2);
      reply.drop = true;
      dropped_ = true;
      return;
    }
    if (options_.fault == StoreOptions::kPause && !paused_ && linesSent_ == options_.faultAt) {
      // The rest comes after a pause longer than the program's read time-out.
      paused_ = true;
      std::string rest;
      for (size_t j = i; j < lines.size(); ++j) rest += Line(lines[j]);
      later_.push_back({Step{Step::kWait, "", 300}, Step{Step::kSend, rest, 0}});
      reply.later = &later_.back();
      busyUntil_ = NowMs() + 300;
      return;
    }
    reply.bytes += Line(lines[i]);
    ++linesSent_;
    if (options_.fault == StoreOptions::kShort && i == 0) reply.bytes += Line("#X00");
  }
}

bool Stores::Command(const std::string& command, StoreReply& reply) {
  // After a dropped transfer the instrument answers nothing more, even in the
  // moment before the connection goes.
  if (dropped_) return true;
  uint64_t now = NowMs();
  if (now < busyUntil_) {
    // The instrument is still sending a paused transfer: this reply follows it.
    StoreReply after;
    bool handled = CommandNow(command, after);
    if (!after.bytes.empty()) {
      later_.push_back(
          {Step{Step::kWait, "", static_cast<int>(busyUntil_ - now) + 5}, Step{Step::kSend, after.bytes, 0}});
      reply.later = &later_.back();
    }
    return handled;
  }
  return CommandNow(command, reply);
}

bool Stores::CommandNow(const std::string& command, StoreReply& reply) {
  // The upload prefix (0x14) arrives in front of the first block.
  size_t start = command.find_first_not_of('\x14');
  if (start == std::string::npos) {
    upload_.clear();
    return true;
  }
  if (start > 0) upload_.clear();
  // An upload block is taken whole; other lines may hold several commands,
  // separated by ";".
  if (command.compare(start, 2, "#X") == 0 || command.find(';', start) == std::string::npos)
    return One(command.substr(start), reply);
  bool any = false;
  std::istringstream in(command.substr(start));
  std::string part;
  while (std::getline(in, part, ';')) {
    if (One(part, reply)) any = true;
  }
  return any;
}

bool Stores::One(const std::string& command, StoreReply& reply) {
  const std::string lower = Lower(command);
  auto argument = [&](const std::string& prefix, long& n) {
    if (lower.compare(0, prefix.size(), prefix) != 0) return false;
    char* end = nullptr;
    std::string rest = lower.substr(prefix.size());
    n = strtol(rest.c_str(), &end, 10);
    return !rest.empty() && *end == '\0';
  };
  long n = 0;
  if (lower == "*opc?") {
    reply.bytes += Line(busyLeft_ > 0 ? "0" : "1");
    if (busyLeft_ > 0) --busyLeft_;
  } else if (command.compare(0, 2, "#X") == 0) {
    if (command.size() >= 8) upload_ += command.substr(6, command.size() - 8);
  } else if (lower == "progra,qzlfil") {
    // Ends an upload; the store that follows takes the blocks.
  } else if (lower == "progra,files?") {
    bool first = true;
    for (const auto& slot : programs_) {
      reply.bytes += Line(std::to_string(slot.first) + "," + slot.second.name + "," + slot.second.date);
      if (first && options_.fault == StoreOptions::kMalformed) {
        reply.bytes += Line(std::to_string(slot.first + 1) + ",OnlyName") + Line("nocomma");
      }
      first = false;
    }
    reply.bytes += Line("empty");
  } else if (argument("progra,recall,", n)) {
    auto it = programs_.find(static_cast<int>(n));
    if (n == 0) {
      current_ = Generated("default", 192);
    } else if (it != programs_.end()) {
      current_ = it->second.payload;
    }
    busyLeft_ = options_.opcBusy;
  } else if (lower == "progra,qzlfil?") {
    std::vector<std::string> lines;
    QzlLines(current_, lines);
    Transfer(lines, reply);
  } else if (argument("progra,store,", n)) {
    if (n >= 1 && n <= 999) {
      programs_[static_cast<int>(n)] = {"Uploaded" + Number3(n), "2026-12-06 12:00", upload_};
      Dump();
    }
    upload_.clear();
  } else if (argument("progra,delete,", n)) {
    if (programs_.erase(static_cast<int>(n))) Dump();
  } else if (lower == "result,files?") {
    bool first = true;
    for (const Result& result : results_) {
      reply.bytes += Line(std::to_string(result.number) + "," + result.name + "," + result.details);
      if (first && options_.fault == StoreOptions::kMalformed) reply.bytes += Line("x,NotANumber,bad");
      first = false;
    }
    reply.bytes += Line("end of results");
  } else if (argument("result,recall,", n)) {
    currentResult_ = -1;
    for (size_t i = 0; i < results_.size(); ++i) {
      if (results_[i].number == static_cast<uint32_t>(n)) currentResult_ = static_cast<int>(i);
    }
    busyLeft_ = options_.opcBusy;
  } else if (lower == "result,txtfil?" || lower == "result,qzlfil?") {
    if (currentResult_ < 0) return true;  // nothing recalled: no answer
    const Result& result = results_[static_cast<size_t>(currentResult_)];
    std::vector<std::string> lines;
    if (lower == "result,txtfil?") {
      lines = Lines(result.text);
    } else {
      QzlLines(result.qzl, lines);
    }
    Transfer(lines, reply);
  } else {
    return false;
  }
  return true;
}

}  // namespace sim
