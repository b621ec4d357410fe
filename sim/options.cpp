// Parses the simulator's command line.
#include "options.h"

#include <cstdlib>
#include <cstring>

#include "discovery.h"

namespace sim {

const char* UsageText() {
  return "usage: quillbox-sim [options]\n"
         "\n"
         "Transports:\n"
         "  --tcp ADDR:PORT      serve TCP there (default 127.0.0.1:10001)\n"
         "  --no-tcp             no TCP server\n"
         "  --instances N        N instruments, each with its own state, on the TCP ports\n"
         "                       from PORT on (TCP only; transcript FILE-1 to FILE-N)\n"
         "  --pty                create a pseudo-terminal (its path is printed)\n"
         "  --pty-link PATH      also symlink PATH to the pseudo-terminal (implies --pty)\n"
         "\n"
         "Identity:\n"
         "  --idn TEXT           identification reply (default an HXA model)\n"
         "  --model NAME         identification reply of a stock model: hxa, hxa45,\n"
         "                       hxa55, ztq, krv, dwtx or marbleway\n"
         "  --answer-from N      leave the first N-1 \"*IDN?\" queries of each connection\n"
         "                       unanswered\n"
         "\n"
         "Replies:\n"
         "  --framing END        line end of replies: crlf (default), lf or cr\n"
         "  --on CMD=SCRIPT      answer the command CMD by SCRIPT instead (repeatable; the\n"
         "                       first match wins; CMD ending in * matches a prefix)\n"
         "  --every MS=SCRIPT    run SCRIPT every MS ms on each connection (unasked output);\n"
         "                       MS@START=SCRIPT begins START ms after the connection opens\n"
         "  --once MS=SCRIPT     run SCRIPT once, MS ms after each connection opens\n"
         "  --on-instance K:CMD=SCRIPT  as --on, for instrument K of --instances alone\n"
         "  --silent             answer nothing at all\n"
         "\n"
         "  Commands end at a line feed or carriage return; zero bytes and empty\n"
         "  commands are ignored. A SCRIPT is steps separated by |:\n"
         "    line:TEXT   TEXT and the line end       raw:TEXT    TEXT as it is\n"
         "    idn         the identification reply    wait:MS     pause before the next step\n"
         "    drop        close the connection        hangup      close the pseudo-terminal\n"
         "    none        no answer                   hangup:MS   hang up, new pty MS ms later\n"
         "  TEXT escapes: \\r \\n \\t \\0 \\\\ \\| \\xNN, \\p{VALUE} a packed number,\n"
         "  \\g{N} N bytes of binary garbage, \\a{N} N filler letters.\n"
         "  Example: --on 'MEAS?=line:A|wait:100|line:B' answers MEAS? with line A\n"
         "  and 100 ms later line B; --on 'STOP=none' never answers STOP.\n"
         "\n"
         "LAN search:\n"
         "  --probe-a SHAPE      answer probe A (UDP 65535) with a reply of SHAPE; repeat\n"
         "                       to answer with several datagrams (ok twice: a duplicate)\n"
         "  --probe-b SHAPE      the same for probe B (UDP 30718)\n"
         "  --udp-address ADDR   where both listen (default 0.0.0.0, which hears broadcasts)\n"
         "  Probe A shapes: ok (accepted, 26 bytes), short (25 bytes), letter (not\n"
         "  starting with A), port (10002 after the slash), noslash. Probe B shapes:\n"
         "  ok (accepted, 30 bytes, byte 3 = F7), long (31 bytes), short (29 bytes),\n"
         "  marker (byte 3 = F6). Either: raw:TEXT (TEXT escapes).\n"
         "\n"
         "Stores (program and result stores, see sim/stores.h):\n"
         "  --stores DIR         seed the program and result stores from DIR\n"
         "  --stores-dump DIR    write the stores to DIR at start and after every change\n"
         "  --results N          N stored results of generated contents\n"
         "  --opc-busy N         \"*OPC?\" answers 0 N times after each recall, then 1\n"
         "  --store-fault F      drop:N (transfers drop the connection after N lines),\n"
         "                       pause:N (a transfer pauses 300 ms after N lines),\n"
         "                       silent (transfers unanswered), short (short transfer\n"
         "                       lines), malformed (malformed listing lines)\n"
         "  --store-baud N       store exchanges paced as on a serial line at N baud\n"
         "\n"
         "Records:\n"
         "  --transcript FILE    record every byte in and out\n"
         "  --pidfile FILE       write the process id once ready; removed at exit\n"
         "  --help               this text\n";
}

static bool ParsePort(const std::string& text, int& port) {
  char* end = nullptr;
  long value = strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}

static bool ModelIdn(const std::string& model, std::string& idn) {
  static const struct {
    const char* name;
    const char* idn;
  } kModels[] = {
      {"hxa", "QUARTZLINE,HXA1510,0,1.07"},      {"hxa45", "QUARTZLINE,HXA4520,0,2.10"},
      {"hxa55", "QUARTZLINE,HXA5510,0,3.02"},    {"ztq", "QUARTZLINE,ZTQ1200,7,2.01"},
      {"krv", "QUARTZLINE,KRV1700,0,1.00"},      {"dwtx", "QUARTZLINE,DWTX300,0,1.00"},
      {"marbleway", "Marbleway,PSM1735,0,1.12"},
  };
  for (const auto& m : kModels) {
    if (model == m.name) {
      idn = m.idn;
      return true;
    }
  }
  return false;
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
    if (ParseLoaderOption(argc, argv, i, o.loader, error)) {
      if (!error.empty()) return false;
    } else if (arg == "--tcp") {
      if (!value(v)) return false;
      size_t colon = v.rfind(':');
      if (colon == std::string::npos || !ParsePort(v.substr(colon + 1), o.tcpPort)) {
        error = "bad --tcp value (want ADDR:PORT): " + v;
        return false;
      }
      o.tcpAddress = v.substr(0, colon);
      o.tcp = true;
    } else if (arg == "--instances") {
      if (!value(v)) return false;
      char* end = nullptr;
      long n = strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || n < 1 || n > 64) {
        error = "bad --instances value (1 to 64): " + v;
        return false;
      }
      o.instances = static_cast<int>(n);
    } else if (arg == "--on-instance") {
      if (!value(v)) return false;
      size_t colon = v.find(':');
      char* end = nullptr;
      std::string number = colon == std::string::npos ? "" : v.substr(0, colon);
      long k = strtol(number.c_str(), &end, 10);
      Rule rule;
      if (number.empty() || k < 1 || k > 64 || *end != '\0') {
        error = "bad --on-instance value (want K:CMD=SCRIPT): " + v;
        return false;
      }
      if (!ParseRule(v.substr(colon + 1), rule, error)) return false;
      o.instanceRules.emplace_back(static_cast<int>(k), rule);
    } else if (arg == "--no-tcp") {
      o.tcp = false;
    } else if (arg == "--pty") {
      o.pty = true;
    } else if (arg == "--pty-link") {
      if (!value(o.ptyLink)) return false;
      o.pty = true;
    } else if (arg == "--idn") {
      if (!value(o.idn)) return false;
    } else if (arg == "--model") {
      if (!value(v)) return false;
      if (!ModelIdn(v, o.idn)) {
        error = "unknown model " + v;
        return false;
      }
    } else if (arg == "--answer-from") {
      if (!value(v)) return false;
      char* end = nullptr;
      long n = strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || n < 1 || n > 1000000) {
        error = "bad --answer-from value: " + v;
        return false;
      }
      o.answerFrom = static_cast<int>(n);
    } else if (arg == "--framing") {
      if (!value(v)) return false;
      if (v == "crlf") {
        o.lineEnd = "\r\n";
      } else if (v == "lf") {
        o.lineEnd = "\n";
      } else if (v == "cr") {
        o.lineEnd = "\r";
      } else {
        error = "bad --framing value (crlf, lf or cr): " + v;
        return false;
      }
    } else if (arg == "--on") {
      if (!value(v)) return false;
      Rule rule;
      if (!ParseRule(v, rule, error)) return false;
      o.rules.push_back(rule);
    } else if (arg == "--every" || arg == "--once") {
      if (!value(v)) return false;
      TimerSpec timer;
      if (!ParseTimer(v, arg == "--every", timer, error)) return false;
      o.timers.push_back(timer);
    } else if (arg == "--probe-a" || arg == "--probe-b") {
      if (!value(v)) return false;
      std::string bytes;
      char probe = arg == "--probe-a" ? 'A' : 'B';
      if (!ProbeReplyShape(probe, v, bytes, error)) return false;
      (probe == 'A' ? o.probeAReplies : o.probeBReplies).push_back(bytes);
    } else if (arg == "--udp-address") {
      if (!value(o.udpAddress)) return false;
    } else if (IsStoreOption(arg)) {
      if (!value(v) || !ParseStoreOption(arg, v, o.stores, error)) return false;
    } else if (arg == "--silent") {
      o.silent = true;
    } else if (arg == "--transcript") {
      if (!value(o.transcript)) return false;
    } else if (arg == "--pidfile") {
      if (!value(o.pidfile)) return false;
    } else if (int screen = ParseScreenOption(argc, argv, i, o.screen, error)) {
      if (screen < 0) return false;
    } else if (int reading = ParseReadingOption(argc, argv, i, o.readings, error)) {
      if (reading < 0) return false;
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  if (o.instances > 1 && (!o.tcp || o.pty || !o.probeAReplies.empty() || !o.probeBReplies.empty())) {
    error = "--instances serves TCP alone (no --no-tcp, --pty or --probe-a/-b)";
    return false;
  }
  if (o.instances > 1 && o.tcpPort + o.instances - 1 > 65535) {
    error = "--instances runs past port 65535";
    return false;
  }
  for (const auto& rule : o.instanceRules) {
    if (rule.first > o.instances) {
      error = "--on-instance " + std::to_string(rule.first) + " names no instrument of --instances";
      return false;
    }
  }
  if (o.instances == 1) o = InstanceOptions(o, 0);
  return true;
}

Options InstanceOptions(const Options& options, int k) {
  Options one = options;
  one.instances = 1;
  if (k > 0) {
    one.tcpPort = options.tcpPort + k - 1;
    one.pidfile.clear();
  }
  if (k > 0 && !one.transcript.empty()) {
    size_t slash = one.transcript.find_last_of('/');
    size_t dot = one.transcript.rfind('.');
    if (dot == std::string::npos || dot == 0 || (slash != std::string::npos && dot < slash + 2)) {
      dot = one.transcript.size();
    }
    one.transcript.insert(dot, "-" + std::to_string(k));
  }
  one.rules.clear();
  for (const auto& rule : options.instanceRules) {
    if (rule.first == (k > 0 ? k : 1)) one.rules.push_back(rule.second);
  }
  one.rules.insert(one.rules.end(), options.rules.begin(), options.rules.end());
  one.instanceRules.clear();
  return one;
}

}  // namespace sim
