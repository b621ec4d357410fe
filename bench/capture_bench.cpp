// The time of a colour screen capture against the time the bytes themselves
// take: the capture job over the link, as the program runs it behind the
// progress dialog, and beside it the limit it is measured against.
//
//   quillbox-capture-bench tcp ADDRESS [RUNS]
//     over TCP to port 10001 of ADDRESS; the limit's transfer time is that of
//     a minimal reader (one socket, large reads, no line handling) fetching
//     the same reply from the same instrument;
//   quillbox-capture-bench serial FOLDER PORT BAUD [RUNS]
//     over the serial port PORT ("COM43"), found as FOLDER/com43, from an
//     instrument pacing its reply at BAUD; the transfer time is all bytes x
//     10 / BAUD.
//
// Both add the progress dialog's one-second start to each side and print the
// best of RUNS (default 5) captures, the limit and their ratio.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "link/instrument_link.h"
#include "link/serial.h"
#include "stores/screen_capture.h"

namespace {

constexpr double kProgressStartS = 1.0;
constexpr int kWidth = 320, kHeight = 240;
// Four lines a row: two leading characters, width/4 pixel bytes, CR LF.
constexpr long kReplyBytes = 4L * kHeight * (2 + kWidth / 4 + 2);

class QuietReporter final : public qb::JobReporter {
 public:
  void Status(const std::string&) override {}
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One capture job; its time in seconds, or a negative number when it failed.
double CaptureOnce(qb::InstrumentLink& link) {
  static qb::CaptureJob job;
  QuietReporter reporter;
  qb::BeginScreenCapture(job, &link, &qb::CapturedScreen, true, "");
  auto start = std::chrono::steady_clock::now();
  qb::RunCaptureJob(job, reporter);
  double s = Seconds(start);
  return job.outcome == qb::CaptureOutcome::Captured ? s : -1;
}

// A minimal reader's time for the colour reply over its own TCP connection.
double RawTcpOnce(const char* address) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = htons(10001);
  inet_pton(AF_INET, address, &to.sin_addr);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  const char query[] = "SCREEN,COLOUR?\n";
  auto start = std::chrono::steady_clock::now();
  long got = 0;
  if (send(fd, query, sizeof query, 0) == static_cast<ssize_t>(sizeof query)) {
    char chunk[65536];
    ssize_t n;
    while (got < kReplyBytes && (n = recv(fd, chunk, sizeof chunk, 0)) > 0) got += n;
  }
  double s = Seconds(start);
  close(fd);
  return got == kReplyBytes ? s : -1;
}

void Report(const char* label, double best, double transfer, const char* transferWhat) {
  double program = kProgressStartS + best, limit = kProgressStartS + transfer;
  printf("%s: capture job %.3f s (best), %s %.3f s\n", label, best, transferWhat, transfer);
  printf("%s: with the 1 s progress start: %.3f s against a limit of %.3f s: %.3f x the limit\n", label, program, limit,
         program / limit);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && strcmp(argv[1], "tcp") == 0) {
    const char* address = argv[2];
    int runs = argc > 3 ? atoi(argv[3]) : 5;
    qb::InstrumentLink link = qb::MakeClosedLink();
    link.kind = qb::LINK_LAN;
    snprintf(link.ipAddress, sizeof link.ipAddress, "%s", address);
    if (qb::LinkControl(qb::LINK_OPEN, &link) != 0) {
      fprintf(stderr, "cannot connect to %s:10001\n", address);
      return 1;
    }
    double best = 1e9, raw = 1e9;
    for (int i = 0; i < runs; ++i) {
      double s = CaptureOnce(link), r = RawTcpOnce(address);
      if (s < 0 || r < 0) {
        fprintf(stderr, "a capture failed\n");
        return 1;
      }
      best = s < best ? s : best;
      raw = r < raw ? r : raw;
    }
    qb::LinkControl(qb::LINK_CLOSE, &link);
    Report("TCP loopback", best, raw, "minimal reader (best)");
    return 0;
  }
  if (argc >= 5 && strcmp(argv[1], "serial") == 0) {
    qb::SetSerialDeviceFolder(argv[2]);
    int baud = atoi(argv[4]);
    int runs = argc > 5 ? atoi(argv[5]) : 5;
    qb::InstrumentLink link = qb::MakeClosedLink();
    link.kind = qb::LINK_SERIAL;
    snprintf(link.portName, sizeof link.portName, "%s", argv[3]);
    link.baudRate = 38400;  // a pseudo-terminal ignores it; the instrument paces
    if (baud <= 0 || qb::LinkControl(qb::LINK_OPEN, &link) != 0) {
      fprintf(stderr, "cannot open %s in %s\n", argv[3], argv[2]);
      return 1;
    }
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
      double s = CaptureOnce(link);
      if (s < 0) {
        fprintf(stderr, "a capture failed\n");
        return 1;
      }
      best = s < best ? s : best;
    }
    qb::LinkControl(qb::LINK_CLOSE, &link);
    char label[64];
    snprintf(label, sizeof label, "Serial at %d baud", baud);
    Report(label, best, kReplyBytes * 10.0 / baud, "bytes x 10 / baud");
    return 0;
  }
  fprintf(stderr, "usage: quillbox-capture-bench tcp ADDRESS [RUNS] | serial FOLDER PORT BAUD [RUNS]\n");
  return 2;
}
