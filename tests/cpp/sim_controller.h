// vek::Controller against the embedded simulator, on either link: loopback TCP
// reached by host name, or the simulator's pseudo-terminal published as a COM
// port.
#ifndef VEK_TESTS_CPP_SIM_CONTROLLER_H
#define VEK_TESTS_CPP_SIM_CONTROLLER_H

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "sim/simulator.h"
#include "vekkestra.hpp"

namespace vek::test {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
enum class Link { kTcp, kSerial };

// The C++ suites' own COM port, so that CTest may run them beside the others.
constexpr int kComPort = 21;

// The axes in the controller's order, as vekkestra.h documents them: axis bit
// and simulator index.
struct AxisRow {
  Axis axis;
  int32_t bit;
  int index;
};
constexpr AxisRow kAxisRows[] = {{Axis::X, VEK_AXIS_X, 0}, {Axis::Y, VEK_AXIS_Y, 1}, {Axis::Z, VEK_AXIS_Z, 2},
                                 {Axis::T, VEK_AXIS_T, 3}, {Axis::U, VEK_AXIS_U, 4}, {Axis::V, VEK_AXIS_V, 5},
                                 {Axis::R, VEK_AXIS_R, 6}, {Axis::S, VEK_AXIS_S, 7}, {Axis::W, VEK_AXIS_W, 8},
                                 {Axis::K, VEK_AXIS_K, 9}};

inline double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class SimControllerTest : public ::testing::TestWithParam<Link> {
 protected:
  void TearDown() override {
    if (sim_) sim_->Stop();
  }

  void StartSim(sim::Options options = sim::Options()) {
    options.enablePty = true;
    options.publishComPort = kComPort;
    sim_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
  }

  bool serial() const { return GetParam() == Link::kSerial; }

  Controller Open() const {
    return serial() ? Controller::serial(kComPort) : Controller::tcp("localhost", sim_->tcpPort());
  }

  // The export name of the link under test ("VEKnet_MoveAxis").
  std::string Export(const char* name) const { return std::string(serial() ? "VEKser_" : "VEKnet_") + name; }

  // Polls the simulator until the axis is at rest; false when it still moves after `limit`.
  bool AtRestWithin(int index, milliseconds limit) const {
    const Clock::time_point end = Clock::now() + limit;
    while (sim_->axis(index).moving) {
      if (Clock::now() > end) return false;
      std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
  }

  // Polls the simulator until the axis moves; a serial command runs once the line has been quiet a moment.
  bool MovingWithin(int index, milliseconds limit) const {
    const Clock::time_point end = Clock::now() + limit;
    while (!sim_->axis(index).moving) {
      if (Clock::now() > end) return false;
      std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
  }

  std::unique_ptr<sim::Simulator> sim_;
};

#define VEK_CPP_BOTH_LINKS(suite)                                                          \
  INSTANTIATE_TEST_SUITE_P(BothLinks, suite, ::testing::Values(Link::kTcp, Link::kSerial), \
                           [](const auto& link) { return link.param == Link::kTcp ? "Tcp" : "Serial"; })

}  // namespace vek::test

#endif  // VEK_TESTS_CPP_SIM_CONTROLLER_H
