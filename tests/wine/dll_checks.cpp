// Drives VekKestra.dll, as an application would, against the scripted
// controller of tests/wine/peer.cpp: over TCP on loopback and over a COM port
// that Wine maps to the peer's pseudo-terminal.
//
//   dll_checks.exe <tcp port> <COM port of the peer> <COM port that does not exist>
//                  <COM port mapped to a plain file>
//
// Wine keeps no sharing rules for character devices, so the exclusive open is
// checked on a COM port that Wine maps to a plain file, where it does; such a
// port opens but cannot be configured.
// Winsock's header must come before windows.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/wine/check.h"
#include "vekkestra.h"

namespace {

uint16_t gTcpPort = 0;
int gComPort = 0;
int gMissingComPort = 0;
int gFileComPort = 0;

uint32_t Connect(uint32_t* sock) { return VEKnet_Initialize("127.0.0.1", gTcpPort, sock); }

std::string NetQuery(uint32_t* sock, const char* command, uint32_t* result) {
  char answer[128];
  std::memset(answer, 0x5A, sizeof answer);
  *result = VEKnet_Query(sock, command, answer, sizeof answer);
  answer[sizeof answer - 1] = '\0';
  return answer;
}

std::string SerQuery(uint32_t* port, const char* command, uint32_t* result, int32_t size = 128) {
  char answer[256];
  std::memset(answer, 0x5A, sizeof answer);
  *result = VEKser_Query(port, command, answer, size);
  answer[sizeof answer - 1] = '\0';
  return answer;
}

// A loopback port on which nothing listens: bound, then released.
uint16_t ClosedPort() {
  WSADATA data;
  WSAStartup(0x0202, &data);
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof addr;
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  closesocket(s);
  return ntohs(addr.sin_port);
}

void TcpConnection() {
  wt::Group("TCP: connect, refused connect, bad addresses");
  uint32_t sock = 0;
  CHECK_EQ(VEK_SUCCESS, Connect(&sock));
  CHECK(sock != 0 && sock != 0xFFFFFFFFu);
  VEKnet_Close(&sock);
  CHECK_EQ(0, sock);

  uint32_t untouched = 77;
  CHECK_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize("127.0.0.1", 65536, &untouched));
  CHECK_EQ(77, untouched);

  uint32_t refused = 77;
  CHECK_EQ(VEK_ERROR_ETHERNET_CONNECT, VEKnet_Initialize("127.0.0.1", ClosedPort(), &refused));
  CHECK_EQ(0, refused);
  CHECK_EQ(WSAECONNREFUSED, VEKnet_GetLastError());
  CHECK_EQ(0, VEKnet_GetLastError());

  // A refused address text leaves the created socket in the variable.
  uint32_t unconnected = 0;
  CHECK_EQ(VEK_ERROR_INVALID_IP_ADDRESS, VEKnet_Initialize("255.255.255.255", gTcpPort, &unconnected));
  CHECK(unconnected != 0);
  VEKnet_Close(&unconnected);
  CHECK_EQ(0, unconnected);
  CHECK_EQ(VEK_ERROR_INVALID_IP_ADDRESS, VEKnet_Initialize("controller.local", gTcpPort, &unconnected));
  VEKnet_Close(&unconnected);

  // After a close the variable is 0, which must never reach Winsock as a socket.
  CHECK_EQ(VEK_ERROR_SOCKET_SEND, VEKnet_SendCommand(&sock, "ACK;"));
  CHECK_EQ(WSAENOTSOCK, VEKnet_GetLastError());
}

void TcpExchange() {
  wt::Group("TCP: ACK/NAK verdicts, notifications, exact bytes");
  uint32_t sock = 0;
  if (!CHECK_EQ(VEK_SUCCESS, Connect(&sock))) return;
  CHECK_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "ACK;"));
  CHECK_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_SendCommand(&sock, "NAK;"));
  CHECK_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "BOTH;"));
  CHECK_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "NOACK;"));

  uint32_t flag = 9;
  CHECK_EQ(VEK_SUCCESS, VEKnet_GetAxisDoneFlag(&sock, VEK_AXIS_X, &flag));
  CHECK_EQ(0, flag);
  // The reply wait survives a chunk that holds only a notification.
  CHECK_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "NOTIFYFIRST;"));
  CHECK_EQ(VEK_SUCCESS, VEKnet_GetAxisDoneFlag(&sock, VEK_AXIS_X, &flag));
  CHECK_EQ(1, flag);

  uint32_t r = 0;
  CHECK_EQ(VEK_SUCCESS, VEKnet_JogAxis(&sock, VEK_AXIS_Z, 1, 1500.75));
  CHECK_TEXT("AZJF1500.750000;", NetQuery(&sock, "LAST?;", &r));
  CHECK_EQ(VEK_SUCCESS, r);
  std::string longCommand(120, 'C');
  longCommand += ';';
  CHECK_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, longCommand.c_str()));
  CHECK_TEXT(longCommand, NetQuery(&sock, "LAST?;", &r));
  VEKnet_Close(&sock);
}

