#include "tools/recording.h"

#include <cinttypes>

namespace vekctl {

Recording::Recording(std::FILE* file, int32_t mask) : file_(file), mask_(mask & vek::axes::kAllMask) {}

std::string Recording::Header(int32_t mask) {
  std::string text = "time_s";
  for (int i = 0; i < kAxisCount; ++i) {
    if ((mask & (1 << i)) == 0) continue;
    for (const char* column : {"motor", "encoder", "done", "limit", "slip"}) {
      text += ',';
      text += kAxisLetters[i];
      text += '_';
      text += column;
    }
  }
  return text;
}

std::string Recording::Row(const Sample& sample) {
  char cell[96];
  std::snprintf(cell, sizeof cell, "%.3f", sample.seconds);
  std::string text = cell;
  for (int i = 0; i < kAxisCount; ++i) {
    if ((mask_ & (1 << i)) == 0) continue;
    const VekmAxisState& axis = sample.axes[i];
    // A state the axis was in when the recording began is no news.
    const bool fresh = started_ && axis.state != previous_[i];
    previous_[i] = axis.state;
    std::snprintf(cell, sizeof cell, ",%" PRId32 ",%" PRId32 ",%d,%d,%d", axis.motor, axis.encoder,
                  (axis.flags & VEKM_AXIS_ENDED) != 0 ? 1 : 0, fresh && axis.state == VEKM_STATE_LIMIT ? 1 : 0,
                  fresh && axis.state == VEKM_STATE_SLIP ? 1 : 0);
    text += cell;
  }
  started_ = true;
  return text;
}

void Recording::WriteHeader() {
  if (std::fprintf(file_, "%s\n", Header(mask_).c_str()) < 0) failed_ = true;
}

void Recording::Add(const Sample& sample) {
  if (std::fprintf(file_, "%s\n", Row(sample).c_str()) < 0) failed_ = true;
  ++rows_;
}

}  // namespace vekctl
