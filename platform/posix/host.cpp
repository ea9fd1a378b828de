#include "platform/host.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/com_device.h"

extern char** environ;

namespace vek::host {

namespace {

volatile sig_atomic_t gStopRequested = 0;

void OnStopSignal(int) { gStopRequested = 1; }

void SetError(char* error, size_t size, const char* what) {
  if (error != nullptr && size > 0) std::snprintf(error, size, "%s: %s", what, std::strerror(errno));
}

void NoDelay(int fd) {
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

}  // namespace

int ListenTcp(const char* address, uint16_t port, uint16_t* boundPort, char* error, size_t errorSize) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  if (inet_pton(AF_INET, address, &addr.sin_addr) != 1) {
    if (error != nullptr && errorSize > 0) std::snprintf(error, errorSize, "not an IPv4 address: %s", address);
    return -1;
  }
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    SetError(error, errorSize, "socket");
    return -1;
  }
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 64) != 0) {
    SetError(error, errorSize, "bind/listen");
    close(fd);
    return -1;
  }
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  if (boundPort != nullptr) *boundPort = ntohs(addr.sin_port);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return fd;
}

int AcceptClient(int listener) {
  int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd >= 0) NoDelay(fd);
  return fd;
}

int ConnectTcp(const char* address, uint16_t port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  if (inet_pton(AF_INET, address, &addr.sin_addr) != 1) return -1;
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  NoDelay(fd);
  return fd;
}

int PollReadable(PollEntry* entries, size_t count, int timeoutMs) {
  std::vector<pollfd> fds(count);
  for (size_t i = 0; i < count; ++i) fds[i] = pollfd{entries[i].fd, POLLIN, 0};
  int n = poll(fds.data(), fds.size(), timeoutMs);
  for (size_t i = 0; i < count; ++i)
    entries[i].readable = n > 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
  if (n < 0 && errno == EINTR) return 0;
  return n;
}

