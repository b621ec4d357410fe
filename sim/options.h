// Command-line options of the virtual instrument.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "behaviour.h"
#include "loader.h"
#include "readings.h"
#include "screens.h"
#include "stores.h"

namespace sim {

struct Options {
  bool tcp = true;  // serve TCP (--no-tcp turns it off)
  std::string tcpAddress = "127.0.0.1";
  int tcpPort = 10001;
  int instances = 1;                              // instruments on consecutive TCP ports from tcpPort
  bool pty = false;                               // create a pseudo-terminal
  std::string ptyLink;                            // symlink to the pseudo-terminal's slave
  std::string idn = "QUARTZLINE,HXA1510,0,1.07";  // the reply to "*IDN?"
  std::string transcript;                         // transcript file, none when empty
  std::string pidfile;                            // written once the instrument is ready

  std::string lineEnd = "\r\n";                     // how replies are framed (--framing)
  int answerFrom = 1;                               // the first "*IDN?" of a channel that is answered
  bool silent = false;                              // answer nothing at all
  std::vector<Rule> rules;                          // --on, in order; the first that matches answers
  std::vector<std::pair<int, Rule>> instanceRules;  // --on-instance: for one instrument, before --on
  std::vector<TimerSpec> timers;                    // --every and --once

  // The LAN search's responders: the replies to each probe (none: the
  // responder is off), and the address both listen on.
  std::vector<std::string> probeAReplies;
  std::vector<std::string> probeBReplies;
  std::string udpAddress = "0.0.0.0";

  ScreenOptions screen;     // the screen replies (screens.h)
  StoreOptions stores;      // the program and result stores
  LoaderOptions loader;     // the firmware loader's image folder, faults and pacing
  ReadingOptions readings;  // the moving readings and the frequency response
};

// Parses argv into options. On a bad argument writes a message to error and
// returns false.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

// The options of instrument k (1 to instances) of several: its port, its
// transcript FILE as FILE-k (before the extension), its own rules first and
// no pidfile. k = 0: the only instrument, with the rules of instrument 1.
Options InstanceOptions(const Options& options, int k);

const char* UsageText();

}  // namespace sim
