// The command exchange with the controller: every command is answered by ACK
// or NAK within 2.5 s, a query's answer comes with the ACK or in the chunk
// right after it, and every chunk read passes through the notification filter.
#include <cstring>

#include "core/state.h"
#include "core/trace.h"
#include "ethernet/ethernet.h"
#include "platform/platform.h"
#include "vekkestra.h"

namespace vek {
namespace {

// A chunk buffer one byte longer than the most one receive brings, so that a
// full chunk stays terminated.
constexpr std::size_t kChunkBufferSize = kChunkSize + 1;
// The query accumulator holds at most this many characters.
constexpr std::size_t kAnswerLimit = kChunkSize - 1;

uint32_t SilenceVerdict(const uint32_t* handle, int32_t timeoutUs) {
  switch (timeoutUs) {
    case kPollTimeoutUs:
      return VEK_ERROR_POLL_TIMEOUT;
    case kReplyTimeoutUs:
      TraceVerbose(handle, "ReadTCPIP() ACK_NAK_TIMEOUT");
      return VEK_ERROR_ACK_NAK_TIMEOUT;
    case kAnswerTimeoutUs:
      TraceVerbose(handle, "ReadTCPIP() VEK_ERROR_SOCKET_RECEIVE_TIMEOUT");
      return VEK_ERROR_SOCKET_RECEIVE_TIMEOUT;
    default:
      return VEK_SUCCESS;  // a drain or follow-up read: silence is fine
  }
}

std::size_t SizeOf(int32_t size) { return size > 0 ? static_cast<std::size_t>(size) : 0; }

// Copies at most `limit` characters of `text` (`length` of them) to `out`
// and terminates it; returns how many were copied.
std::size_t CopyText(char* out, const char* text, std::size_t length, std::size_t limit) {
  const std::size_t n = length < limit ? length : limit;
  std::memcpy(out, text, n);
  out[n] = '\0';
  return n;
}

}  // namespace

uint32_t ReadTCPIP(uint32_t* handle, char* out, int32_t outSize, int32_t timeoutUs, int32_t* outLength) {
  if (outLength != nullptr) *outLength = 0;
  if (out != nullptr && outSize > 0) out[0] = '\0';
  if (handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;

  // One byte longer than the most one receive brings: a full chunk stays
  // terminated. Only the received bytes are ever looked at.
  char chunk[kChunkBufferSize];
  bool hadNotificationOnly = false;
  for (;;) {
    int readable = plat::SocketWaitReadable(SocketOf(handle), timeoutUs);
    if (readable < 0) {
      const int32_t error = plat::SocketLastError();
      gState.netLastError = error;
      TraceVerbosef(handle, "ReadTCPIP() select() error:%d", error);
      return VEK_ERROR_SOCKET_RECEIVE;
    }
    if (readable == 0) return SilenceVerdict(handle, timeoutUs);

    int32_t received = plat::SocketReceive(SocketOf(handle), chunk, static_cast<int32_t>(kChunkSize));
    if (received <= 0) {
      // 0 bytes: the controller closed the connection (last error 0).
      const int32_t error = plat::SocketLastError();
      gState.netLastError = error;
      TraceVerbosef(handle, "ReadTCPIP() recv() error:%d", error);
      return VEK_ERROR_SOCKET_RECEIVE;
    }
    chunk[received] = '\0';

    int verdict = FilterForStatusFlag2(chunk, received);
    // A command's reply wait survives one notification-only chunk and then
    // waits the full time once more; every other read takes one chunk.
    bool waitAgain = verdict == kFilterOnlyNotifications && timeoutUs == kReplyTimeoutUs && !hadNotificationOnly;
    if (verdict == kFilterOnlyNotifications) hadNotificationOnly = true;
    if (out != nullptr && outSize > 0 && chunk[0] != '\0') {
      const std::size_t copied = CopyText(out, chunk, std::strlen(chunk), SizeOf(outSize) - 1);
      if (outLength != nullptr) *outLength = static_cast<int32_t>(copied);
    }
    if (!waitAgain) return VEK_SUCCESS;
  }
}

uint32_t CheckForAckNak(const char* text, int32_t length) {
  std::size_t n = text != nullptr ? SizeOf(length) : 0;
  if (n > 0 && std::memchr(text, kAck, n) != nullptr) return kVerdictAck;
  if (n > 0 && std::memchr(text, kNak, n) != nullptr) return kVerdictNak;
  TraceVerbosef(nullptr, "CheckForAckNak() | VEK_ERROR_NO_COMMAND_ACK | buff=%s  buff_size=%d",
                text != nullptr ? text : "", length);
  return VEK_ERROR_NO_COMMAND_ACK;
}

int32_t StripAckNak(char* text, int32_t length) {
  if (text == nullptr || length <= 0) return 0;
  std::size_t n = SizeOf(length);
  if (n > kChunkSize) n = kChunkSize;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (text[i] != kAck && text[i] != kNak) text[kept++] = text[i];
  }
  std::memset(text + kept, 0, n - kept);
  return static_cast<int32_t>(kept);
}

uint32_t SendCommand(uint32_t* handle, const char* command, char* reply, int32_t* replyLength) {
  if (reply != nullptr) reply[0] = '\0';
  if (replyLength != nullptr) *replyLength = 0;
  if (handle == nullptr || command == nullptr) return VEK_ERROR_INVALID_PARAMETER;

  // Whatever came in since the last exchange (late answers, notifications)
  // must not be taken for this command's reply.
  ReadTCPIP(handle, nullptr, 0, kDrainTimeoutUs);

  TraceSent(handle, command);
  int32_t length = static_cast<int32_t>(std::strlen(command));
  if (plat::SocketSend(SocketOf(handle), command, length) < 0) {
    const int32_t error = plat::SocketLastError();
    gState.netLastError = error;
    TraceErrorf(handle, "SendCommand() error=%d", error);
    return VEK_ERROR_SOCKET_SEND;
  }

  // The reply is read straight into the caller's buffer when there is one.
  char own[kChunkBufferSize];
  char* chunk = reply != nullptr ? reply : own;
  int32_t n = 0;
  uint32_t result = ReadTCPIP(handle, chunk, static_cast<int32_t>(kChunkBufferSize), kReplyTimeoutUs, &n);
  if (result != VEK_SUCCESS) {
    TraceErrorf(handle, "SendCommand | ACK/NAK err lRetVal:%d  buff:%s", static_cast<int>(result), chunk);
    return result;
  }

  uint32_t verdict = CheckForAckNak(chunk, n);
  if (verdict == kVerdictAck) {
    result = VEK_SUCCESS;
  } else if (verdict == kVerdictNak) {
    result = VEK_ERROR_COMMAND_NAK;
    TraceErrorf(handle, "SendCommand | NAK lRetVal:%d  buff:%s", static_cast<int>(result), chunk);
  } else {
    result = VEK_ERROR_NO_COMMAND_ACK;
    TraceErrorf(handle, "SendCommand | ACK lRetVal:%d  buff:%s", static_cast<int>(result), chunk);
  }
  if (reply == nullptr) return result;

  // The length counts the ACK too: it tells only whether text came with it.
  const int32_t kept = StripAckNak(chunk, n);
  if (replyLength != nullptr) *replyLength = kept > 0 ? n : 0;
  TraceVerbosef(handle, "SendCommand() | end lRetVal:%d", static_cast<int>(result));
  return result;
}

}  // namespace vek

