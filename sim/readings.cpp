// The instrument's moving readings and its frequency response; see
// readings.h.
#include "readings.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "server.h"

namespace sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Upper(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Number(double value) {
  char text[32];
  snprintf(text, sizeof text, "%.5E", value);
  return text;
}

bool ParseDouble(const std::string& text, double& value) {
  char* end = nullptr;
  value = strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && std::isfinite(value);
}

}  // namespace

int ParseReadingOption(int argc, char** argv, int& i, ReadingOptions& o, std::string& error) {
  const std::string arg = argv[i];
  if (arg != "--reading-seed" && arg != "--reading-period" && arg != "--reading-noise" && arg != "--response-corner")
    return 0;
  if (i + 1 >= argc) {
    error = "missing value after " + arg;
    return -1;
  }
  const std::string v = argv[++i];
  double value = 0;
  if (!ParseDouble(v, value)) {
    error = "bad " + arg + " value: " + v;
    return -1;
  }
  if (arg == "--reading-seed" && value >= 0 && value <= 4294967295.0) {
    o.seed = static_cast<uint32_t>(value);
  } else if (arg == "--reading-period" && value >= 10 && value <= 86400000) {
    o.periodMs = static_cast<int>(value);
  } else if (arg == "--reading-noise" && value >= 0 && value <= 100) {
    o.noise = value;
  } else if (arg == "--response-corner" && value > 0) {
    o.cornerHz = value;
  } else {
    error = "bad " + arg + " value: " + v;
    return -1;
  }
  return 1;
}

const char* ReadingUsageText() {
  return "\n"
         "Readings (POWER? gives watts, VA and power factor; VRMS?; TEMPER?): a slow sine\n"
         "with noise, the power below zero half the time. Frequency response: FREQUE,HZ\n"
         "(or FREQ,HZ) sets the generator, FREQUE? reads it back; GAIN? (dB), PHASE?\n"
         "(degrees) and GAINPH? (both) follow a second-order low-pass filter.\n"
         "  --reading-period MS  the sine's period (default 20000)\n"
         "  --reading-seed N     the noise's seed (default 1)\n"
         "  --reading-noise X    the noise's size, 0 for none (default 1)\n"
         "  --response-corner HZ the filter's corner frequency (default 1000)\n";
}

double ResponseGainDb(double hz, double cornerHz) {
  double r = hz / cornerHz;
  return -10.0 * std::log10(1.0 + r * r * r * r);
}

double ResponsePhaseDegrees(double hz, double cornerHz) {
  double r = hz / cornerHz;
  return -std::atan2(std::sqrt(2.0) * r, 1.0 - r * r) * 180.0 / kPi;
}

Readings::Readings(const ReadingOptions& options)
    : options_(options), startMs_(NowMs()), state_(options.seed ? options.seed : 0x9E3779B9u) {}

double Readings::Noise() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return (static_cast<double>(state_) / 4294967295.0 * 2.0 - 1.0) * options_.noise;
}

double Readings::Wave(double periods) {
  double t = static_cast<double>(NowMs() - startMs_);
  return std::sin(2 * kPi * t / (options_.periodMs * periods));
}

bool Readings::Command(const std::string& command, std::string& reply) {
  const std::string c = Upper(command);
  reply.clear();
  if (c == "POWER?") {
    double watts = 5.0 + 40.0 * Wave(1) + 0.8 * Noise();
    double va = std::fabs(watts) * 1.1 + 2.0;
    reply = Number(watts) + "," + Number(va) + "," + Number(watts / va);
  } else if (c == "VRMS?") {
    reply = Number(230.0 + 1.5 * Wave(1) + 0.2 * Noise());
  } else if (c == "TEMPER?") {
    reply = Number(25.0 + 2.0 * Wave(3) + 0.05 * Noise());
  } else if (c.compare(0, 7, "FREQUE,") == 0 || c.compare(0, 5, "FREQ,") == 0) {
    double hz = 0;
    if (ParseDouble(c.substr(c.find(',') + 1), hz) && hz > 0) frequencyHz_ = hz;
  } else if (c == "FREQUE?" || c == "FREQ?") {
    reply = Number(frequencyHz_);
  } else if (c == "GAIN?") {
    reply = Number(ResponseGainDb(frequencyHz_, options_.cornerHz));
  } else if (c == "PHASE?") {
    reply = Number(ResponsePhaseDegrees(frequencyHz_, options_.cornerHz));
  } else if (c == "GAINPH?") {
    reply = Number(ResponseGainDb(frequencyHz_, options_.cornerHz)) + "," +
            Number(ResponsePhaseDegrees(frequencyHz_, options_.cornerHz));
  } else {
    return false;
  }
  return true;
}

}  // namespace sim
