// The controller's end of a real connection for the reader fuzzers: a thread
// that waits for the library's command, then writes the fuzz input's chunks
// one by one, each only after the library has read the one before, so that
// chunk boundaries come out as the input chose them.
#ifndef VEK_FUZZ_SCRIPTED_PEER_H
#define VEK_FUZZ_SCRIPTED_PEER_H

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/state.h"
#include "vekkestra.h"

namespace vek::fuzz {

// An input's layout: op, two parameter bytes, a cut count (low two bits)
// followed by that many chunk lengths, then the bytes to send.
struct Script {
  uint8_t op = 0;
  uint8_t param1 = 0;
  uint8_t param2 = 0;
  std::vector<std::string> chunks;
};

inline bool ParseScript(const uint8_t* data, std::size_t size, Script* script) {
  if (size < 4) return false;
  script->op = data[0];
  script->param1 = data[1];
  script->param2 = data[2];
  std::size_t cuts = data[3] & 3u;
  std::size_t at = 4;
  if (size < at + cuts) return false;
  const uint8_t* lengths = data + at;
  at += cuts;
  for (std::size_t i = 0; i < cuts && at < size; ++i) {
    std::size_t length = lengths[i] == 0 ? 1 : lengths[i];
    if (length > size - at) length = size - at;
    script->chunks.emplace_back(reinterpret_cast<const char*>(data + at), length);
    at += length;
  }
  if (at < size) script->chunks.emplace_back(reinterpret_cast<const char*>(data + at), size - at);
  return true;
}

class ScriptedPeer {
 public:
  // `fd` is the peer's end (read for commands, written with chunks);
  // `unread` tells how many written bytes the library has not read yet.
  ScriptedPeer(int fd, std::function<int()> unread) : fd_(fd), unread_(std::move(unread)) {
    thread_ = std::thread([this] { Run(); });
    thread_.detach();  // lives as long as the fuzzing process
  }

  // Arms the peer for one call: with `awaitCommand` it starts writing once the
  // library has sent something, else at once.
  void Play(std::vector<std::string> chunks, bool awaitCommand) {
    std::lock_guard<std::mutex> lock(mutex_);
    chunks_ = std::move(chunks);
    awaitCommand_ = awaitCommand;
    callDone_ = false;
    busy_ = true;
    changed_.notify_all();
  }

  // The call has returned: stop writing and wait until the peer is idle, so
  // that the harness can drain both ends.
  void Finish() {
    callDone_ = true;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
  }

 private:
  using Clock = std::chrono::steady_clock;

  void Run() {
    for (;;) {
      std::vector<std::string> chunks;
      bool awaitCommand = false;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return busy_; });
        chunks.swap(chunks_);
        awaitCommand = awaitCommand_;
      }
      if (!awaitCommand || AwaitCommand()) {
        for (const std::string& chunk : chunks) {
          if (callDone_ || !WriteAll(chunk)) break;
          AwaitConsumed();
        }
      }
      std::lock_guard<std::mutex> lock(mutex_);
      busy_ = false;
      changed_.notify_all();
    }
  }

  // Polls for the library's command and swallows what has come of it.
  bool AwaitCommand() {
    while (!callDone_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 1) > 0) {
        char sink[512];
        while (read(fd_, sink, sizeof sink) > 0) {
          pollfd more{fd_, POLLIN, 0};
          if (poll(&more, 1, 0) <= 0) break;
        }
        return true;
      }
    }
    return false;
  }

  bool WriteAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Waits until the written bytes have shown up at the library's end and
  // have been read from there, or the call ended. A pty delivers
  // asynchronously, so the bytes may take a moment to show up at all; a
  // reader that took them faster than that costs the 2 ms grace.
  void AwaitConsumed() {
    auto start = Clock::now();
    while (unread_() == 0 && !callDone_ && Clock::now() - start < std::chrono::milliseconds(2)) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    start = Clock::now();
    while (unread_() > 0 && !callDone_ && Clock::now() - start < std::chrono::milliseconds(300)) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  }

  int fd_;
  std::function<int()> unread_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> chunks_;
  bool awaitCommand_ = false;
  bool busy_ = false;
  std::atomic<bool> callDone_{false};
};

// Traps on a broken invariant: libFuzzer records the input as a crash.
inline void Require(bool ok) {
  if (!ok) __builtin_trap();
}

inline bool OneOf(uint32_t result, std::initializer_list<uint32_t> allowed) {
  for (uint32_t value : allowed) {
    if (result == value) return true;
  }
  return false;
}

// Every trace on, by default into a sink: the traces print received text.
// VEK_FUZZ_LOG names a real file when a reproducer needs reading.
inline void StartTraceSink() {
  const char* log = std::getenv("VEK_FUZZ_LOG");
  VEK_StartDllLogger(log != nullptr ? log : "/dev/null", -1);
}

// A motion wait's arguments from the two parameter bytes: any mask of the ten
// axes plus bit 10, which reaches into the next group; a flag group; a
// time-out of 1 to 36.
struct WaitArgs {
  int32_t mask;
  uint32_t group;
  int32_t timeout;
  uint32_t awaited;  // the status bits the wait needs
};

inline WaitArgs DecodeWait(const Script& script) {
  WaitArgs w{};
  w.mask = script.param1 | ((script.param2 & 3) << 8) | ((script.param2 & 4) << 8);
  w.group = (script.param2 >> 3) & 3u;
  w.timeout = 1 + 5 * (script.param2 >> 5);
  const uint32_t shift = w.group == 1 ? kLimitShift : w.group == 2 ? kSlipShift : kDoneShift;
  w.awaited = static_cast<uint32_t>(w.mask) << shift;
  return w;
}

}  // namespace vek::fuzz

#endif  // VEK_FUZZ_SCRIPTED_PEER_H
