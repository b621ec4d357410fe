// The firmware transfer's speed against the virtual instrument's loader,
// beside the limits it is held to.
//
//   quillbox-upgrade-bench tcp ADDRESS HEXFILE [LABEL]
//       the whole upgrade (UpgradeThread, its fixed waits included) over TCP,
//       between two runs of the minimal loop; the limit is 7.5 s plus records
//       times their mean round trip
//   quillbox-upgrade-bench raw ADDRESS HEXFILE [LABEL]
//       the minimal loop over a plain socket: one record sent, one line read,
//       the next record; prints the round trip per record (POSIX only)
//   quillbox-upgrade-bench serial PTYPATH BAUD HEXFILE [LABEL]
//       the whole upgrade over a serial port (the simulator's pseudo-terminal,
//       mapped to COM9); prints the wire's limit for that baud rate too
//
// HEXFILE and PTYPATH are host (Linux) paths, also under Wine. Each prints "LABEL: ... in S s" lines and exits 0, or
// names the failure and exits 1.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/job_reporter.h"
#include "link/instrument_link.h"
#include "support/com_port.h"
#include "support/hex_images.h"
#include "support/host.h"
#include "upgrade/load_record.h"
#include "upgrade/upgrade_transfer.h"

#ifdef _WIN32
#include <winsock2.h>
using Socket = SOCKET;
#define QB_SEND_FLAGS 0
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
#define QB_SEND_FLAGS MSG_NOSIGNAL
#define closesocket close
#endif

