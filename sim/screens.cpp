// The virtual instrument's screen replies; see screens.h.
//
// Black and white: one line a pixel row, top row first: two characters the
// program skips ("M:"), then width/8 hexadecimal pairs (upper case on even
// rows, lower case on odd ones), each a byte of 8 pixels with bit 0 the
// leftmost and a set bit dark.
// Colour: four lines a pixel row: two characters ("C:"), then width/4 pixel
// bytes 0x40 | colour, so no pixel is a zero or a line-end byte.
#include "screens.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "behaviour.h"
#include "server.h"

namespace sim {

namespace {

bool ParseInt(const std::string& text, int low, int high, int& out) {
  char* end = nullptr;
  long value = strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

const char* const kFaults[] = {"silence", "empty", "short", "long", "zero", "lf", "cr", "nothex"};

// The replies being sent, kept while a paced one still has steps to run.
std::deque<Script> SentScreens;
constexpr size_t kScreensKept = 256;  // far more than can be under way at once

void ApplyFault(std::string& line, const std::string& fault, bool colour) {
  const size_t middle = 2 + (line.size() - 2) / 2;
  if (fault == "empty") {
    line.clear();
  } else if (fault == "short") {
    line.resize(line.size() - (colour ? 1 : 2));
  } else if (fault == "long") {
    line += colour ? std::string(1, '\x7F') : std::string("FF");
  } else if (fault == "zero") {
    line[middle] = '\0';
  } else if (fault == "lf") {
    line[middle] = '\n';
  } else if (fault == "cr") {
    line[middle] = '\r';
  } else if (fault == "nothex") {
    line[2] = 'z';
    line[3] = 'G';
  }
}

void PutLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string BuildBmp(bool colour, int width, int height) {
  static const unsigned char kLevel[4] = {0, 64, 128, 255};
  const uint32_t rowSize = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
  std::string out = "BM";
  PutLE(out, 54 + rowSize * static_cast<uint32_t>(height), 4);
  PutLE(out, 0, 4);
  PutLE(out, 54, 4);
  PutLE(out, 40, 4);
  PutLE(out, static_cast<uint32_t>(width), 4);
  PutLE(out, static_cast<uint32_t>(height), 4);
  PutLE(out, 1, 2);
  PutLE(out, 24, 2);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  PutLE(out, 3780, 4);
  PutLE(out, 3780, 4);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      if (colour) {
        int c = TestImageColour(x, y, width, height);
        row.push_back(static_cast<char>(kLevel[c & 3]));
        row.push_back(static_cast<char>(kLevel[(c >> 2) & 3]));
        row.push_back(static_cast<char>(kLevel[(c >> 4) & 3]));
      } else {
        row.append(3, TestImageDark(x, y, width, height) ? '\0' : '\xFF');
      }
    }
    row.resize(rowSize, '\0');
    out += row;
  }
  return out;
}

}  // namespace

int TestImageColour(int x, int y, int width, int height) {
  // A red block marks the top-left corner; a white diagonal runs from there.
  if (x < 16 && y < 8) return 0x30;
  if (x == y * width / height) return 0x3F;
  // Sixty-four bands: 16 across, 4 down.
  return (x * 16 / width + (y * 4 / height) * 16) & 63;
}

bool TestImageDark(int x, int y, int width, int height) {
  if (x < 24 && y < 12) return true;  // the top-left corner
  if (x == y * width / height) return true;
  return ((x / 8) + (y / 8)) % 3 == 0;
}

std::vector<std::string> ScreenReplyLines(bool colour, const ScreenOptions& o) {
  std::vector<std::string> lines;
  if (colour) {
    const int perLine = o.width / 4;
    for (int k = 0; k < 4 * o.height; ++k) {
      std::string line = "C:";
      for (int i = 0; i < perLine; ++i) {
        int pixel = k * perLine + i;
        line.push_back(static_cast<char>(0x40 | TestImageColour(pixel % o.width, pixel / o.width, o.width, o.height)));
      }
      lines.push_back(line);
    }
  } else {
    static const char kUpper[] = "0123456789ABCDEF", kLower[] = "0123456789abcdef";
    for (int y = 0; y < o.height; ++y) {
      const char* digits = y % 2 ? kLower : kUpper;
      std::string line = "M:";
      for (int x0 = 0; x0 < o.width; x0 += 8) {
        int byte = 0;
        for (int i = 0; i < 8; ++i) byte |= TestImageDark(x0 + i, y, o.width, o.height) ? 1 << i : 0;
        line.push_back(digits[byte >> 4]);
        line.push_back(digits[byte & 15]);
      }
      lines.push_back(line);
    }
  }
  if (o.fault == "silence") {
    lines.resize(std::min(lines.size(), static_cast<size_t>(o.faultLine)));
  } else if (!o.fault.empty() && o.faultLine < static_cast<int>(lines.size())) {
    ApplyFault(lines[static_cast<size_t>(o.faultLine)], o.fault, colour);
  }
  return lines;
}

