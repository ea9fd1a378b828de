// POSIX terminals standing in for the COM-port calls the serial transport is
// written against. A port handle is the descriptor number, kept in the
// application's 32-bit variable; 0 and kInvalidSerialHandle never reach the
// system. The last error is errno, kept per thread like the system's own.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/platform.h"
#include "platform/posix/com_device.h"

namespace vek::plat {
namespace {

static_assert(sizeof(termios) <= sizeof(SerialSettings::native), "termios must fit the settings block");

// What a port was set to beyond the terminal's own settings: the write time
// limits and whether received NUL bytes are dropped (termios has no flag for
// that). A port not in the table uses the limits the transport always sets
// (1000 ms plus 4 ms per byte) and keeps its NUL bytes. Ports open and close
// on any thread, so slots are claimed and freed with atomics.
struct PortState {
  std::atomic<int> fdPlusOne;  // 0: free slot
  std::atomic<uint32_t> constantMs;
  std::atomic<uint32_t> perByteMs;
  std::atomic<bool> discardNul;
};
constexpr int kMaxPorts = 64;
PortState gPorts[kMaxPorts];  // static storage: all free at load

constexpr uint32_t kDefaultWriteConstantMs = 1000;
constexpr uint32_t kDefaultWritePerByteMs = 4;
// The most NUL bytes one read drops before it reports that nothing came: a
// line that sends nothing else then reads as silence instead of holding the
// caller for as long as it lasts.
constexpr int kMaxDroppedNul = 256;

PortState* FindPort(int fd) {
  for (PortState& p : gPorts)
    if (p.fdPlusOne.load() == fd + 1) return &p;
  return nullptr;
}

// The port's slot with the defaults of a freshly opened port, or null when
// the table is full.
PortState* ClaimPort(int fd) {
  PortState* port = FindPort(fd);
  for (int i = 0; port == nullptr && i < kMaxPorts; ++i) {
    int expected = 0;
    if (gPorts[i].fdPlusOne.compare_exchange_strong(expected, fd + 1)) port = &gPorts[i];
  }
  if (port == nullptr) return nullptr;
  port->constantMs.store(kDefaultWriteConstantMs);
  port->perByteMs.store(kDefaultWritePerByteMs);
  port->discardNul.store(false);
  return port;
}

bool Fail(int error) {
  errno = error;
  return false;
}

// The descriptor behind a handle value, or -1 (with EBADF kept) for the
// values an application's variable holds when no port is open.
int DescriptorOf(uint32_t handle) {
  if (handle == 0 || handle == kInvalidSerialHandle || handle > static_cast<uint32_t>(INT_MAX)) {
    Fail(EBADF);
    return -1;
  }
  return static_cast<int>(handle);
}

speed_t SpeedOf(uint32_t baudRate) {
  switch (baudRate) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return B0;
  }
}

uint32_t BaudOf(speed_t speed) {
  switch (speed) {
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    default:
      return 0;
  }
}

long long NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

uint32_t SerialOpen(int32_t port) {
  char path[64] = {};
  if (!ComDevicePathOf(port, path, sizeof path)) {
    Fail(ENAMETOOLONG);
    return kInvalidSerialHandle;
  }

  int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Fail(errno);
    return kInvalidSerialHandle;
  }
  if (fd <= 2) {
    // A stored 0, 1 or 2 would later read or close a standard stream.
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    int error = errno;
    close(fd);
    if (moved < 0) {
      Fail(error);
      return kInvalidSerialHandle;
    }
    fd = moved;
  }
  // The port is held exclusively, as an unshared open is on other systems;
  // the lock goes with the descriptor and falls when it is closed.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = (errno == EWOULDBLOCK) ? EBUSY : errno;
    close(fd);
    Fail(error);
    return kInvalidSerialHandle;
  }
  // A full table is reported by the steps that need a slot.
  (void)ClaimPort(fd);
  return static_cast<uint32_t>(fd);
}

bool SerialSetQueueSizes(uint32_t handle, uint32_t inBytes, uint32_t outBytes) {
  // The terminal driver sizes its own queues; only the handle is checked.
  (void)inBytes;
  (void)outBytes;
  int fd = DescriptorOf(handle);
  if (fd < 0) return false;
  if (fcntl(fd, F_GETFD) < 0) return Fail(errno);
  return true;
}

bool SerialGetSettings(uint32_t handle, SerialSettings* settings) {
  int fd = DescriptorOf(handle);
  if (fd < 0) return false;
  if (settings == nullptr) return Fail(EINVAL);
  termios t{};
  if (tcgetattr(fd, &t) != 0) return Fail(errno);
  std::memset(settings, 0, sizeof *settings);
  std::memcpy(settings->native, &t, sizeof t);
  settings->baudRate = BaudOf(cfgetospeed(&t));
  settings->byteSize = (t.c_cflag & CSIZE) == CS8   ? 8
                       : (t.c_cflag & CSIZE) == CS7 ? 7
                       : (t.c_cflag & CSIZE) == CS6 ? 6
                                                    : 5;
  settings->parity = (t.c_cflag & PARENB) ? ((t.c_cflag & PARODD) ? 1 : 2) : 0;
  settings->stopBits = (t.c_cflag & CSTOPB) ? 2 : 0;
  settings->binary = (t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP)) == 0;
  settings->ctsOutputFlow = (t.c_cflag & CRTSCTS) != 0;
  settings->dtrHandshake = false;
  const PortState* port = FindPort(fd);
  settings->discardNul = port != nullptr && port->discardNul.load();
  return true;
}

