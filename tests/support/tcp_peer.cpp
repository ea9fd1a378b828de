#include "tests/support/tcp_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "vekkestra.h"

namespace vek::test {

std::string Notification(uint32_t value, const char* tail) {
  char text[32];
  std::snprintf(text, sizeof text, "%%000 %08X", value);
  return std::string(text) + (tail != nullptr ? tail : "");
}

TcpPeer::TcpPeer() {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listenFd_, 4) != 0 || getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("peer: socket, bind or listen failed");
  port_ = ntohs(addr.sin_port);
  Start(-1, listenFd_, true);
}

TcpPeer::~TcpPeer() {
  Stop();
  close(listenFd_);
}

uint32_t TcpPeer::Connect(uint32_t* socket) {
  std::unique_lock<std::mutex> lock(mutex_);
  const int before = links_;
  lock.unlock();
  uint32_t rc = VEKnet_Initialize("127.0.0.1", port_, socket);
  lock.lock();
  if (rc == 0) {
    libraryFd_ = static_cast<int>(*socket);
    changed_.wait_for(lock, std::chrono::seconds(5), [&] { return links_ > before && fd_ >= 0; });
  }
  return rc;
}

int TcpPeer::Unread() const {
  int bytes = 0;
  return libraryFd_ >= 0 && ioctl(libraryFd_, FIONREAD, &bytes) == 0 ? bytes : 0;
}

void TcpPeer::Accept() {
  int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  SetLink(fd);
}

}  // namespace vek::test
