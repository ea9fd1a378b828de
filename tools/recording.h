// A recording of axes over time as CSV text: one row per look at the
// controller (one vekm_poll), with the time, the motor and encoder position of
// each recorded axis and whether it came to rest, met a limit switch or
// slipped since the row before. Nothing here talks to a controller; vekctl's
// record subcommand and its demo feed it.
#ifndef VEK_TOOLS_RECORDING_H
#define VEK_TOOLS_RECORDING_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/report.h"
#include "vekkestra_motion.h"

namespace vekctl {

// One look at the controller: every axis as the motion core's tracker saw it.
struct Sample {
  double seconds = 0.0;  // since the recording started
  VekmAxisState axes[kAxisCount] = {};
};

class Recording {
 public:
  // Rows for the axes of `mask` (bits 0-9), written to `file` as they come.
  Recording(std::FILE* file, int32_t mask);

  // "time_s,X_motor,X_encoder,X_done,X_limit,X_slip,Y_motor,...".
  static std::string Header(int32_t mask);
  // One row. `done` is 1 in the row whose look found the axis at rest after
  // one that saw it moving; `limit` and `slip` are 1 in the first row of a
  // rest at a limit switch or after a slip (the tracker keeps showing that
  // state while the axis stays there). The first row marks no limit or slip:
  // only what happens during the recording is news.
  std::string Row(const Sample& sample);

  // Writes the header or a row to the file.
  void WriteHeader();
  void Add(const Sample& sample);

  int32_t mask() const { return mask_; }
  int rows() const { return rows_; }
  bool failed() const { return failed_; }

 private:
  std::FILE* file_;
  int32_t mask_;
  int32_t previous_[kAxisCount] = {};  // each axis's state in the row before
  bool started_ = false;
  int rows_ = 0;
  bool failed_ = false;
};

}  // namespace vekctl

#endif  // VEK_TOOLS_RECORDING_H
