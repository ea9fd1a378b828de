// The COM port through the Win32 communications calls: synchronous I/O, a
// read that returns at once with what has arrived, one byte at a time.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/win32/handles.h"

namespace vek::plat {
namespace {

static_assert(sizeof(DCB) <= sizeof(SerialSettings::native), "the device-control block must fit");

// 0 (a closed port) and all bits set (a failed open) never reach the system;
// the latter is also the pseudo-handle of the current process, which
// CloseHandle would accept.
bool Usable(uint32_t handle) {
  if (handle == 0 || handle == kInvalidSerialHandle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return true;
}

}  // namespace

uint32_t SerialOpen(int32_t port) {
  char name[20];
  std::snprintf(name, sizeof name, "\\\\.\\COM%d", static_cast<int>(port));
  // No sharing: a second open of a port that is held fails in the system.
  HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return kInvalidSerialHandle;
  return ValueFromHandle(h);
}

bool SerialSetQueueSizes(uint32_t handle, uint32_t inBytes, uint32_t outBytes) {
  if (!Usable(handle)) return false;
  return SetupComm(HandleFromValue(handle), inBytes, outBytes) != 0;
}

bool SerialGetSettings(uint32_t handle, SerialSettings* settings) {
  if (!Usable(handle)) return false;
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(HandleFromValue(handle), &dcb)) return false;
  std::memset(settings, 0, sizeof *settings);
  settings->baudRate = dcb.BaudRate;
  settings->byteSize = dcb.ByteSize;
  settings->parity = dcb.Parity;
  settings->stopBits = dcb.StopBits;
  settings->binary = dcb.fBinary != 0;
  settings->ctsOutputFlow = dcb.fOutxCtsFlow != 0;
  settings->dtrHandshake = dcb.fDtrControl == DTR_CONTROL_HANDSHAKE;
  settings->discardNul = dcb.fNull != 0;
  std::memcpy(settings->native, &dcb, sizeof dcb);
  return true;
}

bool SerialSetSettings(uint32_t handle, const SerialSettings* settings) {
  if (!Usable(handle)) return false;
  DCB dcb;
  std::memcpy(&dcb, settings->native, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = settings->baudRate;
  dcb.ByteSize = settings->byteSize;
  dcb.Parity = settings->parity;
  dcb.StopBits = settings->stopBits;
  dcb.fBinary = settings->binary ? 1 : 0;
  dcb.fOutxCtsFlow = settings->ctsOutputFlow ? 1 : 0;
  if (settings->dtrHandshake) {
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
  } else if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) {
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
  }
  dcb.fNull = settings->discardNul ? 1 : 0;
  return SetCommState(HandleFromValue(handle), &dcb) != 0;
}

bool SerialSetTimeouts(uint32_t handle, const SerialTimeouts* timeouts) {
  if (!Usable(handle)) return false;
  COMMTIMEOUTS t;
  t.ReadIntervalTimeout = timeouts->readIntervalMs;
  t.ReadTotalTimeoutMultiplier = timeouts->readTotalMultiplierMs;
  t.ReadTotalTimeoutConstant = timeouts->readTotalConstantMs;
  t.WriteTotalTimeoutMultiplier = timeouts->writeTotalMultiplierMs;
  t.WriteTotalTimeoutConstant = timeouts->writeTotalConstantMs;
  return SetCommTimeouts(HandleFromValue(handle), &t) != 0;
}

int SerialReadByte(uint32_t handle, char* byte) {
  if (!Usable(handle)) return -1;
  DWORD got = 0;
  if (!ReadFile(HandleFromValue(handle), byte, 1, &got, nullptr)) return -1;
  return got == 1 ? 1 : 0;
}

bool SerialWrite(uint32_t handle, const char* data, uint32_t length, uint32_t* written) {
  DWORD done = 0;
  bool ok = Usable(handle) && WriteFile(HandleFromValue(handle), data, length, &done, nullptr) != 0;
  if (written != nullptr) *written = done;
  return ok;
}

bool SerialClose(uint32_t handle) {
  if (!Usable(handle)) return false;
  return CloseHandle(HandleFromValue(handle)) != 0;
}

uint32_t SerialLastError() { return GetLastError(); }

uint32_t SerialTooManyError() { return ERROR_TOO_MANY_OPEN_FILES; }

}  // namespace vek::plat
