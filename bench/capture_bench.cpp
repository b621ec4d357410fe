// Times a colour screen capture (the capture job over the link, as the
// program runs it behind the progress dialog) and the time a minimal reader
// takes for the same reply; scripts/bench-capture.sh sets both beside the
// limit. Built natively and for Windows (run under Wine).
//
//   quillbox-capture-bench tcp ADDRESS [RUNS]     the job over TCP to ADDRESS:10001
//   quillbox-capture-bench serial PATH [RUNS]     the job over COM43, mapped to the
//                                                 terminal device PATH
//   quillbox-capture-bench raw ADDRESS [RUNS]     a minimal reader (one socket, large
//                                                 reads, no line handling); not on Windows
//
// Each prints the best of RUNS (default 5) as "best S s" and exits 0, or
// names the failure and exits 1.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "link/instrument_link.h"
#include "link/serial.h"
#include "stores/screen_capture.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;
// Four lines a row: two leading characters, width/4 pixel bytes, CR LF.
constexpr long kReplyBytes = 4L * kHeight * (2 + kWidth / 4 + 2);
constexpr int kComPort = 43;

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

// Makes COM43 lead to the terminal device at path.
bool MapPort(const std::string& path) {
#ifdef _WIN32
  // Wine finds the port under this key; the prefix's dosdevices/com43 link
  // is made by the script.
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG set = RegSetValueExA(key, "COM43", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                            static_cast<DWORD>(path.size() + 1));
  RegCloseKey(key);
  return set == ERROR_SUCCESS;
#else
  static char folder[] = "/tmp/qb-capture-bench.XXXXXX";
  if (!mkdtemp(folder)) return false;
  std::string link = std::string(folder) + "/com" + std::to_string(kComPort);
  qb::SetSerialDeviceFolder(folder);
  return symlink(path.c_str(), link.c_str()) == 0;
#endif
}

#ifndef _WIN32
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
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: quillbox-capture-bench tcp|serial|raw ADDRESS-OR-PATH [RUNS]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const int runs = argc > 3 ? atoi(argv[3]) : 5;
  double best = 1e9;
  if (mode == "raw") {
#ifdef _WIN32
    fprintf(stderr, "raw: natively only\n");
    return 2;
#else
    for (int i = 0; i < runs; ++i) {
      double s = RawTcpOnce(argv[2]);
      if (s < 0) {
        fprintf(stderr, "raw: the reply did not arrive whole\n");
        return 1;
      }
      best = s < best ? s : best;
    }
#endif
  } else {
    qb::InstrumentLink link = qb::MakeClosedLink();
    if (mode == "tcp") {
      link.kind = qb::LINK_LAN;
      snprintf(link.ipAddress, sizeof link.ipAddress, "%s", argv[2]);
    } else if (mode == "serial" && MapPort(argv[2])) {
      link.kind = qb::LINK_SERIAL;
      snprintf(link.portName, sizeof link.portName, "COM%d", kComPort);
      link.baudRate = 38400;  // a pseudo-terminal ignores it; the instrument paces
    } else {
      fprintf(stderr, "%s: cannot set up the link to %s\n", mode.c_str(), argv[2]);
      return 1;
    }
    if (qb::LinkControl(qb::LINK_OPEN, &link) != 0) {
      fprintf(stderr, "%s: cannot open the link to %s\n", mode.c_str(), argv[2]);
      return 1;
    }
    for (int i = 0; i < runs; ++i) {
      double s = CaptureOnce(link);
      if (s < 0) {
        fprintf(stderr, "%s: a capture failed\n", mode.c_str());
        return 1;
      }
      best = s < best ? s : best;
    }
    qb::LinkControl(qb::LINK_CLOSE, &link);
  }
  printf("best %.3f s\n", best);
  return 0;
}
