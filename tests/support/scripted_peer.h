// The controller's end of a real link, for every test and fuzzer that drives
// a transport: a background thread records every byte the library writes,
// splits the bytes into commands and answers each one from a script, and
// writes what the test plays unasked. TcpPeer (loopback TCP) and PtyPeer (a
// pseudo-terminal) add how the link is made and what ends a command.
//
// A command is answered by the reply queued first, else by the peer's own
// rule. A reply is a list of parts, each written after its own delay counted
// from the part before (the first: from the command), so a test can split an
// answer over several reads, answer late, or hang the link up mid-exchange.
// Header-only, so that a program can take one peer's source alone.
#ifndef VEK_TESTS_SUPPORT_SCRIPTED_PEER_H
#define VEK_TESTS_SUPPORT_SCRIPTED_PEER_H

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vek::test {

// A delay that waits for no time but for the library to have read every
// byte written before, so that the part can never join the previous one in
// one read: the test chooses where each read ends.
inline constexpr int kAfterRead = -1;

// One part of a reply: `bytes` written `delayMs` after the part before, or,
// with `close` set, the link hung up at that moment instead.
struct ReplyPart {
  std::string bytes;
  int delayMs = 0;
  bool close = false;
};
using Reply = std::vector<ReplyPart>;

inline ReplyPart CloseConnection(int delayMs = 0) { return ReplyPart{std::string(), delayMs, true}; }

class ScriptedPeer {
 public:
  virtual ~ScriptedPeer() = default;  // the derived destructor calls Stop()

  // Answers the next command, whatever it is, once (in the order queued). An
  // empty Reply answers it with silence.
  void QueueReply(const Reply& reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.push_back(reply);
  }
  void QueueReply(const std::string& bytes) { QueueReply(Reply{ReplyPart{bytes}}); }
  // Plays parts unasked, the first `delayMs` from now.
  void Play(const Reply& parts) {
    std::lock_guard<std::mutex> lock(mutex_);
    Schedule(parts);
  }
  // Writes bytes now, from the caller's thread.
  void Push(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteAll(bytes);
  }
  // Forgets the queued replies and every part not yet written; once it has
  // returned, nothing more is written until the next command or Play().
  void Silence() {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.clear();
    tracks_.clear();
  }

  // Every byte received since the last ClearReceived(), in order.
  std::string Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }
  bool WaitForBytes(std::size_t count, int timeoutMs = 5000) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return received_.size() >= count; });
  }
  // Waits until the link has been hung up, by either end.
  bool WaitForHangUp(int timeoutMs = 5000) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return fd_ < 0; });
  }
  void ClearReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.clear();
    command_.clear();
  }

  // Bytes written to the library that it has not read yet.
  virtual int Unread() const = 0;

 protected:
  ScriptedPeer() = default;

  // What answers a command that no queued reply took.
  virtual Reply Unscripted(const std::string& command) = 0;
  // A new link waits on `listen_`: take it with SetLink().
  virtual void Accept() {}

  // Starts the thread on link `fd` (-1: none yet). A socket peer takes each
  // chunk received as one command; otherwise a command ends at a quiet gap
  // or at `terminator_`.
  void Start(int fd, int listenFd, bool socket) {
    fd_ = fd;
    listen_ = listenFd;
    socket_ = socket;
    thread_ = std::thread([this] { Run(); });
  }
  void Stop() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    thread_.join();
    if (fd_ >= 0) close(fd_);
  }
  // The newest link replaces the current one, with nothing of its script.
  void SetLink(int fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
    tracks_.clear();
    ++links_;
    changed_.notify_all();
  }

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  int terminator_ = -1;
  int links_ = 0;
  int fd_ = -1;  // the link: the client socket or the pty master

 private:
  static constexpr int kQuietGapMs = 4;  // the silence that ends a command
  static constexpr int kGraceMs = 2;     // how long written bytes may take to show up at all

  // The parts of one reply not yet written; the first is due at `dueMs`.
  struct Track {
    std::deque<ReplyPart> parts;
    int64_t dueMs;
  };

  static int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }

  void Schedule(const Reply& reply) {
    if (reply.empty()) return;
    tracks_.push_back(
        Track{std::deque<ReplyPart>(reply.begin(), reply.end()), NowMs() + std::max(reply[0].delayMs, 0)});
  }

  void WriteAll(const std::string& bytes) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
      const char* from = bytes.data() + done;
      ssize_t n = socket_ ? send(fd_, from, bytes.size() - done, MSG_NOSIGNAL) : write(fd_, from, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // the link is gone; the next read notices
      done += static_cast<std::size_t>(n);
    }
    lastWriteMs_ = NowMs();
    seen_ = Unread() > 0;
  }

  void HangUp() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    tracks_.clear();
    changed_.notify_all();
  }

  void EndCommand() {
    std::string command;
    command.swap(command_);
    if (!replies_.empty()) {
      Schedule(replies_.front());
      replies_.pop_front();
    } else {
      Schedule(Unscripted(command));
    }
  }

  void ReadLink(int64_t now) {
    char buffer[4096];
    ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) return HangUp();
    received_.append(buffer, static_cast<std::size_t>(n));
    for (ssize_t i = 0; i < n; ++i) {
      command_.push_back(buffer[i]);
      if (terminator_ >= 0 && static_cast<unsigned char>(buffer[i]) == terminator_) EndCommand();
    }
    if (socket_ && !command_.empty()) EndCommand();
    lastReadMs_ = now;
    changed_.notify_all();
  }

  bool Due(const Track& track, int64_t now) {
    if (track.parts.front().delayMs != kAfterRead) return now >= track.dueMs;
    const int unread = Unread();
    seen_ = seen_ || unread > 0;
    return unread == 0 && (seen_ || now >= lastWriteMs_ + kGraceMs);
  }

  void WriteDue(int64_t now) {
    for (Track& track : tracks_) {
      while (fd_ >= 0 && !track.parts.empty() && Due(track, now)) {
        const ReplyPart part = track.parts.front();
        track.parts.pop_front();
        if (part.close) return HangUp();
        WriteAll(part.bytes);
        if (!track.parts.empty()) track.dueMs = now + std::max(track.parts.front().delayMs, 0);
      }
    }
    tracks_.erase(std::remove_if(tracks_.begin(), tracks_.end(), [](const Track& t) { return t.parts.empty(); }),
                  tracks_.end());
  }

  // Polls 1 ms at a time, so that parts, quiet gaps and a stop request are
  // seen without a wake-up channel.
  void Run() {
    for (;;) {
      pollfd fds[2] = {{-1, POLLIN, 0}, {listen_, POLLIN, 0}};  // poll skips a negative descriptor
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return;
        fds[0].fd = fd_;
      }
      const bool ready = poll(fds, 2, 1) > 0;
      if (ready && (fds[1].revents & POLLIN)) Accept();
      std::lock_guard<std::mutex> lock(mutex_);
      const int64_t now = NowMs();
      if (ready && fds[0].revents != 0 && fds[0].fd == fd_) ReadLink(now);
      if (!command_.empty() && now - lastReadMs_ >= kQuietGapMs) EndCommand();
      WriteDue(now);
    }
  }

  int listen_ = -1;
  bool socket_ = false;
  bool stop_ = false;
  std::string received_;
  std::string command_;  // the bytes of the command not yet ended
  int64_t lastReadMs_ = 0;
  int64_t lastWriteMs_ = 0;
  bool seen_ = false;  // the last bytes written have shown up at the library's end
  std::deque<Reply> replies_;
  std::vector<Track> tracks_;
  std::thread thread_;
};

}  // namespace vek::test

#endif  // VEK_TESTS_SUPPORT_SCRIPTED_PEER_H
