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

void IgnoreBrokenPipes() {}

bool IsTerminal(int fd) { return _isatty(fd) != 0; }

bool SetEnvironment(const char* name, const char* value) { return _putenv_s(name, value) == 0; }

const char* GetEnvironment(const char* name) { return std::getenv(name); }

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

// ---- For the motion core ----

void ComDevicePath(int port, char* path, size_t pathSize) { std::snprintf(path, pathSize, "\\\\.\\COM%d", port); }

int ResolveIPv4All(const char* host, char (*dotted)[16], int max, char* error, size_t errorSize) {
  if (!SocketsReady()) {
    SetError(error, errorSize, "WSAStartup");
    return 0;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int code = getaddrinfo(host, nullptr, &hints, &found);
  if (code != 0 || found == nullptr) {
    if (error != nullptr && errorSize > 0) std::snprintf(error, errorSize, "no IPv4 address (error %d)", code);
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

int HandleReadable(uint32_t value, bool serial, int timeoutMs) {
  if (!serial) {
    const SOCKET s = static_cast<SOCKET>(static_cast<intptr_t>(static_cast<int32_t>(value)));
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int n = select(0, &readable, nullptr, nullptr, &limit);
    return n < 0 ? -1 : n > 0 ? 1 : 0;
  }
  // A port cannot be waited on without overlapped I/O: its input queue is
  // looked at every millisecond instead.
  const HANDLE port = reinterpret_cast<HANDLE>(static_cast<intptr_t>(static_cast<int32_t>(value)));
  const int64_t end = MonotonicMicroseconds() + static_cast<int64_t>(timeoutMs) * 1000;
  for (;;) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port, &errors, &status)) return -1;
    if (status.cbInQue > 0) return 1;
    if (MonotonicMicroseconds() >= end) return 0;
    Sleep(1);
  }
}

ErrorSort DescribeError(int32_t code, char* text, size_t textSize) {
  char words[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(code), 0, words, sizeof words, nullptr);
  // The system's texts end in a line break.
  DWORD end = length;
  while (end > 0 && (words[end - 1] == '\r' || words[end - 1] == '\n' || words[end - 1] == '.')) --end;
  words[end] = '\0';
  if (end == 0) std::snprintf(words, sizeof words, "system error %d", static_cast<int>(code));
  std::snprintf(text, textSize, "%s", words);
  switch (code) {
    case WSAECONNREFUSED:
      return ErrorSort::kRefused;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
    case WSAEHOSTDOWN:
      return ErrorSort::kUnreachable;
    case WSAETIMEDOUT:
      return ErrorSort::kTimedOut;
    case ERROR_ACCESS_DENIED:
      return ErrorSort::kNoPermission;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ErrorSort::kNoDevice;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return ErrorSort::kBusy;
    default:
      return ErrorSort::kOther;
  }
}

namespace {

void (*gFirst)(int) = nullptr;
bool (*gEndNow)(int) = nullptr;
bool gChained = false;

// The console's events as the signal numbers of the C runtime.
BOOL WINAPI OnEndEvent(DWORD event) {
  int signalNumber = 0;
  if (event == CTRL_C_EVENT) signalNumber = 2;                                     // SIGINT
  if (event == CTRL_BREAK_EVENT) signalNumber = 21;                                // SIGBREAK
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT) signalNumber = 15;  // SIGTERM
  if (signalNumber == 0) return FALSE;
  if (gFirst != nullptr) gFirst(signalNumber);
  // The handlers registered before ours (the C runtime's, whose default ends
  // the process) run when this one returns FALSE: give a wait in progress a
  // second to stop its axes first.
  for (int i = 0; i < 100 && gEndNow != nullptr && !gEndNow(signalNumber); ++i) Sleep(10);
  return FALSE;
}

}  // namespace

bool ChainEndSignals(void (*first)(int signalNumber), bool (*endNow)(int signalNumber)) {
  gFirst = first;
  gEndNow = endNow;
  if (gChained) return true;
  gChained = SetConsoleCtrlHandler(OnEndEvent, TRUE) != 0;
  return gChained;
}

void EndAsSignal(int signalNumber) { ExitProcess(static_cast<UINT>(128 + signalNumber)); }

}  // namespace vek::host