bool SerialSetSettings(uint32_t handle, const SerialSettings* settings) {
  int fd = DescriptorOf(handle);
  if (fd < 0) return false;
  if (settings == nullptr) return Fail(EINVAL);
  speed_t speed = SpeedOf(settings->baudRate);
  if (speed == B0) return Fail(EINVAL);

  termios t{};
  std::memcpy(&t, settings->native, sizeof t);
  // Raw bytes both ways: no echo, no line editing, no CR/LF translation, no
  // signals, NUL and every other byte delivered as received.
  cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  switch (settings->byteSize) {
    case 5:
      t.c_cflag |= CS5;
      break;
    case 6:
      t.c_cflag |= CS6;
      break;
    case 7:
      t.c_cflag |= CS7;
      break;
    default:
      t.c_cflag |= CS8;
      break;
  }
  if (settings->parity == 1) t.c_cflag |= PARENB | PARODD;
  if (settings->parity == 2) t.c_cflag |= PARENB;
  if (settings->stopBits == 2) t.c_cflag |= CSTOPB;
  if (settings->ctsOutputFlow) t.c_cflag |= CRTSCTS;
  t.c_cflag |= CREAD | CLOCAL;
  // A read returns whatever has arrived: with the descriptor non-blocking and
  // VMIN 1 an empty queue reports EAGAIN, and 0 is left to mean a hang-up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  // TCSANOW: bytes that arrived before the port was configured stay for the
  // first drain, which folds their notifications.
  if (tcsetattr(fd, TCSANOW, &t) != 0) return Fail(errno);
  // NUL bytes are dropped by SerialReadByte, as the port keeps no such flag.
  PortState* port = FindPort(fd);
  if (port == nullptr && settings->discardNul) port = ClaimPort(fd);
  if (port == nullptr && settings->discardNul) return Fail(EMFILE);
  if (port != nullptr) port->discardNul.store(settings->discardNul);
  if (settings->dtrHandshake) {
    // Raise DTR so the controller may send; there is no DTR-driven input
    // handshake here, RTS under CRTSCTS stands in for it. Devices without
    // modem lines (a pseudo-terminal) refuse the call, which is not a fault.
    int bits = TIOCM_DTR;
    (void)ioctl(fd, TIOCMBIS, &bits);
  }
  return true;
}

bool SerialSetTimeouts(uint32_t handle, const SerialTimeouts* timeouts) {
  int fd = DescriptorOf(handle);
  if (fd < 0) return false;
  if (timeouts == nullptr) return Fail(EINVAL);
  // Only the "return at once with what has arrived" read policy is offered.
  if (timeouts->readIntervalMs != 0xFFFFFFFFu || timeouts->readTotalMultiplierMs != 0 ||
      timeouts->readTotalConstantMs != 0)
    return Fail(EINVAL);
  termios t{};
  if (tcgetattr(fd, &t) != 0) return Fail(errno);
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return Fail(errno);
  PortState* port = FindPort(fd);
  if (port == nullptr) port = ClaimPort(fd);
  if (port == nullptr) return Fail(EMFILE);
  port->constantMs.store(timeouts->writeTotalConstantMs);
  port->perByteMs.store(timeouts->writeTotalMultiplierMs);
  return true;
}

int SerialReadByte(uint32_t handle, char* byte) {
  int fd = DescriptorOf(handle);
  if (fd < 0) return -1;
  const PortState* port = FindPort(fd);
  const bool dropNul = port != nullptr && port->discardNul.load();
  int dropped = 0;
  for (;;) {
    ssize_t n = read(fd, byte, 1);
    if (n == 1 && dropNul && *byte == '\0') {
      if (++dropped >= kMaxDroppedNul) return 0;
      continue;
    }
    if (n == 1) return 1;
    if (n == 0) {
      // A terminal that reports end of input has been hung up.
      Fail(EIO);
      return -1;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    Fail(errno);
    return -1;
  }
}

bool SerialWrite(uint32_t handle, const char* data, uint32_t length, uint32_t* written) {
  if (written != nullptr) *written = 0;
  int fd = DescriptorOf(handle);
  if (fd < 0) return false;
  if (data == nullptr && length > 0) return Fail(EINVAL);
  const PortState* port = FindPort(fd);
  const uint32_t constantMs = port != nullptr ? port->constantMs.load() : kDefaultWriteConstantMs;
  const uint32_t perByteMs = port != nullptr ? port->perByteMs.load() : kDefaultWritePerByteMs;
  long long limitMs = constantMs + static_cast<long long>(perByteMs) * length;
  long long deadline = NowMs() + limitMs;
  uint32_t done = 0;
  while (done < length) {
    ssize_t n = write(fd, data + done, length - done);
    if (n > 0) {
      done += static_cast<uint32_t>(n);
      if (written != nullptr) *written = done;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Fail(errno);
    long long left = deadline - NowMs();
    if (left <= 0) return Fail(ETIMEDOUT);
    pollfd p = {fd, POLLOUT, 0};
    int ready = poll(&p, 1, static_cast<int>(left > INT_MAX ? INT_MAX : left));
    if (ready < 0 && errno != EINTR) return Fail(errno);
    if (ready > 0 && (p.revents & (POLLERR | POLLNVAL))) return Fail(EIO);
  }
  return true;
}

bool SerialClose(uint32_t handle) {
  int fd = DescriptorOf(handle);
  if (fd < 0) return false;
  PortState* port = FindPort(fd);
  if (port != nullptr) port->fdPlusOne.store(0);
  if (close(fd) != 0) return Fail(errno);
  return true;
}

uint32_t SerialLastError() { return static_cast<uint32_t>(errno); }

uint32_t SerialTooManyError() { return EMFILE; }

}  // namespace vek::plat
