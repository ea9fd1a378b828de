#include "tests/support/pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace vek::test {
namespace {

constexpr int kQuietGapMs = 4;  // the silence that ends a command
constexpr int kPollMs = 2;

long long NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

PtyPeer::PtyPeer(int port) : envName_("VEKKESTRA_COM" + std::to_string(port)) {
  char name[128] = {};
  int master = -1;
  if (openpty(&master, &slave_, name, nullptr, nullptr) != 0) return;
  // Raw mode (the settings are shared by both sides); the peer keeps its own
  // slave descriptor open so that the master never sees a hang-up while the
  // library has the port closed.
  termios raw{};
  tcgetattr(slave_, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave_, TCSANOW, &raw);
  fcntl(master, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  master_ = master;
  slavePath_ = name;
  setenv(envName_.c_str(), slavePath_.c_str(), 1);
  thread_ = std::thread([this] { Run(); });
}

PtyPeer::~PtyPeer() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  thread_.join();
  if (master_ >= 0) close(master_);
  close(slave_);
  unsetenv(envName_.c_str());
}

void PtyPeer::SetTerminator(int byte) {
  std::lock_guard<std::mutex> lock(mutex_);
  terminator_ = byte;
}

void PtyPeer::Reply(const std::string& command, const std::vector<Step>& steps) {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_.push_back({command, steps});
}

void PtyPeer::ReplyNext(const std::string& reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  next_.push_back(reply);
}

void PtyPeer::Push(const std::string& bytes) { WriteAll(bytes); }

void PtyPeer::PushLater(const std::string& bytes, int delayMs) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back({NowMs() + delayMs, bytes, false});
  }
}

void PtyPeer::CloseMaster(int delayMs) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back({NowMs() + delayMs, std::string(), true});
  }
}

std::string PtyPeer::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

bool PtyPeer::WaitForBytes(std::size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return received_.size() >= count; });
}

void PtyPeer::ClearReceived() {
  std::lock_guard<std::mutex> lock(mutex_);
  received_.clear();
  current_.clear();
}

void PtyPeer::WriteAll(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the line is gone; nothing more to deliver
    done += static_cast<std::size_t>(n);
  }
}

// Closes the command gathered so far and schedules its reply.
void PtyPeer::EndCommandLocked(long long nowMs) {
  std::string command;
  command.swap(current_);
  if (!next_.empty()) {
    ScheduleLocked({{0, next_.front()}}, nowMs);
    next_.pop_front();
  } else {
    for (const Rule& rule : rules_) {
      if (rule.command == command) {
        ScheduleLocked(rule.steps, nowMs);
        break;
      }
    }
  }
}

void PtyPeer::ScheduleLocked(const std::vector<Step>& steps, long long fromMs) {
  long long due = fromMs;
  for (const Step& step : steps) {
    due += step.delayMs;
    pending_.push_back({due, step.bytes, false});
  }
}

// Polls at most kPollMs at a time, so that pushes and a stop request from the
// test's thread are seen without a wake-up channel.
void PtyPeer::Run() {
  for (;;) {
    long long now = NowMs();
    int timeout = kPollMs;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
      if (!current_.empty())
        timeout = static_cast<int>(std::min<long long>(timeout, std::max<long long>(0, lastByteMs_ + kQuietGapMs - now)));
    }
    pollfd fd = {master_, POLLIN, 0};
    poll(&fd, 1, timeout);
    now = NowMs();
    if (fd.revents & (POLLIN | POLLHUP | POLLERR)) {
      char buffer[512];
      ssize_t n = read(master_, buffer, sizeof buffer);
      std::lock_guard<std::mutex> lock(mutex_);
      for (ssize_t i = 0; i < n; ++i) {
        received_.push_back(buffer[i]);
        current_.push_back(buffer[i]);
        if (terminator_ >= 0 && static_cast<unsigned char>(buffer[i]) == terminator_) EndCommandLocked(now);
      }
      if (n > 0) lastByteMs_ = now;
      changed_.notify_all();
    }
    std::vector<Pending> due;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!current_.empty() && now - lastByteMs_ >= kQuietGapMs) EndCommandLocked(now);
      std::stable_sort(pending_.begin(), pending_.end(),
                       [](const Pending& a, const Pending& b) { return a.dueMs < b.dueMs; });
      auto split = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.dueMs > now; });
      due.assign(pending_.begin(), split);
      pending_.erase(pending_.begin(), split);
    }
    for (const Pending& p : due) {
      if (master_ < 0) break;
      if (!p.close) {
        WriteAll(p.bytes);
      } else {
        // Hung up: a negative descriptor is skipped by poll from now on.
        close(master_);
        master_ = -1;
      }
    }
  }
}

}  // namespace vek::test
