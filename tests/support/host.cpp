// Host access for tests, natively (POSIX) and under Wine (Win32, with the host
// file system on drive Z: and host programs started by their Linux path).
#include "support/host.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qbtest {

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

static std::string ScratchRoot() {
  const char* root = getenv("QB_TEST_TMP");
  return root && *root ? root : "/tmp";
}

std::string LoopbackAddress() {
  static unsigned counter = 0;
  static unsigned base = [] {
#ifdef _WIN32
    unsigned long pid = GetCurrentProcessId();
#else
    unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    // FNV-1a over the scratch root (unique per Wine run) and the process id.
    std::string key = ScratchRoot() + "/" + std::to_string(pid) + "/" + std::to_string(NowMs());
    unsigned h = 2166136261u;
    for (char c : key) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
  }();
  unsigned n = counter++;
  unsigned x = 1 + (base >> 8) % 254, y = (base + n / 250) & 0xFF;
  return "127." + std::to_string(x) + "." + std::to_string(y) + "." + std::to_string(1 + n % 250);
}

std::string LocalPath(const std::string& hostPath) {
#ifdef _WIN32
  std::string out = "Z:";
  for (char c : hostPath) out.push_back(c == '/' ? '\\' : c);
  return out;
#else
  return hostPath;
#endif
}

std::string MakeScratchDir(const std::string& tag) {
  static int counter = 0;
#ifdef _WIN32
  CreateDirectoryA(LocalPath(ScratchRoot()).c_str(), nullptr);
#else
  mkdir(ScratchRoot().c_str(), 0700);
#endif
  for (int attempt = 0; attempt < 1000; ++attempt) {
#ifdef _WIN32
    unsigned long pid = GetCurrentProcessId();
#else
    unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    std::string path = ScratchRoot() + "/qb-" + tag + "-" + std::to_string(pid) + "-" + std::to_string(++counter);
#ifdef _WIN32
    if (CreateDirectoryA(LocalPath(path).c_str(), nullptr)) return path;
#else
    if (mkdir(path.c_str(), 0700) == 0) return path;
#endif
  }
  return "";
}

std::string ReadHostFile(const std::string& hostPath) {
  std::string out;
  FILE* f = fopen(LocalPath(hostPath).c_str(), "rb");
  if (!f) return out;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  fclose(f);
  return out;
}

bool WriteHostFile(const std::string& hostPath, const std::string& bytes) {
  FILE* f = fopen(LocalPath(hostPath).c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

bool HostFileExists(const std::string& hostPath) {
#ifdef _WIN32
  return GetFileAttributesA(LocalPath(hostPath).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  struct stat st;
  return stat(hostPath.c_str(), &st) == 0;
#endif
}

#ifdef _WIN32
// One argument quoted the way the C runtime (and Wine, for host programs)
// splits a command line.
static std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
    } else if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
      out.push_back('"');
      backslashes = 0;
    } else {
      out.append(backslashes, '\\');
      out.push_back(c);
      backslashes = 0;
    }
  }
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

// Wine starts host programs but gives no usable process handle for them: it
// can neither wait for one nor read its exit code. So each host program runs
// under /bin/sh, which records the program's process id and, once it ends, its
// exit code in files that the test polls.
HostProcess::~HostProcess() = default;

static const char kHostShell[] =
    "\"$@\" >/dev/null & echo $! > \"$0.pid\"; wait $!; echo $? > \"$0.tmp\"; mv \"$0.tmp\" \"$0\"";

bool HostProcess::Start(const std::vector<std::string>& argv) {
  std::string dir = MakeScratchDir("host");
  if (dir.empty()) return false;
  statusPath_ = dir + "/status";
  std::vector<std::string> shell = {"/bin/sh", "-c", kHostShell, statusPath_};
  shell.insert(shell.end(), argv.begin(), argv.end());
  std::string line;
  for (const auto& a : shell) {
    if (!line.empty()) line.push_back(' ');
    line += QuoteArgument(a);
  }
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  STARTUPINFOA si;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  WaitFor([&] { return !ReadHostFile(statusPath_ + ".pid").empty(); }, 5000);
  pid_ = atoi(ReadHostFile(statusPath_ + ".pid").c_str());
  return pid_ > 0;
}

int HostProcess::Wait(int timeoutMs) {
  if (ended_ || pid_ <= 0) return exitCode_;
  std::string status;
  if (!WaitFor([&] { return !(status = ReadHostFile(statusPath_)).empty(); }, timeoutMs)) return -1;
  ended_ = true;
  exitCode_ = atoi(status.c_str());
  return exitCode_;
}

void HostProcess::Kill() {
  if (pid_ <= 0 || ended_) return;
  HostProcess killer;
  if (killer.Start({"/bin/kill", "-KILL", std::to_string(pid_)})) killer.Wait(5000);
  Wait(5000);
}
#else
HostProcess::~HostProcess() = default;

bool HostProcess::Start(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
    }
    execv(args[0], args.data());
    _exit(127);
  }
  pid_ = pid;
  return true;
}

int HostProcess::Wait(int timeoutMs) {
  if (ended_ || pid_ <= 0) return exitCode_;
  int status = 0;
  bool done = WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, timeoutMs);
  if (!done) return -1;
  ended_ = true;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return exitCode_;
}

void HostProcess::Kill() {
  if (pid_ > 0 && !ended_) kill(pid_, SIGKILL);
  Wait(5000);
}
#endif

bool HostProcess::Running() {
  return pid_ > 0 && Wait(0) == -1 && !ended_;
}

int RunHost(const std::vector<std::string>& argv, int timeoutMs) {
  HostProcess process;
  if (!process.Start(argv)) return -1;
  int code = process.Wait(timeoutMs);
  if (code == -1 && process.Running()) {
    process.Kill();
    return -1;
  }
  return code;
}

}  // namespace qbtest