void TcpTimeouts() {
  wt::Group("TCP: the four read time-outs");
  uint32_t sock = 0;
  if (!CHECK_EQ(VEK_SUCCESS, Connect(&sock))) return;
  uint32_t r = 0;

  // Answer with the ACK: the drain and the follow-up read, 10 ms each.
  uint64_t t0 = wt::NowMs();
  CHECK_TEXT("42", NetQuery(&sock, "WITHANSWER;", &r));
  CHECK_EQ(VEK_SUCCESS, r);
  CHECK_MS(15, 2000, wt::NowMs() - t0);

  // A bare ACK, the answer 300 ms later.
  t0 = wt::NowMs();
  CHECK_TEXT("77", NetQuery(&sock, "LATEANSWER;", &r));
  CHECK_EQ(VEK_SUCCESS, r);
  CHECK_MS(250, 2400, wt::NowMs() - t0);

  // A bare ACK and nothing more: 2.5 s.
  t0 = wt::NowMs();
  CHECK_TEXT("", NetQuery(&sock, "BAREACK;", &r));
  CHECK_EQ(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT, r);
  CHECK_MS(2400, 6000, wt::NowMs() - t0);

  // No reply at all: 2.5 s.
  t0 = wt::NowMs();
  CHECK_EQ(VEK_ERROR_ACK_NAK_TIMEOUT, VEKnet_SendCommand(&sock, "SILENT;"));
  CHECK_MS(2400, 6000, wt::NowMs() - t0);

  // The motion wait polls in 10 ms reads on the performance-counter stopwatch.
  CHECK_EQ(VEK_SUCCESS, VEKnet_ClearMultiAxisDoneFlags(&sock, VEK_ALL_AXES));
  t0 = wt::NowMs();
  CHECK_EQ(VEK_SUCCESS, VEKnet_MoveAxis(&sock, VEK_AXIS_Y, 0, 1000, 0, 5000));
  CHECK_MS(150, 4000, wt::NowMs() - t0);
  uint32_t flag = 0;
  CHECK_EQ(VEK_SUCCESS, VEKnet_GetAxisDoneFlag(&sock, VEK_AXIS_Y, &flag));
  CHECK_EQ(1, flag);
  t0 = wt::NowMs();
  CHECK_EQ(VEK_ERROR_WAIT_TIMEOUT, VEKnet_MoveAxis(&sock, VEK_AXIS_T, 0, 999999, 0, 300));
  CHECK_MS(290, 2300, wt::NowMs() - t0);
  VEKnet_Close(&sock);
}

void TcpPeerCloses() {
  wt::Group("TCP: the controller closes mid-query");
  uint32_t sock = 0;
  if (!CHECK_EQ(VEK_SUCCESS, Connect(&sock))) return;
  // A failure just before leaves its Winsock error behind in the thread.
  uint32_t closed = 0;
  CHECK_EQ(VEK_ERROR_SOCKET_SEND, VEKnet_SendCommand(&closed, "ACK;"));
  CHECK_EQ(WSAENOTSOCK, VEKnet_GetLastError());
  uint32_t r = 0;
  uint64_t t0 = wt::NowMs();
  CHECK_TEXT("", NetQuery(&sock, "CLOSE;", &r));
  CHECK_EQ(VEK_ERROR_SOCKET_RECEIVE, r);
  CHECK_MS(0, 2000, wt::NowMs() - t0);
  CHECK_EQ(0, VEKnet_GetLastError());  // an orderly close is no socket error
  VEKnet_Close(&sock);
  CHECK_EQ(0, sock);
}

