// The host services of the simulator and the command-line tool on Windows:
// Winsock for the TCP endpoints, the console for stop requests and terminal
// checks. Windows has no pseudo-terminals, so the serial endpoint of the
// simulator is not available here. Not part of the library.
#include "platform/host.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on
#include <io.h>
#include <process.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace vek::host {

namespace {

volatile LONG gStopRequested = 0;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    InterlockedExchange(&gStopRequested, 1);
    return TRUE;
  }
  return FALSE;
}

// Winsock is started once for the process, on first use.
bool SocketsReady() {
  static bool started = [] {
    WSADATA data;
    return WSAStartup(0x0202, &data) == 0;
  }();
  return started;
}

void SetError(char* error, size_t size, const char* what) {
  if (error != nullptr && size > 0) std::snprintf(error, size, "%s: Winsock error %d", what, WSAGetLastError());
}

void NoDelay(SOCKET s) {
  BOOL one = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

bool Address(const char* text, uint16_t port, sockaddr_in* addr) {
  *addr = sockaddr_in{};
  addr->sin_family = AF_INET;
  addr->sin_port = htons(port);
  addr->sin_addr.s_addr = inet_addr(text);
  // inet_addr's failure value is also the broadcast address, which no
  // endpoint here listens on or connects to.
  return addr->sin_addr.s_addr != INADDR_NONE;
}

// Socket handles are small kernel handles; they fit the interface's int.
int Descriptor(SOCKET s) { return s == INVALID_SOCKET ? -1 : static_cast<int>(s); }

}  // namespace

int ListenTcp(const char* address, uint16_t port, uint16_t* boundPort, char* error, size_t errorSize) {
  sockaddr_in addr;
  if (!Address(address, port, &addr)) {
    if (error != nullptr && errorSize > 0) std::snprintf(error, errorSize, "not an IPv4 address: %s", address);
    return -1;
  }
  if (!SocketsReady()) {
    SetError(error, errorSize, "WSAStartup");
    return -1;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    SetError(error, errorSize, "socket");
    return -1;
  }
  // Windows lets SO_REUSEADDR steal a port in use; exclusive use is what a
  // POSIX listener gets.
  BOOL one = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 64) != 0) {
    SetError(error, errorSize, "bind/listen");
    closesocket(s);
    return -1;
  }
  int len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  if (boundPort != nullptr) *boundPort = ntohs(addr.sin_port);
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  return Descriptor(s);
}

int AcceptClient(int listener) {
  SOCKET s = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return -1;
  // Accepted sockets inherit the listener's non-blocking mode, which the
  // simulator wants for its clients as well.
  NoDelay(s);
  return Descriptor(s);
}

int ConnectTcp(const char* address, uint16_t port) {
  sockaddr_in addr;
  if (!Address(address, port, &addr) || !SocketsReady()) return -1;
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return -1;
  if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    closesocket(s);
    return -1;
  }
  NoDelay(s);
  return Descriptor(s);
}

int PollReadable(PollEntry* entries, size_t count, int timeoutMs) {
  std::vector<WSAPOLLFD> fds(count);
  for (size_t i = 0; i < count; ++i) fds[i] = WSAPOLLFD{static_cast<SOCKET>(entries[i].fd), POLLRDNORM, 0};
  int n = count == 0 ? (Sleep(timeoutMs < 0 ? 0 : timeoutMs), 0)
                     : WSAPoll(fds.data(), static_cast<ULONG>(count), timeoutMs);
  for (size_t i = 0; i < count; ++i) {
    entries[i].readable = n > 0 && (fds[i].revents & (POLLRDNORM | POLLHUP | POLLERR)) != 0;
  }
  return n < 0 ? -1 : n;
}

long ReadSome(int fd, char* buffer, size_t capacity) {
  int n = recv(static_cast<SOCKET>(fd), buffer, static_cast<int>(capacity > 0x7FFFFFFF ? 0x7FFFFFFF : capacity), 0);
  return n == SOCKET_ERROR ? -1 : n;
}

long WriteSome(int fd, const char* data, size_t length) {
  int chunk = static_cast<int>(length > 0x10000 ? 0x10000 : length);
  int n = send(static_cast<SOCKET>(fd), data, chunk, 0);
  if (n != SOCKET_ERROR) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

void CloseDescriptor(int fd) {
  if (fd >= 0) closesocket(static_cast<SOCKET>(fd));
}

bool OpenPty(int* master, int* slave, char*, size_t, char* error, size_t errorSize) {
  *master = -1;
  *slave = -1;
  if (error != nullptr && errorSize > 0) std::snprintf(error, errorSize, "no pseudo-terminals on Windows");
  return false;
}

void InstallStopSignals() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool StopRequested() { return InterlockedCompareExchange(&gStopRequested, 0, 0) != 0; }

bool IsTerminal(int fd) { return _isatty(fd) != 0; }

bool SetEnvironment(const char* name, const char* value) { return _putenv_s(name, value) == 0; }

const char* GetEnvironment(const char* name) { return std::getenv(name); }

bool ResolveIPv4(const char* host, char* dotted, size_t dottedSize, char* error, size_t errorSize) {
  if (!SocketsReady()) {
    SetError(error, errorSize, "WSAStartup");
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int code = getaddrinfo(host, nullptr, &hints, &found);
  if (code != 0 || found == nullptr) {
    if (error != nullptr && errorSize > 0) std::snprintf(error, errorSize, "no IPv4 address (error %d)", code);
    return false;
  }
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const bool ok = inet_ntop(AF_INET, &address->sin_addr, dotted, dottedSize) != nullptr;
  freeaddrinfo(found);
  if (!ok && error != nullptr && errorSize > 0) std::snprintf(error, errorSize, "address does not fit");
  return ok;
}

bool ProgramDirectory(char* path, size_t pathSize) {
  const DWORD length = GetModuleFileNameA(nullptr, path, static_cast<DWORD>(pathSize));
  if (length == 0 || length >= pathSize) return false;
  char* slash = std::strrchr(path, '\\');
  if (slash == nullptr) return false;
  *slash = '\0';
  return true;
}

int RunProgram(const char* const* argv) {
  // The C runtime joins the arguments into one command line without quoting
  // them, so an argument with spaces is quoted here.
  std::vector<std::string> quoted;
  for (const char* const* arg = argv; *arg != nullptr; ++arg) {
    const bool spaces = std::strpbrk(*arg, " \t") != nullptr;
    quoted.push_back(spaces ? "\"" + std::string(*arg) + "\"" : std::string(*arg));
  }
  std::vector<const char*> list;
  for (const std::string& arg : quoted) list.push_back(arg.c_str());
  list.push_back(nullptr);
  const intptr_t status = _spawnvp(_P_WAIT, argv[0], list.data());
  return status < 0 ? -1 : static_cast<int>(status);
}

const char* PythonCommand() { return "python"; }

bool PrependPath(const char* variable, const char* folder) {
  const char* old = std::getenv(variable);
  std::string value = folder;
  if (old != nullptr && old[0] != '\0') value += std::string(";") + old;
  return SetEnvironment(variable, value.c_str());
}

int64_t MonotonicMicroseconds() {
  LARGE_INTEGER f, now;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&now);
  return static_cast<int64_t>(now.QuadPart / f.QuadPart * 1000000 + now.QuadPart % f.QuadPart * 1000000 / f.QuadPart);
}

void SleepMilliseconds(int milliseconds) { Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds)); }

}  // namespace vek::host