namespace {

constexpr double kFixedWaitsS = 7.5;
constexpr int kBenchComPort = 9;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class LastLog : public qb::JobReporter {
 public:
  std::string last;
  void Status(const std::string&) override {}
  void Log(const std::string& line) override { last = line; }
};

int Upgrade(qb::InstrumentLink& link, const char* hexFile, const char* label, double* seconds) {
  if (qb::LinkControl(qb::LINK_OPEN, &link) != 0) {
    fprintf(stderr, "%s: cannot open the link\n", label);
    return 1;
  }
  qb::LoadRecord record;
  record.sector = 0;
  record.found = qb::FindFileInfo(qbtest::LocalPath(hexFile), record.info, &record.path);
  if (!record.found) {
    fprintf(stderr, "%s: no file %s\n", label, hexFile);
    return 1;
  }
  qb::UpgradeJob job;
  job.records = &record;
  job.count = 1;
  LastLog reporter;
  auto start = std::chrono::steady_clock::now();
  bool ok = qb::UpgradeThread(job, &link, reporter);
  *seconds = Seconds(start);
  qb::LinkControl(qb::LINK_CLOSE, &link);
  if (!ok) {
    fprintf(stderr, "%s: the upgrade failed: %s\n", label, reporter.last.c_str());
    return 1;
  }
  return 0;
}

bool SendAll(Socket fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    int n = static_cast<int>(send(fd, bytes.data() + done, static_cast<int>(bytes.size() - done), QB_SEND_FLAGS));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// One reply line, received in whatever pieces it comes (one, as a rule).
bool ReadLine(Socket fd) {
  char chunk[256];
  for (;;) {
    int n = static_cast<int>(recv(fd, chunk, sizeof chunk, 0));
    if (n <= 0) return false;
    if (chunk[n - 1] == '\n') return true;
  }
}

// The minimal loop's round trip per record in seconds, or -1 when it failed.
double Raw(const char* address, const std::vector<std::string>& records, const char* label) {
#ifdef _WIN32
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
#endif
  Socket fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in peer;
  memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(10001);
  peer.sin_addr.s_addr = inet_addr(address);
  if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
    fprintf(stderr, "%s: cannot connect to %s:10001\n", label, address);
    return -1;
  }
  bool ok = SendAll(fd, "\x19") && SendAll(fd, "6F5Dz\n") && ReadLine(fd) && SendAll(fd, "A4C1y\n") && ReadLine(fd) &&
            SendAll(fd, "x") && ReadLine(fd) && SendAll(fd, "A4C1y\n") && ReadLine(fd);
  auto start = std::chrono::steady_clock::now();
  for (size_t i = 0; ok && i < records.size(); ++i) ok = SendAll(fd, records[i] + "\n\r\n") && ReadLine(fd);
  double seconds = Seconds(start);
  SendAll(fd, "z\n\x15");
  closesocket(fd);
  if (!ok || records.empty()) {
    fprintf(stderr, "%s: the loader stopped answering\n", label);
    return -1;
  }
  printf("%s: %zu records in %.3f s: %.1f us a round trip\n", label, records.size(), seconds,
         seconds * 1e6 / static_cast<double>(records.size()));
  return seconds / static_cast<double>(records.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "tcp" && argc >= 4) {
    // The minimal loop just before and just after the transfer, in the same
    // process: the limit then holds for the same moment on a busy machine.
    const char* label = argc > 4 ? argv[4] : "quillbox tcp";
    std::vector<std::string> records = qbtest::HexRecords(argv[3]);
    double before = Raw(argv[2], records, "  minimal loop before");
    qb::InstrumentLink link = qb::MakeClosedLink();
    link.kind = qb::LINK_LAN;
    snprintf(link.ipAddress, sizeof link.ipAddress, "%s", argv[2]);
    double seconds = 0;
    if (before < 0 || Upgrade(link, argv[3], label, &seconds) != 0) return 1;
    double after = Raw(argv[2], records, "  minimal loop after");
    if (after < 0) return 1;
    double limit = kFixedWaitsS + static_cast<double>(records.size()) * (before + after) / 2;
    printf("%s: %zu records in %.3f s; limit %.3f s; ratio %.3f\n", label, records.size(), seconds, limit,
           seconds / limit);
    return 0;
  }
  if (mode == "raw" && argc >= 4)
    return Raw(argv[2], qbtest::HexRecords(argv[3]), argc > 4 ? argv[4] : "minimal loop") < 0;
  if (mode == "serial" && argc >= 5) {
    const char* label = argc > 5 ? argv[5] : "quillbox serial";
    int baud = atoi(argv[3]);
    if (!qbtest::MapComPort(kBenchComPort, argv[2])) {
      fprintf(stderr, "%s: cannot map COM%d to %s\n", label, kBenchComPort, argv[2]);
      return 1;
    }
    qb::InstrumentLink link = qb::MakeClosedLink();
    link.kind = qb::LINK_SERIAL;
    snprintf(link.portName, sizeof link.portName, "COM%d", kBenchComPort);
    link.baudRate = baud;
    double seconds = 0;
    int result = Upgrade(link, argv[4], label, &seconds);
    qbtest::UnmapComPort(kBenchComPort);
    if (result != 0) return 1;
    // Every byte both ways: wake, init, sector code and erase, sector code,
    // each record with LF CR LF, restart and final byte; "ok\r\n" per answer.
    std::vector<std::string> records = qbtest::HexRecords(argv[4]);
    double out = 1 + 6 + 6 + 1 + 6 + 2 + 1, in = 4 * 4;
    for (const std::string& r : records) {
      out += static_cast<double>(r.size()) + 3;
      in += 4;
    }
    double limit = kFixedWaitsS + (out + in) * 10 / baud;
    printf("%s: %zu records, %.0f bytes out, %.0f bytes in, in %.3f s; limit %.3f s; ratio %.3f\n", label,
           records.size(), out, in, seconds, limit, seconds / limit);
    return 0;
  }
  fprintf(stderr,
          "usage: quillbox-upgrade-bench tcp ADDRESS HEXFILE [LABEL]\n"
          "       quillbox-upgrade-bench raw ADDRESS HEXFILE [LABEL]\n"
          "       quillbox-upgrade-bench serial PTYPATH BAUD HEXFILE [LABEL]\n");
  return 2;
}
