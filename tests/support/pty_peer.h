// A scripted controller at the far end of a real pseudo-terminal, for every
// test that drives the serial transport.
//
// The peer opens a pty pair, puts both sides in raw mode and points COM port
// `port` at the slave side by setting VEKKESTRA_COM<port> to its path, so
// VEKser_Initialize(port, ...) opens it like any serial device. A background
// thread reads the master side: it records every byte the library writes and
// splits the bytes into commands. Serial commands carry no line end, so by
// default a command is whatever arrived before a short quiet gap (a few ms);
// SetTerminator() makes a chosen byte end a command instead (the terminator
// stays part of the command text).
//
// Each command is answered by the first rule that applies:
//   1. a reply queued with ReplyNext() (first in, first out, any command);
//   2. a rule added with Reply(command, ...) whose command text matches exactly;
//   3. otherwise nothing is sent.
// A reply is a list of steps, each "wait delayMs, then write bytes", so a
// test can send half a line, fall silent, and finish it later.
//
// Unsolicited traffic: Push() writes at once from the caller's thread (use
// it to leave bytes waiting in the port before a call); PushLater() has the
// thread write them after a delay, while the library is busy in a call.
// CloseMaster() hangs the line up, as a controller that is switched off.
//
// Typical use:
//   PtyPeer peer(7);
//   ASSERT_TRUE(peer.ok());
//   peer.Reply("AX RP", "1234\n");
//   uint32_t h = 0;
//   ASSERT_EQ(VEKser_Initialize(7, 9600, &h), 0u);
//   ... VEKser_Query(&h, "AX RP", buf, 128) ...
//   EXPECT_EQ(peer.Commands(), std::vector<std::string>{"AX RP"});
#ifndef VEK_TESTS_SUPPORT_PTY_PEER_H
#define VEK_TESTS_SUPPORT_PTY_PEER_H

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

  // Opens the pty and sets VEKKESTRA_COM<port> (the variable is removed again
  // by the destructor). `quietGapMs` is the silence that ends a command.
  explicit PtyPeer(int port, int quietGapMs = 4);
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  bool ok() const { return master_ >= 0; }
  int port() const { return port_; }
  const std::string& slavePath() const { return slavePath_; }

  // A byte that ends a command at once (-1: commands end by quiet gap only).
  void SetTerminator(int byte);

  // Answers every arrival of `command` with `reply` after `delayMs`.
  void Reply(const std::string& command, const std::string& reply, int delayMs = 0);
  void Reply(const std::string& command, const std::vector<Step>& steps);
  // Answers the next command, whatever it is, once.
  void ReplyNext(const std::string& reply, int delayMs = 0);
  void ReplyNext(const std::vector<Step>& steps);

  // Writes bytes to the library now (blocking until written).
  void Push(const std::string& bytes);
  // Has the peer thread write bytes after `delayMs`.
  void PushLater(const std::string& bytes, int delayMs);
  // Closes the master side after `delayMs`: the line hangs up.
  void CloseMaster(int delayMs = 0);

  // Everything received so far, and the commands it was split into.
  std::string Received() const;
  std::vector<std::string> Commands() const;
  // Waits until at least `count` bytes have been received.
  bool WaitForBytes(std::size_t count, int timeoutMs) const;
  // Waits until at least `count` commands have been seen.
  bool WaitForCommands(std::size_t count, int timeoutMs) const;
  // Waits until every scheduled reply and push has been written.
  bool WaitIdle(int timeoutMs) const;
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

  int port_;
  int quietGapMs_;
  int master_ = -1;
  int slave_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::string slavePath_;
  std::string envName_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  int terminator_ = -1;
  bool stop_ = false;
  std::string received_;
  std::string current_;
  long long lastByteMs_ = 0;
  std::vector<std::string> commands_;
  std::vector<Rule> rules_;
  std::deque<std::vector<Step>> next_;
  std::vector<Pending> pending_;
  bool writing_ = false;  // due steps taken off pending_ but not yet written
  std::thread thread_;
};

}  // namespace vek::test

#endif  // VEK_TESTS_SUPPORT_PTY_PEER_H
