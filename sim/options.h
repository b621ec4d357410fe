// Command-line options of the virtual instrument.
#pragma once

#include <string>

namespace sim {

struct Options {
  bool tcp = true;  // serve TCP (--no-tcp turns it off)
  std::string tcpAddress = "127.0.0.1";
  int tcpPort = 10001;
  bool pty = false;                               // create a pseudo-terminal
  std::string ptyLink;                            // symlink to the pseudo-terminal's slave
  std::string idn = "QUARTZLINE,HXA1510,0,1.07";  // the reply to "*IDN?"
  std::string transcript;                         // transcript file, none when empty
  std::string pidfile;                            // written once the instrument is ready
};

// Parses argv into options. On a bad argument writes a message to error and
// returns false.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

const char* UsageText();

}  // namespace sim
