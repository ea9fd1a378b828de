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
#include <string>

#include "vekkestra.hpp"

int main(int argc, char** argv) {
  using std::chrono::seconds;
  const std::string host = argc > 1 ? argv[1] : "localhost";
  const unsigned long port = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 5001;
  if (port == 0 || port > 65535) {
    std::fprintf(stderr, "move_xy_cpp: bad port %s\n", argv[2]);
    return 2;
  }
  try {
    vek::Controller ctl = vek::Controller::tcp(host, static_cast<uint16_t>(port));
    std::printf("connected to %s:%lu\n", host.c_str(), port);
    // Should anything below throw, the axes set moving here are stopped.
    vek::MotionGuard guard(ctl);

    // Each wait ends when the axis reports done, meets a limit or slips, or
    // runs out of time; the last three throw, with the axes stopped.
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
    std::fprintf(stderr, "%s (the other axes were stopped)\n", e.what());
  } catch (const vek::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());  // "VEKnet_Move: VEK_ERROR_WAIT_TIMEOUT (6)"
  }
  return 1;
}
