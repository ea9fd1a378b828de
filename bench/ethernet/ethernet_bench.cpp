// Figures for the Ethernet transport against a controller on loopback that
// answers at once:
//   - p50/p99 latency of VEKnet_SendCommand and VEKnet_Query beside the floor
//     the exchange itself imposes (a 10 ms drain before every command, and a
//     10 ms follow-up read after an answer that came with the ACK), and beside
//     plain sockets doing the same steps in the same run;
//   - CPU used by a 1 s WaitOnEthernet on a quiet connection;
//   - heap allocations made by the library per call (counted by the malloc
//     interposed below).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "ethernet/ethernet.h"
#include "vekkestra.h"

// ---- Allocation counting ---------------------------------------------------

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);

namespace {
thread_local bool tCounting = false;
std::atomic<long> gAllocations{0};
void Count() {
  if (tCounting) gAllocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

extern "C" void* malloc(size_t size) {
  Count();
  return __libc_malloc(size);
}
extern "C" void* calloc(size_t n, size_t size) {
  Count();
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t size) {
  Count();
  return __libc_realloc(p, size);
}
void* operator new(size_t size) {
  void* p = malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }

namespace {

constexpr int kCalls = 200;
const char kCommand[] = "AXST;";
const char kQuery[] = "AXRP;";

// ---- A controller that answers every chunk at once -------------------------

class Controller {
 public:
  Controller() {
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listenFd_, 4);
    socklen_t len = sizeof addr;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    // One thread per connection: the library's and the plain baseline's.
    for (std::thread& t : threads_) t = std::thread([this] { Serve(); });
  }
  ~Controller() {
    shutdown(listenFd_, SHUT_RDWR);
    close(listenFd_);
    for (std::thread& t : threads_) t.join();
  }
  uint16_t port() const { return port_; }

 private:
  // Serves one client until it closes, then waits for the next; a query ("...RP;") gets ACK and its answer in
  // one chunk, anything else a bare ACK.
  void Serve() {
    for (;;) {
      int fd = accept(listenFd_, nullptr, nullptr);
      if (fd < 0) return;
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      char buffer[512];
      ssize_t n;
      while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
        bool query = n >= 3 && std::memcmp(buffer + n - 3, "RP;", 3) == 0;
        const char* reply = query ? "\x06"
                                    "1234"
                                  : "\x06";
        send(fd, reply, std::strlen(reply), MSG_NOSIGNAL);
      }
      close(fd);
    }
  }
  int listenFd_;
  uint16_t port_ = 0;
  std::thread threads_[2];
};

// ---- Plain sockets doing the exchange's mandated steps ---------------------

int PlainConnect(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  return fd;
}

// A select with the exchange's own time limits, in microseconds.
bool PlainRead(int fd, long timeoutUs, char* buffer) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(fd, &readable);
  timeval limit{timeoutUs / 1000000, timeoutUs % 1000000};
  if (select(fd + 1, &readable, nullptr, nullptr, &limit) <= 0) return false;
  return recv(fd, buffer, 256, 0) > 0;
}

void PlainExchange(int fd, const char* text, bool query) {
  char buffer[257];
  PlainRead(fd, vek::kDrainTimeoutUs, buffer);
  send(fd, text, std::strlen(text), MSG_NOSIGNAL);
  PlainRead(fd, vek::kReplyTimeoutUs, buffer);
  if (query) PlainRead(fd, vek::kDrainTimeoutUs, buffer);  // rest of the answer
}

// ---- Measuring -------------------------------------------------------------

double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

struct Figures {
  double p50;
  double p99;
};

template <typename F>
Figures Measure(F&& call) {
  std::vector<double> ms;
  ms.reserve(kCalls);
  call();  // warm-up
  for (int i = 0; i < kCalls; ++i) {
    double start = NowMs();
    call();
    ms.push_back(NowMs() - start);
  }
  std::sort(ms.begin(), ms.end());
  return Figures{ms[kCalls / 2], ms[(kCalls * 99) / 100]};
}

void PrintRow(const char* name, Figures f, const char* note) {
  std::printf("  %-22s p50 %8.3f ms   p99 %8.3f ms   %s\n", name, f.p50, f.p99, note);
}

double CpuSeconds() {
  rusage use;
  getrusage(RUSAGE_THREAD, &use);
  return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
         static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Controller controller;
  uint32_t sock = 0;
  if (VEKnet_Initialize("127.0.0.1", controller.port(), &sock) != VEK_SUCCESS) {
    std::printf("cannot connect to the loopback controller\n");
    return 1;
  }
  int plain = PlainConnect(controller.port());
  char answer[128];

  std::printf("Ethernet transport, %d calls each, loopback controller answering at once\n", kCalls);
  uint32_t failures = 0;
  Figures libCommand = Measure([&] { failures += VEKnet_SendCommand(&sock, kCommand) != VEK_SUCCESS; });
  Figures plainCommand = Measure([&] { PlainExchange(plain, kCommand, false); });
  Figures libQuery = Measure([&] { failures += VEKnet_Query(&sock, kQuery, answer, sizeof answer) != VEK_SUCCESS; });
  Figures plainQuery = Measure([&] { PlainExchange(plain, kQuery, true); });

  PrintRow("VEKnet_SendCommand", libCommand, "floor 10 ms (drain)");
  PrintRow("plain sockets, command", plainCommand, "same steps");
  std::printf("  ratio p50 library/baseline, command: %.3f (target <= 1.02)\n", libCommand.p50 / plainCommand.p50);
  PrintRow("VEKnet_Query", libQuery, "floor 20 ms (drain + follow-up read)");
  PrintRow("plain sockets, query", plainQuery, "same steps");
  std::printf("  ratio p50 library/baseline, query:   %.3f (target <= 1.02)\n", libQuery.p50 / plainQuery.p50);
  std::printf("  failed calls: %u\n", failures);

  // A wait that nothing completes: the CPU it costs on a quiet connection.
  double cpuStart = CpuSeconds();
  double wallStart = NowMs();
  uint32_t waitResult = vek::WaitOnEthernet(&sock, 0x1, 1000, 0);
  double wallMs = NowMs() - wallStart;
  double cpuMs = (CpuSeconds() - cpuStart) * 1000.0;
  std::printf(
      "WaitOnEthernet, 1 s on a quiet connection: result %u, wall %.1f ms, CPU %.2f ms = %.3f%% of wall "
      "(target <= 1%%)\n",
      waitResult, wallMs, cpuMs, 100.0 * cpuMs / wallMs);

  // Heap allocations inside the library's calls.
  gAllocations = 0;
  tCounting = true;
  for (int i = 0; i < kCalls; ++i) {
    VEKnet_SendCommand(&sock, kCommand);
    VEKnet_Query(&sock, kQuery, answer, sizeof answer);
  }
  vek::WaitOnEthernet(&sock, 0x1, 50, 0);
  tCounting = false;
  std::printf("heap allocations: %ld in %d commands, %d queries and one wait = %.3f per call (target 0)\n",
              gAllocations.load(), kCalls, kCalls, static_cast<double>(gAllocations.load()) / (2 * kCalls + 1));

  VEKnet_Close(&sock);
  close(plain);
  return 0;
}
