// The controller that vekctl drives, opened through the motion core: over TCP,
// over a serial port, or (given neither) on the simulator that vekctl runs
// inside its own process.
#ifndef VEK_TOOLS_LINK_H
#define VEK_TOOLS_LINK_H

#include <cstdint>
#include <memory>
#include <string>

#include "vekkestra_motion.h"

namespace vekctl {

// Where to connect. With neither a TCP address nor a COM port the link
// starts the embedded simulator and connects to it.
struct LinkTarget {
  std::string tcp;  // "HOST" or "HOST:PORT", as ParseTcpAddress takes it
  int com = 0;      // 1..32, 0 for none
  int baud = 115200;
};

class EmbeddedSimulator;

// One open connection, closed (and the embedded simulator with it) when the
// link goes.
class Link {
 public:
  Link();
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // Opens the connection. `note` tells a newcomer what it connected to; a
  // failure is the core's message (what was tried, why, and its hint) in
  // `failure`.
  bool Open(const LinkTarget& target, std::string* note, std::string* failure);
  void Close();
  bool IsOpen() const { return controller_ != nullptr; }
  VekmController* controller() const { return controller_; }

 private:
  VekmController* controller_ = nullptr;
  std::unique_ptr<EmbeddedSimulator> simulator_;
};

}  // namespace vekctl

#endif  // VEK_TOOLS_LINK_H
