// The instrument's stores: up to 999 stored programs in numbered slots and a
// list of stored results, with the commands that list, recall, transfer,
// upload, store and delete them, and "*OPC?". The stores can be seeded from a
// folder and are written to a folder after every change, so tests compare
// the files a transfer made with what the instrument holds. Faults: a
// transfer that pauses longer than the program waits (its rest, and every
// reply after it, come later, in order), a
// transfer dropped part way, transfers never answered, short transfer lines,
// malformed listing lines, a slow recall ("*OPC?" answering 0 for a while).
//
// Folder layout: programs.txt ("slot,name,date" lines) with programs/NNN.QZL,
// results.txt ("number,name,details" lines) with results/NNN.txt and
// results/NNN.QZL (NNN the number, at least three digits). A program or
// result without its file gets generated contents.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "behaviour.h"

namespace sim {

struct StoreOptions {
  std::string seedDir;       // --stores DIR
  std::string dumpDir;       // --stores-dump DIR
  int opcBusy = 0;           // "*OPC?" answers 0 this often after each recall
  int generatedResults = 0;  // --results N: results 1 to N of generated contents
  enum Fault { kNoFault, kDrop, kPause, kSilent, kShort, kMalformed } fault = kNoFault;
  int baud = 0;     // --store-baud: store replies paced as on a serial line at this rate
  int faultAt = 0;  // kDrop, kPause: whole transfer lines sent (over all transfers) before it
};

// Whether arg is one of the store options; if so parses it (with value, the
// next argument) and returns true, setting error when it is bad.
bool IsStoreOption(const std::string& arg);
bool ParseStoreOption(const std::string& arg, const std::string& value, StoreOptions& options, std::string& error);

struct StoreReply {
  std::string bytes;              // sent first
  bool drop = false;              // then the connection is dropped
  const Script* later = nullptr;  // or this runs (the rest of a paused transfer)
};

struct Channel;
class Server;

// Sends a store reply; with baud set, paced as the wire would carry it: the
// command's own bytes (received) first, then the reply, 10 bits a byte.
void SendStoreReply(Server& server, Channel& channel, const std::string& bytes, size_t received, int baud);

class Stores {
 public:
  Stores(const StoreOptions& options, const std::string& lineEnd);

  // Acts on a command; false when it is not a store command.
  bool Command(const std::string& command, StoreReply& reply);

 private:
  struct Program {
    std::string name, date, payload;
  };
  struct Result {
    uint32_t number;
    std::string name, details, text, qzl;
  };

  void Seed();
  void Dump() const;
  std::string Line(const std::string& text) const { return text + lineEnd_; }
  void Transfer(const std::vector<std::string>& lines, StoreReply& reply);
  void QzlLines(const std::string& payload, std::vector<std::string>& lines) const;
  bool CommandNow(const std::string& command, StoreReply& reply);
  bool One(const std::string& command, StoreReply& reply);

  StoreOptions options_;
  std::string lineEnd_;
  std::map<int, Program> programs_;
  std::vector<Result> results_;
  std::string current_;     // the current set-up's transfer payload
  int currentResult_ = -1;  // index of the recalled result
  std::string upload_;      // blocks received since the upload prefix
  int busyLeft_ = 0;
  bool dropped_ = false;
  bool paused_ = false;
  uint64_t busyUntil_ = 0;    // a paused transfer's rest goes out then; replies wait for it
  std::deque<Script> later_;  // scripts handed out in replies, kept while they may run
  int linesSent_ = 0;         // transfer lines sent so far
};

}  // namespace sim
