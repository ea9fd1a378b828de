// Reading the controller's answers about its axes, without I/O: the five
// status letters of each axis ("EA": PID E/D, slip detection E/D, slipped S/N,
// on the home switch P/N, moving P/N) and comma-separated value lists, as one
// query's answer joins them.
#ifndef VEK_MOTION_STATUS_H
#define VEK_MOTION_STATUS_H

#include <cstdint>

#include "core/axes.h"
#include "vekkestra_motion.h"

namespace vek::motion {

inline constexpr int kAxes = vek::axes::kCount;

struct AxisStatus {
  bool pid = false;
  bool slipDetection = false;
  bool slipped = false;
  bool onHome = false;
  bool moving = false;
};

// The status word's groups, as the public header names them.
inline constexpr int kLimitShift = 10;
inline constexpr int kSlipShift = 20;
inline constexpr uint32_t kCommandError = VEKM_COMMAND_ERROR_BIT;
static_assert(VEKM_LIMIT_BIT(0) == 1u << kLimitShift && VEKM_SLIP_BIT(0) == 1u << kSlipShift);

inline int32_t DoneBits(uint32_t word) { return static_cast<int32_t>(word & vek::axes::kAllMask); }
inline int32_t LimitBits(uint32_t word) { return static_cast<int32_t>((word >> kLimitShift) & vek::axes::kAllMask); }
inline int32_t SlipBits(uint32_t word) { return static_cast<int32_t>((word >> kSlipShift) & vek::axes::kAllMask); }

// One axis's five letters; false when any is not one of its two.
bool ParseStatusLetters(const char* letters, int length, AxisStatus* status);

// An answer of comma-separated fields: `count` fields in all, the first
// `statusFields` of them status letters (one axis each), the rest signed
// decimal numbers. False when the count or a field does not fit.
bool ParseAnswer(const char* answer, int statusFields, AxisStatus* status, int numberFields, int32_t* numbers);

}  // namespace vek::motion

#endif  // VEK_MOTION_STATUS_H
