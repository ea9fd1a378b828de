// Internal side of the Ethernet transport: the exchange, the reader with its
// four time-out values, the notification filter and the motion wait. The
// command set reaches the controller only through the exported
// VEKnet_SendCommand / VEKnet_Query; the waits, the limit search and the flag
// getters also read through ReadTCPIP.
#ifndef VEK_ETHERNET_ETHERNET_H
#define VEK_ETHERNET_ETHERNET_H

#include <cstdint>

#include "core/descriptors.h"

namespace vek {

// The socket in a handle variable as the system may see it: 0 (which every
// socket call refuses as "not a socket") unless this library opened it and
// has not closed it since. Read afresh at every system call.
inline uint32_t SocketOf(const uint32_t* handle) { return OpenedOrZero(DescriptorKind::kSocket, *handle); }

// ReadTCPIP time-outs in microseconds; the exact value also says what a
// time-out means.
inline constexpr int32_t kPollTimeoutUs = 10000;      // a wait's poll: 101 on silence
inline constexpr int32_t kDrainTimeoutUs = 10001;     // drain / follow-up read: silence is success
inline constexpr int32_t kReplyTimeoutUs = 2500000;   // reply to a command: 214 on silence
inline constexpr int32_t kAnswerTimeoutUs = 2500001;  // answer after a bare ACK: 213 on silence

inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;

// Verdicts of CheckForAckNak; 217 (VEK_ERROR_NO_COMMAND_ACK) for neither.
inline constexpr uint32_t kVerdictAck = 6;
inline constexpr uint32_t kVerdictNak = 21;

// Verdicts of FilterForStatusFlag2.
inline constexpr int kFilterNoNotification = 0;
inline constexpr int kFilterOnlyNotifications = 1;
inline constexpr int kFilterMixed = 2;

// Sends one command and waits for its ACK/NAK. With a reply buffer (room
// for a chunk and its terminator, kChunkSize + 1), also returns the text that
// came with the acknowledgement, ACK/NAK removed, and a length that is 0 when
// nothing else came.
uint32_t SendCommand(uint32_t* handle, const char* command, char* reply, int32_t* replyLength);

// Reads one chunk (at most 256 bytes), filtered for notifications. `out`, when
// given, receives the chunk's text terminated within `outSize` bytes (empty
// when none came) and `outLength` its length.
uint32_t ReadTCPIP(uint32_t* handle, char* out, int32_t outSize, int32_t timeoutUs, int32_t* outLength = nullptr);

uint32_t CheckForAckNak(const char* text, int32_t length);
// Removes ACK and NAK bytes from the first `length` characters, clearing the
// bytes freed at the end; returns how many characters are left.
int32_t StripAckNak(char* text, int32_t length);

// Removes notifications from a chunk in place and folds them into the
// Ethernet StatusFlags. `chunk` holds `length` bytes and room for a
// terminator after them.
int FilterForStatusFlag2(char* chunk, int32_t length);

// Waits until every flag of `axisMask` in `flagGroup` (0 done, 1 limit,
// 2 slip, other values as 0) is set in the Ethernet StatusFlags, or until
// `timeoutMs` has passed.
uint32_t WaitOnEthernet(uint32_t* handle, int32_t axisMask, int32_t timeoutMs, uint32_t flagGroup);

// The stopwatch of one wait: counter ticks per second and the cost of one
// counter reading. Each wait keeps its own, so that waits on other threads
// never share it.
struct Stopwatch {
  int64_t counterFrequency;
  int64_t readCost;
};
void StartTimer(Stopwatch* watch);
int64_t GetElapsedTime(const Stopwatch& watch, int64_t start, double* elapsedMs);

}  // namespace vek

#endif  // VEK_ETHERNET_ETHERNET_H
