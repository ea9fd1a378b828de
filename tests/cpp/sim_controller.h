// vek::Controller against the embedded simulator, on either link: loopback TCP
// reached by host name, or the simulator's pseudo-terminal published as a COM
// port.
#ifndef VEK_TESTS_CPP_SIM_CONTROLLER_H
#define VEK_TESTS_CPP_SIM_CONTROLLER_H

#include <string>

#include "tests/sim/sim_link.h"
#include "vekkestra.hpp"

namespace vek::test {

using sim::Clock;
using sim::Link;
using std::chrono::milliseconds;
using std::chrono::seconds;

// The C++ suites' own COM port, so that CTest may run them beside the others.
constexpr int kComPort = 21;

class SimControllerTest : public sim::SimTest {
 protected:
  SimControllerTest() : SimTest(kComPort) {}

  Controller Open() const {
    return serial() ? Controller::serial(kComPort) : Controller::tcp("localhost", sim_->tcpPort());
  }

  // The export name of the link under test ("VEKnet_MoveAxis").
  std::string Export(const char* name) const { return std::string(serial() ? "VEKser_" : "VEKnet_") + name; }

  // Polls the simulator until the axis moves (or rests) as `moving` says; false when it has not within `limit`.
  bool Moving(int index, bool moving, milliseconds limit) const {
    return sim::Eventually([&] { return sim_->axis(index).moving == moving; },
                           static_cast<double>(limit.count()) / 1e3);
  }
};

}  // namespace vek::test

#endif  // VEK_TESTS_CPP_SIM_CONTROLLER_H
