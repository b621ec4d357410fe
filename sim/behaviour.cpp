// Parses the simulator's behaviour scripts and encodes packed numbers; see
// behaviour.h.
#include "behaviour.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace sim {

namespace {

bool ParseCount(const std::string& text, long low, long high, long& value) {
  char* end = nullptr;
  value = strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && value >= low && value <= high;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Deterministic garbage, so a failing test can be repeated byte for byte.
uint32_t GarbageState = 0x2545F491u;

unsigned char NextGarbage() {
  GarbageState ^= GarbageState << 13;
  GarbageState ^= GarbageState >> 17;
  GarbageState ^= GarbageState << 5;
  return static_cast<unsigned char>(GarbageState >> 11);
}

// Splits at "|" that is not escaped; the escapes stay for UnescapeText.
std::vector<std::string> SplitSteps(const std::string& text) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      parts.back() += text.substr(i, 2);
      ++i;
    } else if (text[i] == '|') {
      parts.emplace_back();
    } else {
      parts.back().push_back(text[i]);
    }
  }
  return parts;
}

}  // namespace

std::string EncodePackedNumber(double value) {
  std::string out(4, '\0');
  if (value == 0 || !std::isfinite(value)) {
    out[0] = static_cast<char>(0x80);
    return out;
  }
  int exponent = 0;
  double fraction = std::frexp(std::fabs(value), &exponent);  // [0.5, 1)
  long mantissa = std::lround(std::ldexp(fraction, 20));
  if (mantissa >= (1L << 20)) {
    mantissa >>= 1;
    ++exponent;
  }
  if (exponent > 63) exponent = 63;
  if (exponent < -64) exponent = -64;
  out[0] = static_cast<char>(0x80 | (exponent & 0x7F));
  out[1] = static_cast<char>((value < 0 ? 0x40 : 0) | ((mantissa >> 14) & 0x3F));
  out[2] = static_cast<char>((mantissa >> 7) & 0x7F);
  out[3] = static_cast<char>(mantissa & 0x7F);
  return out;
}

bool UnescapeText(const std::string& text, std::string& bytes, std::string& error) {
  bytes.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\') {
      bytes.push_back(c);
      continue;
    }
    if (++i >= text.size()) {
      error = "a backslash ends the text: " + text;
      return false;
    }
    char e = text[i];
    switch (e) {
      case 'r':
        bytes.push_back('\r');
        continue;
      case 'n':
        bytes.push_back('\n');
        continue;
      case 't':
        bytes.push_back('\t');
        continue;
      case '0':
        bytes.push_back('\0');
        continue;
      case '\\':
      case '|':
      case '=':
        bytes.push_back(e);
        continue;
      case 'x':
        if (i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
          bytes.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
          i += 2;
          continue;
        }
        error = "\\x wants two hex digits: " + text;
        return false;
      case 'p':
      case 'g':
      case 'a': {
        size_t close = text.find('}', i);
        if (i + 1 >= text.size() || text[i + 1] != '{' || close == std::string::npos) {
          error = std::string("\\") + e + " wants {...}: " + text;
          return false;
        }
        std::string argument = text.substr(i + 2, close - i - 2);
        i = close;
        if (e == 'p') {
          char* end = nullptr;
          double value = strtod(argument.c_str(), &end);
          if (argument.empty() || *end != '\0') {
            error = "bad number in \\p{" + argument + "}";
            return false;
          }
          bytes += EncodePackedNumber(value);
          continue;
        }
        long count;
        if (!ParseCount(argument, 0, 1 << 20, count)) {
          error = std::string("bad count in \\") + e + "{" + argument + "}";
          return false;
        }
        for (long n = 0; n < count; ++n) {
          bytes.push_back(e == 'g' ? static_cast<char>(NextGarbage()) : static_cast<char>('A' + n % 26));
        }
        continue;
      }
      default:
        error = std::string("unknown escape \\") + e + " in " + text;
        return false;
    }
  }
  return true;
}

bool ParseScript(const std::string& text, Script& script, std::string& error) {
  script.clear();
  for (const std::string& part : SplitSteps(text)) {
    Step step;
    size_t colon = part.find(':');
    std::string key = part.substr(0, colon);
    std::string argument = colon == std::string::npos ? "" : part.substr(colon + 1);
    if (key == "line" || key == "raw") {
      step.kind = key == "line" ? Step::kLine : Step::kSend;
      if (!UnescapeText(argument, step.bytes, error)) return false;
    } else if (key == "wait") {
      long ms;
      if (!ParseCount(argument, 0, 3600000, ms)) {
        error = "bad wait in " + part;
        return false;
      }
      step.kind = Step::kWait;
      step.ms = static_cast<int>(ms);
    } else if (part == "idn") {
      step.kind = Step::kIdn;
    } else if (part == "drop") {
      step.kind = Step::kDrop;
    } else if (part == "hangup") {
      step.kind = Step::kHangup;
    } else if (key == "hangup" && colon != std::string::npos) {
      long ms = 0;
      if (!ParseCount(argument, 1, 3600000, ms)) {
        error = "bad reopen time in " + part;
        return false;
      }
      step.kind = Step::kHangup;
      step.ms = static_cast<int>(ms);
    } else if (part == "none" || part.empty()) {
      step.kind = Step::kNone;
    } else {
      error = "unknown step \"" + part + "\"";
      return false;
    }
    script.push_back(step);
  }
  return true;
}

bool ParseRule(const std::string& text, Rule& rule, std::string& error) {
  size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) {
    error = "want COMMAND=SCRIPT: " + text;
    return false;
  }
  if (!UnescapeText(text.substr(0, equals), rule.pattern, error)) return false;
  return ParseScript(text.substr(equals + 1), rule.script, error);
}

bool ParseTimer(const std::string& text, bool repeat, TimerSpec& timer, std::string& error) {
  size_t equals = text.find('=');
  std::string when = equals == std::string::npos ? "" : text.substr(0, equals);
  size_t at = repeat ? when.find('@') : std::string::npos;
  long ms, startMs = 0;
  if (equals == std::string::npos || !ParseCount(when.substr(0, at), repeat ? 1 : 0, 3600000, ms) ||
      (at != std::string::npos && !ParseCount(when.substr(at + 1), 0, 3600000, startMs))) {
    error = repeat ? "want MS=SCRIPT or MS@START=SCRIPT: " + text : "want MS=SCRIPT: " + text;
    return false;
  }
  timer.periodMs = static_cast<int>(ms);
  timer.startMs = at == std::string::npos ? timer.periodMs : static_cast<int>(startMs);
  timer.repeat = repeat;
  return ParseScript(text.substr(equals + 1), timer.script, error);
}

bool RuleMatches(const Rule& rule, const std::string& command) {
  const std::string& p = rule.pattern;
  if (!p.empty() && p.back() == '*') return command.compare(0, p.size() - 1, p, 0, p.size() - 1) == 0;
  return command == p;
}

}  // namespace sim
