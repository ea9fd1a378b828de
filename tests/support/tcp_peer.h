// A scripted controller on the other end of a real TCP connection, for every
// test that drives the Ethernet transport.
//
// The peer listens on 127.0.0.1 at an ephemeral port and serves one client at
// a time from a background thread; a new connection replaces the current one.
// Every chunk that one receive brings is recorded and answered by the next
// queued reply, or by a bare ACK when none is queued. A reply is a list of
// parts, each sent after its own delay counted from the previous part, so a
// test can split an answer over several reads, answer late, or close the
// connection in the middle of an exchange.
// Unsolicited bytes (status-flag notifications) go out with Push().
#ifndef VEK_TESTS_SUPPORT_TCP_PEER_H
#define VEK_TESTS_SUPPORT_TCP_PEER_H

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vek::test {

// One part of a reply: `bytes` sent `delayMs` after the previous part (or
// after the chunk that triggered the reply). With `close` set, the client
// connection is closed at that moment instead.
struct ReplyPart {
  std::string bytes;
  int delayMs = 0;
  bool close = false;
};
using Reply = std::vector<ReplyPart>;

inline ReplyPart CloseConnection(int delayMs = 0) { return ReplyPart{std::string(), delayMs, true}; }

// A status-flag notification as the controller sends it on the Ethernet
// link: "%000 ", eight upper-case hex digits of `value`, and two trailing
// characters (which the library skips without looking at them).
std::string Notification(uint32_t value, const char* tail = "\r\n");

class TcpPeer {
 public:
  TcpPeer();
  ~TcpPeer();
  TcpPeer(const TcpPeer&) = delete;
  TcpPeer& operator=(const TcpPeer&) = delete;

  uint16_t port() const { return port_; }

  // VEKnet_Initialize("127.0.0.1", port(), socket), then waits until the peer
  // has accepted the connection. Returns the result.
  uint32_t Connect(uint32_t* socket);

  // Queues the reply to one future chunk (in arrival order). An empty Reply
  // answers that chunk with silence.
  void QueueReply(const Reply& reply);
  void QueueReply(const std::string& bytes) { QueueReply(Reply{ReplyPart{bytes}}); }
  // Sends bytes to the current client after `delayMs`, unasked.
  void Push(const std::string& bytes, int delayMs = 0);
  // Sends bytes to the current client from the caller's thread, at once:
  // for a test that must time a part to the microsecond, not to the peer's
  // 2 ms poll.
  void SendNow(const std::string& bytes);

  // Waits until the client connection has gone.
  bool WaitForClientGone(int timeoutMs = 5000);
  // Every received byte, in order, and a way to forget them.
  std::string Received() const;
  void ClearReceived();

 private:
  struct Pending {
    int64_t dueMs;
    std::string bytes;
    bool close;
  };

  void Run();
  void AcceptClient();
  void ReadClient();
  void SendDue();
  void DropClient();
  void Schedule(const Reply& reply);  // caller holds mutex_

  int listenFd_ = -1;
  int clientFd_ = -1;
  uint16_t port_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  std::deque<Reply> replies_;
  std::deque<Pending> pending_;  // sorted by due time
  std::string received_;
  int connections_ = 0;
  bool clientOpen_ = false;

  std::thread thread_;
};

}  // namespace vek::test

#endif  // VEK_TESTS_SUPPORT_TCP_PEER_H
