// Internal side of the serial transport: the line reader, the notification
// filter and the motion wait. The command set reaches the controller only
// through the exported VEKser_SendCommand / VEKser_Query; the waits, the limit
// search and the flag getters also drain through ReadSerialBuff.
#ifndef VEK_SERIAL_SERIAL_H
#define VEK_SERIAL_SERIAL_H

#include <cstdint>

#include "core/descriptors.h"

namespace vek {

// The port in a handle variable as the system may see it: 0 (which every
// port call refuses as a bad handle) unless this library opened it and has
// not closed it since. Read afresh at every system call.
inline uint32_t PortOf(const uint32_t* handle) { return OpenedOrZero(DescriptorKind::kSerialPort, *handle); }

enum class ReadMode {
  kAnswer,  // hand the first non-empty line to the caller
  kDrain,   // consume what is waiting, fold its notifications, keep nothing
};

// Collects received bytes into lines, filters every line for notifications,
// and returns the answer line (answer mode) or drains (drain mode, called
// with no buffer and length 0).
uint32_t ReadSerialBuff(uint32_t* handle, char* out, int32_t outLength, ReadMode mode);

// Cuts every notification out of a NUL-terminated line, in place, folding
// each into the serial StatusFlags. Returns 1 when the line is shorter than
// a notification or holds no "%", else 0.
int FilterSerialStatusFlag(char* line);

// Folds one 13-character notification into the serial StatusFlags.
void ProcessFlag(const char* notification);

// Drains the port until every flag of `axisMask` in `flagGroup` is set in the
// serial StatusFlags or the count (5 per drain) reaches `timeoutMs`.
uint32_t WaitOnSerial(uint32_t* handle, int32_t axisMask, int32_t timeoutMs, uint32_t flagGroup);

}  // namespace vek

#endif  // VEK_SERIAL_SERIAL_H
