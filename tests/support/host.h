// Test helpers that reach the Linux host the same way from a native test and
// from a Windows test running under Wine: scratch folders, host paths, running
// host commands.
#pragma once

#include <string>
#include <vector>

namespace qbtest {

// A fresh scratch folder, as a host (Linux) path. Lives under $QB_TEST_TMP when
// that is set, else under /tmp. Removed by nobody: the test run's folder is.
std::string MakeScratchDir(const std::string& tag);

// The name under which this process opens a host path: the path itself
// natively, the Z: drive path under Wine.
std::string LocalPath(const std::string& hostPath);

// Whole file as bytes; empty when it cannot be read.
std::string ReadHostFile(const std::string& hostPath);
bool WriteHostFile(const std::string& hostPath, const std::string& bytes);
bool HostFileExists(const std::string& hostPath);

// A host program (argv[0] is a host path) started without waiting.
class HostProcess {
 public:
  HostProcess() = default;
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  bool Start(const std::vector<std::string>& argv);
  // True while the program runs (and reaps it once it has ended).
  bool Running();
  // Waits up to timeoutMs; the exit code, or -1 when it is still running.
  int Wait(int timeoutMs);
  // Forcibly ends it with SIGKILL.
  void Kill();

 private:
#ifdef _WIN32
  std::string statusPath_;
#endif
  int pid_ = 0;
  bool ended_ = false;
  int exitCode_ = -1;
};
// Runs a host program and waits up to timeoutMs for it. Returns its exit code,
// or -1 when it could not be run or did not finish in time.
int RunHost(const std::vector<std::string>& argv, int timeoutMs = 10000);

// A loopback address of its own for each call, 127.x.y.n, with x.y chosen
// from this test process so that tests running side by side (other test
// processes, other checkouts) never share one. The program's TCP port is fixed
// at 10001, so tests tell instruments apart by address.
std::string LoopbackAddress();

void SleepMs(int ms);
long long NowMs();

// Polls cond every 20 ms until it holds or timeoutMs passed.
template <typename Cond>
bool WaitFor(Cond cond, int timeoutMs) {
  long long deadline = NowMs() + timeoutMs;
  for (;;) {
    if (cond()) return true;
    if (NowMs() >= deadline) return false;
    SleepMs(20);
  }
}

}  // namespace qbtest
