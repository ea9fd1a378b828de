#include "tests/support/tcp_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "vekkestra.h"

namespace vek::test {
namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the client has gone; the next read notices
    sent += static_cast<std::size_t>(n);
  }
}

}  // namespace

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
  if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listenFd_, 4) != 0)
    throw std::runtime_error("peer: socket, bind or listen failed");
  socklen_t len = sizeof addr;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { Run(); });
}

TcpPeer::~TcpPeer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  thread_.join();
  if (clientFd_ >= 0) close(clientFd_);
  close(listenFd_);
}

uint32_t TcpPeer::Connect(uint32_t* socket) {
  int before;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    before = connections_;
  }
  uint32_t rc = VEKnet_Initialize("127.0.0.1", port_, socket);
  if (rc == 0) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(5), [&] { return connections_ > before && clientOpen_; });
  }
  return rc;
}

void TcpPeer::QueueReply(const Reply& reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_.push_back(reply);
}

void TcpPeer::Push(const std::string& bytes, int delayMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  Schedule(Reply{ReplyPart{bytes, delayMs}});
}

void TcpPeer::SendNow(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (clientFd_ >= 0) SendAll(clientFd_, bytes);
}

bool TcpPeer::WaitForClientGone(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !clientOpen_; });
}

std::string TcpPeer::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void TcpPeer::ClearReceived() {
  std::lock_guard<std::mutex> lock(mutex_);
  received_.clear();
}

void TcpPeer::Schedule(const Reply& reply) {
  int64_t due = NowMs();
  for (const ReplyPart& part : reply) {
    due += part.delayMs;
    // Keep the list ordered by due time; equal times keep their order.
    auto at = std::upper_bound(pending_.begin(), pending_.end(), due,
                               [](int64_t t, const Pending& p) { return t < p.dueMs; });
    pending_.insert(at, Pending{due, part.bytes, part.close});
  }
}

// Polls at most 2 ms at a time, so that pushes and a stop request from the
// test's thread are seen without a wake-up channel.
void TcpPeer::Run() {
  for (;;) {
    int timeoutMs = 2;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
      if (!pending_.empty()) timeoutMs = static_cast<int>(std::clamp<int64_t>(pending_.front().dueMs - NowMs(), 0, 2));
    }
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {clientFd_, POLLIN, 0}};  // poll skips a negative descriptor
    if (poll(fds, 2, timeoutMs) > 0) {
      if (fds[0].revents & POLLIN) AcceptClient();
      if (fds[1].revents) ReadClient();
    }
    SendDue();
  }
}

void TcpPeer::AcceptClient() {
  int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  // The newest connection is the one the test uses: the old one is closed.
  if (clientFd_ >= 0) close(clientFd_);
  clientFd_ = fd;
  std::lock_guard<std::mutex> lock(mutex_);
  pending_.clear();
  ++connections_;
  clientOpen_ = true;
  changed_.notify_all();
}

void TcpPeer::ReadClient() {
  char buffer[4096];
  ssize_t n = recv(clientFd_, buffer, sizeof buffer, 0);
  if (n < 0 && errno == EINTR) return;
  if (n <= 0) {
    DropClient();
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  received_.append(buffer, static_cast<std::size_t>(n));
  if (!replies_.empty()) {
    Schedule(replies_.front());
    replies_.pop_front();
  } else {
    Schedule(Reply{ReplyPart{"\x06"}});
  }
}

void TcpPeer::SendDue() {
  for (;;) {
    Pending next;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (pending_.empty() || pending_.front().dueMs > NowMs()) return;
      next = pending_.front();
      pending_.pop_front();
    }
    if (clientFd_ < 0) continue;
    if (next.close) {
      DropClient();
    } else {
      SendAll(clientFd_, next.bytes);
    }
  }
}

void TcpPeer::DropClient() {
  if (clientFd_ >= 0) close(clientFd_);
  clientFd_ = -1;
  std::lock_guard<std::mutex> lock(mutex_);
  pending_.clear();
  clientOpen_ = false;
  changed_.notify_all();
}

}  // namespace vek::test
