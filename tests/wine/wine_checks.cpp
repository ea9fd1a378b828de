// Drives the library through the Win32 platform layer, as an application
// would, against two Linux simulators: one plain, one that answers nothing
// and closes a TCP connection at its second command. Both are reached over
// TCP on loopback and over COM ports that Wine maps to their pseudo-terminals.
// Where only the system can tell (the port settings, handles that must never
// reach it), the checks ask Windows directly. Ends with "N passed, N failed".
//
//   wine_checks.exe <tcp port> <COM port> <faulty tcp port> <faulty COM port>
//                   <COM port that does not exist> <COM port mapped to a file>
//
// Wine keeps no sharing rules for character devices, so the exclusive open is
// checked on a COM port mapped to a plain file, which opens but cannot be
// configured.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "vekkestra.h"

namespace {

int gPassed = 0;
int gFailed = 0;
int gArg[6];  // the command line's ports, in its order

bool Check(bool ok, int line, const char* what, const std::string& detail = std::string()) {
  ok ? ++gPassed : ++gFailed;
  if (!ok) std::printf("FAIL line %d: %s%s\n", line, what, detail.c_str());
  return ok;
}

// The test's own reading of the performance counter: the tick count moves
// in steps of up to 16 ms, too coarse for lower bounds.
uint64_t NowMs() {
  LARGE_INTEGER f, now;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&now);
  return static_cast<uint64_t>(now.QuadPart / (f.QuadPart / 1000));
}

