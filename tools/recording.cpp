#include "tools/recording.h"

#include <cinttypes>

namespace vekctl {
namespace {

constexpr int kLimitShift = 10;
constexpr int kSlipShift = 20;

int Bit(uint32_t word, int shift, int axis) { return static_cast<int>((word >> (shift + axis)) & 1u); }

}  // namespace

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
  const uint32_t fresh = sample.word & ~previous_;
  previous_ = sample.word;
  char cell[96];
  std::snprintf(cell, sizeof cell, "%.3f", sample.seconds);
  std::string text = cell;
  for (int i = 0; i < kAxisCount; ++i) {
    if ((mask_ & (1 << i)) == 0) continue;
    std::snprintf(cell, sizeof cell, ",%" PRId32 ",%" PRId32 ",%d,%d,%d", sample.motor[i], sample.encoder[i],
                  Bit(fresh, 0, i), Bit(fresh, kLimitShift, i), Bit(fresh, kSlipShift, i));
    text += cell;
  }
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
