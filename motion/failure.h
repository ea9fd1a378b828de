// What went wrong inside the motion core, before the C face copies it into
// the caller's VekmError.
#ifndef VEK_MOTION_FAILURE_H
#define VEK_MOTION_FAILURE_H

#include <cstdint>
#include <string>

namespace vek::motion {

struct Failure {
  uint32_t code = 0;
  std::string operation;  // "VEKnet_MoveAxis", "vekm_move"
  std::string detail;     // what happened; the code's own text when nothing more is known
  std::string hint;       // what to do; the code's own hint when empty
  int32_t axis = 0;       // the axis bit a limit, slip or interruption is about
  int32_t position = 0;
  bool positionRead = false;
  int32_t stopped = 0;  // the axes stopped on the way out
  int32_t signal = 0;
};

// Fills `f` (when given) and returns `code`.
uint32_t Fail(Failure* f, uint32_t code, std::string operation, std::string detail = std::string(),
              std::string hint = std::string());

}  // namespace vek::motion

#endif  // VEK_MOTION_FAILURE_H
