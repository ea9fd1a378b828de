#include "tests/cpp/veksim_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/host.h"

namespace vek::scenarios {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Past veksim's longest reply delay in the table (--latency 2700).
constexpr milliseconds kReplyLimit{5000};
constexpr milliseconds kStartLimit{5000};
constexpr milliseconds kStopLimit{3000};
// A notification on the Ethernet link: "%000 ", eight hex digits, two more characters.
constexpr size_t kNotificationSize = 15;
constexpr char kAck = '\x06';
constexpr char kNak = '\x15';

int MsLeft(Clock::time_point until) {
  const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The reply without its notifications; false while one is still cut short.
bool Strip(const std::string& reply, std::string* out) {
  out->clear();
  for (size_t i = 0; i < reply.size(); ++i) {
    if (reply[i] != '%') {
      *out += reply[i];
      continue;
    }
    if (reply.size() - i < kNotificationSize) return false;
    i += kNotificationSize - 1;
  }
  return true;
}

int Fields(const std::string& answer) {
  if (answer.empty()) return 0;
  int fields = 1;
  for (char c : answer) fields += c == ',' ? 1 : 0;
  return fields;
}

bool ParseNumber(const std::string& text, int32_t* value) {
  char* end = nullptr;
  const long long n = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < INT32_MIN || n > INT32_MAX) return false;
  *value = static_cast<int32_t>(n);
  return true;
}

}  // namespace

bool Veksim::Start(const std::string& program, std::vector<std::string> flags, int comPort, const std::string& logPath,
                   std::string* error) {
  flags.insert(flags.begin(), program);
  flags.push_back("--log");
  if (comPort > 0) {
    flags.push_back("--pty");
    flags.push_back("--publish-com");
    flags.push_back(std::to_string(comPort));
  }
  std::vector<char*> argv;
  for (std::string& flag : flags) argv.push_back(flag.data());
  argv.push_back(nullptr);

  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_ = log < 0 ? -1 : fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls between fork and exec. A harness that dies
    // takes its simulator with it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    dup2(pipeEnds[1], STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  const int failure = errno;
  if (log >= 0) close(log);
  close(pipeEnds[1]);
  output_ = pipeEnds[0];
  if (pid_ < 0) {
    *error = "cannot start " + program + " (log " + logPath + "): " + std::strerror(failure);
    return false;
  }

  // "veksim: listening on 127.0.0.1:PORT" and "VEKKESTRA_COM<n>=PATH".
  const std::string published = "VEKKESTRA_COM" + std::to_string(comPort) + "=";
  const std::string listening = "veksim: listening on 127.0.0.1:";
  const Clock::time_point until = Clock::now() + kStartLimit;
  std::string printed;
  while (port_ == 0 || (comPort > 0 && ptyPath_.empty())) {
    host::PollEntry entry{output_, false};
    char chunk[256];
    long n = 0;
    if (host::PollReadable(&entry, 1, MsLeft(until)) <= 0 || (n = host::ReadSome(output_, chunk, sizeof chunk)) <= 0) {
      *error = "veksim printed no port and pty in time; it printed \"" + printed + "\" (its log: " + logPath + ")";
      return false;
    }
    printed.append(chunk, static_cast<size_t>(n));
    size_t end;
    while ((end = printed.find('\n')) != std::string::npos) {
      const std::string line = printed.substr(0, end);
      printed.erase(0, end + 1);
      if (line.rfind(listening, 0) == 0) port_ = static_cast<uint16_t>(std::atoi(line.c_str() + listening.size()));
      if (comPort > 0 && line.rfind(published, 0) == 0) ptyPath_ = line.substr(published.size());
    }
  }
  return true;
}

void Veksim::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    const Clock::time_point until = Clock::now() + kStopLimit;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() >= until) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(milliseconds(5));
    }
    pid_ = -1;
  }
  if (output_ >= 0) close(output_);
  output_ = -1;
}

std::optional<std::string> Veksim::Exchange(const std::string& text, int fields, std::string* error) const {
  const int fd = host::ConnectTcp("127.0.0.1", port_);
  if (fd < 0) {
    *error = "cannot connect to veksim on port " + std::to_string(port_);
    return std::nullopt;
  }
  const Clock::time_point until = Clock::now() + kReplyLimit;
  size_t sent = 0;
  while (sent < text.size() && Clock::now() < until) {
    const long n = host::WriteSome(fd, text.data() + sent, text.size() - sent);
    if (n < 0) break;
    sent += static_cast<size_t>(n);
  }
  std::string reply, clean;
  std::optional<std::string> answer;
  *error = "no reply to \"" + text + "\" within 5 s";
  while (sent == text.size()) {
    host::PollEntry entry{fd, false};
    char chunk[512];
    long n = 0;
    if (host::PollReadable(&entry, 1, MsLeft(until)) <= 0 || (n = host::ReadSome(fd, chunk, sizeof chunk)) <= 0) break;
    reply.append(chunk, static_cast<size_t>(n));
    if (!Strip(reply, &clean) || clean.empty()) continue;
    if (clean[0] != kAck) {
      *error = std::string(clean[0] == kNak ? "NAK" : "garbage") + " for \"" + text + "\": \"" + reply + "\"";
      break;
    }
    if (Fields(clean.substr(1)) >= fields) {
      answer = clean.substr(1);
      break;
    }
  }
  host::CloseDescriptor(fd);
  return answer;
}

std::optional<Reading> Veksim::Read(std::string* error) const {
  const std::optional<std::string> answer = Exchange("AAEA;AARP", 2 * kAxisCount, error);
  if (!answer) return std::nullopt;
  // Ten five-letter statuses, the last letter P while the axis moves, then ten motor positions.
  Reading r;
  std::vector<std::string> fields(1);
  for (char c : *answer) {
    if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back().push_back(c);
    }
  }
  bool parsed = fields.size() == 2 * kAxisCount;
  for (int i = 0; parsed && i < kAxisCount; ++i) {
    parsed = fields[i].size() == 5 && ParseNumber(fields[kAxisCount + i], &r.motor[i]);
    r.moving[i] = parsed && fields[i][4] == 'P';
  }
  if (!parsed) {
    *error = "unreadable answer to AAEA;AARP: \"" + *answer + "\"";
    return std::nullopt;
  }
  return r;
}

}  // namespace vek::scenarios
