// veksim as a child process with the flags of a scenario, and the harness's
// own look at it: every exchange goes out on a TCP connection of its own, so
// that the per-connection faults (a dropped or garbled reply every Nth
// command, a connection closed at its Nth) never hit the look, and no
// notification of the layer under test is ever read here.
#ifndef VEK_TESTS_CPP_VEKSIM_PROCESS_H
#define VEK_TESTS_CPP_VEKSIM_PROCESS_H

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/cpp/scenario_table.h"

namespace vek::scenarios {

// The axes as the simulator reports them ("AAEA;AARP").
struct Reading {
  bool moving[kAxisCount] = {};
  int32_t motor[kAxisCount] = {};
};

class Veksim {
 public:
  Veksim() = default;
  ~Veksim() { Stop(); }
  Veksim(const Veksim&) = delete;
  Veksim& operator=(const Veksim&) = delete;

  // Starts `program` with `flags` (and "--log", whose lines go to `logPath`),
  // and waits for it to print its TCP port and, with `comPort` > 0, the pty
  // it published as that COM port. False with the reason.
  bool Start(const std::string& program, std::vector<std::string> flags, int comPort, const std::string& logPath,
             std::string* error);
  // SIGTERM to the child by its pid, then waits for it (SIGKILL after 3 s).
  void Stop();

  uint16_t port() const { return port_; }
  const std::string& ptyPath() const { return ptyPath_; }

  // Sends one command text and returns what follows its ACK with the
  // notifications taken out, once `fields` comma-separated fields have come
  // (0: the ACK alone). Empty with the reason when the reply is a NAK,
  // garbage, or has not come within 5 s.
  std::optional<std::string> Exchange(const std::string& text, int fields, std::string* error) const;
  std::optional<Reading> Read(std::string* error) const;

 private:
  pid_t pid_ = -1;
  int output_ = -1;  // the child's standard output
  uint16_t port_ = 0;
  std::string ptyPath_;
};

}  // namespace vek::scenarios

#endif  // VEK_TESTS_CPP_VEKSIM_PROCESS_H
