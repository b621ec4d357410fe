// How fast the results pane keeps up with an instrument that talks unasked:
// the real quillbox.exe, connected over TCP to a virtual instrument that
// streams 100-byte lines at a rising rate. For each rate it prints the rate
// the pane showed, how far it fell behind, and how many lines went missing.
// Run under Wine by scripts/bench-pane.sh.
//
//   quillbox-pane-bench [KB/s ...]     (default 25 50 100 200 400 800 1600)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "support/host.h"
#include "terminal.h"

namespace {

constexpr int kLineBytes = 100;  // 98 letters and CR LF
constexpr int kPeriodMs = 10;
constexpr int kStartMs = 2000;

long PaneLines(const e2e::ConnectedApp& c) {
  // The last line is the empty one after the final CR LF.
  return static_cast<long>(SendMessageA(c.Control(IDC_RESULTS_PANE), EM_GETLINECOUNT, 0, 0)) - 1;
}

struct Trial {
  double offered = 0, shown = 0;  // KB/s
  long lagGrowth = 0;             // lines the pane fell further behind
  long sent = 0, lost = 0;
  bool ok = false;
};

Trial Run(int kbPerSecond) {
  Trial t;
  int linesPerPeriod = kbPerSecond * 1024 * kPeriodMs / 1000 / kLineBytes;
  if (linesPerPeriod < 1) linesPerPeriod = 1;
  t.offered = linesPerPeriod * kLineBytes * (1000.0 / kPeriodMs) / 1024.0;
  std::string script;
  for (int i = 0; i < linesPerPeriod; ++i) script += std::string(i ? "|" : "") + "line:\\a{98}";
  e2e::ConnectedApp c;
  std::string error;
  // Identified as an unknown maker: no command assistant in the way.
  // The stream begins once the connection is made and identified.
  if (!c.StartLan(
          {"--idn", "BENCH,1", "--every", std::to_string(kPeriodMs) + "@" + std::to_string(kStartMs) + "=" + script},
          &error)) {
    fprintf(stderr, "%d KB/s: %s\n", kbPerSecond, error.c_str());
    return t;
  }
  // Measured from the first line shown.
  if (!qbtest::WaitFor([&] { return PaneLines(c) > 0; }, kStartMs + 5000)) {
    fprintf(stderr, "%d KB/s: no line arrived\n", kbPerSecond);
    return t;
  }
  long long start = qbtest::NowMs();
  qbtest::SleepMs(1000);
  long long t1 = qbtest::NowMs();
  long lines1 = PaneLines(c);
  qbtest::SleepMs(4000);
  long long t2 = qbtest::NowMs();
  long lines2 = PaneLines(c);
  double expected1 = (t1 - start) / 1000.0 * linesPerPeriod * 1000.0 / kPeriodMs;
  double expected2 = (t2 - start) / 1000.0 * linesPerPeriod * 1000.0 / kPeriodMs;
  t.shown = (lines2 - lines1) * kLineBytes / ((t2 - t1) / 1000.0) / 1024.0;
  t.lagGrowth = static_cast<long>((expected2 - lines2) - (expected1 - lines1));
  // Stop the stream, let the pane catch up, and count what arrived.
  c.sim.Stop();
  long last = -1, now = PaneLines(c);
  for (int i = 0; i < 200 && now != last; ++i) {
    qbtest::SleepMs(250);
    last = now;
    now = PaneLines(c);
  }
  // Every streamed line (98 filler letters) must be in the pane; the
  // identification replies are not.
  std::string out = qbtest::TranscriptBytes(c.sim.Transcript(), "out", "tcp");
  for (size_t pos = 0, end; (end = out.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
    if (end - pos == kLineBytes - 2) ++t.sent;
  }
  t.lost = t.sent - now;
  t.ok = true;
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> rates;
  for (int i = 1; i < argc; ++i) rates.push_back(atoi(argv[i]));
  if (rates.empty()) rates = {25, 50, 100, 200, 400, 800, 1600};
  double best = 0;
  for (int rate : rates) {
    Trial t = Run(rate);
    if (!t.ok) continue;
    bool keptUp = t.shown >= 0.97 * t.offered && t.lost == 0;
    printf("offered %7.1f KB/s: pane showed %7.1f KB/s, fell %ld lines further behind, %ld of %ld lines lost%s\n",
           t.offered, t.shown, t.lagGrowth, t.lost, t.sent, keptUp ? "" : "  <- falls behind");
    fflush(stdout);
    if (keptUp && t.offered > best) best = t.offered;
  }
  printf("highest rate the pane keeps up with: %.1f KB/s\n", best);
  return 0;
}
