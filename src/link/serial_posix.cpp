// The serial driver on POSIX terminals (termios), with the Win32 driver's
// behaviour: exclusive open, 8N1 raw, no flow control, RTS on and DTR off
// where the device allows it, and one-byte reads that return at once when a
// byte is queued and otherwise wait up to the read time-out (poll).
//
// A handle is the address of a small record holding the descriptor and the
// read time-out.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/tick_clock.h"
#include "link/instrument_link.h"
#include "link/serial.h"

namespace qb {

namespace {

struct PosixPort {
  int fd;
  int readTimeoutMs;
};

PosixPort* PortOf(intptr_t handle) {
  return SerialHandleValid(handle) ? reinterpret_cast<PosixPort*>(handle) : nullptr;
}

std::string DeviceFolder = "/dev";

bool SpeedFor(int baudRate, speed_t& speed) {
  static const struct {
    int rate;
    speed_t speed;
  } kSpeeds[] = {{50, B50},       {75, B75},         {110, B110},      {134, B134},     {150, B150},
                 {200, B200},     {300, B300},       {600, B600},      {1200, B1200},   {1800, B1800},
                 {2400, B2400},   {4800, B4800},     {9600, B9600},    {19200, B19200}, {38400, B38400},
                 {57600, B57600}, {115200, B115200}, {230400, B230400}};
  for (const auto& s : kSpeeds) {
    if (s.rate == baudRate) {
      speed = s.speed;
      return true;
    }
  }
  return false;
}

// Waits up to timeoutMs for the descriptor to become readable: 1 readable,
// 0 time-out, -1 hang-up or error.
int WaitReadable(int fd, int timeoutMs) {
  uint64_t deadline = SteadyMs() + static_cast<uint64_t>(timeoutMs > 0 ? timeoutMs : 0);
  for (;;) {
    uint64_t now = SteadyMs();
    int left = now >= deadline ? 0 : static_cast<int>(deadline - now);
    pollfd p = {fd, POLLIN, 0};
    int n = poll(&p, 1, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) return 0;
    if (p.revents & POLLIN) return 1;
    return -1;  // POLLHUP, POLLERR or POLLNVAL without data
  }
}

}  // namespace

void SetSerialDeviceFolder(const char* folder) {
  DeviceFolder = folder && *folder ? folder : "/dev";
}

const char* SerialDeviceFolder() {
  return DeviceFolder.c_str();
}

bool SerialDevicePath(const char* portName, char* out, int size) {
  if (!out || size <= 0) return false;
  out[0] = '\0';
  if (!PortNameUsable(portName)) return false;
  std::string path = DeviceFolder + "/";
  for (const char* p = portName; *p; ++p) path.push_back(static_cast<char>(tolower(static_cast<unsigned char>(*p))));
  if (path.size() >= static_cast<size_t>(size)) return false;
  memcpy(out, path.c_str(), path.size() + 1);
  return true;
}

intptr_t SerialOpen(const char* devicePath, int baudRate) {
  if (!devicePath) return kNoHandle;
  // Non-blocking, so the open itself never waits for a modem line.
  int fd = open(devicePath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return kNoHandle;
  // No sharing: a second open of the same port fails while this one lasts.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return kNoHandle;
  }
  termios t;
  speed_t speed;
  if (tcgetattr(fd, &t) != 0 || !SpeedFor(baudRate, speed)) {
    close(fd);
    return kNoHandle;
  }
  cfmakeraw(&t);  // 8 data bits, no parity, no translation, no echo
  t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | HUPCL);
  t.c_cflag |= CLOCAL | CREAD | CS8;
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  if (tcsetattr(fd, TCSANOW, &t) != 0) {
    close(fd);
    return kNoHandle;
  }
  // RTS on, DTR off; a pseudo-terminal has no modem lines and refuses both.
  int rts = TIOCM_RTS, dtr = TIOCM_DTR;
  ioctl(fd, TIOCMBIS, &rts);
  ioctl(fd, TIOCMBIC, &dtr);
  PosixPort* port = new PosixPort{fd, 0};
  intptr_t handle = reinterpret_cast<intptr_t>(port);
  if (!SerialSetReadTimeout(handle, kDefaultReadTimeoutMs) || tcflush(fd, TCIOFLUSH) != 0) {
    SerialClose(handle);
    return kNoHandle;
  }
  return handle;
}

void SerialClose(intptr_t& handle) {
  PosixPort* port = PortOf(handle);
  if (port) {
    tcflush(port->fd, TCIOFLUSH);
    close(port->fd);
    delete port;
  }
  handle = kNoHandle;
}

int SerialWrite(intptr_t handle, const char* text) {
  PosixPort* port = PortOf(handle);
  if (!port || !text) return 0;
  size_t length = strlen(text);
  // The same write limit as the Win32 port: 10 ms a byte plus 1 ms.
  uint64_t deadline = SteadyMs() + 10 * length + 1;
  size_t done = 0;
  while (done < length) {
    ssize_t n = write(port->fd, text + done, length - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return 0;
    uint64_t now = SteadyMs();
    if (now >= deadline) break;
    pollfd p = {port->fd, POLLOUT, 0};
    if (poll(&p, 1, static_cast<int>(deadline - now)) < 0 && errno != EINTR) return 0;
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return 0;
  }
  return static_cast<int>(done);
}

int SerialReadByte(intptr_t handle) {
  PosixPort* port = PortOf(handle);
  if (!port) return -1;
  // The queue length, and whether the line is still there: a hung-up or
  // failed device is a read error, as a failed status query is on Windows.
  pollfd p = {port->fd, POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return -1;
  if (p.revents & (POLLERR | POLLNVAL)) return -1;
  int queued = 0;
  if (ioctl(port->fd, FIONREAD, &queued) != 0) return -1;
  if (queued <= 0) return (p.revents & POLLHUP) ? -1 : -2;
  unsigned char byte;
  ssize_t n = read(port->fd, &byte, 1);
  return n == 1 ? byte : -1;
}

int SerialReadWait(intptr_t handle, unsigned char* byte) {
  PosixPort* port = PortOf(handle);
  if (!port || !byte) return -1;
  for (;;) {
    ssize_t n = read(port->fd, byte, 1);
    if (n == 1) return 1;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    // Nothing queued: wait for one byte, at most the read time-out.
    int ready = WaitReadable(port->fd, port->readTimeoutMs);
    if (ready <= 0) return ready;
    n = read(port->fd, byte, 1);
    if (n == 1) return 1;
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR) ? -1 : 0;
  }
}

bool SerialSetReadTimeout(intptr_t handle, int milliseconds) {
  PosixPort* port = PortOf(handle);
  if (!port) return false;
  port->readTimeoutMs = milliseconds > 0 ? milliseconds : 0;
  return true;
}

}  // namespace qb
