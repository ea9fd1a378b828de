// An open serial port on a pty whose far end is a scripted peer, shared by the
// serial transport tests.
#ifndef VEK_TESTS_SERIAL_SERIAL_FIXTURE_H
#define VEK_TESTS_SERIAL_SERIAL_FIXTURE_H

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "core/state.h"
#include "serial/serial.h"
#include "tests/support/log_capture.h"
#include "tests/support/pty_peer.h"
#include "vekkestra.h"

namespace vek::test {

// Every category, verbose included.
inline constexpr int32_t kAllTraces = 0xA70007;
inline constexpr int kTestPort = 9;

// Wall-clock milliseconds spent in `f`.
template <typename F>
double MillisecondsOf(F&& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer_.ok() && log.started());
    ASSERT_EQ(VEKser_Initialize(kTestPort, 115200, &handle_), VEK_SUCCESS);
    log.Clear();
  }
  void TearDown() override { VEKser_Close(&handle_); }

  PtyPeer peer_{kTestPort};
  uint32_t handle_ = 0;
  char answer_[512];
  LogCapture log{kAllTraces};
};

}  // namespace vek::test

#endif  // VEK_TESTS_SERIAL_SERIAL_FIXTURE_H
