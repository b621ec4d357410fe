// Parses the simulator's command line.
#include "options.h"

#include <cstdlib>
#include <cstring>

namespace sim {

const char* UsageText() {
  return "usage: quillbox-sim [options]\n"
         "  --tcp ADDR:PORT      serve TCP there (default 127.0.0.1:10001)\n"
         "  --no-tcp             no TCP server\n"
         "  --pty                create a pseudo-terminal (its path is printed)\n"
         "  --pty-link PATH      also symlink PATH to the pseudo-terminal (implies --pty)\n"
         "  --idn TEXT           identification reply (default an HXA model)\n"
         "  --transcript FILE    record every byte in and out\n"
         "  --pidfile FILE       write the process id once ready; removed at exit\n";
}

static bool ParsePort(const std::string& text, int& port) {
  char* end = nullptr;
  long value = strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}

bool ParseOptions(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = "missing value after " + arg;
        return false;
      }
      out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--tcp") {
      if (!value(v)) return false;
      size_t colon = v.rfind(':');
      if (colon == std::string::npos || !ParsePort(v.substr(colon + 1), o.tcpPort)) {
        error = "bad --tcp value (want ADDR:PORT): " + v;
        return false;
      }
      o.tcpAddress = v.substr(0, colon);
      o.tcp = true;
    } else if (arg == "--no-tcp") {
      o.tcp = false;
    } else if (arg == "--pty") {
      o.pty = true;
    } else if (arg == "--pty-link") {
      if (!value(o.ptyLink)) return false;
      o.pty = true;
    } else if (arg == "--idn") {
      if (!value(o.idn)) return false;
    } else if (arg == "--transcript") {
      if (!value(o.transcript)) return false;
    } else if (arg == "--pidfile") {
      if (!value(o.pidfile)) return false;
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  return true;
}

}  // namespace sim
