// The controller's ten axes, named once for the whole library: the axis
// index runs from 0 (X) to 9 (K), AxisBit of index i is 1 << i, masks select
// axes by the same bits, and each of the three ten-bit groups of a status word
// holds bit i for axis i. The command builders, the waits, the flag getters
// and vekctl all take their letters and masks from here.
//
// The simulator keeps a table of its own on purpose: it stands in for the
// controller, and a wrong table shared by both sides would let a command for
// one axis move another without any test noticing.
#ifndef VEK_CORE_AXES_H
#define VEK_CORE_AXES_H

#include <cstdint>

#include "vekkestra.h"

namespace vek::axes {

inline constexpr int32_t kCount = VEK_AXIS_COUNT;
inline constexpr char kLetters[kCount + 1] = "XYZTUVRSWK";
inline constexpr int32_t kAllMask = VEK_ALL_AXES;

// The AxisBit of an axis index.
constexpr int32_t BitOf(int32_t index) { return 1 << index; }

// The index of an AxisBit (exactly one of bits 0..9), or -1 for any other value.
constexpr int32_t IndexOf(int32_t axisBit) {
  for (int32_t i = 0; i < kCount; ++i) {
    if (axisBit == BitOf(i)) return i;
  }
  return -1;
}

// The index of an upper-case axis letter, or -1.
constexpr int32_t IndexOfLetter(char letter) {
  for (int32_t i = 0; i < kCount; ++i) {
    if (kLetters[i] == letter) return i;
  }
  return -1;
}

// The letters and the public AxisBit values describe the same table.
static_assert(kAllMask == (1 << kCount) - 1);
static_assert(VEK_AXIS_X == BitOf(IndexOfLetter('X')) && VEK_AXIS_Y == BitOf(IndexOfLetter('Y')) &&
              VEK_AXIS_Z == BitOf(IndexOfLetter('Z')) && VEK_AXIS_T == BitOf(IndexOfLetter('T')) &&
              VEK_AXIS_U == BitOf(IndexOfLetter('U')) && VEK_AXIS_V == BitOf(IndexOfLetter('V')) &&
              VEK_AXIS_R == BitOf(IndexOfLetter('R')) && VEK_AXIS_S == BitOf(IndexOfLetter('S')) &&
              VEK_AXIS_W == BitOf(IndexOfLetter('W')) && VEK_AXIS_K == BitOf(IndexOfLetter('K')));

}  // namespace vek::axes

#endif  // VEK_CORE_AXES_H
