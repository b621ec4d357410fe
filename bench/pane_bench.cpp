// How fast the results pane keeps up with an instrument that talks unasked:
// the real quillbox.exe, connected over TCP to a virtual instrument that
// streams 100-byte lines at a rising rate. For each rate it prints the rate
// the pane showed, how far it fell behind, and how many lines went missing.
// Then a flood (4 MB/s for 60 s by default): the program's memory stays
// bounded and the pane keeps showing the newest lines. Run under Wine by
// scripts/bench-pane.sh.
//
//   quillbox-pane-bench [KB/s ...] [--soak KB/s SECONDS]
//                                      (default 25 ... 1600, --soak 4096 60)
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "resources/resource.h"
#include "support/host.h"

namespace {

constexpr int kLineBytes = 100;  // "NNN:", 94 letters and CR LF
constexpr int kPeriodMs = 10;
constexpr int kStartMs = 2000;
const char kTrimMarker[] = "--- earlier output was removed from the pane ---\r\n";

long PaneLines(const e2e::ConnectedApp& c) {
  // The last line is the empty one after the final CR LF.
  return static_cast<long>(SendMessageA(c.Control(IDC_RESULTS_PANE), EM_GETLINECOUNT, 0, 0)) - 1;
}

// The program's working set in KB (0 when it cannot be read).
long WorkingSetKb(const e2e::ConnectedApp& c) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, c.app.Pid());
  if (!process) return 0;
  PROCESS_MEMORY_COUNTERS counters = {};
  long kb =
      GetProcessMemoryInfo(process, &counters, sizeof counters) ? static_cast<long>(counters.WorkingSetSize / 1024) : 0;
  CloseHandle(process);
  return kb;
}

// Starts a simulator that streams linesPerPeriod numbered 100-byte lines every
// 10 ms, and the program connected to it. Returns the rate offered in KB/s,
// or 0 when something failed.
double StartStream(e2e::ConnectedApp& c, int kbPerSecond) {
  int linesPerPeriod = kbPerSecond * 1024 * kPeriodMs / 1000 / kLineBytes;
  if (linesPerPeriod < 1) linesPerPeriod = 1;
  std::string script;
  for (int i = 0; i < linesPerPeriod; ++i) {
    char number[8];
    snprintf(number, sizeof number, "%03d:", i % 1000);
    script += std::string(i ? "|" : "") + "line:" + number + "\\a{94}";
  }
  // Identified as an unknown maker: no command assistant in the way.
  // The stream begins once the connection is made and identified.
  if (!c.StartLan(
          {"--idn", "BENCH,1", "--every", std::to_string(kPeriodMs) + "@" + std::to_string(kStartMs) + "=" + script})) {
    fprintf(stderr, "%d KB/s: %s\n", kbPerSecond, c.error.c_str());
    return 0;
  }
  if (!qbtest::WaitFor([&] { return PaneLines(c) > 0; }, kStartMs + 5000)) {
    fprintf(stderr, "%d KB/s: no line arrived\n", kbPerSecond);
    return 0;
  }
  return linesPerPeriod * kLineBytes * (1000.0 / kPeriodMs) / 1024.0;
}

