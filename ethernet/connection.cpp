// Opening and closing the TCP connection to the controller. The socket lives
// in the application's own 32-bit variable; the library keeps no connection
// object and reads the socket out of that variable at every use.
#include "core/descriptors.h"
#include "core/state.h"
#include "core/trace.h"
#include "platform/platform.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr uint32_t kHighestPort = 65535;
constexpr uint16_t kSocketVersion = 0x0202;  // 2.2: major in the low byte
constexpr uint32_t kAddressNotAccepted = 0xFFFFFFFFu;

// Stores the system's reason as the Ethernet last error and returns it.
int32_t RecordNetError(int32_t error = plat::SocketLastError()) {
  gState.netLastError = error;
  return error;
}

// Closes a socket only when this library opened it and has not closed it:
// a stale copy of a variable must not close the file that now has its number.
void CloseOpenedSocket(uint32_t value) { plat::SocketClose(ForgetOpened(DescriptorKind::kSocket, value) ? value : 0); }

}  // namespace
}  // namespace vek

using namespace vek;

extern "C" VEK_API uint32_t VEK_CALL VEKnet_Initialize(const char* ipAddress, uint32_t port, uint32_t* handle) {
  // Refused before anything changes: no trace, flags and last error kept.
  if (port > kHighestPort) return VEK_ERROR_INVALID_PARAMETER;
  if (ipAddress == nullptr || handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;

  gState.netStatusFlags = 0;
  gState.netLastError = 0;
  TraceEntryf(nullptr, "VEKnet_Initialize(ip:%s  port:%d)", ipAddress, static_cast<int>(port));

  uint16_t granted = 0;
  int32_t started = plat::NetStartup(kSocketVersion, &granted);
  if (started != 0) {
    const int32_t error = RecordNetError();
    TraceErrorf(nullptr, "NULL - VEKnet_Initialize() | WSAStartup() error:%d  WinSOCK error:%d", started, error);
    return VEK_ERROR_ETHERNET_CONNECT;
  }
  if (granted != kSocketVersion) {
    RecordNetError();
    TraceError(nullptr, "NULL - VEKnet_Initialize() | HOST WinSOCK unable to support version 2.2");
    plat::NetCleanup();
    return VEK_ERROR_ETHERNET_CONNECT;
  }

  uint32_t created = 0;
  bool usable = plat::SocketCreate(&created);
  int32_t createError = usable ? 0 : RecordNetError();
  if (usable && !RememberOpened(DescriptorKind::kSocket, created)) {
    // One socket more than the library keeps track of: as if the system had
    // none left.
    plat::SocketClose(created);
    createError = RecordNetError(plat::SocketTooManyError());
    usable = false;
  }
  if (!usable) {
    TraceErrorf(nullptr, "NULL - VEKnet_Initialize() | socket() error:%d", createError);
    *handle = 0;
    return VEK_ERROR_ETHERNET_CONNECT;
  }
  *handle = created;

  uint32_t address = plat::Ipv4FromText(ipAddress);
  if (address == kAddressNotAccepted) {
    // The unconnected socket stays in the caller's variable; VEKnet_Close
    // releases it.
    TraceErrorf(nullptr, "NULL - VEKnet_Initialize() | inet_addr() error:%d", RecordNetError());
    return VEK_ERROR_INVALID_IP_ADDRESS;
  }

  if (!plat::SocketConnect(created, address, static_cast<uint16_t>(port))) {
    TraceErrorf(nullptr, "NULL - VEKnet_Initialize() | connect() error:%d", RecordNetError());
    // The caller only sees a variable of 0, so nobody else could ever close
    // this socket: release it here.
    CloseOpenedSocket(*handle);
    *handle = 0;
    return VEK_ERROR_ETHERNET_CONNECT;
  }
  return VEK_SUCCESS;
}

extern "C" VEK_API void VEK_CALL VEKnet_Close(uint32_t* handle) {
  TraceEntry(handle, "VEKnet_Close()");
  if (handle == nullptr) return;
  CloseOpenedSocket(*handle);
  *handle = 0;
}

extern "C" VEK_API int32_t VEK_CALL VEKnet_GetLastError(void) {
  TraceEntry(nullptr, "VEKnet_GetLastError()");
  // Handed out once: an error stored meanwhile by another thread is not lost.
  return gState.netLastError.exchange(0);
}
