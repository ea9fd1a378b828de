// A recording of axes over time as CSV text: one row per look at the
// controller, with the time, the motor and encoder position of each recorded
// axis and the done, limit and slip reports that arrived since the row before.
// Nothing here talks to a controller; vekctl's record subcommand and its demo
// feed it.
#ifndef VEK_TOOLS_RECORDING_H
#define VEK_TOOLS_RECORDING_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/report.h"

namespace vekctl {

// One look at the controller.
struct Sample {
  double seconds = 0.0;  // since the recording started
  uint32_t word = 0;     // the transport's status word (done, limit, slip)
  int32_t motor[kAxisCount] = {};
  int32_t encoder[kAxisCount] = {};
};

class Recording {
 public:
  // Rows for the axes of `mask` (bits 0-9), written to `file` as they come.
  Recording(std::FILE* file, int32_t mask);

  // "time_s,X_motor,X_encoder,X_done,X_limit,X_slip,Y_motor,...".
  static std::string Header(int32_t mask);
  // One row. A flag reads 1 in the first row whose word has it set after a
  // row that had it clear: the status word keeps a flag until it is cleared,
  // and the row marks when the report came.
  std::string Row(const Sample& sample);

  // Writes the header or a row to the file.
  void WriteHeader();
  void Add(const Sample& sample);
  // The recording process cleared these bits of its status word, so that
  // the next report sets them again.
  void Forget(uint32_t bits) { previous_ &= ~bits; }

  int32_t mask() const { return mask_; }
  int rows() const { return rows_; }
  bool failed() const { return failed_; }

 private:
  std::FILE* file_;
  int32_t mask_;
  uint32_t previous_ = 0;
  int rows_ = 0;
  bool failed_ = false;
};

}  // namespace vekctl

#endif  // VEK_TOOLS_RECORDING_H
