// BSD sockets standing in for the Windows socket calls the Ethernet
// transport is written against.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "platform/platform.h"

namespace vek::plat {
namespace {

// The value the application's variable holds after a failed connect or a
// close. Descriptor 0 is standard input, so it must never reach the system.
bool Usable(uint32_t socketValue) {
  if (socketValue == 0 || socketValue > static_cast<uint32_t>(INT_MAX)) {
    errno = ENOTSOCK;
    return false;
  }
  return true;
}

// Moves a descriptor that landed on 0, 1 or 2 above them, so that a later
// close of the stored value can never close a standard stream.
int AboveStandardStreams(int fd) {
  if (fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  int saved = errno;
  close(fd);
  errno = saved;
  return moved;
}

}  // namespace

int32_t NetStartup(uint16_t requestedVersion, uint16_t* grantedVersion) {
  // Nothing to start; report the version the transport asks for (2.2).
  if (grantedVersion != nullptr) *grantedVersion = requestedVersion;
  return 0;
}

void NetCleanup() {}

bool SocketCreate(uint32_t* socketValue) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0) fd = AboveStandardStreams(fd);
  if (fd < 0) return false;
  *socketValue = static_cast<uint32_t>(fd);
  return true;
}

uint32_t Ipv4FromText(const char* text) {
  errno = 0;
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
  int rc;
  do {
    rc = connect(static_cast<int>(socketValue), reinterpret_cast<sockaddr*>(&peer), sizeof peer);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

int32_t SocketSend(uint32_t socketValue, const char* data, int32_t length) {
  if (!Usable(socketValue)) return -1;
  if (length < 0) {
    errno = EINVAL;
    return -1;
  }
  ssize_t n;
  do {
    n = send(static_cast<int>(socketValue), data, static_cast<size_t>(length), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int32_t>(n);
}

int SocketWaitReadable(uint32_t socketValue, int32_t timeoutMicroseconds) {
  if (!Usable(socketValue)) return -1;
  // ppoll keeps the microseconds: a 10001 us drain must not become 11 ms.
  int32_t us = timeoutMicroseconds < 0 ? 0 : timeoutMicroseconds;
  timespec limit{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000L};
  pollfd p{static_cast<int>(socketValue), POLLIN, 0};
  int rc;
  do {
    rc = ppoll(&p, 1, &limit, nullptr);
  } while (rc < 0 && errno == EINTR);
  if (rc < 0) return -1;
  if (rc == 0) return 0;
  if (p.revents & POLLNVAL) {
    errno = ENOTSOCK;
    return -1;
  }
  return 1;  // data, a closed peer (POLLHUP) or an error: recv tells which
}

int32_t SocketReceive(uint32_t socketValue, char* buffer, int32_t capacity) {
  if (!Usable(socketValue)) return -1;
  ssize_t n;
  do {
    n = recv(static_cast<int>(socketValue), buffer, static_cast<size_t>(capacity), 0);
  } while (n < 0 && errno == EINTR);
  if (n == 0) errno = 0;  // an orderly close is not an error
  return n < 0 ? -1 : static_cast<int32_t>(n);
}

void SocketClose(uint32_t socketValue) {
  if (!Usable(socketValue)) return;
  close(static_cast<int>(socketValue));
}

int32_t SocketLastError() { return errno; }

int32_t SocketTooManyError() { return EMFILE; }

}  // namespace vek::plat
