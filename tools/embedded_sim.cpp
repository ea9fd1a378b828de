#include "tools/embedded_sim.h"

#include "sim/simulator.h"

namespace vekctl {

struct EmbeddedSimulator::State {
  vek::sim::Simulator simulator;
  explicit State(const vek::sim::Options& options) : simulator(options) {}
};

EmbeddedSimulator::EmbeddedSimulator() = default;

EmbeddedSimulator::~EmbeddedSimulator() {
  if (state_) state_->simulator.Stop();
}

bool EmbeddedSimulator::Start(uint32_t* port, std::string* failure) {
  vek::sim::Options options;
  options.bindAddress = "127.0.0.1";
  options.tcpPort = 0;
  // Home switches a little away from zero, so that a home search on a fresh
  // controller has somewhere to go.
  options.axes[0].homeSwitch = -1500.0;
  options.axes[1].homeSwitch = 1200.0;
  state_ = std::make_unique<State>(options);
  if (!state_->simulator.Start(failure)) {
    state_.reset();
    return false;
  }
  *port = state_->simulator.tcpPort();
  return true;
}

}  // namespace vekctl
