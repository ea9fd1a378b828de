// One fixture for the command-set tests, run once per transport: it opens the
// library on a real connection to a scripted controller (a TCP peer on
// loopback, or a pty peer behind a COM port), lets a case script the
// controller's answer and its notifications, and reports the exact bytes the
// controller received.
//
//   class MyTest : public vek::test::TransportTest {};
//   TEST_P(MyTest, ReadsX) {
//     Answer("1234");
//     int32_t v = 0;
//     EXPECT_EQ(0u, Call(VEKnet_GetAxisMotorPosition, VEKser_GetAxisMotorPosition, 1, &v));
//     EXPECT_EQ("AXRP;", Sent());
//   }
//   VEK_TRANSPORT_SUITE(MyTest);
//
// On Ethernet every command is acknowledged (ACK, 0x06) unless a case says
// otherwise and a query's answer comes with its ACK; on serial nothing is
// acknowledged and an answer is a line ending in "\n".
#ifndef VEK_TESTS_COMMANDS_TRANSPORT_FIXTURE_H
#define VEK_TESTS_COMMANDS_TRANSPORT_FIXTURE_H

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <utility>

#include "tests/support/pty_peer.h"
#include "tests/support/tcp_peer.h"
#include "vekkestra.h"

namespace vek::test {

enum class Link { kEthernet, kSerial };

inline void PrintTo(Link link, std::ostream* os) { *os << (link == Link::kEthernet ? "Ethernet" : "Serial"); }

inline std::string LinkName(const ::testing::TestParamInfo<Link>& info) {
  return info.param == Link::kEthernet ? "Ethernet" : "Serial";
}

// The COM port number the serial cases open (a pty behind VEKKESTRA_COM<n>).
inline constexpr int kTestComPort = 7;

class TransportTest : public ::testing::TestWithParam<Link> {
 protected:
  void SetUp() override {
    if (serial()) {
      pty_ = std::make_unique<PtyPeer>(kTestComPort);
      ASSERT_TRUE(pty_->ok());
      ASSERT_EQ(0u, VEKser_Initialize(kTestComPort, 9600, &handle_));
    } else {
      tcp_ = std::make_unique<TcpPeer>();
      ASSERT_EQ(0u, tcp_->Connect(&handle_));
    }
    ClearSent();
  }

  void TearDown() override {
    if (handle_ != 0) {
      if (serial()) {
        VEKser_Close(&handle_);
      } else {
        VEKnet_Close(&handle_);
      }
    }
    tcp_.reset();
    pty_.reset();
  }

  bool serial() const { return GetParam() == Link::kSerial; }
  uint32_t* handle() { return &handle_; }
  TcpPeer& tcp() { return *tcp_; }
  PtyPeer& pty() { return *pty_; }

  // Calls the twin of the transport under test with this connection's
  // handle: Call(VEKnet_MoveAxis, VEKser_MoveAxis, 1, 0, 1000, 0, 0).
  template <typename... P, typename... A>
  uint32_t Call(uint32_t(VEK_CALL* net)(uint32_t*, P...), uint32_t(VEK_CALL* ser)(uint32_t*, P...), A&&... args) {
    return serial() ? ser(&handle_, std::forward<A>(args)...) : net(&handle_, std::forward<A>(args)...);
  }
  // The same with a null handle.
  template <typename... P, typename... A>
  uint32_t CallNull(uint32_t(VEK_CALL* net)(uint32_t*, P...), uint32_t(VEK_CALL* ser)(uint32_t*, P...), A&&... args) {
    return serial() ? ser(nullptr, std::forward<A>(args)...) : net(nullptr, std::forward<A>(args)...);
  }

  // The controller's answer to the next command. Ethernet: ACK and the text
  // in one chunk; an empty text is a bare ACK followed by a chunk holding only
  // an ACK, which leaves the query an empty answer. Serial: the text and "\n";
  // an empty text is silence (no line ever comes).
  void Answer(const std::string& text) {
    if (serial()) {
      if (!text.empty()) pty_->ReplyNext(text + "\n");
    } else if (text.empty()) {
      tcp_->QueueReply(Reply{ReplyPart{"\x06"}, ReplyPart{"\x06", 20}});
    } else {
      tcp_->QueueReply(std::string("\x06") + text);
    }
  }

  // Ethernet only: the controller rejects the next command with NAK.
  void RejectNext() { tcp_->QueueReply(std::string("\x15")); }

  // A status-flag notification with value `value`, sent unasked after
  // `delayMs` (while the library is inside a call).
  void PushFlags(uint32_t value, int delayMs) {
    if (serial()) {
      char text[32];
      std::snprintf(text, sizeof text, "%%000 %08X\n", value);
      pty_->PushLater(text, delayMs);
    } else {
      tcp_->Push(Notification(value), delayMs);
    }
  }
  // The same, sent at once, so it waits in the connection before the call.
  void PushFlagsNow(uint32_t value) {
    if (serial()) {
      char text[32];
      std::snprintf(text, sizeof text, "%%000 %08X\n", value);
      pty_->Push(text);
    } else {
      tcp_->Push(Notification(value));
      // Let the bytes reach the library's socket before the call drains it.
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  // Every byte the controller received since the last Sent() or ClearSent(),
  // in order. A marker command is sent through the transport's own send and
  // awaited first, so a call that sent nothing yields "" deterministically.
  std::string Sent() {
    static const char kMarker[] = "#SYNC#";
    const uint32_t marked = serial() ? VEKser_SendCommand(&handle_, kMarker) : VEKnet_SendCommand(&handle_, kMarker);
    if (marked != 0) return "<marker not sent: " + std::to_string(marked) + ">";
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::size_t at = std::string::npos;
    while (std::chrono::steady_clock::now() < deadline) {
      received = serial() ? pty_->Received() : tcp_->Received();
      at = received.find(kMarker);
      if (at != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (at == std::string::npos) return "<marker not seen: " + received + ">";
    ClearSent();
    return received.substr(0, at);
  }

  void ClearSent() {
    if (serial()) {
      pty_->ClearReceived();
    } else {
      tcp_->ClearReceived();
    }
  }

 private:
  uint32_t handle_ = 0;
  std::unique_ptr<TcpPeer> tcp_;
  std::unique_ptr<PtyPeer> pty_;
};

}  // namespace vek::test

// Instantiates a TransportTest-derived suite on both transports.
#define VEK_TRANSPORT_SUITE(Suite)                                                                      \
  INSTANTIATE_TEST_SUITE_P(BothLinks, Suite,                                                            \
                           ::testing::Values(::vek::test::Link::kEthernet, ::vek::test::Link::kSerial), \
                           ::vek::test::LinkName)

#endif  // VEK_TESTS_COMMANDS_TRANSPORT_FIXTURE_H
