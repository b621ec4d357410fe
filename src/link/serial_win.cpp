// The serial driver on Win32 communications ports: synchronous CreateFileA
// with no sharing, a DCB of 8N1 with no flow control, DTR disabled and RTS
// enabled, 4096-byte queues, purges on open and close, and port time-outs that
// make a one-byte ReadFile return at once when a byte is queued and otherwise
// wait up to the read time-out.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "link/instrument_link.h"
#include "link/serial.h"

namespace qb {

namespace {

constexpr DWORD kAllPurges = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

HANDLE HandleOf(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

bool SerialDevicePath(const char* portName, char* out, int size) {
  if (!out || size <= 0) return false;
  out[0] = '\0';
  if (!PortNameUsable(portName)) return false;
  int n = snprintf(out, static_cast<size_t>(size), "\\\\.\\%s", portName);
  if (n < 0 || n >= size) {
    out[0] = '\0';
    return false;
  }
  return true;
}

intptr_t SerialOpen(const char* devicePath, int baudRate) {
  if (!devicePath) return kNoHandle;
  HANDLE h = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return kNoHandle;

  DCB dcb;
  memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h, &dcb)) {
    CloseHandle(h);
    return kNoHandle;
  }
  dcb.BaudRate = static_cast<DWORD>(baudRate);
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  // fBinary, fParity, fTXContinueOnXoff, fErrorChar and fNull stay as the
  // driver reported them.
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fAbortOnError = FALSE;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  if (!SetCommState(h, &dcb) || !SetupComm(h, kSerialQueueSize, kSerialQueueSize)) {
    CloseHandle(h);
    return kNoHandle;
  }
  intptr_t handle = reinterpret_cast<intptr_t>(h);
  if (!SerialSetReadTimeout(handle, kDefaultReadTimeoutMs) || !PurgeComm(h, kAllPurges)) {
    CloseHandle(h);
    return kNoHandle;
  }
  return handle;
}

void SerialClose(intptr_t& handle) {
  if (SerialHandleValid(handle)) {
    PurgeComm(HandleOf(handle), kAllPurges);
    CloseHandle(HandleOf(handle));
  }
  handle = kNoHandle;
}

int SerialWrite(intptr_t handle, const char* text) {
  if (!SerialHandleValid(handle) || !text) return 0;
  DWORD written = 0;
  if (!WriteFile(HandleOf(handle), text, static_cast<DWORD>(strlen(text)), &written, nullptr)) return 0;
  return static_cast<int>(written);
}

int SerialReadByte(intptr_t handle) {
  if (!SerialHandleValid(handle)) return -1;
  DWORD errors = 0;
  COMSTAT status;
  memset(&status, 0, sizeof status);
  if (!ClearCommError(HandleOf(handle), &errors, &status)) return -1;
  if (status.cbInQue == 0) return -2;
  unsigned char byte = 0;
  DWORD got = 0;
  if (!ReadFile(HandleOf(handle), &byte, 1, &got, nullptr)) {
    ClearCommError(HandleOf(handle), &errors, &status);
    return -1;
  }
  return got == 1 ? byte : -1;
}

int SerialReadWait(intptr_t handle, unsigned char* byte) {
  if (!SerialHandleValid(handle) || !byte) return -1;
  DWORD got = 0;
  if (!ReadFile(HandleOf(handle), byte, 1, &got, nullptr)) return -1;
  return got == 1 ? 1 : 0;
}

bool SerialSetReadTimeout(intptr_t handle, int milliseconds) {
  if (!SerialHandleValid(handle)) return false;
  COMMTIMEOUTS t;
  t.ReadIntervalTimeout = MAXDWORD;
  t.ReadTotalTimeoutMultiplier = MAXDWORD;
  // A constant of 0 with these two MAXDWORD values would wait without end;
  // 1 ms is the shortest wait the port offers.
  t.ReadTotalTimeoutConstant = static_cast<DWORD>(milliseconds > 1 ? milliseconds : 1);
  t.WriteTotalTimeoutMultiplier = 10;
  t.WriteTotalTimeoutConstant = 1;
  return SetCommTimeouts(HandleOf(handle), &t) != 0;
}

}  // namespace qb
