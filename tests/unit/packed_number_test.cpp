// The instrument's four-byte packed numbers and their text form, from byte
// patterns worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "link/instrument_link.h"

namespace {

struct Case {
  unsigned char bytes[4];
  double value;
  const char* text;
};

std::string Decode(const unsigned char* bytes, double* value = nullptr) {
  char text[qb::kPackedNumberTextSize] = "unchanged";
  double v = qb::DecodePackedNumber(bytes, text);
  if (value) *value = v;
  return text;
}

TEST(PackedNumber, DecodesValueAndTextForm) {
  const Case cases[] = {
      // 1234.5 = 632064 * 2^-20 * 2^11
      {{0x8B, 0x26, 0x4A, 0x00}, 1234.5, "1.23450E3"},
      // 1.0 = 0.5 * 2^1
      {{0x81, 0x20, 0x00, 0x00}, 1.0, "1.00000E0"},
      // -0.001: exponent -9 (0x77), mantissa 536871
      {{0xF7, 0x60, 0x62, 0x27}, -536871.0 / 1048576.0 / 512.0, "-1.00000E-3"},
      // 0.25 = 0.5 * 2^-1: the exponent's sign bit
      {{0xFF, 0x20, 0x00, 0x00}, 0.25, "2.50000E-1"},
      // the smallest exponent, -64, and the largest, 63, with a full mantissa
      {{0xC0, 0x20, 0x00, 0x00}, 0.5 / 18446744073709551616.0, "2.71051E-20"},
      {{0xBF, 0x3F, 0x7F, 0x7F}, 1048575.0 / 1048576.0 * 9223372036854775808.0, "9.22336E18"},
      // 100 = 0.78125 * 2^7: no leading zeros in a two-digit exponent
      {{0x87, 0x32, 0x00, 0x00}, 100.0, "1.00000E2"},
  };
  for (const Case& c : cases) {
    double value = 0;
    EXPECT_EQ(Decode(c.bytes, &value), c.text) << c.text;
    EXPECT_DOUBLE_EQ(value, c.value) << c.text;
  }
}

TEST(PackedNumber, ValueAbsentAndIgnoredBitsDecodeAsTheyShould) {
  // Bit 5 of b1 clear: zero, whatever the sign, exponent and mantissa bits say.
  for (unsigned char b1 : {0x00, 0x1F, 0x40, 0x5F, 0x9F}) {
    const unsigned char bytes[4] = {0xBF, b1, 0x7F, 0x7F};
    double value = 1;
    EXPECT_EQ(Decode(bytes, &value), "0.00000E0") << int(b1);
    EXPECT_EQ(value, 0.0);
    EXPECT_FALSE(std::signbit(value));
  }
  // Bit 7 of b1, b2 and b3 plays no part.
  const unsigned char plain[4] = {0x8B, 0x26, 0x4A, 0x00};
  const unsigned char marked[4] = {0x8B, 0xA6, 0xCA, 0x80};
  EXPECT_EQ(Decode(marked), Decode(plain));
  // No text buffer: the value alone.
  EXPECT_DOUBLE_EQ(qb::DecodePackedNumber(plain, nullptr), 1234.5);
}

}  // namespace
