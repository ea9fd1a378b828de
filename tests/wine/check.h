// A small self-checking harness for the programs that run under Wine, where
// no test framework is at hand: each check prints its failure with the
// values it saw, and the program ends with "N passed, N failed".
#ifndef VEK_TESTS_WINE_CHECK_H
#define VEK_TESTS_WINE_CHECK_H

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace wt {

inline int gPassed = 0;
inline int gFailed = 0;

inline void Group(const char* name) { std::printf("-- %s\n", name); }

inline bool Check(bool ok, const char* what, int line) {
  if (ok) {
    ++gPassed;
  } else {
    ++gFailed;
    std::printf("FAIL line %d: %s\n", line, what);
  }
  return ok;
}

inline bool CheckEq(long long expected, long long actual, const char* what, int line) {
  if (expected == actual) return Check(true, what, line);
  std::printf("FAIL line %d: %s: expected %lld, got %lld\n", line, what, expected, actual);
  ++gFailed;
  return false;
}

// Control characters are shown escaped, so a stray ACK or CR is visible.
inline std::string Shown(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

inline bool CheckText(const std::string& expected, const std::string& actual, const char* what, int line) {
  if (expected == actual) return Check(true, what, line);
  std::printf("FAIL line %d: %s: expected \"%s\", got \"%s\"\n", line, what, Shown(expected).c_str(),
              Shown(actual).c_str());
  ++gFailed;
  return false;
}

// Milliseconds on the test's own reading of the performance counter (the
// tick count moves in steps of up to 16 ms, too coarse for lower bounds).
inline uint64_t NowMs() {
  LARGE_INTEGER f, now;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&now);
  return static_cast<uint64_t>(now.QuadPart / (f.QuadPart / 1000));
}

inline bool CheckBetween(uint64_t low, uint64_t high, uint64_t actual, const char* what, int line) {
  if (actual >= low && actual < high) return Check(true, what, line);
  std::printf("FAIL line %d: %s: %llu ms, expected at least %llu and under %llu\n", line, what,
              static_cast<unsigned long long>(actual), static_cast<unsigned long long>(low),
              static_cast<unsigned long long>(high));
  ++gFailed;
  return false;
}

inline int Finish() {
  std::printf("%d passed, %d failed\n", gPassed, gFailed);
  std::fflush(stdout);
  return gFailed == 0 ? 0 : 1;
}

}  // namespace wt

#define CHECK(cond) wt::Check((cond), #cond, __LINE__)
#define CHECK_EQ(expected, actual) \
  wt::CheckEq(static_cast<long long>(expected), static_cast<long long>(actual), #actual, __LINE__)
#define CHECK_TEXT(expected, actual) wt::CheckText((expected), (actual), #actual, __LINE__)
#define CHECK_MS(low, high, actual) wt::CheckBetween((low), (high), (actual), #actual, __LINE__)

#endif  // VEK_TESTS_WINE_CHECK_H
