// The console program's operating-system services on Windows: console
// checks through the C runtime, "COMn" ports as the serial driver opens them,
// the connection stored by the main window's "Save as Default", the
// resolver of Windows Sockets and child processes of CreateProcess.
// Windows Sockets 2 before windows.h, which would bring the first version.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <io.h>
#include <windows.h>
// clang-format on

#include <cstring>

#include "cli/cli_platform.h"
#include "connection/connect_settings.h"
#include "connection/connect_settings_win.h"
#include "link/serial.h"

namespace qb {

bool StandardStreamIsTerminal(int fd) {
  return _isatty(fd) != 0;
}

bool UseSerialPort(const std::string& port, InstrumentLink& link, std::string& message) {
  if (!PortNameUsable(port.c_str()) || port.size() >= sizeof link.portName) {
    message = "Unusable serial port name " + port;
    return false;
  }
  CopyField(link.portName, sizeof link.portName, port, sizeof link.portName - 1);
  return true;
}

bool LoadStoredConnection(InstrumentLink& link) {
  std::string folder = LocalAppDataFolder();
  if (folder.empty()) return false;
  std::string file = SettingsFileFor(SettingsFolderFor(folder));
  if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  LoadConnectionSettings(file.c_str(), link);
  return link.kind != LINK_NONE;
}

}  // namespace qb

namespace qb {

bool ResolveIpv4(const std::string& host, std::string& dotted) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  addrinfo hints;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  bool ok = getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0 && found;
  if (ok) {
    const unsigned char* b =
        reinterpret_cast<const unsigned char*>(&reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr);
    dotted =
        std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." + std::to_string(b[3]);
    freeaddrinfo(found);
  }
  WSACleanup();
  return ok;
}

std::string OwnProgramPath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

namespace {

// One argument quoted the way the C runtime splits a command line.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

}  // namespace

intptr_t StartChild(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& outputPath) {
  std::string line = Quoted(program);
  for (const std::string& a : arguments) line += " " + Quoted(a);
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return -1;
  HANDLE input =
      CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  BOOL started = CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                &startup, &process);
  CloseHandle(output);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!started) return -1;
  CloseHandle(process.hThread);
  return reinterpret_cast<intptr_t>(process.hProcess);
}

int WaitChild(intptr_t child) {
  HANDLE process = reinterpret_cast<HANDLE>(child);
  DWORD code = 0;
  bool ended = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
  CloseHandle(process);
  // A crash ends the process with its exception code.
  return ended && code <= 255 ? static_cast<int>(code) : -1;
}

}  // namespace qb
