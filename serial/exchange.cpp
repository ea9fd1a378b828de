// Command and answer exchange on the COM port. There is no handshake: a
// command counts as sent once its bytes are written, and a query's answer is
// the next line (ended by a line feed) that is not empty once notifications
// are cut out of it. The reader polls one byte at a time and gives up after a
// silence of about 100 ms.
#include <cstdint>
#include <cstring>

#include "core/state.h"
#include "core/trace.h"
#include "platform/platform.h"
#include "serial/serial.h"
#include "vekkestra.h"

namespace vek {
namespace {

// Longest command text the controller's serial input takes.
constexpr std::size_t kMaxSerialCommand = kCommandBufferSize;
// A line holds at most this many characters; its buffer keeps one more byte
// so that a full line stays terminated.
constexpr std::size_t kLineCapacity = kTraceBufferSize - 1;
// The silence budget: every empty read attempt costs 5 and sleeps 5 ms, so
// 20 empty attempts in a row end the wait. A drain that has nothing in its
// line starts from -30 instead and so ends at its first empty attempt.
constexpr int kSilenceBudget = 100;
constexpr int kSilenceStep = 5;
constexpr int kDrainEmptyBudget = -30;
constexpr uint32_t kEmptyAttemptSleepMs = 5;

enum class LineEnd { kLineFeed, kFull, kSilence };

// Reads bytes into `line` (already holding `*count` of them) until a line
// feed, a full line or the end of the silence budget. Returns false when the
// port could not be read.
bool CollectLine(uint32_t* handle, char* line, std::size_t* count, bool drain, LineEnd* end) {
  int budget = kSilenceBudget;
  for (;;) {
    char byte = 0;
    int got = plat::SerialReadByte(PortOf(handle), &byte);
    if (got < 0) return false;
    if (got == 1) {
      if (byte == '\n') {
        *end = LineEnd::kLineFeed;
        return true;
      }
      line[(*count)++] = byte;
      if (*count >= kLineCapacity) {
        *end = LineEnd::kFull;
        return true;
      }
      budget = kSilenceBudget;
      continue;
    }
    if (drain && *count == 0) budget = kDrainEmptyBudget;
    budget -= kSilenceStep;
    plat::SleepMilliseconds(kEmptyAttemptSleepMs);
    TraceVerbosef(handle, "ReadSerialBuff() timeout=%d, tmp1=%s", budget, line);
    if (budget <= 0) {
      *end = LineEnd::kSilence;
      return true;
    }
  }
}

void ClearLine(char* line, std::size_t* count) {
  std::memset(line, 0, kTraceBufferSize);
  *count = 0;
}

}  // namespace

uint32_t ReadSerialBuff(uint32_t* handle, char* out, int32_t outLength, ReadMode mode) {
  if (handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  const bool drain = mode == ReadMode::kDrain;
  char line[kTraceBufferSize];
  std::size_t count = 0;  // bytes stored in the line, NUL bytes included
  ClearLine(line, &count);
  uint32_t pending = VEK_SUCCESS;
  std::size_t length = 0;

  for (;;) {
    LineEnd end = LineEnd::kSilence;
    if (!CollectLine(handle, line, &count, drain, &end)) {
      const uint32_t error = plat::SerialLastError();
      gState.serLastError = error;
      TraceVerbosef(handle, "ReadSerialBuff() ReadFile() error:%d", static_cast<int>(error));
      return VEK_ERROR_SERIAL_READ;
    }
    line[count] = '\0';
    FilterSerialStatusFlag(line);
    // The text of a line ends at its first NUL byte.
    length = drain ? 0 : std::strlen(line);

    if (end == LineEnd::kSilence) {
      pending = VEK_ERROR_SERIAL_READ_TIMEOUT;
      break;
    }
    if (drain) {
      ClearLine(line, &count);
      continue;
    }
    if (end == LineEnd::kLineFeed) {
      if (length > 0) break;
      ClearLine(line, &count);  // empty, or only notifications: not the answer
      continue;
    }
    // A full line: an answer when it is still full after filtering, else the
    // rest of the line is appended after what the notifications left.
    if (length >= kLineCapacity) break;
    std::memset(line + length, 0, kTraceBufferSize - length);
    count = length;
  }

  if (static_cast<int64_t>(length) >= outLength) {
    if (out != nullptr && outLength > 0) std::memcpy(out, line, static_cast<std::size_t>(outLength));
    return VEK_ERROR_ANSWER_TOO_LONG;
  }
  if (out != nullptr) std::memcpy(out, line, length + 1);
  return pending;
}

}  // namespace vek

using vek::gState;

extern "C" VEK_API uint32_t VEK_CALL VEKser_SendCommand(uint32_t* handle, const char* command) {
  if (handle == nullptr || command == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  // Bounded: anything past the limit is too long whatever its length.
  const std::size_t length = strnlen(command, vek::kMaxSerialCommand + 1);
  // The text's address, printed as a number, as the log has always shown it.
  vek::TraceEntryf(handle, "VEKser_SendCommand(pCmd=%d)",
                   static_cast<int>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(command))));
  if (length > vek::kMaxSerialCommand) return VEK_ERROR_COMMAND_TOO_LONG;
  vek::TraceSent(handle, command);

  uint32_t written = 0;
  const bool ok = vek::plat::SerialWrite(vek::PortOf(handle), command, static_cast<uint32_t>(length), &written);
  if (ok && written == length) return VEK_SUCCESS;
  const uint32_t error = vek::plat::SerialLastError();
  gState.serLastError = error;
  vek::TraceErrorf(handle, "VEKser_SendCommand error=%d", static_cast<int>(error));
  return VEK_ERROR_SERIAL_WRITE;
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_Query(uint32_t* handle, const char* command, char* answer, int32_t lLen) {
  vek::TraceEntryf(handle, "VEKser_Query( pCmd=%s  lLen=%d)", command != nullptr ? command : "(null)", lLen);
  if (handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  // Stale input (a late answer, notifications) goes before the command.
  vek::ReadSerialBuff(handle, nullptr, 0, vek::ReadMode::kDrain);
  if (answer == nullptr || lLen <= 0) return VEK_ERROR_INVALID_PARAMETER;
  const uint32_t sent = VEKser_SendCommand(handle, command);
  if (sent != VEK_SUCCESS) return sent;
  std::memset(answer, 0, static_cast<std::size_t>(lLen));
  return vek::ReadSerialBuff(handle, answer, lLen, vek::ReadMode::kAnswer);
}