long ReadSome(int fd, char* buffer, size_t capacity) {
  ssize_t n;
  do {
    n = read(fd, buffer, capacity);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

long WriteSome(int fd, const char* data, size_t length) {
  for (;;) {
    ssize_t n = send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    // The pty master is no socket; it was opened non-blocking instead.
    if (n < 0 && errno == ENOTSOCK) n = write(fd, data, length);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  }
}

void CloseDescriptor(int fd) {
  if (fd >= 0) close(fd);
}

bool OpenPty(int* master, int* slave, char* slavePath, size_t pathSize, char* error, size_t errorSize) {
  char name[256] = {0};
  if (openpty(master, slave, name, nullptr, nullptr) != 0) {
    SetError(error, errorSize, "openpty");
    return false;
  }
  termios raw{};
  tcgetattr(*slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(*slave, TCSANOW, &raw);
  fcntl(*master, F_SETFD, FD_CLOEXEC);
  fcntl(*slave, F_SETFD, FD_CLOEXEC);
  fcntl(*master, F_SETFL, fcntl(*master, F_GETFL) | O_NONBLOCK);
  std::snprintf(slavePath, pathSize, "%s", name);
  return true;
}

void InstallStopSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool StopRequested() { return gStopRequested != 0; }

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

bool IsTerminal(int fd) { return isatty(fd) == 1; }

bool SetEnvironment(const char* name, const char* value) { return setenv(name, value, 1) == 0; }

const char* GetEnvironment(const char* name) { return std::getenv(name); }

bool ProgramDirectory(char* path, size_t pathSize) {
  if (pathSize == 0) return false;
  const ssize_t length = readlink("/proc/self/exe", path, pathSize - 1);
  if (length <= 0) return false;
  path[length] = '\0';
  char* slash = std::strrchr(path, '/');
  if (slash == nullptr) return false;
  *slash = '\0';
  return true;
}

int RunProgram(const char* const* argv) {
  // posix_spawn, not fork: the simulator's thread may hold a lock that a
  // forked copy of this process would wait on for ever.
  pid_t child = -1;
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) return -1;
  return WEXITSTATUS(status);
}

// The system's own interpreter, the one its packages (matplotlib among them)
// are installed for, before whatever else is first on the search path.
const char* PythonCommand() { return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

bool PrependPath(const char* variable, const char* folder) {
  const char* old = std::getenv(variable);
  std::string value = folder;
  if (old != nullptr && old[0] != '\0') value += std::string(":") + old;
  return SetEnvironment(variable, value.c_str());
}

int64_t MonotonicMicroseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void SleepMilliseconds(int milliseconds) {
  timespec ts{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// ---- For the motion core ----

void ComDevicePath(int port, char* path, size_t pathSize) { vek::plat::ComDevicePathOf(port, path, pathSize); }

int ResolveIPv4All(const char* host, char (*dotted)[16], int max, char* error, size_t errorSize) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int code = getaddrinfo(host, nullptr, &hints, &found);
  if (code != 0 || found == nullptr) {
    if (error != nullptr && errorSize > 0)
      std::snprintf(error, errorSize, "%s", code == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(code));
    return 0;
  }
  int count = 0;
  for (const addrinfo* a = found; a != nullptr && count < max; a = a->ai_next) {
    const auto* address = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    char text[16] = {};
    if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) == nullptr) continue;
    bool seen = false;
    for (int i = 0; i < count; ++i) seen = seen || std::strcmp(dotted[i], text) == 0;
    if (!seen) std::memcpy(dotted[count++], text, sizeof text);
  }
  freeaddrinfo(found);
  if (count == 0 && error != nullptr && errorSize > 0) std::snprintf(error, errorSize, "no IPv4 address");
  return count;
}

int HandleReadable(uint32_t value, bool, int timeoutMs) {
  // Sockets and serial ports are both descriptors here.
  pollfd entry{static_cast<int>(value), POLLIN, 0};
  const int n = poll(&entry, 1, timeoutMs);
  if (n < 0) return errno == EINTR ? 0 : -1;
  if (n > 0 && (entry.revents & POLLNVAL) != 0) return -1;
  return n > 0 ? 1 : 0;
}

ErrorSort DescribeError(int32_t code, char* text, size_t textSize) {
  std::snprintf(text, textSize, "%s", std::strerror(code));
  switch (code) {
    case ECONNREFUSED:
      return ErrorSort::kRefused;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
      return ErrorSort::kUnreachable;
    case ETIMEDOUT:
      return ErrorSort::kTimedOut;
    case EACCES:
    case EPERM:
      return ErrorSort::kNoPermission;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
      return ErrorSort::kNoDevice;
    case EBUSY:
    case EWOULDBLOCK:
      return ErrorSort::kBusy;
    default:
      return ErrorSort::kOther;
  }
}

namespace {

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kEndSignalCount = 3;
// What was installed before, per signal, and the callbacks. Written before
// the handlers go in, read only by them.
struct sigaction gEarlier[kEndSignalCount];
void (*gFirst)(int) = nullptr;
bool (*gEndNow)(int) = nullptr;

int SlotOf(int signalNumber) {
  for (int i = 0; i < kEndSignalCount; ++i) {
    if (kEndSignals[i] == signalNumber) return i;
  }
  return -1;
}

void OnEndSignal(int signalNumber, siginfo_t* info, void* context) {
  const int saved = errno;
  if (gFirst != nullptr) gFirst(signalNumber);
  const int slot = SlotOf(signalNumber);
  if (slot >= 0) {
    const struct sigaction& earlier = gEarlier[slot];
    if ((earlier.sa_flags & SA_SIGINFO) != 0 && earlier.sa_sigaction != nullptr) {
      earlier.sa_sigaction(signalNumber, info, context);
    } else if (earlier.sa_handler == SIG_DFL) {
      if (gEndNow == nullptr || gEndNow(signalNumber)) EndAsSignal(signalNumber);
    } else if (earlier.sa_handler != SIG_IGN && earlier.sa_handler != nullptr) {
      earlier.sa_handler(signalNumber);
    }
  }
  errno = saved;
}

bool IsOurs(const struct sigaction& current) {
  return (current.sa_flags & SA_SIGINFO) != 0 && current.sa_sigaction == OnEndSignal;
}

}  // namespace

bool ChainEndSignals(void (*first)(int signalNumber), bool (*endNow)(int signalNumber)) {
  gFirst = first;
  gEndNow = endNow;
  for (int i = 0; i < kEndSignalCount; ++i) {
    struct sigaction current {};
    if (sigaction(kEndSignals[i], nullptr, &current) != 0) return false;
    // An ignored signal stays ignored: nohup and background jobs rely on it.
    if (IsOurs(current) || current.sa_handler == SIG_IGN) continue;
    gEarlier[i] = current;
    struct sigaction ours {};
    ours.sa_sigaction = OnEndSignal;
    ours.sa_flags = SA_SIGINFO | (current.sa_flags & SA_RESTART);
    sigemptyset(&ours.sa_mask);
    if (sigaction(kEndSignals[i], &ours, nullptr) != 0) return false;
  }
  return true;
}

void EndAsSignal(int signalNumber) {
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  sigaction(signalNumber, &standard, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signalNumber);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signalNumber);
  _exit(128 + signalNumber);
}

}  // namespace vek::host
