// A diagnostic log in a fresh temporary file, for tests that check trace
// lines, and a stopwatch for timed checks. Starting the log switches the
// library's logger on with the given mask; the destructor stops the logger
// and removes the file.
#ifndef VEK_TESTS_SUPPORT_LOG_CAPTURE_H
#define VEK_TESTS_SUPPORT_LOG_CAPTURE_H

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vek::test {

// Every trace category, verbose included.
inline constexpr int32_t kAllTraces = 0xA70007;

// Wall-clock milliseconds spent in `f`.
template <typename F>
double MillisecondsOf(F&& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A new empty file under /tmp whose name no other process holds.
std::string NewTempPath();

class LogCapture {
 public:
  // Starts the logger on a new temporary file with `mask` (truncating mode
  // unless the mask holds the append bit). Check started() afterwards.
  explicit LogCapture(int32_t mask);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  bool started() const { return startResult_ == 0; }
  const std::string& path() const { return path_; }

  // The trace lines written after the start banner, with their
  // "hh:mm:ss.mmm - " timestamp removed.
  std::vector<std::string> Traces() const;
  // True when some trace line equals `line` exactly.
  bool HasTrace(const std::string& line) const;
  // Number of trace lines that contain `part`.
  int CountContaining(const std::string& part) const;
  // Forgets what was logged so far (the file is emptied).
  void Clear();

 private:
  std::string path_;
  uint32_t startResult_;
};

// The handle text the library prints for the address of a caller's
// variable: "0x" and upper-case hexadecimal digits.
std::string HandleText(const void* handle);

}  // namespace vek::test

#endif  // VEK_TESTS_SUPPORT_LOG_CAPTURE_H
