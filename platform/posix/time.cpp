// The monotonic clock, sleeps and local time.
#include <sys/time.h>

#include <cerrno>
#include <ctime>

#include "platform/platform.h"

namespace vek::plat {

int64_t CounterFrequency() { return 1000000000LL; }

int64_t CounterNow() {
  timespec ts;
  if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return 0;
  return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void SleepMilliseconds(uint32_t milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

void GetLocalTime(LocalTime* now) {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  time_t seconds = ts.tv_sec;
  tm parts;
  localtime_r(&seconds, &parts);
  now->year = parts.tm_year + 1900;
  now->month = parts.tm_mon + 1;
  now->dayOfWeek = parts.tm_wday;
  now->day = parts.tm_mday;
  now->hour = parts.tm_hour;
  now->minute = parts.tm_min;
  now->second = parts.tm_sec;
  now->millisecond = static_cast<int>(ts.tv_nsec / 1000000L);
}

}  // namespace vek::plat
