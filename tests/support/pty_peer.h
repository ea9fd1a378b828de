// A scripted controller at the far end of a real pseudo-terminal, for every
// test that drives the serial transport.
//
// The peer opens a pty pair in raw mode and points COM port `port` at the
// slave side by setting VEKKESTRA_COM<port> to its path, so
// VEKser_Initialize(port, ...) opens it like any serial device. A background
// thread records every byte the library writes and splits the bytes into
// commands: a command is whatever arrived before a quiet gap of a few ms, or
// up to a terminator byte set with SetTerminator().
//
// Each command is answered by a reply queued with ReplyNext() (first in,
// first out), else by a rule added with Reply() whose command text matches
// exactly, else not at all. A reply is a list of "wait delayMs, then write
// bytes" steps, so a test can send half a line and finish it later.
// Push() writes at once from the caller's thread; PushLater() has the thread
// write after a delay, while the library is busy in a call. CloseMaster()
// hangs the line up.
#ifndef VEK_TESTS_SUPPORT_PTY_PEER_H
#define VEK_TESTS_SUPPORT_PTY_PEER_H

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vek::test {

class PtyPeer {
 public:
  struct Step {
    int delayMs;
    std::string bytes;
  };

  // Opens the pty and sets VEKKESTRA_COM<port> (removed by the destructor).
  explicit PtyPeer(int port);
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  bool ok() const { return master_ >= 0; }
  const std::string& slavePath() const { return slavePath_; }

  // A byte that ends a command at once (-1: commands end by quiet gap only).
  void SetTerminator(int byte);

  // Answers every arrival of `command`.
  void Reply(const std::string& command, const std::string& reply) { Reply(command, {{0, reply}}); }
  void Reply(const std::string& command, const std::vector<Step>& steps);
  // Answers the next command, whatever it is, once.
  void ReplyNext(const std::string& reply);

  // Writes bytes to the library now (blocking until written).
  void Push(const std::string& bytes);
  // Has the peer thread write bytes after `delayMs`.
  void PushLater(const std::string& bytes, int delayMs);
  // Closes the master side after `delayMs`: the line hangs up.
  void CloseMaster(int delayMs = 0);

  // Everything received so far.
  std::string Received() const;
  // Waits until at least `count` bytes have been received.
  bool WaitForBytes(std::size_t count, int timeoutMs) const;
  // Forgets received bytes and commands.
  void ClearReceived();

 private:
  struct Rule {
    std::string command;
    std::vector<Step> steps;
  };
  struct Pending {
    long long dueMs;
    std::string bytes;
    bool close;
  };

  void Run();
  void EndCommandLocked(long long nowMs);
  void ScheduleLocked(const std::vector<Step>& steps, long long fromMs);
  void WriteAll(const std::string& bytes);

  std::atomic<int> master_{-1};  // -1 once hung up
  int slave_ = -1;
  std::string slavePath_;
  std::string envName_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  int terminator_ = -1;
  bool stop_ = false;
  std::string received_;
  std::string current_;
  long long lastByteMs_ = 0;
  std::vector<Rule> rules_;
  std::deque<std::string> next_;
  std::vector<Pending> pending_;
  std::thread thread_;
};

}  // namespace vek::test

#endif  // VEK_TESTS_SUPPORT_PTY_PEER_H
