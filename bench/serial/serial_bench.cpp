// Serial transport figures over a real pty whose peer answers at once:
//   - VEKser_Query latency (p50, p99) beside a plain-termios baseline that
//     takes the same mandated steps (one drain read and a 5 ms pause, the
//     write, then one-byte reads with 5 ms pauses until the line feed), the
//     two interleaved call by call so that both see the same machine load;
//   - CPU time of the calling thread during a 1 s WaitOnSerial on a quiet
//     port, as a share of the wall time;
//   - heap allocations made by the calling thread per query and per wait.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "serial/serial.h"
#include "tests/support/pty_peer.h"
#include "vekkestra.h"

// ---- Allocation counting: every malloc-family call of the measuring thread.
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);

static __thread bool tCounting = false;
static __thread long tAllocations = 0;

extern "C" void* malloc(size_t n) {
  if (tCounting) ++tAllocations;
  return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t size) {
  if (tCounting) ++tAllocations;
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t n) {
  if (tCounting) ++tAllocations;
  return __libc_realloc(p, n);
}

namespace {

constexpr int kPort = 12;
constexpr int kCalls = 300;
constexpr char kCommand[] = "AXRP;";
constexpr char kAnswer[] = "1234\n";

double NowMs(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void PauseMs(int ms) {
  timespec ts{0, ms * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// The baseline: the least a reader can do under the same rules.
bool BaselineQuery(int fd, char* answer, size_t size) {
  char byte;
  if (read(fd, &byte, 1) != 1) PauseMs(5);
  size_t length = std::strlen(kCommand);
  if (write(fd, kCommand, length) != static_cast<ssize_t>(length)) return false;
  size_t count = 0;
  for (int empty = 0; empty < 20;) {
    ssize_t n = read(fd, &byte, 1);
    if (n == 1) {
      if (byte == '\n') {
        answer[count] = '\0';
        return true;
      }
      if (count + 1 < size) answer[count++] = byte;
      empty = 0;
    } else {
      ++empty;
      PauseMs(5);
    }
  }
  return false;
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  size_t index = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[index];
}

}  // namespace

int main() {
  vek::test::PtyPeer peer(kPort);
  if (!peer.ok()) {
    std::fprintf(stderr, "cannot open a pty\n");
    return 1;
  }
  peer.SetTerminator(';');
  peer.Reply(kCommand, kAnswer);

  // The counter must see an allocation made on purpose, or its zeros mean nothing.
  tCounting = true;
  void* probe = std::malloc(64);
  tCounting = false;
  std::free(probe);
  std::printf("allocation counter self-check: %ld (expect 1)\n", tAllocations);
  if (tAllocations != 1) return 1;
  tAllocations = 0;

  uint32_t handle = 0;
  if (VEKser_Initialize(kPort, 115200, &handle) != VEK_SUCCESS) {
    std::fprintf(stderr, "VEKser_Initialize failed: %u\n", VEKser_GetLastError());
    return 1;
  }
  int baseline = open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (baseline < 0) {
    std::fprintf(stderr, "cannot open %s\n", peer.slavePath().c_str());
    return 1;
  }

  std::vector<double> library;
  std::vector<double> plain;
  long queryAllocations = 0;
  int failures = 0;
  char answer[128];
  for (int i = 0; i < kCalls; ++i) {
    double start = NowMs(CLOCK_MONOTONIC);
    tCounting = true;
    uint32_t result = VEKser_Query(&handle, kCommand, answer, sizeof answer);
    tCounting = false;
    library.push_back(NowMs(CLOCK_MONOTONIC) - start);
    if (result != VEK_SUCCESS || std::strcmp(answer, "1234") != 0) ++failures;

    start = NowMs(CLOCK_MONOTONIC);
    bool ok = BaselineQuery(baseline, answer, sizeof answer);
    plain.push_back(NowMs(CLOCK_MONOTONIC) - start);
    if (!ok || std::strcmp(answer, "1234") != 0) ++failures;
  }
  queryAllocations = tAllocations;
  tAllocations = 0;

  std::printf("VEKser_Query over a pty, %d calls each, interleaved with the baseline\n", kCalls);
  std::printf("  library : p50 %.3f ms  p99 %.3f ms\n", Percentile(library, 0.5), Percentile(library, 0.99));
  std::printf("  baseline: p50 %.3f ms  p99 %.3f ms\n", Percentile(plain, 0.5), Percentile(plain, 0.99));
  std::printf("  ratio library/baseline at p50: %.3f (target <= 1.02)\n",
              Percentile(library, 0.5) / Percentile(plain, 0.5));
  std::printf("  failed exchanges: %d\n", failures);

  double wall = NowMs(CLOCK_MONOTONIC);
  double cpu = NowMs(CLOCK_THREAD_CPUTIME_ID);
  tCounting = true;
  uint32_t waited = vek::WaitOnSerial(&handle, 1, 1000, 0);
  tCounting = false;
  cpu = NowMs(CLOCK_THREAD_CPUTIME_ID) - cpu;
  wall = NowMs(CLOCK_MONOTONIC) - wall;
  long waitAllocations = tAllocations;
  std::printf("WaitOnSerial(1000) on a quiet port: result %u, wall %.1f ms, CPU %.2f ms = %.2f%% (target <= 2%%)\n",
              waited, wall, cpu, 100.0 * cpu / wall);
  std::printf("heap allocations: %.2f per query, %ld in the wait (target 0)\n",
              static_cast<double>(queryAllocations) / kCalls, waitAllocations);

  close(baseline);
  VEKser_Close(&handle);
  return failures == 0 ? 0 : 1;
}