// Stops the stream and waits until the pane has taken everything. Returns
// how many streamed lines are missing from the pane, or -1 when the pane
// dropped its oldest lines (its limit), and the number of streamed lines.
long StopAndCountLost(e2e::ConnectedApp& c, long& sent, bool& trimmed) {
  c.sim.Stop();
  long last = -1, now = PaneLines(c);
  for (int i = 0; i < 200 && now != last; ++i) {
    qbtest::SleepMs(250);
    last = now;
    now = PaneLines(c);
  }
  std::string pane = e2e::TextOf(c.Control(IDC_RESULTS_PANE));
  trimmed = pane.compare(0, sizeof kTrimMarker - 1, kTrimMarker) == 0;
  if (trimmed) pane.erase(0, sizeof kTrimMarker - 1);
  std::string out = qbtest::TranscriptBytes(c.sim.Transcript(), "out", "tcp");
  std::vector<std::string> streamed;
  for (size_t pos = 0, end; (end = out.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
    if (end - pos == kLineBytes - 2) streamed.push_back(out.substr(pos, end + 2 - pos));
  }
  sent = static_cast<long>(streamed.size());
  // Walk both from the end: every pane line must be the streamed line at the
  // same distance from the end.
  long matched = 0;
  size_t paneEnd = pane.size();
  for (auto line = streamed.rbegin(); line != streamed.rend() && paneEnd >= line->size(); ++line) {
    if (pane.compare(paneEnd - line->size(), line->size(), *line) != 0) break;
    paneEnd -= line->size();
    ++matched;
  }
  return trimmed ? -1 : sent - matched;
}

struct Trial {
  double offered = 0, shown = 0;  // KB/s
  long lagGrowth = 0;             // lines the pane fell further behind
  long sent = 0, lost = 0;
  bool trimmed = false;
  bool ok = false;
};

Trial Run(int kbPerSecond) {
  Trial t;
  e2e::ConnectedApp c;
  t.offered = StartStream(c, kbPerSecond);
  if (t.offered == 0) return t;
  // Measured from the first line shown, over a window short enough that the
  // pane's scroll-back limit does not drop lines meanwhile.
  double linesPerSecond = t.offered * 1024 / kLineBytes;
  int windowMs = static_cast<int>(1200.0 * 1024 / t.offered * 1000 / 1024);
  if (windowMs > 4000) windowMs = 4000;
  if (windowMs < 400) windowMs = 400;
  long long start = qbtest::NowMs();
  qbtest::SleepMs(200);
  long long t1 = qbtest::NowMs();
  long lines1 = PaneLines(c);
  qbtest::SleepMs(windowMs);
  long long t2 = qbtest::NowMs();
  long lines2 = PaneLines(c);
  double expected1 = (t1 - start) / 1000.0 * linesPerSecond;
  double expected2 = (t2 - start) / 1000.0 * linesPerSecond;
  t.shown = (lines2 - lines1) * kLineBytes / ((t2 - t1) / 1000.0) / 1024.0;
  t.lagGrowth = static_cast<long>((expected2 - lines2) - (expected1 - lines1));
  t.lost = StopAndCountLost(c, t.sent, t.trimmed);
  t.ok = true;
  return t;
}

// A long flood: the program's memory, sampled every 5 s, must stay bounded,
// and the pane must end with the newest lines.
void Soak(int kbPerSecond, int seconds) {
  e2e::ConnectedApp c;
  double offered = StartStream(c, kbPerSecond);
  if (offered == 0) return;
  long first = 0, peak = 0, paneMax = 0, stalls = 0, samples = 0;
  std::string lastLine;
  for (int elapsed = 0; elapsed < seconds; elapsed += 5) {
    qbtest::SleepMs(5000);
    // The newest line shown must have moved on since the last sample.
    std::string text = e2e::TextOf(c.Control(IDC_RESULTS_PANE));
    size_t end = text.size() >= 2 ? text.size() - 2 : 0;
    size_t before = end > 0 ? text.rfind("\r\n", end - 1) : std::string::npos;
    size_t start = before == std::string::npos ? 0 : before + 2;
    std::string line = text.substr(start, end - start);
    if (samples++ > 0 && line == lastLine) ++stalls;
    lastLine = line;
    long kb = WorkingSetKb(c);
    if (elapsed == 5) first = kb;
    if (kb > peak) peak = kb;
    long pane = static_cast<long>(SendMessageA(c.Control(IDC_RESULTS_PANE), WM_GETTEXTLENGTH, 0, 0));
    if (pane > paneMax) paneMax = pane;
  }
  long sent = 0;
  bool trimmed = false;
  StopAndCountLost(c, sent, trimmed);
  printf(
      "soak: offered %.1f KB/s for %d s: working set %ld KB after 10 s, at most %ld KB; pane at most %ld KB%s; "
      "the newest line moved on at %ld of %ld samples\n",
      offered, seconds, first, peak, paneMax / 1024, trimmed ? " (oldest lines dropped)" : "", samples - 1 - stalls,
      samples - 1);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> rates;
  int soakRate = 4096, soakSeconds = 60;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--soak" && i + 2 < argc) {
      soakRate = atoi(argv[++i]);
      soakSeconds = atoi(argv[++i]);
    } else {
      rates.push_back(atoi(argv[i]));
    }
  }
  if (rates.empty()) rates = {25, 50, 100, 200, 400, 800, 1600};
  double best = 0;
  for (int rate : rates) {
    Trial t = Run(rate);
    if (!t.ok) continue;
    bool keptUp = t.shown >= 0.97 * t.offered && t.lost <= 0;
    char lost[64];
    if (t.lost < 0) {
      snprintf(lost, sizeof lost, "oldest lines dropped by the limit");
    } else {
      snprintf(lost, sizeof lost, "%ld of %ld lines lost", t.lost, t.sent);
    }
    printf("offered %7.1f KB/s: pane showed %7.1f KB/s, fell %ld lines further behind, %s%s\n", t.offered, t.shown,
           t.lagGrowth, lost, keptUp ? "" : "  <- falls behind");
    fflush(stdout);
    if (keptUp && t.offered > best) best = t.offered;
  }
  printf("highest rate the pane keeps up with: %.1f KB/s\n", best);
  if (soakSeconds > 0) Soak(soakRate, soakSeconds);
  return 0;
}
