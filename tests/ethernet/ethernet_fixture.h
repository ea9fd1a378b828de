// The fixture every Ethernet test shares: a scripted controller on loopback
// with the library connected to it, and the process-wide state reset.
#ifndef VEK_TESTS_ETHERNET_FIXTURE_H
#define VEK_TESTS_ETHERNET_FIXTURE_H

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "core/state.h"
#include "tests/support/log_capture.h"
#include "tests/support/tcp_peer.h"
#include "vekkestra.h"

namespace vek::test {

// Every trace category, verbose included.
inline constexpr int32_t kAllTraces = 0xA70007;

// An ACK followed by `text` (kept apart so that hex digits never join the escape).
inline std::string Ack(const std::string& text = "") { return "\x06" + text; }

class EthernetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(log.started());
    ASSERT_EQ(0u, peer.Connect(&sock));
    gState.netStatusFlags = 0;
    log.Clear();
  }
  void TearDown() override { VEKnet_Close(&sock); }

  // "0x..." for the address of the socket variable, as traces print it.
  std::string Handle() const { return HandleText(&sock); }

  TcpPeer peer;
  uint32_t sock = 0;
  LogCapture log{kAllTraces};
};

// Wall-clock milliseconds spent in `f`.
template <typename F>
double MillisecondsOf(F&& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace vek::test

#endif  // VEK_TESTS_ETHERNET_FIXTURE_H
