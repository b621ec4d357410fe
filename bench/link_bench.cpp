// Round trips per second through the instrument link over TCP: "*IDN?" sent
// with SendCommand and its reply read with ReadReply, as the program does,
// against whatever instrument listens on port 10001 of the address.
//
//   quillbox-link-bench ADDRESS [COUNT] [LABEL]
//
// Prints one line "LABEL: N round trips in S s: R round trips/s" and exits 0,
// or names the failure and exits 1.
//
//   quillbox-link-bench --stream ADDRESS BYTES [LABEL]
//
// instead sends "FLOOD" and reads BYTES bytes one at a time with ReadByte, as
// the results poll does, and prints "LABEL: N bytes in S s: R KB/s".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/instrument_link.h"

static int Stream(const char* address, long bytes, const char* label) {
  qb::InstrumentLink link = qb::MakeClosedLink();
  link.kind = qb::LINK_LAN;
  snprintf(link.ipAddress, sizeof link.ipAddress, "%s", address);
  if (qb::LinkControl(qb::LINK_OPEN, &link) != 0 || qb::SendCommand("FLOOD\n", &link) < 0) {
    fprintf(stderr, "%s: cannot connect to %s:10001\n", label, address);
    return 1;
  }
  long got = 0;
  auto start = std::chrono::steady_clock::now();
  auto last = start;
  while (got < bytes) {
    int byte = qb::ReadByte(&link);
    auto now = std::chrono::steady_clock::now();
    if (byte >= 0) {
      ++got;
      last = now;
    } else if (std::chrono::duration<double>(now - last).count() > 5) {
      break;
    }
  }
  double seconds = std::chrono::duration<double>(last - start).count();
  qb::LinkControl(qb::LINK_CLOSE, &link);
  if (got < bytes) {
    fprintf(stderr, "%s: only %ld of %ld bytes arrived\n", label, got, bytes);
    return 1;
  }
  printf("%s: %ld bytes in %.3f s: %.1f KB/s\n", label, got, seconds, got / seconds / 1024.0);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 4 && strcmp(argv[1], "--stream") == 0) {
    qb::TraceEnabled = getenv("QB_BENCH_TRACE") != nullptr;
    return Stream(argv[2], atol(argv[3]), argc > 4 ? argv[4] : "quillbox");
  }
  if (argc < 2) {
    fprintf(stderr, "usage: quillbox-link-bench ADDRESS [COUNT] [LABEL]\n");
    return 2;
  }
  int count = argc > 2 ? atoi(argv[2]) : 10000;
  const char* label = argc > 3 ? argv[3] : "quillbox";
  if (count <= 0) count = 10000;

  qb::TraceEnabled = false;
  qb::InstrumentLink link = qb::MakeClosedLink();
  link.kind = qb::LINK_LAN;
  snprintf(link.ipAddress, sizeof link.ipAddress, "%s", argv[1]);
  if (qb::LinkControl(qb::LINK_OPEN, &link) != 0) {
    fprintf(stderr, "%s: cannot connect to %s:10001\n", label, argv[1]);
    return 1;
  }
  char reply[128];
  int failures = 0;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    if (qb::SendCommand("*IDN?\n", &link) < 0 || qb::ReadReply(reply, sizeof reply, &link) <= 0) ++failures;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  qb::LinkControl(qb::LINK_CLOSE, &link);
  if (failures) {
    fprintf(stderr, "%s: %d of %d round trips failed\n", label, failures, count);
    return 1;
  }
  printf("%s: %d round trips in %.3f s: %.1f round trips/s\n", label, count, seconds, count / seconds);
  return 0;
}
