// A scripted controller on the far end of a real TCP connection: it listens
// on 127.0.0.1 at an ephemeral port, and a new connection replaces the
// current one. Each chunk that one receive brings is a command; one that no
// queued reply takes is answered by a bare ACK.
#ifndef VEK_TESTS_SUPPORT_TCP_PEER_H
#define VEK_TESTS_SUPPORT_TCP_PEER_H

#include <cstdint>
#include <string>

#include "tests/support/scripted_peer.h"

namespace vek::test {

// A status-flag notification as the controller sends it: "%000 ", eight
// upper-case hex digits of `value`, and the tail (two characters on the
// Ethernet link, which the library skips without looking at them).
std::string Notification(uint32_t value, const char* tail = "\r\n");

class TcpPeer : public ScriptedPeer {
 public:
  TcpPeer();
  ~TcpPeer() override;

  uint16_t port() const { return port_; }
  // VEKnet_Initialize("127.0.0.1", port(), socket), then waits until the peer
  // has accepted the connection. Returns the result.
  uint32_t Connect(uint32_t* socket);
  int Unread() const override;

 private:
  Reply Unscripted(const std::string&) override { return Reply{ReplyPart{"\x06"}}; }
  void Accept() override;

  int listenFd_ = -1;
  int libraryFd_ = -1;
  uint16_t port_ = 0;
};

}  // namespace vek::test

#endif  // VEK_TESTS_SUPPORT_TCP_PEER_H
