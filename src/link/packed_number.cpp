// The instrument's four-byte packed number and its text form.
//
//   b0: bit 7 set (marks the number), bits 6-0 the exponent in 7-bit two's
//       complement
//   b1: bit 6 the sign, bit 5 "value present" (and the mantissa's leading
//       one), bits 5-0 mantissa bits 19-14
//   b2, b3: bits 6-0 mantissa bits 13-7 and 6-0
//   value = (+/- mantissa) * 2^-20 * 2^exponent
#include <cmath>
#include <cstdio>
#include <cstring>

#include "link/instrument_link.h"

namespace qb {

// Drops the "+" after the "E" and the exponent's leading zeros (keeping one
// digit), so 1.23450E+03 reads 1.23450E3 and 1.00000E-003 reads 1.00000E-3.
static void TidyExponent(char* text) {
  char* e = strchr(text, 'E');
  if (!e) return;
  char* out = e + 1;
  const char* in = e + 1;
  if (*in == '+') {
    ++in;
  } else if (*in == '-') {
    *out++ = *in++;
  }
  while (in[0] == '0' && in[1] >= '0' && in[1] <= '9') ++in;
  memmove(out, in, strlen(in) + 1);
}

double DecodePackedNumber(const unsigned char bytes[4], char* text) {
  double value = 0.0;
  if (bytes[1] & 0x20) {
    int exponent = bytes[0] & 0x3F;
    if (bytes[0] & 0x40) exponent -= 64;
    long mantissa = (static_cast<long>(bytes[1] & 0x3F) << 14) | (static_cast<long>(bytes[2] & 0x7F) << 7) |
                    static_cast<long>(bytes[3] & 0x7F);
    value = std::ldexp(static_cast<double>(mantissa), exponent - 20);
    if (bytes[1] & 0x40) value = -value;
  }
  if (text) {
    snprintf(text, kPackedNumberTextSize, "%.*E", 5, value);
    TidyExponent(text);
  }
  return value;
}

}  // namespace qb
