#include "tests/support/log_capture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "vekkestra.h"

namespace vek::test {

std::string NewTempPath() {
  char pattern[] = "/tmp/vek-log-XXXXXX";
  int fd = mkstemp(pattern);
  if (fd >= 0) close(fd);
  return pattern;
}

LogCapture::LogCapture(int32_t mask) : path_(NewTempPath()), startResult_(VEK_StartDllLogger(path_.c_str(), mask)) {}

LogCapture::~LogCapture() {
  VEK_StopDllLogger();
  std::remove(path_.c_str());
}

std::vector<std::string> LogCapture::Traces() const {
  static const std::regex stamped(R"(^\d\d:\d\d:\d\d\.\d\d\d - (.*)$)");
  std::vector<std::string> traces;
  std::ifstream in(path_, std::ios::binary);
  std::smatch m;
  for (std::string line; std::getline(in, line);)
    if (std::regex_match(line, m, stamped)) traces.push_back(m[1]);
  return traces;
}

bool LogCapture::HasTrace(const std::string& line) const {
  std::vector<std::string> traces = Traces();
  return std::find(traces.begin(), traces.end(), line) != traces.end();
}

int LogCapture::CountContaining(const std::string& part) const {
  int n = 0;
  for (const std::string& t : Traces())
    if (t.find(part) != std::string::npos) ++n;
  return n;
}

void LogCapture::Clear() { std::ofstream(path_, std::ios::trunc); }

std::string HandleText(const void* handle) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(handle)));
  return text;
}

}  // namespace vek::test
