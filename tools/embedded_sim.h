// The simulator that vekctl runs inside its own process (no separate
// program) when it is given no controller to talk to: a loopback TCP endpoint
// on a port the system picks, served from a background thread until vekctl
// ends.
#ifndef VEK_TOOLS_EMBEDDED_SIM_H
#define VEK_TOOLS_EMBEDDED_SIM_H

#include <cstdint>
#include <memory>
#include <string>

namespace vekctl {

class EmbeddedSimulator {
 public:
  EmbeddedSimulator();
  ~EmbeddedSimulator();
  EmbeddedSimulator(const EmbeddedSimulator&) = delete;
  EmbeddedSimulator& operator=(const EmbeddedSimulator&) = delete;

  // Starts serving on 127.0.0.1 and reports the port; on failure says why.
  bool Start(uint32_t* port, std::string* failure);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vekctl

#endif  // VEK_TOOLS_EMBEDDED_SIM_H
