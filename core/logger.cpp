// Logger control and the small utilities: start, mark and stop the diagnostic
// log, the version text and a pause.
#include <cstdio>
#include <cstring>

#include "core/state.h"
#include "core/trace.h"
#include "platform/platform.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr const char* kDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[13] = {"Filler", "January", "February",  "March",   "April",    "May",     "June",
                                         "July",   "August",  "September", "October", "November", "December"};

// Length of a text, looking at no more than `limit` + 1 characters.
std::size_t BoundedLength(const char* text, std::size_t limit) {
  std::size_t n = 0;
  while (n <= limit && text[n] != '\0') ++n;
  return n;
}

void LoggerOff() {
  gState.traceMask = 0;
  std::memset(gState.logPath, 0, sizeof gState.logPath);
}

// "h:m:s.ms  Day year-Month-day" with no leading zeros, as both banners show it.
void WriteBannerTime(std::FILE* file, const char* head, const char* tail) {
  plat::LocalTime now;
  plat::GetLocalTime(&now);
  const char* day = (now.dayOfWeek >= 0 && now.dayOfWeek < 7) ? kDayNames[now.dayOfWeek] : "";
  const char* month = (now.month >= 1 && now.month <= 12) ? kMonthNames[now.month] : "";
  std::fprintf(file, "%s%d:%d:%d.%d  %s %d-%s-%d%s", head, now.hour, now.minute, now.second, now.millisecond, day,
               now.year, month, now.day, tail);
}

}  // namespace
}  // namespace vek

using namespace vek;

extern "C" {

VEK_API uint32_t VEK_CALL VEK_StartDllLogger(const char* path, int32_t mask) {
  if (path == nullptr || mask == 0) return VEK_ERROR_INVALID_PARAMETER;
  std::size_t length = BoundedLength(path, kLogPathSize - 1);
  if (length == 0 || length > kLogPathSize - 1) return VEK_ERROR_INVALID_PARAMETER;

  LoggerOff();
  // A mask above 16 must switch on the whole verbose group or nothing of it.
  if (mask > kTraceAppendBit && (mask & kTraceVerboseBits) != kTraceVerboseBits) return VEK_ERROR_INVALID_PARAMETER;

  std::FILE* file = std::fopen(path, (mask & kTraceAppendBit) ? "a+" : "w");
  if (file == nullptr) {
    LoggerOff();
    return VEK_ERROR_LOG_FILE;
  }
  // The path first: a trace that sees the mask finds the path in place.
  std::memcpy(gState.logPath, path, length);
  gState.traceMask = mask;

  std::fprintf(file, "<*> VekKestra DLL Logger <*>\n");
  std::fprintf(file, "Dll version: %s\n", kVersionText);
  WriteBannerTime(file, "Logger Start: ", "\n\n");
  return std::fclose(file) == 0 ? VEK_SUCCESS : VEK_ERROR_LOG_FILE;
}

VEK_API uint32_t VEK_CALL VEK_StopDllLogger(void) {
  if (gState.logPath[0] == '\0') return VEK_ERROR_LOG_FILE;
  std::FILE* file = std::fopen(gState.logPath, "a+");
  if (file == nullptr) return VEK_ERROR_LOG_FILE;
  WriteBannerTime(file, "\nLogger Stop: ", "\n");
  int closed = std::fclose(file);
  LoggerOff();
  return closed == 0 ? VEK_SUCCESS : VEK_ERROR_LOG_FILE;
}

VEK_API uint32_t VEK_CALL VEK_DllLoggerLineMarker(const char* text) {
  if (text == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (gState.logPath[0] == '\0') return VEK_ERROR_LOG_FILE;
  std::FILE* file = std::fopen(gState.logPath, "a+");
  if (file == nullptr) return VEK_ERROR_LOG_FILE;
  if (BoundedLength(text, 256) > 256) {
    std::fclose(file);
    return VEK_ERROR_INVALID_PARAMETER;
  }
  std::fprintf(file, "%s\n", text);
  std::fclose(file);
  return VEK_SUCCESS;
}

VEK_API char* VEK_CALL VEK_GetDLLVersion(char* buffer, uint32_t size) {
  TraceEntry(nullptr, "VEK_GetDLLVersion()");
  // A null buffer or a size of 0 leaves nothing to write into.
  if (buffer == nullptr || size == 0) return buffer;
  // strncpy semantics over size - 1 bytes: the text, then zero bytes; the
  // last byte of the buffer is never written.
  std::strncpy(buffer, kVersionText, size - 1);
  return buffer;
}

VEK_API void VEK_CALL VEK_Pause(int32_t milliseconds) {
  if (milliseconds > 0) plat::SleepMilliseconds(static_cast<uint32_t>(milliseconds));
}

}  // extern "C"