using namespace vek;

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SendCommand(uint32_t* handle, const char* command) {
  TraceEntry(handle, "VEKnet_SendCommand()");
  return SendCommand(handle, command, nullptr, nullptr);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_Query(uint32_t* handle, const char* command, char* answer, int32_t lLen) {
  TraceEntryf(handle, "VEKnet_Query() pCmd=%s  lLen=%d", command != nullptr ? command : "", lLen);
  if (handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (command == nullptr || answer == nullptr || lLen <= 0) return VEK_ERROR_INVALID_PARAMETER;

  std::memset(answer, 0, static_cast<std::size_t>(lLen));
  char chunk[kChunkBufferSize];
  int32_t firstLength = 0;
  uint32_t result = SendCommand(handle, command, chunk, &firstLength);
  if (result != VEK_SUCCESS) return result;

  // Text with the ACK: at most 10 ms more for the rest. A bare ACK: the
  // answer itself may take up to 2.5 s.
  char accumulated[kChunkBufferSize];
  std::size_t have = 0;
  int32_t timeoutUs = kAnswerTimeoutUs;
  if (firstLength != 0) {
    have = CopyText(accumulated, chunk, std::strlen(chunk), kAnswerLimit);
    timeoutUs = kDrainTimeoutUs;
  }
  accumulated[have] = '\0';

  int32_t more = 0;
  result = ReadTCPIP(handle, chunk, static_cast<int32_t>(sizeof chunk), timeoutUs, &more);
  if (result == VEK_SUCCESS) {
    // The part that came with the ACK has no ACK or NAK left in it.
    const std::size_t added = CopyText(accumulated + have, chunk, SizeOf(more), kAnswerLimit - have);
    have += SizeOf(StripAckNak(accumulated + have, static_cast<int32_t>(added)));
  }
  // Cut to the caller's buffer (cleared above) so that it stays terminated.
  CopyText(answer, accumulated, have, SizeOf(lLen) - 1);
  return result;
}
