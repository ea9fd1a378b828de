// The performance counter, sleeps and local time.
#include <windows.h>

#include "platform/platform.h"

namespace vek::plat {

int64_t CounterFrequency() {
  LARGE_INTEGER f;
  if (!QueryPerformanceFrequency(&f)) return 0;
  return f.QuadPart;
}

int64_t CounterNow() {
  LARGE_INTEGER now;
  if (!QueryPerformanceCounter(&now)) return 0;
  return now.QuadPart;
}

void SleepMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }

void GetLocalTime(LocalTime* now) {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  now->year = st.wYear;
  now->month = st.wMonth;
  now->dayOfWeek = st.wDayOfWeek;
  now->day = st.wDay;
  now->hour = st.wHour;
  now->minute = st.wMinute;
  now->second = st.wSecond;
  now->millisecond = st.wMilliseconds;
}

}  // namespace vek::plat
