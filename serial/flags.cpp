// The serial notification filter: the controller's "%000 " notifications
// arrive inside received lines; each is cut out of its line and folded into
// the serial StatusFlags.
#include <cstring>

#include "core/notification.h"
#include "core/state.h"
#include "core/trace.h"
#include "serial/serial.h"

namespace vek {

int FilterSerialStatusFlag(char* line) {
  if (line == nullptr) return 1;
  const std::size_t length = std::strlen(line);
  if (length < static_cast<std::size_t>(kNotificationLength) || std::strchr(line, '%') == nullptr) return 1;

  // Text is only ever moved towards the front, so `read` still indexes the
  // line as received and `length - read` is what is left of it.
  std::size_t read = 0;
  std::size_t write = 0;
  for (;;) {
    while (line[read] != '\0' && line[read] != '%') line[write++] = line[read++];
    if (line[read] == '\0') {
      line[write] = '\0';
      return 0;
    }
    if (length - read >= static_cast<std::size_t>(kNotificationLength) &&
        std::strncmp(line + read, kNotificationPrefix, kNotificationPrefixLength) == 0) {
      char notification[kNotificationLength + 1] = {};
      std::memcpy(notification, line + read, kNotificationLength);
      ProcessFlag(notification);
      read += kNotificationLength;
      if (line[read] == '\n') ++read;
    } else {
      // Not a notification: the "%" is ordinary text and scanning resumes
      // with the very next character.
      line[write++] = line[read++];
    }
  }
}

void ProcessFlag(const char* notification) {
  if (notification == nullptr) return;
  if (VerboseTraceOn()) WriteFlagsLine("ProcessFlag() - in", gState.serStatusFlags.load());
  // The value follows the prefix; a shorter text contributes what it has.
  const std::size_t length = strnlen(notification, kNotificationLength);
  const char* digits = notification + (length < static_cast<std::size_t>(kNotificationPrefixLength)
                                           ? length
                                           : static_cast<std::size_t>(kNotificationPrefixLength));
  char value[kNotificationLength + 1] = {};
  std::memcpy(value, digits, strnlen(digits, kNotificationLength - kNotificationPrefixLength));
  // Other ports fold into and clear the same word at the same time.
  const uint32_t bits = MapNotificationValue(ParseNotificationValue(value));
  const uint32_t after = gState.serStatusFlags.fetch_or(bits) | bits;
  TraceStatusWords("Status Flag change");
  if (VerboseTraceOn()) WriteFlagsLine("ProcessFlag() - out", after);
}

}  // namespace vek
