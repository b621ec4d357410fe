// quillbox-sim: a virtual measuring instrument on TCP and on a pseudo-terminal,
// standing in for real hardware in the tests and in the run command. With
// --instances N every instrument is a child process of its own, on its own
// port; this process reports them ready together and ends them together.
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "options.h"
#include "server.h"

namespace {

volatile sig_atomic_t StopAll = 0;

void OnStop(int) {
  StopAll = 1;
}

int RunOne(const sim::Options& options, int readyFd) {
  sim::Server server(options);
  if (!server.Start()) return 1;
  if (readyFd >= 0) {
    ssize_t written = write(readyFd, "r", 1);
    close(readyFd);
    if (written != 1) return 1;
  }
  return server.Run();
}

int RunInstances(const sim::Options& options) {
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnStop;  // no SA_RESTART: the wait below wakes
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  int ready[2];
  if (pipe(ready) != 0) {
    perror("quillbox-sim: pipe");
    return 1;
  }
  std::vector<pid_t> children;
  for (int k = 1; k <= options.instances; ++k) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      close(ready[0]);
      signal(SIGTERM, SIG_DFL);
      signal(SIGINT, SIG_DFL);
      _exit(RunOne(sim::InstanceOptions(options, k), ready[1]));
    }
    if (pid < 0) break;
    children.push_back(pid);
  }
  close(ready[1]);
  // One byte from each instrument once it listens; an end of file first
  // means one failed to start.
  int started = 0;
  char byte;
  while (started < static_cast<int>(children.size())) {
    ssize_t n = read(ready[0], &byte, 1);
    if (n == 1) {
      ++started;
    } else if (n == 0 || errno != EINTR || StopAll) {
      break;
    }
  }
  close(ready[0]);
  bool allStarted = started == options.instances;
  if (allStarted && !options.pidfile.empty()) {
    std::string temp = options.pidfile + ".tmp";
    FILE* f = fopen(temp.c_str(), "w");
    if (f) {
      fprintf(f, "%d\n\n", static_cast<int>(getpid()));
      fclose(f);
      rename(temp.c_str(), options.pidfile.c_str());
    }
  }
  if (allStarted) {
    printf("ready: %d instruments on ports %d to %d\n", options.instances, options.tcpPort,
           options.tcpPort + options.instances - 1);
    fflush(stdout);
  }
  // Until a stop signal, or until any instrument has ended.
  size_t running = children.size();
  while (allStarted && !StopAll && running == children.size()) {
    int status;
    if (waitpid(-1, &status, 0) > 0) --running;
  }
  for (pid_t pid : children) kill(pid, SIGTERM);
  int code = allStarted && StopAll ? 0 : 1;
  for (pid_t pid : children) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (!options.pidfile.empty()) unlink(options.pidfile.c_str());
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--help") {
      fputs(sim::UsageText(), stdout);
      fputs(sim::ScreenUsageText(), stdout);
      fputs(sim::LoaderUsageText(), stdout);
      fputs(sim::ReadingUsageText(), stdout);
      return 0;
    }
  }
  sim::Options options;
  std::string error;
  if (!sim::ParseOptions(argc, argv, options, error)) {
    fprintf(stderr, "quillbox-sim: %s\n%s", error.c_str(), sim::UsageText());
    return 2;
  }
  if (!sim::WriteScreenFiles(options.screen, error)) {
    fprintf(stderr, "quillbox-sim: %s\n", error.c_str());
    return 1;
  }
  if (options.instances > 1) return RunInstances(options);
  return RunOne(options, -1);
}
