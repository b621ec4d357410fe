// Fuzzes the decoding of packed numbers and the TCP receive ring's line
// handling: any bytes, any buffer size, no read or write outside the buffers,
// and a text form that always reads back as the decoded value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "link/instrument_link.h"
#include "link/tcp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 4) {
    char text[qb::kPackedNumberTextSize];
    double value = qb::DecodePackedNumber(data, text);
    double back = strtod(text, nullptr);
    if (std::fabs(back - value) > std::fabs(value) * 1e-5) abort();
  }
  // The ring: append the input in pieces and take it back; what comes out is
  // the newest bytes, in order.
  qb::InstrumentLink link = qb::MakeClosedLink();
  size_t piece = size > 0 ? 1 + data[0] % 255 : 1;
  for (size_t at = 0; at < size; at += piece) {
    qb::RingAppend(&link, data + at, static_cast<int>(size - at < piece ? size - at : piece));
  }
  size_t kept = size < qb::kReceiveRingSize ? size : qb::kReceiveRingSize;
  if (static_cast<size_t>(link.ringCount) != kept) abort();
  for (size_t i = size - kept; i < size; ++i) {
    if (qb::RingTake(&link) != data[i]) abort();
  }
  if (qb::RingTake(&link) != -1) abort();
  return 0;
}
