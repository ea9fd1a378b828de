// The simulator driven through the real library on either link: loopback TCP
// or a pseudo-terminal published as a COM port. CALL picks the export of the
// link under test.
#ifndef VEK_TESTS_SIM_SIM_LINK_H
#define VEK_TESTS_SIM_SIM_LINK_H

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "sim/simulator.h"
#include "tests/support/twins.h"
#include "vekkestra.h"

// clang-format off
#define CALL(name, ...) (::vek::test::Twins(serial()).name(&h_, __VA_ARGS__))
// clang-format on

namespace vek::sim {

using Clock = std::chrono::steady_clock;
enum class Link { kTcp, kSerial };

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Polls `condition` until it holds or `seconds` pass: whether it held.
template <typename Condition>
bool Eventually(Condition condition, double seconds = 3.0) {
  const auto start = Clock::now();
  while (!condition()) {
    if (SecondsSince(start) > seconds) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The simulator with its pty published as COM port `comPort`: each test
// program has a port of its own so that CTest may run them side by side.
class SimTest : public ::testing::TestWithParam<Link> {
 protected:
  explicit SimTest(int comPort) : comPort_(comPort) {}
  void TearDown() override {
    if (sim_) sim_->Stop();
  }
  void StartSim(Options o = Options()) {
    o.enablePty = true;
    o.publishComPort = comPort_;
    sim_ = std::make_unique<Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
  }
  bool serial() const { return GetParam() == Link::kSerial; }

  const int comPort_;
  std::unique_ptr<Simulator> sim_;
};

// The same with the link opened by the C exports into h_.
class SimLinkTest : public SimTest {
 protected:
  using SimTest::SimTest;
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    if (serial())
      ASSERT_EQ(VEKser_Initialize(comPort_, 115200, &h_), VEK_SUCCESS);
    else
      ASSERT_EQ(VEKnet_Initialize("127.0.0.1", sim_->tcpPort(), &h_), VEK_SUCCESS);
  }
  void TearDown() override {
    if (h_ != 0) serial() ? VEKser_Close(&h_) : VEKnet_Close(&h_);
    SimTest::TearDown();
  }

  uint32_t h_ = 0;
};

#define VEK_SIM_LINK_SUITE(suite)                                                          \
  INSTANTIATE_TEST_SUITE_P(BothLinks, suite, ::testing::Values(Link::kTcp, Link::kSerial), \
                           [](const auto& test) { return test.param == Link::kTcp ? "Tcp" : "Serial"; })

}  // namespace vek::sim

#endif  // VEK_TESTS_SIM_SIM_LINK_H
