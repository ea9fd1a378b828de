// Opening, configuring and closing the COM port. The port handle lives in
// the application's own variable; the library only lists the numbers it has
// opened, so that it never touches a port or file it did not open.
#include <cstdint>

#include "core/descriptors.h"
#include "core/state.h"
#include "core/trace.h"
#include "platform/platform.h"
#include "serial/serial.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr int32_t kFirstPort = 1;
constexpr int32_t kLastPort = 32;
constexpr int32_t kBaudRates[] = {9600, 19200, 38400, 57600, 115200};
constexpr uint32_t kQueueBytes = 1024;
constexpr uint32_t kSettleMs = 5;

bool KnownBaudRate(int32_t rate) {
  for (int32_t known : kBaudRates)
    if (known == rate) return true;
  return false;
}

// Keeps the system's reason for a failed open step and reports 301. The port
// stays as it is: a handle that was opened stays in the caller's variable.
uint32_t OpenStepFailed(const char* step, uint32_t error = plat::SerialLastError()) {
  gState.serLastError = error;
  TraceErrorf(nullptr, "NULL - %s() error=%d", step, static_cast<int>(error));
  return VEK_ERROR_SERIAL_OPEN;
}

// Opens the port and lists it. A port beyond what the library keeps track of
// is closed again and reported as the system reports too many open files.
uint32_t OpenListed(int32_t port, uint32_t* error) {
  const uint32_t opened = plat::SerialOpen(port);
  if (opened == plat::kInvalidSerialHandle) {
    *error = plat::SerialLastError();
  } else if (!RememberOpened(DescriptorKind::kSerialPort, opened)) {
    plat::SerialClose(opened);
    *error = plat::SerialTooManyError();
    return plat::kInvalidSerialHandle;
  }
  return opened;
}

uint32_t Configure(uint32_t port, int32_t baudRate) {
  if (!plat::SerialSetQueueSizes(port, kQueueBytes, kQueueBytes)) return OpenStepFailed("SetupComm");
  plat::SerialSettings settings;
  if (!plat::SerialGetSettings(port, &settings)) return OpenStepFailed("GetCommState");
  settings.baudRate = static_cast<uint32_t>(baudRate);
  settings.byteSize = 8;
  settings.parity = 0;
  settings.stopBits = 0;
  settings.binary = true;
  settings.ctsOutputFlow = true;
  settings.dtrHandshake = true;
  settings.discardNul = false;
  if (!plat::SerialSetSettings(port, &settings)) return OpenStepFailed("SetCommState");
  // Reads return at once with what has arrived; the reader does its own
  // waiting. A write may take 1000 ms plus 4 ms per byte.
  const plat::SerialTimeouts timeouts = {0xFFFFFFFFu, 0, 0, 4, 1000};
  if (!plat::SerialSetTimeouts(port, &timeouts)) return OpenStepFailed("SetCommTimeouts");
  return VEK_SUCCESS;
}

}  // namespace
}  // namespace vek

using vek::gState;

extern "C" VEK_API uint32_t VEK_CALL VEKser_Initialize(int32_t port, int32_t baudRate, uint32_t* handle) {
  vek::TraceEntryf(nullptr, "VEKser_Initialize( COMM_PORT=%d, BaudRate=%d)", port, baudRate);
  gState.serStatusFlags = 0;
  if (port < vek::kFirstPort || port > vek::kLastPort) {
    vek::TraceErrorf(nullptr, "NULL - VEKser_Initialize | Invalid port:%d", port);
    return VEK_ERROR_INVALID_PARAMETER;
  }
  if (!vek::KnownBaudRate(baudRate)) {
    vek::TraceErrorf(nullptr, "NULL - VEKser_Initialize Invalid baud rate | error:%d", baudRate);
    return VEK_ERROR_INVALID_PARAMETER;
  }
  if (handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;

  // Stored at once, so a failed open leaves the invalid-handle value behind.
  uint32_t openError = 0;
  *handle = vek::OpenListed(port, &openError);
  if (*handle == vek::plat::kInvalidSerialHandle) return vek::OpenStepFailed("CreateFile", openError);
  const uint32_t configured = vek::Configure(*handle, baudRate);
  if (configured != VEK_SUCCESS) return configured;

  gState.serLastError = 0;
  gState.serStatusFlags = 0;
  // Whatever the port received before it was opened is thrown away; its
  // notifications are folded into the fresh flags.
  vek::plat::SleepMilliseconds(vek::kSettleMs);
  vek::ReadSerialBuff(handle, nullptr, 0, vek::ReadMode::kDrain);
  return VEK_SUCCESS;
}

extern "C" VEK_API void VEK_CALL VEKser_Close(uint32_t* handle) {
  vek::TraceEntry(handle, "VEKser_Close()");
  if (handle == nullptr) return;
  // A variable already at 0 (closed before), or a number the library did not
  // open or has closed since (a stale copy), fails quietly in the platform
  // as 0: the file that may have that number now is not the library's.
  const bool opened = vek::ForgetOpened(vek::DescriptorKind::kSerialPort, *handle);
  vek::plat::SerialClose(opened ? *handle : 0);
  *handle = 0;
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetLastError(void) {
  vek::TraceEntry(nullptr, "VEKser_GetLastError()");
  // Handed out once: an error stored meanwhile by another thread is not lost.
  return gState.serLastError.exchange(0);
}
