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
//
//   quillbox-link-bench --compare ADDRESS [COUNT] [LABEL]
//
// measures the link against the floor: a minimal loop over a plain blocking
// socket that makes the same round trips (the same bytes out, then recv until
// the reply's line feed; no link layer, no ring, no time-outs). The two take
// turns in blocks of 250 round trips over two connections to the same
// instrument, so that a busy machine slows both alike. Prints the link's
// line, the minimal loop's line (both as above, the labels followed by
// " link" and " minimal loop") and "LABEL link / minimal loop: RATIO", the
// median of the ratios of the pairs of blocks.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "link/instrument_link.h"

#ifdef _WIN32
using PlainSocket = SOCKET;
static void CloseSocket(PlainSocket s) {
  closesocket(s);
}
#else
using PlainSocket = int;
static void CloseSocket(PlainSocket s) {
  close(s);
}
#endif

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

// A plain blocking socket to the instrument, or an invalid one.
static PlainSocket OpenPlain(const char* address) {
  PlainSocket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in peer = {};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(10001);
  peer.sin_addr.s_addr = inet_addr(address);
  if (connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
    CloseSocket(s);
    return static_cast<PlainSocket>(-1);
  }
  return s;
}

// One round trip of the minimal loop; false when it failed.
static bool PlainRoundTrip(PlainSocket s) {
  static const char kQuery[] = "*IDN?\n";  // with its zero byte, as the link sends it
  if (send(s, kQuery, sizeof kQuery, 0) != static_cast<int>(sizeof kQuery)) return false;
  char reply[256];
  for (;;) {
    int n = static_cast<int>(recv(s, reply, sizeof reply, 0));
    if (n <= 0) return false;
    if (memchr(reply, '\n', static_cast<size_t>(n))) return true;
  }
}

static bool LinkRoundTrip(qb::InstrumentLink& link) {
  char reply[128];
  return qb::SendCommand("*IDN?\n", &link) >= 0 && qb::ReadReply(reply, sizeof reply, &link) > 0;
}

static int Compare(const char* address, int count, const char* label) {
#ifdef _WIN32
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
#endif
  qb::TraceEnabled = false;
  qb::InstrumentLink link = qb::MakeClosedLink();
  link.kind = qb::LINK_LAN;
  snprintf(link.ipAddress, sizeof link.ipAddress, "%s", address);
  PlainSocket plain = OpenPlain(address);
  if (qb::LinkControl(qb::LINK_OPEN, &link) != 0 || plain == static_cast<PlainSocket>(-1)) {
    fprintf(stderr, "%s: cannot connect to %s:10001\n", label, address);
    return 1;
  }
  constexpr int kBlock = 250;
  double linkSeconds = 0, plainSeconds = 0;
  std::vector<double> ratios;  // of each pair of blocks
  bool failed = false;
  for (int done = 0; done < count && !failed; done += kBlock) {
    int block = count - done < kBlock ? count - done : kBlock;
    double times[2] = {0, 0};  // link, minimal loop
    // Each goes first in every other pair.
    for (int turn = 0; turn < 2 && !failed; ++turn) {
      int which = (turn + done / kBlock) % 2;
      auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < block && !failed; ++i) failed = which == 0 ? !LinkRoundTrip(link) : !PlainRoundTrip(plain);
      times[which] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    linkSeconds += times[0];
    plainSeconds += times[1];
    if (times[0] > 0) ratios.push_back(times[1] / times[0]);
  }
  qb::LinkControl(qb::LINK_CLOSE, &link);
  CloseSocket(plain);
  if (failed) {
    fprintf(stderr, "%s: a round trip failed\n", label);
    return 1;
  }
  double linkRate = count / linkSeconds, plainRate = count / plainSeconds;
  printf("%s link: %d round trips in %.3f s: %.1f round trips/s\n", label, count, linkSeconds, linkRate);
  printf("%s minimal loop: %d round trips in %.3f s: %.1f round trips/s\n", label, count, plainSeconds, plainRate);
  // The median of the pairs' ratios: a burst of load elsewhere on the
  // machine that hits one block of a pair does not move it.
  std::sort(ratios.begin(), ratios.end());
  double ratio = ratios.empty() ? linkRate / plainRate : ratios[ratios.size() / 2];
  printf("%s link / minimal loop: %.2f\n", label, ratio);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 4 && strcmp(argv[1], "--stream") == 0) {
    qb::TraceEnabled = getenv("QB_BENCH_TRACE") != nullptr;
    return Stream(argv[2], atol(argv[3]), argc > 4 ? argv[4] : "quillbox");
  }
  if (argc >= 3 && strcmp(argv[1], "--compare") == 0) {
    int count = argc > 3 ? atoi(argv[3]) : 10000;
    return Compare(argv[2], count > 0 ? count : 10000, argc > 4 ? argv[4] : "quillbox");
  }
  if (argc < 2) {
    fprintf(stderr, "usage: quillbox-link-bench [--compare] ADDRESS [COUNT] [LABEL]\n");
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