#define CHECK(cond) Check((cond), __LINE__, #cond)
#define CHECK_EQ(expected, actual)                                                                             \
  [&](long long e, long long a) {                                                                              \
    return Check(e == a, __LINE__, #actual, ": expected " + std::to_string(e) + ", got " + std::to_string(a)); \
  }((expected), (actual))
#define CHECK_TEXT(expected, actual)                                                        \
  [&](const std::string& e, const std::string& a) {                                         \
    return Check(e == a, __LINE__, #actual, ": expected \"" + e + "\", got \"" + a + "\""); \
  }((expected), (actual))
// Elapsed milliseconds since `start`: at least `low`, well under `high`.
#define CHECK_MS(low, high, start)                                             \
  [&](long long ms) {                                                          \
    return Check(ms >= (low) && ms < (high), __LINE__, "elapsed ms",           \
                 ": " + std::to_string(ms) + " not in [" #low ", " #high ")"); \
  }(static_cast<long long>(NowMs() - (start)))

std::string Query(bool serial, uint32_t* handle, const char* command, uint32_t* result) {
  char answer[128] = {};
  *result = serial ? VEKser_Query(handle, command, answer, sizeof answer)
                   : VEKnet_Query(handle, command, answer, sizeof answer);
  answer[sizeof answer - 1] = '\0';
  return answer;
}

void Tcp() {
  std::printf("-- TCP: exchange, the select time-outs, the wait, a closing controller\n");
  uint32_t sock = 0, r = 0;
  if (!CHECK_EQ(VEK_SUCCESS, VEKnet_Initialize("127.0.0.1", static_cast<uint16_t>(gArg[0]), &sock))) return;
  CHECK(sock != 0 && sock != 0xFFFFFFFFu);
  uint64_t t0 = NowMs();
  CHECK_EQ(0, vek::plat::SocketWaitReadable(sock, 10000));  // nothing pending: the 10 ms poll runs out
  CHECK_MS(8, 1000, t0);

  // The motion wait reads in 10 ms polls until the done notification is
  // folded in, timed by the performance counter.
  CHECK_EQ(VEK_SUCCESS, VEKnet_ClearMultiAxisDoneFlags(&sock, VEK_ALL_AXES));
  t0 = NowMs();
  CHECK_EQ(VEK_SUCCESS, VEKnet_MoveAxis(&sock, VEK_AXIS_Y, 0, 1000, 0, 5000));
  CHECK_MS(150, 4000, t0);
  t0 = NowMs();
  CHECK_EQ(VEK_ERROR_WAIT_TIMEOUT, VEKnet_MoveAxis(&sock, VEK_AXIS_T, 0, 900000, 0, 300));
  CHECK_MS(290, 2300, t0);
  // An answer behind the ACK: the drain and the follow-up read, 10 ms each.
  t0 = NowMs();
  CHECK_TEXT("1000", Query(false, &sock, "AYRP;", &r));
  CHECK_EQ(VEK_SUCCESS, r);
  CHECK_MS(15, 2000, t0);
  // A bare ACK where an answer was due: 2.5 s.
  t0 = NowMs();
  CHECK_TEXT("", Query(false, &sock, "AYMA0;", &r));
  CHECK_EQ(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT, r);
  CHECK_MS(2400, 6000, t0);
  VEKnet_Close(&sock);

  // No reply at all (2.5 s), then the controller closes mid-query: 212 with
  // no socket error.
  if (!CHECK_EQ(VEK_SUCCESS, VEKnet_Initialize("127.0.0.1", static_cast<uint16_t>(gArg[2]), &sock))) return;
  t0 = NowMs();
  CHECK_EQ(VEK_ERROR_ACK_NAK_TIMEOUT, VEKnet_SendCommand(&sock, "AXMA0;"));
  CHECK_MS(2400, 6000, t0);
  t0 = NowMs();
  CHECK_TEXT("", Query(false, &sock, "AXRP;", &r));
  CHECK_EQ(VEK_ERROR_SOCKET_RECEIVE, r);
  CHECK_MS(0, 2000, t0);
  CHECK_EQ(0, VEKnet_GetLastError());
  VEKnet_Close(&sock);
  CHECK_EQ(0, sock);
}

std::string ReadFileText(const char* path) {
  std::string text;
  if (FILE* f = std::fopen(path, "r")) {
    char buf[512];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
  }
  return text;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

void LoggerAndRefusedConnect() {
  std::printf("-- logger: local time, file modes; a refused connect\n");
  char path[MAX_PATH + 32];
  DWORD n = GetTempPathA(MAX_PATH, path);
  CHECK(n > 0 && n < MAX_PATH);
  std::strcat(path, "vek-wine-log.txt");
  static const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static const char* kMonths[] = {"",     "January", "February",  "March",   "April",    "May",     "June",
                                  "July", "August",  "September", "October", "November", "December"};
  SYSTEMTIME st;
  GetLocalTime(&st);
  CHECK_EQ(VEK_SUCCESS, VEK_StartDllLogger(path, 1));
  char version[64];
  VEK_GetDLLVersion(version, sizeof version);
  std::string text = ReadFileText(path);
  char date[96];
  std::snprintf(date, sizeof date, "  %s %d-%s-%d\n", kDays[st.wDayOfWeek], st.wYear, kMonths[st.wMonth], st.wDay);
  if (!CHECK(text.find(date) != std::string::npos)) std::printf("  log: %s\n  date: %s", text.c_str(), date);
  // "hh:mm:ss.mmm - NULL - VEK_GetDLLVersion()", stamped with the local time.
  std::size_t at = text.find(" - NULL - VEK_GetDLLVersion()\n");
  int hh = -1, mm = -1, ss = -1;
  if (CHECK(at != std::string::npos && at >= 12)) {
    std::sscanf(text.c_str() + at - 12, "%2d:%2d:%2d.", &hh, &mm, &ss);
    CHECK((hh * 3600 + mm * 60 + ss - (st.wHour * 3600 + st.wMinute * 60 + st.wSecond) + 86400) % 86400 <= 5);
  }

  // Without the append bit a start empties the file; with it, it appends.
  CHECK_EQ(VEK_SUCCESS, VEK_StartDllLogger(path, 1));
  text = ReadFileText(path);
  CHECK_EQ(1, Count(text, "<*> VekKestra DLL Logger <*>"));
  CHECK_EQ(0, Count(text, "VEK_GetDLLVersion()"));
  CHECK_EQ(VEK_SUCCESS, VEK_StartDllLogger(path, 16));
  CHECK_EQ(2, Count(ReadFileText(path), "<*> VekKestra DLL Logger <*>"));

  // A refused connect (nothing listens on port 1 of the loopback interface):
  // 202, the variable 0, the Winsock error traced and read once.
  uint32_t refused = 77;
  CHECK_EQ(VEK_ERROR_ETHERNET_CONNECT, VEKnet_Initialize("127.0.0.1", 1, &refused));
  CHECK_EQ(0, refused);
  CHECK_EQ(1, Count(ReadFileText(path), " - Error=NULL - VEKnet_Initialize() | connect() error:10061\n"));
  CHECK_EQ(WSAECONNREFUSED, VEKnet_GetLastError());
  CHECK_EQ(0, VEKnet_GetLastError());
  CHECK_EQ(VEK_SUCCESS, VEK_StopDllLogger());
  DeleteFileA(path);
}

void SerialOpenFailures() {
  std::printf("-- serial: open failures, no sharing\n");
  uint32_t port = 0;
  CHECK_EQ(VEK_ERROR_SERIAL_OPEN, VEKser_Initialize(gArg[4], 9600, &port));
  CHECK_EQ(0xFFFFFFFFu, port);
  uint32_t error = VEKser_GetLastError();
  if (!CHECK(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) std::printf("  error %u\n", error);
  CHECK_EQ(0, VEKser_GetLastError());
  // All bits set is also the current-process pseudo-handle, which CloseHandle
  // would accept.
  CHECK(!vek::plat::SerialClose(port));

  // A port that opens but does not configure stays open in the variable,
  // and is held exclusively until it is closed.
  uint32_t first = 0, second = 0;
  CHECK_EQ(VEK_ERROR_SERIAL_OPEN, VEKser_Initialize(gArg[5], 9600, &first));
  CHECK(first != 0 && first != 0xFFFFFFFFu);
  CHECK_EQ(VEK_ERROR_SERIAL_OPEN, VEKser_Initialize(gArg[5], 9600, &second));
  CHECK_EQ(0xFFFFFFFFu, second);
  CHECK_EQ(ERROR_SHARING_VIOLATION, VEKser_GetLastError());
  VEKser_Close(&first);
  CHECK_EQ(VEK_ERROR_SERIAL_OPEN, VEKser_Initialize(gArg[5], 9600, &second));
  CHECK(second != 0 && second != 0xFFFFFFFFu);
  VEKser_Close(&second);
}

void SerialExchange() {
  std::printf("-- serial: settings, write, one-byte reads, a silent line\n");
  uint32_t port = 0, r = 0;
  if (!CHECK_EQ(VEK_SUCCESS, VEKser_Initialize(gArg[1], 57600, &port))) return;
  HANDLE h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(port));
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  // What a pseudo-terminal keeps and Wine reports back: the rate, the stop
  // bits and CTS flow (a pty forces 8 bits without parity; binary mode, NUL
  // handling and the DTR handshake are not reported).
  CHECK(GetCommState(h, &dcb) && dcb.BaudRate == 57600 && dcb.StopBits == ONESTOPBIT && dcb.fOutxCtsFlow);
  COMMTIMEOUTS t{};
  CHECK(GetCommTimeouts(h, &t) && t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0 && t.WriteTotalTimeoutMultiplier == 4 && t.WriteTotalTimeoutConstant == 1000);
  CHECK_TEXT("1000", Query(true, &port, "AYRP;", &r));  // where the TCP move left Y
  CHECK_EQ(VEK_SUCCESS, r);
  VEKser_Close(&port);
  CHECK_EQ(0, port);

  // Empty reads return at once; the silence is counted out in sleeps.
  if (!CHECK_EQ(VEK_SUCCESS, VEKser_Initialize(gArg[3], 57600, &port))) return;
  uint64_t t0 = NowMs();
  CHECK_TEXT("", Query(true, &port, "AXRP;", &r));
  CHECK_EQ(VEK_ERROR_SERIAL_READ_TIMEOUT, r);
  CHECK_MS(80, 3000, t0);
  VEKser_Close(&port);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::printf("usage: wine_checks <tcp> <com> <faulty tcp> <faulty com> <missing com> <file com>\n");
    return 2;
  }
  for (int i = 0; i < 6; ++i) gArg[i] = std::atoi(argv[i + 1]);
  setvbuf(stdout, nullptr, _IONBF, 0);
  Tcp();
  LoggerAndRefusedConnect();
  SerialOpenFailures();
  SerialExchange();
  std::printf("%d passed, %d failed\n", gPassed, gFailed);
  return gFailed == 0 ? 0 : 1;
}
