// A scripted controller at the far end of a real pseudo-terminal: the peer
// opens a pty pair in raw mode and points COM port `port` at the slave side
// by setting VEKKESTRA_COM<port> to its path, so VEKser_Initialize(port, ...)
// opens it like any serial device. A command is whatever arrived before a
// quiet gap of a few ms, or up to the terminator byte; one that no queued
// reply takes is answered by the rule for its exact text, else not at all.
#ifndef VEK_TESTS_SUPPORT_PTY_PEER_H
#define VEK_TESTS_SUPPORT_PTY_PEER_H

#include <string>
#include <utility>
#include <vector>

#include "tests/support/scripted_peer.h"

namespace vek::test {

class PtyPeer : public ScriptedPeer {
 public:
  // Opens the pty and sets VEKKESTRA_COM<port> (removed by the destructor).
  explicit PtyPeer(int port);
  ~PtyPeer() override;

  bool ok() const { return slave_ >= 0; }
  const std::string& slavePath() const { return slavePath_; }

  // A byte that ends a command at once (-1: commands end by quiet gap only).
  void SetTerminator(int byte) {
    std::lock_guard<std::mutex> lock(mutex_);
    terminator_ = byte;
  }
  // Answers every arrival of `command`.
  void Reply(const std::string& command, const std::string& reply) { Reply(command, {ReplyPart{reply}}); }
  void Reply(const std::string& command, const std::vector<ReplyPart>& parts) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.emplace_back(command, parts);
  }
  int Unread() const override;

 private:
  std::vector<ReplyPart> Unscripted(const std::string& command) override;

  int slave_ = -1;  // the peer's own open of the slave: never read
  std::string slavePath_;
  std::string envName_;
  std::vector<std::pair<std::string, std::vector<ReplyPart>>> rules_;
};

}  // namespace vek::test

#endif  // VEK_TESTS_SUPPORT_PTY_PEER_H
