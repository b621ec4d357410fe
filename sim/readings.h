// The instrument's measurements: readings that move over time, for watching
// a value (POWER?, VRMS?, TEMPER?: a slow sine with a little seeded noise,
// the power swinging below zero half the time), and a frequency response for
// sweeps (FREQUE,<Hz> sets the generator; GAIN? in dB, PHASE? in degrees and
// GAINPH? with both answer for a second-order low-pass filter).
#pragma once

#include <cstdint>
#include <string>

namespace sim {

struct ReadingOptions {
  uint32_t seed = 1;        // the noise's seed
  int periodMs = 20000;     // the readings' sine period
  double cornerHz = 1000;   // the low-pass filter's corner frequency
  double noise = 1.0;       // the noise's size, as a share of its default
};

// Parses one reading option at argv[i] (moving i past its value): 1 when it
// was one, 0 when it is not one, -1 with error on a bad value.
int ParseReadingOption(int argc, char** argv, int& i, ReadingOptions& options, std::string& error);
const char* ReadingUsageText();

// The filter's gain in dB and phase in degrees at a frequency.
double ResponseGainDb(double hz, double cornerHz);
double ResponsePhaseDegrees(double hz, double cornerHz);

class Readings {
 public:
  explicit Readings(const ReadingOptions& options);
  // Answers a reading or frequency command: true when it was one, with the
  // reply (without its line end; empty when the command has none).
  bool Command(const std::string& command, std::string& reply);

 private:
  double Noise();  // -1 to 1
  double Wave(double periods);  // the sine at the time now, periodMs x periods long

  ReadingOptions options_;
  uint64_t startMs_;
  uint32_t state_;
  double frequencyHz_ = 1000;
};

}  // namespace sim
