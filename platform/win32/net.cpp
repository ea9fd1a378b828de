// Windows Sockets 2 behind the transport's socket calls.
#include <winsock2.h>

#include <cstring>

#include "platform/platform.h"

namespace vek::plat {
namespace {

// A variable of 0 (closed, or a failed connect) must never name a socket to
// the system: fail the way Winsock fails on a value that is not a socket.
bool Usable(uint32_t socketValue) {
  if (socketValue == 0) {
    WSASetLastError(WSAENOTSOCK);
    return false;
  }
  return true;
}

// Sockets carry 32 significant bits, like kernel handles; all bits set is
// the invalid socket on both sides.
SOCKET SocketFromValue(uint32_t value) { return value == 0xFFFFFFFFu ? INVALID_SOCKET : static_cast<SOCKET>(value); }

}  // namespace

int32_t NetStartup(uint16_t requestedVersion, uint16_t* grantedVersion) {
  WSADATA data;
  std::memset(&data, 0, sizeof data);
  int rc = WSAStartup(requestedVersion, &data);
  if (rc != 0) return rc;
  if (grantedVersion != nullptr) *grantedVersion = data.wVersion;
  return 0;
}

void NetCleanup() { WSACleanup(); }

bool SocketCreate(uint32_t* socketValue) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return false;
  // Socket handles are kernel handles: 32 significant bits. One that would
  // not survive the application's variable is refused rather than cut.
  if (static_cast<uint64_t>(s) > 0xFFFFFFFEull || s == 0) {
    closesocket(s);
    WSASetLastError(WSAEMFILE);
    return false;
  }
  *socketValue = static_cast<uint32_t>(s);
  return true;
}

uint32_t Ipv4FromText(const char* text) {
  if (text == nullptr) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(inet_addr(text));
}

bool SocketConnect(uint32_t socketValue, uint32_t address, uint16_t port) {
  if (!Usable(socketValue)) return false;
  sockaddr_in peer;
  std::memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address;
  return connect(SocketFromValue(socketValue), reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0;
}

int32_t SocketSend(uint32_t socketValue, const char* data, int32_t length) {
  if (!Usable(socketValue)) return -1;
  if (length < 0) {
    WSASetLastError(WSAEINVAL);
    return -1;
  }
  int n = send(SocketFromValue(socketValue), data, length, 0);
  return n == SOCKET_ERROR ? -1 : n;
}

int SocketWaitReadable(uint32_t socketValue, int32_t timeoutMicroseconds) {
  if (!Usable(socketValue)) return -1;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(SocketFromValue(socketValue), &readable);
  if (timeoutMicroseconds < 0) timeoutMicroseconds = 0;
  timeval limit;
  limit.tv_sec = timeoutMicroseconds / 1000000;
  limit.tv_usec = timeoutMicroseconds % 1000000;
  // The first argument is ignored by Winsock.
  int rc = select(0, &readable, nullptr, nullptr, &limit);
  if (rc == SOCKET_ERROR) return -1;
  return rc == 0 ? 0 : 1;
}

int32_t SocketReceive(uint32_t socketValue, char* buffer, int32_t capacity) {
  if (!Usable(socketValue)) return -1;
  int n = recv(SocketFromValue(socketValue), buffer, capacity, 0);
  if (n == SOCKET_ERROR) return -1;
  if (n == 0) WSASetLastError(0);  // an orderly close is not an error
  return n;
}

void SocketClose(uint32_t socketValue) {
  if (!Usable(socketValue)) return;
  closesocket(SocketFromValue(socketValue));
}

int32_t SocketLastError() { return WSAGetLastError(); }

int32_t SocketTooManyError() { return WSAEMFILE; }

}  // namespace vek::plat
