// Axis addressing and the command builders shared by every operation of the
// command set, and the one place that picks a transport: the serial handle
// when it is given, else the Ethernet handle. Commands reach a transport only
// through its exported send and query, exactly as an application does.
#ifndef VEK_COMMANDS_AXIS_H
#define VEK_COMMANDS_AXIS_H

#include <cstddef>
#include <cstdint>

#include "core/axes.h"
#include "core/state.h"

namespace vek {

inline constexpr int32_t kAxisCount = axes::kCount;
inline constexpr int32_t kAllAxesMask = axes::kAllMask;

// The letter of an AxisBit (exactly one of bits 0..9); false for any other value.
bool AxisLetterOf(int32_t axisBit, char* letter);

// "A", the letter and `text`, sent with the command send of the chosen
// transport. 2 for an invalid axis (after the builder's verbose trace).
uint32_t SendSingleCommand(uint32_t* net, uint32_t* ser, int32_t axisBit, const char* text);
// "A", the letter, `text`, the value in plain decimal and ";".
uint32_t SendSingleParamCommand(uint32_t* net, uint32_t* ser, int32_t axisBit, const char* text, int32_t value);

// Appends the value list of the axes in bits 0..9 of `mask` (empty fields for
// the axes in between, ";" at the end) to `command`, a 128-byte buffer.
uint32_t BuildMultiAxisValues(int32_t mask, const int32_t* values, char* command);

// The chosen transport's exported send and query.
uint32_t SendOn(uint32_t* net, uint32_t* ser, const char* command);
uint32_t QueryOn(uint32_t* net, uint32_t* ser, const char* command, char* answer, int32_t answerSize);
// The chosen transport's motion wait (flag group 0 done, 1 limit, 2 slip).
uint32_t WaitOn(uint32_t* net, uint32_t* ser, int32_t axisMask, int32_t timeoutMs, uint32_t flagGroup);
// The chosen transport's exported stop, for the axes of `axisMask`.
uint32_t StopOn(uint32_t* net, uint32_t* ser, int32_t axisMask);

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
