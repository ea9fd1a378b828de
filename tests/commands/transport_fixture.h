// The command-set tests run once per transport (the parameter is true for
// serial) against a scripted controller: a TCP peer on loopback or a pty peer.
#ifndef VEK_TESTS_COMMANDS_TRANSPORT_FIXTURE_H
#define VEK_TESTS_COMMANDS_TRANSPORT_FIXTURE_H

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "core/state.h"
#include "tests/support/pty_peer.h"
#include "tests/support/tcp_peer.h"
#include "tests/support/twins.h"
#include "vekkestra.h"

// A lambda calling the twin of `op`: TWIN(MoveAxis, 1, 0, 1000, 0, 0)(handle, serial).
#define TWIN(op, ...) [](uint32_t* h, bool ser) -> uint32_t { return ::vek::test::Twins(ser).op(h, __VA_ARGS__); }

namespace vek::test {

using Invoke = uint32_t (*)(uint32_t* handle, bool serial);

class TransportTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (serial()) {
      auto pty = std::make_unique<PtyPeer>(7);
      ASSERT_TRUE(pty->ok());
      peer_ = std::move(pty);
      ASSERT_EQ(0u, VEKser_Initialize(7, 9600, &handle_));
    } else {
      auto tcp = std::make_unique<TcpPeer>();
      ASSERT_EQ(0u, tcp->Connect(&handle_));
      peer_ = std::move(tcp);
    }
  }
  void TearDown() override {
    if (handle_ != 0) Close(handle());
  }

  bool serial() const { return GetParam(); }
  uint32_t* handle() { return &handle_; }
  void Close(uint32_t* handle) { serial() ? VEKser_Close(handle) : VEKnet_Close(handle); }
  int32_t LastError() { return serial() ? static_cast<int32_t>(VEKser_GetLastError()) : VEKnet_GetLastError(); }
  std::atomic<uint32_t>& word() { return serial() ? gState.serStatusFlags : gState.netStatusFlags; }

  // This test's transport's exports: ops().MoveAxis(handle(), ...).
  const Exports& ops() const { return Twins(serial()); }

  // The answer to the next command; "" is an empty answer on Ethernet (ACK,
  // then a chunk of only ACK) and silence on serial.
  void Answer(const std::string& text) {
    if (!serial()) peer_->QueueReply(text.empty() ? Reply{{"\x06"}, {"\x06", 20}} : Reply{{"\x06" + text}});
    if (serial() && !text.empty()) peer_->QueueReply(text + "\n");
  }

  // A status-flag notification, sent `delayMs` into the next call, or now (negative).
  void PushFlags(uint32_t value, int delayMs = -1) {
    const std::string text = Notification(value, serial() ? "\n" : "\r\n");
    delayMs < 0 ? peer_->Push(text) : peer_->Play({{text, delayMs}});
  }

  // Every byte received since the last Sent(), up to a marker sent now.
  std::string Sent() {
    static const char kMarker[] = "#SYNC#";
    if (ops().SendCommand(handle(), kMarker) != 0) return "<marker not sent>";
    for (int i = 0; i < 1500; ++i) {
      const std::string received = peer_->Received();
      const std::size_t at = received.find(kMarker);
      if (at != std::string::npos) {
        peer_->ClearReceived();
        return received.substr(0, at);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return "<marker not seen>";
  }

  std::unique_ptr<ScriptedPeer> peer_;

 private:
  uint32_t handle_ = 0;
};

}  // namespace vek::test

#define VEK_TRANSPORT_SUITE(Suite)                              \
  INSTANTIATE_TEST_SUITE_P(BothLinks, Suite, ::testing::Bool(), \
                           [](const auto& link) { return std::string(link.param ? "Serial" : "Ethernet"); })

#endif  // VEK_TESTS_COMMANDS_TRANSPORT_FIXTURE_H
