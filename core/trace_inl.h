// Template part of the trace writer (fixed-size FormatText).
#ifndef VEK_CORE_TRACE_INL_H
#define VEK_CORE_TRACE_INL_H

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vek {

template <std::size_t N>
inline char* FormatText(char (&buffer)[N], const char* format, ...) {
  std::memset(buffer, 0, N);
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, N, format, args);
  va_end(args);
  return buffer;
}

}  // namespace vek

#endif  // VEK_CORE_TRACE_INL_H
