// The C++ version of move_xy: connect to a controller over TCP, home the X
// and Y axes, move them together, and print where every axis stands.
//
//   move_xy_cpp [HOST [PORT]]        (default localhost 5001)
//
// Start the simulator first (build/sim/veksim --port 5001) to try it without
// a controller.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "vekkestra.hpp"

int main(int argc, char** argv) {
  using std::chrono::seconds;
  const std::string host = argc > 1 ? argv[1] : "localhost";
  const int port = argc > 2 ? std::atoi(argv[2]) : 5001;
  try {
    vek::Controller ctl = vek::Controller::tcp(host, port);
    std::printf("connected to %s\n", ctl.describe().c_str());
    // Should anything below throw, the axes set moving here are stopped.
    vek::MotionGuard guard(ctl);

    // Each call returns once its axes are at rest where they were sent; a
    // limit, a slip, a stop by someone else or a time-out throws instead,
    // with the axes stopped.
    ctl.home(vek::Axis::X, seconds(10));
    ctl.home(vek::Axis::Y, seconds(10));
    std::printf("X and Y are homed\n");
    ctl.move({{vek::Axis::X, 4000}, {vek::Axis::Y, -2500}}, seconds(10));
    std::printf("X and Y have arrived\n");

    std::printf("axis      motor    encoder\n");
    for (const auto& [axis, at] : ctl.positions())
      std::printf("%c    %10d %10d\n", vek::letter(axis), static_cast<int>(at.motor), static_cast<int>(at.encoder));
    return 0;
  } catch (const vek::AxisError& e) {
    // "VEKnet_Move: VEKM_LIMIT (1001): X met a limit switch at 3000; stopped Y" and a hint.
    std::fprintf(stderr, "%s\n", e.what());
  } catch (const vek::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "move_xy_cpp: %s\n", e.what());  // a port outside 1-65535, say
    return 2;
  }
  return 1;
}
