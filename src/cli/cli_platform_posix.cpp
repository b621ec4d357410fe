// The console program's operating-system services on POSIX systems. A serial
// port named by its device path is reached the way the serial driver finds
// every port: as "com1" in a device folder, here a private folder of this
// process holding a symlink to the device.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "cli/cli_platform.h"
#include "connection/connect_settings.h"
#include "link/serial.h"

namespace qb {

bool StandardStreamIsTerminal(int fd) {
  return isatty(fd) == 1;
}

namespace {

std::string PrivateDeviceFolder;

void RemovePrivateDeviceFolder() {
  if (PrivateDeviceFolder.empty()) return;
  unlink((PrivateDeviceFolder + "/com1").c_str());
  rmdir(PrivateDeviceFolder.c_str());
}

}  // namespace

bool UseSerialPort(const std::string& port, InstrumentLink& link, std::string& message) {
  if (port.find('/') == std::string::npos) {
    if (!PortNameUsable(port.c_str()) || port.size() >= sizeof link.portName) {
      message = "Unusable serial port name " + port;
      return false;
    }
    CopyField(link.portName, sizeof link.portName, port, sizeof link.portName - 1);
    return true;
  }
  if (access(port.c_str(), F_OK) != 0) {
    message = "Unable to open port " + port;
    return false;
  }
  if (PrivateDeviceFolder.empty()) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillbox-cli.XXXXXX";
    if (!mkdtemp(&pattern[0])) {
      message = "Unable to open port " + port + " (no temporary folder)";
      return false;
    }
    PrivateDeviceFolder = pattern;
    atexit(RemovePrivateDeviceFolder);
  }
  std::string entry = PrivateDeviceFolder + "/com1";
  unlink(entry.c_str());
  if (symlink(port.c_str(), entry.c_str()) != 0) {
    message = "Unable to open port " + port;
    return false;
  }
  SetSerialDeviceFolder(PrivateDeviceFolder.c_str());
  CopyField(link.portName, sizeof link.portName, "COM1", sizeof link.portName - 1);
  return true;
}

bool LoadStoredConnection(InstrumentLink&) {
  return false;
}

bool ResolveIpv4(const std::string& host, std::string& dotted) {
  in_addr address;
  if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
    dotted = host;
    return true;
  }
  addrinfo hints;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
  char text[INET_ADDRSTRLEN] = {};
  bool ok = inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text) != nullptr;
  freeaddrinfo(found);
  if (ok) dotted = text;
  return ok;
}

std::string OwnProgramPath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  return std::string(path, static_cast<size_t>(n));
}

intptr_t StartChild(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& outputPath) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (output < 0) return -1;
  int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    if (input >= 0) dup2(input, 0);
    dup2(output, 1);
    dup2(output, 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(output);
  if (input >= 0) close(input);
  return pid > 0 ? static_cast<intptr_t>(pid) : -1;
}

int WaitChild(intptr_t child) {
  int status = 0;
  pid_t pid = static_cast<pid_t>(child);
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qb