std::string ReadFileText(const char* path) {
  std::string text;
  // Text mode: the library's log lines end in CR LF on Windows.
  if (FILE* f = std::fopen(path, "r")) {
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
  }
  return text;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

void LoggerAndLocalTime() {
  wt::Group("logger: local time, file modes");
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
  CHECK(text.rfind("<*> VekKestra DLL Logger <*>\nDll version: ", 0) == 0);
  if (!CHECK(text.find(date) != std::string::npos)) std::printf("  log: %s\n  date: %s", text.c_str(), date);

  // "hh:mm:ss.mmm - NULL - VEK_GetDLLVersion()", stamped with the local time.
  std::size_t at = text.find(" - NULL - VEK_GetDLLVersion()\n");
  int hh = -1, mm = -1, ss = -1, ms = -1;
  if (CHECK(at != std::string::npos && at >= 12)) {
    CHECK_EQ(4, std::sscanf(text.c_str() + at - 12, "%2d:%2d:%2d.%3d", &hh, &mm, &ss, &ms));
    int logged = hh * 3600 + mm * 60 + ss;
    int before = st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
    int drift = (logged - before + 86400) % 86400;
    if (!CHECK(drift <= 5))
      std::printf("  logged %02d:%02d:%02d, local time was %02d:%02d:%02d\n", hh, mm, ss, st.wHour, st.wMinute,
                  st.wSecond);
  }

  // Without the append bit a start empties the file; with it, it appends.
  CHECK_EQ(VEK_SUCCESS, VEK_StartDllLogger(path, 1));
  text = ReadFileText(path);
  CHECK_EQ(1, Count(text, "<*> VekKestra DLL Logger <*>"));
  CHECK_EQ(0, Count(text, "VEK_GetDLLVersion()"));
  CHECK_EQ(VEK_SUCCESS, VEK_StartDllLogger(path, 16));
  text = ReadFileText(path);
  CHECK_EQ(2, Count(text, "<*> VekKestra DLL Logger <*>"));

  // Error traces carry the Winsock error number.
  uint32_t refused = 0;
  CHECK_EQ(VEK_ERROR_ETHERNET_CONNECT, VEKnet_Initialize("127.0.0.1", ClosedPort(), &refused));
  CHECK_EQ(1, Count(ReadFileText(path), " - Error=NULL - VEKnet_Initialize() | connect() error:10061\n"));
  VEKnet_GetLastError();
  CHECK_EQ(VEK_SUCCESS, VEK_StopDllLogger());
  CHECK_EQ(1, Count(ReadFileText(path), "\nLogger Stop: "));
  CHECK_EQ(VEK_ERROR_LOG_FILE, VEK_StopDllLogger());
  DeleteFileA(path);
}

void Pause() {
  wt::Group("pause");
  uint64_t t0 = wt::NowMs();
  VEK_Pause(100);
  CHECK_MS(90, 2000, wt::NowMs() - t0);
  t0 = wt::NowMs();
  VEK_Pause(-5);
  CHECK_MS(0, 50, wt::NowMs() - t0);
}

void SerialOpenFailures() {
  wt::Group("serial: open failures");
  uint32_t port = 77;
  CHECK_EQ(VEK_ERROR_INVALID_PARAMETER, VEKser_Initialize(0, 9600, &port));
  CHECK_EQ(VEK_ERROR_INVALID_PARAMETER, VEKser_Initialize(gComPort, 4800, &port));
  CHECK_EQ(77, port);

  CHECK_EQ(VEK_ERROR_SERIAL_OPEN, VEKser_Initialize(gMissingComPort, 9600, &port));
  CHECK_EQ(0xFFFFFFFFu, port);
  uint32_t error = VEKser_GetLastError();
  if (!CHECK(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) std::printf("  error %u\n", error);
  CHECK_EQ(0, VEKser_GetLastError());

  // A port that opens but does not configure stays open in the variable,
  // and is held exclusively until it is closed.
  uint32_t first = 0, second = 0, third = 0;
  CHECK_EQ(VEK_ERROR_SERIAL_OPEN, VEKser_Initialize(gFileComPort, 9600, &first));
  CHECK(first != 0 && first != 0xFFFFFFFFu);
  VEKser_GetLastError();
  CHECK_EQ(VEK_ERROR_SERIAL_OPEN, VEKser_Initialize(gFileComPort, 9600, &second));
  CHECK_EQ(0xFFFFFFFFu, second);
  CHECK_EQ(ERROR_SHARING_VIOLATION, VEKser_GetLastError());
  VEKser_Close(&first);
  CHECK_EQ(0, first);
  VEKser_Close(&first);  // closing twice is quiet
  CHECK_EQ(VEK_ERROR_SERIAL_OPEN, VEKser_Initialize(gFileComPort, 9600, &third));
  CHECK(third != 0 && third != 0xFFFFFFFFu);
  VEKser_Close(&third);
}

void SerialExchange() {
  wt::Group("serial: lines, notifications, silence, exact bytes");
  uint32_t port = 0;
  if (!CHECK_EQ(VEK_SUCCESS, VEKser_Initialize(gComPort, 115200, &port))) return;
  CHECK(port != 0 && port != 0xFFFFFFFFu);
  uint32_t r = 0;
  CHECK_TEXT("answer", SerQuery(&port, "SQ;", &r));
  CHECK_EQ(VEK_SUCCESS, r);
  CHECK_TEXT("\rtext", SerQuery(&port, "SCR;", &r));
  CHECK_EQ(VEK_SUCCESS, r);

  uint32_t flag = 9;
  CHECK_EQ(VEK_SUCCESS, VEKser_GetAxisDoneFlag(&port, VEK_AXIS_Y, &flag));
  CHECK_EQ(0, flag);
  CHECK_TEXT("after", SerQuery(&port, "SNOTE;", &r));
  CHECK_EQ(VEK_SUCCESS, VEKser_GetAxisDoneFlag(&port, VEK_AXIS_Y, &flag));
  CHECK_EQ(1, flag);

  uint64_t t0 = wt::NowMs();
  CHECK_TEXT("par", SerQuery(&port, "SPART;", &r));
  CHECK_EQ(VEK_ERROR_SERIAL_READ_TIMEOUT, r);
  CHECK_MS(80, 3000, wt::NowMs() - t0);
  CHECK_TEXT("", SerQuery(&port, "SNONE;", &r));
  CHECK_EQ(VEK_ERROR_SERIAL_READ_TIMEOUT, r);

  char answer[129];
  answer[128] = '\0';
  CHECK_EQ(VEK_ERROR_ANSWER_TOO_LONG, VEKser_Query(&port, "SLONG;", answer, 128));
  CHECK_EQ('L', answer[127]);

  CHECK_EQ(VEK_SUCCESS, VEKser_JogAxis(&port, VEK_AXIS_Z, 1, 1500.75));
  CHECK_TEXT("AZJF1500.750000;", SerQuery(&port, "LAST?;", &r));
  std::string command(127, 'C');
  command += ';';
  CHECK_EQ(VEK_SUCCESS, VEKser_SendCommand(&port, command.c_str()));
  CHECK_TEXT(command, SerQuery(&port, "LAST?;", &r, 256));
  CHECK_EQ(VEK_ERROR_COMMAND_TOO_LONG, VEKser_SendCommand(&port, (command + "C").c_str()));
  // Nothing of it went out: the last command the controller saw is the query.
  CHECK_TEXT("LAST?;", SerQuery(&port, "LAST?;", &r, 256));
  VEKser_Close(&port);
}

void SerialWaitsAndDrain() {
  wt::Group("serial: motion wait, drain on open");
  uint32_t port = 0;
  if (!CHECK_EQ(VEK_SUCCESS, VEKser_Initialize(gComPort, 9600, &port))) return;
  uint64_t t0 = wt::NowMs();
  CHECK_EQ(VEK_SUCCESS, VEKser_MoveAxis(&port, VEK_AXIS_X, 0, 1000, 0, 3000));
  CHECK_MS(150, 3000, wt::NowMs() - t0);
  CHECK_EQ(VEK_ERROR_WAIT_TIMEOUT, VEKser_MoveAxis(&port, VEK_AXIS_T, 0, 999999, 0, 300));

  // Input that waits in the port when it is opened is drained, and its
  // notifications land in the freshly cleared flags.
  CHECK_EQ(VEK_SUCCESS, VEKser_SendCommand(&port, "SSTALE;"));
  VEK_Pause(200);
  VEKser_Close(&port);
  CHECK_EQ(VEK_SUCCESS, VEKser_Initialize(gComPort, 9600, &port));
  uint32_t flag = 0;
  CHECK_EQ(VEK_SUCCESS, VEKser_GetAxisDoneFlag(&port, VEK_AXIS_X, &flag));
  CHECK_EQ(0, flag);
  CHECK_EQ(VEK_SUCCESS, VEKser_GetAxisDoneFlag(&port, VEK_AXIS_Z, &flag));
  CHECK_EQ(1, flag);
  VEKser_Close(&port);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::printf("usage: dll_checks <tcp port> <com port> <missing com port> <file com port>\n");
    return 2;
  }
  gTcpPort = static_cast<uint16_t>(std::atoi(argv[1]));
  gComPort = std::atoi(argv[2]);
  gMissingComPort = std::atoi(argv[3]);
  gFileComPort = std::atoi(argv[4]);
  setvbuf(stdout, nullptr, _IONBF, 0);

  TcpConnection();
  TcpExchange();
  TcpTimeouts();
  TcpPeerCloses();
  LoggerAndLocalTime();
  Pause();
  SerialOpenFailures();
  SerialExchange();
  SerialWaitsAndDrain();
  return wt::Finish();
}
