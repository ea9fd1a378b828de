// The Ethernet notification filter: takes status-flag notifications out of a
// received chunk and folds them into the Ethernet StatusFlags. No I/O besides
// the traces.
#include <cstring>

#include "core/notification.h"
#include "core/state.h"
#include "core/trace.h"
#include "ethernet/ethernet.h"

namespace vek {
namespace {

// On the Ethernet link a notification is followed by two characters that
// carry nothing; they are dropped with it.
constexpr int32_t kNetNotificationLength = kNotificationLength + 2;

void FoldNotification(const char* at) {
  char text[kNotificationLength + 1];
  std::memset(text, 0, sizeof text);
  std::memcpy(text, at, kNotificationLength);
  if (VerboseTraceOn()) WriteFlagsLine("FilterForStatusFlag2() - in", gState.netStatusFlags.load());
  // Other connections fold into and clear the same word at the same time.
  const uint32_t bits = MapNotificationValue(ParseNotificationValue(text + kNotificationPrefixLength));
  const uint32_t after = gState.netStatusFlags.fetch_or(bits) | bits;
  TraceStatusWords("Status Flag change");
  if (VerboseTraceOn()) WriteFlagsLine("FilterForStatusFlag2() - out", after);
}

}  // namespace

int FilterForStatusFlag2(char* chunk, int32_t length) {
  if (chunk == nullptr || length <= 0) return kFilterNoNotification;
  if (length > static_cast<int32_t>(kChunkSize)) length = static_cast<int32_t>(kChunkSize);

  // Kept characters move down over the notifications in place: the write
  // position never passes the read position.
  int32_t written = 0;
  int notifications = 0;
  int32_t i = 0;
  while (i < length) {
    // A notification counts only when all of its characters are in this
    // chunk; a "%" that starts none is an ordinary character and the one
    // after it is kept (controller bytes are never dropped).
    if (chunk[i] == '%' && i + kNetNotificationLength <= length &&
        std::strncmp(chunk + i, kNotificationPrefix, kNotificationPrefixLength) == 0) {
      ++notifications;
      FoldNotification(chunk + i);
      i += kNetNotificationLength;
    } else {
      chunk[written++] = chunk[i++];
    }
  }

  if (notifications == 0 && (written == 0 || chunk[0] == '\0')) return kFilterNoNotification;
  // The chunk is text: what follows a NUL byte is not part of it.
  const void* nul = std::memchr(chunk, '\0', static_cast<std::size_t>(written));
  const int32_t text = nul != nullptr ? static_cast<int32_t>(static_cast<const char*>(nul) - chunk) : written;
  std::memset(chunk + text, 0, static_cast<std::size_t>(length - text));
  if (notifications == 0) return kFilterNoNotification;
  return text == 0 ? kFilterOnlyNotifications : kFilterMixed;
}

}  // namespace vek
