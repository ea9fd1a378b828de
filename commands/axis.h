// Axis addressing and the command builders shared by every operation of the
// command set. The builders send through the link they are given, that is
// through the transport's exported send, exactly as an application does.
#ifndef VEK_COMMANDS_AXIS_H
#define VEK_COMMANDS_AXIS_H

#include <cstddef>
#include <cstdint>

#include "commands/link.h"
#include "core/axes.h"
#include "core/state.h"

namespace vek {

inline constexpr int32_t kAxisCount = axes::kCount;
inline constexpr int32_t kAllAxesMask = axes::kAllMask;

// The letter of an AxisBit (exactly one of bits 0..9); false for any other value.
bool AxisLetterOf(int32_t axisBit, char* letter);

// "A", the letter and `text`, sent on the link. 2 for an invalid axis (after
// the builder's verbose trace).
uint32_t SendSingleCommand(const Link& link, int32_t axisBit, const char* text);
// "A", the letter, `text`, the value in plain decimal and ";".
uint32_t SendSingleParamCommand(const Link& link, int32_t axisBit, const char* text, int32_t value);

// Appends the value list of the axes in bits 0..9 of `mask` (empty fields for
// the axes in between, ";" at the end) to `command`, a 128-byte buffer.
uint32_t BuildMultiAxisValues(int32_t mask, const int32_t* values, char* command);

// Appends formatted text to a zero-filled command buffer of kCommandBufferSize
// bytes. Returns false, leaving the buffer as it was, when the result would
// not fit (127 characters at most).
bool AppendCommand(char* command, const char* format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

}  // namespace vek

#endif  // VEK_COMMANDS_AXIS_H