int ParseScreenOption(int argc, char** argv, int& i, ScreenOptions& o, std::string& error) {
  const std::string arg = argv[i];
  if (arg != "--screen" && arg != "--screen-fault" && arg != "--screen-baud" && arg != "--screen-bmp") return 0;
  if (i + 1 >= argc) {
    error = "missing value after " + arg;
    return -1;
  }
  const std::string v = argv[++i];
  if (arg == "--screen") {
    size_t x = v.find('x');
    if (x == std::string::npos || !ParseInt(v.substr(0, x), 8, 1024, o.width) || o.width % 8 != 0 ||
        !ParseInt(v.substr(x + 1), 1, 1024, o.height)) {
      error = "bad --screen value (want WIDTHxHEIGHT, width a multiple of 8): " + v;
      return -1;
    }
  } else if (arg == "--screen-fault") {
    size_t at = v.find('@');
    std::string kind = v.substr(0, at);
    bool known = false;
    for (const char* f : kFaults) known = known || kind == f;
    if (!known || at == std::string::npos || !ParseInt(v.substr(at + 1), 0, 1000000, o.faultLine)) {
      error = "bad --screen-fault value (want KIND@LINE): " + v;
      return -1;
    }
    o.fault = kind;
  } else if (arg == "--screen-baud") {
    if (!ParseInt(v, 50, 10000000, o.baud)) {
      error = "bad --screen-baud value: " + v;
      return -1;
    }
  } else {
    if (v.rfind("colour:", 0) != 0 && v.rfind("mono:", 0) != 0) {
      error = "bad --screen-bmp value (want colour:PATH or mono:PATH): " + v;
      return -1;
    }
    o.bmpFiles.push_back(v);
  }
  return 1;
}

const char* ScreenUsageText() {
  return "\n"
         "Screen (SCREEN? and SCREEN,COLOUR?; SUSPEND,ON and SUSPEND,OFF are accepted):\n"
         "  --screen WxH         screen size (default 320x240; the program expects 512x272\n"
         "                       of family 1 and 5 instruments)\n"
         "  --screen-fault K@N   spoil reply line N (from 0) of every screen: silence (stop\n"
         "                       before it), empty, short, long (a byte or pair less or\n"
         "                       more), zero, lf, cr (that byte mid-row), nothex\n"
         "  --screen-baud N      pace screen replies at N baud (bytes x 10 / N)\n"
         "  --screen-bmp MODE:PATH  write the test image as the 24-bit BMP the program\n"
         "                       should save of a colour or mono capture (repeatable)\n";
}

bool WriteScreenFiles(const ScreenOptions& o, std::string& error) {
  for (const std::string& request : o.bmpFiles) {
    bool colour = request.rfind("colour:", 0) == 0;
    std::string path = request.substr(colour ? 7 : 5);
    std::string bytes = BuildBmp(colour, o.width, o.height);
    FILE* f = fopen(path.c_str(), "wb");
    bool ok = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && fclose(f) != 0) ok = false;
    if (!ok) {
      error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

bool AnswerScreenCommand(Server& server, Channel& channel, const std::string& command, const ScreenOptions& o,
                         const std::string& lineEnd) {
  if (command == "SUSPEND,ON" || command == "SUSPEND,OFF") return true;
  if (command != "SCREEN?" && command != "SCREEN,COLOUR?") return false;
  Script script;
  uint64_t bytesSent = 0, msSoFar = 0;
  for (const std::string& line : ScreenReplyLines(command == "SCREEN,COLOUR?", o)) {
    Step send;
    send.kind = Step::kSend;
    send.bytes = line + lineEnd;
    bytesSent += send.bytes.size();
    if (o.baud > 0) {
      // Each line goes out once the wire would have carried it whole.
      uint64_t due = bytesSent * 10 * 1000 / static_cast<uint64_t>(o.baud);
      if (due > msSoFar) {
        Step wait;
        wait.kind = Step::kWait;
        wait.ms = static_cast<int>(due - msSoFar);
        script.push_back(wait);
        msSoFar = due;
      }
    }
    script.push_back(send);
  }
  SentScreens.push_back(std::move(script));
  if (SentScreens.size() > kScreensKept) SentScreens.pop_front();
  server.RunScript(channel, SentScreens.back());
  return true;
}

}  // namespace sim
