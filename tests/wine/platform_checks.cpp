// Checks the Win32 platform layer on its own, linked statically: the exact
// port settings as the system reports them back, reads that return at once,
// the exclusive open, the handle values that must never reach the system,
// the socket calls, the counter, sleeps and local time.
//
//   platform_checks.exe <tcp port> <COM port of the peer> <COM port that does not exist>
//                       <COM port mapped to a plain file>
//
// Wine keeps no sharing rules for character devices, so the exclusive open is
// checked on a COM port that Wine maps to a plain file, where it does.
// Winsock's header must come before windows.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/platform.h"
#include "tests/wine/check.h"

using namespace vek::plat;

namespace {

uint16_t gTcpPort = 0;
int gComPort = 0;
int gMissingComPort = 0;
int gFileComPort = 0;

// Collects one line from the port, polling as the serial reader does.
std::string ReadLine(uint32_t port, int limitMs) {
  std::string line;
  uint64_t end = wt::NowMs() + limitMs;
  while (wt::NowMs() < end) {
    char c = 0;
    int got = SerialReadByte(port, &c);
    if (got < 0) break;
    if (got == 0) {
      SleepMilliseconds(5);
      continue;
    }
    if (c == '\n') break;
    line += c;
  }
  return line;
}

void SerialPort() {
  wt::Group("serial: settings, timeouts, one-byte reads, write");
  uint32_t port = SerialOpen(gComPort);
  if (!CHECK(port != kInvalidSerialHandle && port != 0)) {
    std::printf("  open error %u\n", SerialLastError());
    return;
  }
  CHECK(SerialSetQueueSizes(port, 1024, 1024));
  SerialSettings s;
  CHECK(SerialGetSettings(port, &s));
  s.baudRate = 57600;
  s.byteSize = 8;
  s.parity = 0;
  s.stopBits = 0;
  s.binary = true;
  s.ctsOutputFlow = true;
  s.dtrHandshake = true;
  s.discardNul = false;
  CHECK(SerialSetSettings(port, &s));

  SerialSettings back;
  std::memset(&back, 0xA5, sizeof back);
  CHECK(SerialGetSettings(port, &back));
  CHECK_EQ(57600, back.baudRate);
  CHECK_EQ(8, back.byteSize);
  CHECK_EQ(0, back.parity);
  CHECK_EQ(0, back.stopBits);
  CHECK(back.binary);
  CHECK(back.ctsOutputFlow);
  CHECK(!back.discardNul);

  SerialTimeouts t{0xFFFFFFFFu, 0, 0, 4, 1000};
  CHECK(SerialSetTimeouts(port, &t));

  // A quiet port: every read returns at once with nothing.
  uint64_t t0 = wt::NowMs();
  int empty = 0;
  for (int i = 0; i < 20; ++i) {
    char c;
    if (SerialReadByte(port, &c) == 0) ++empty;
  }
  CHECK_EQ(20, empty);
  CHECK_MS(0, 500, wt::NowMs() - t0);

  uint32_t written = 0;
  CHECK(SerialWrite(port, "SQ;", 3, &written));
  CHECK_EQ(3, written);
  CHECK_TEXT("answer", ReadLine(port, 2000));

  CHECK(SerialClose(port));
}

void SerialExclusive() {
  wt::Group("serial: the port is held exclusively");
  char name[20];
  std::snprintf(name, sizeof name, "\\\\.\\COM%d", gFileComPort);
  uint32_t port = SerialOpen(gFileComPort);
  if (!CHECK(port != kInvalidSerialHandle)) return;
  // Nobody else may open it, not even for sharing...
  HANDLE other = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  CHECK(other == INVALID_HANDLE_VALUE);
  CHECK_EQ(kInvalidSerialHandle, SerialOpen(gFileComPort));
  CHECK_EQ(ERROR_SHARING_VIOLATION, SerialLastError());
  CHECK(SerialClose(port));
  // ...and it is not opened while someone else holds it, even sharing.
  other = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                      nullptr);
  if (!CHECK(other != INVALID_HANDLE_VALUE)) return;
  CHECK_EQ(kInvalidSerialHandle, SerialOpen(gFileComPort));
  CloseHandle(other);
  port = SerialOpen(gFileComPort);
  CHECK(port != kInvalidSerialHandle);
  SerialClose(port);
}

void SerialBadHandles() {
  wt::Group("serial: values that never reach the system");
  CHECK_EQ(kInvalidSerialHandle, SerialOpen(gMissingComPort));
  uint32_t error = SerialLastError();
  if (!CHECK(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) std::printf("  error %u\n", error);

  // All bits set is also the current-process pseudo-handle, which
  // CloseHandle would accept; 0 is no handle at all.
  for (uint32_t bad : {0u, kInvalidSerialHandle}) {
    char c;
    uint32_t written = 99;
    CHECK(!SerialClose(bad));
    CHECK_EQ(ERROR_INVALID_HANDLE, SerialLastError());
    CHECK_EQ(-1, SerialReadByte(bad, &c));
    CHECK(!SerialWrite(bad, "x", 1, &written));
    CHECK_EQ(0, written);
    SerialTimeouts t{0xFFFFFFFFu, 0, 0, 4, 1000};
    CHECK(!SerialSetTimeouts(bad, &t));
  }
}

void Sockets() {
  wt::Group("sockets: start-up, connect, wait, receive, close");
  uint16_t granted = 0;
  CHECK_EQ(0, NetStartup(0x0202, &granted));
  CHECK_EQ(0x0202, granted);
  CHECK_EQ(htonl(0x7F000001), Ipv4FromText("127.0.0.1"));
  CHECK_EQ(0xFFFFFFFFu, Ipv4FromText("255.255.255.255"));
  CHECK_EQ(0xFFFFFFFFu, Ipv4FromText("no.such.host"));

  uint32_t s = 0;
  if (!CHECK(SocketCreate(&s))) return;
  CHECK(s != 0 && s != 0xFFFFFFFFu);
  if (!CHECK(SocketConnect(s, Ipv4FromText("127.0.0.1"), gTcpPort))) return;

  // Nothing pending: the 10 ms wait runs out.
  uint64_t t0 = wt::NowMs();
  CHECK_EQ(0, SocketWaitReadable(s, 10000));
  CHECK_MS(8, 1000, wt::NowMs() - t0);

  CHECK_EQ(11, SocketSend(s, "WITHANSWER;", 11));
  t0 = wt::NowMs();
  CHECK_EQ(1, SocketWaitReadable(s, 2500000));
  CHECK_MS(0, 2000, wt::NowMs() - t0);
  char chunk[257] = {};
  CHECK_EQ(3, SocketReceive(s, chunk, 256));
  CHECK_TEXT(
      "\x06"
      "42",
      std::string(chunk));

  // The peer closes: readable, then a receive of 0 with no error, even when
  // an earlier call left one behind.
  CHECK_EQ(6, SocketSend(s, "CLOSE;", 6));
  CHECK_EQ(1, SocketWaitReadable(s, 2500000));
  CHECK_EQ(-1, SocketSend(0, "x", 1));
  CHECK_EQ(0, SocketReceive(s, chunk, 256));
  CHECK_EQ(0, SocketLastError());
  SocketClose(s);

  CHECK_EQ(-1, SocketSend(0, "x", 1));
  CHECK_EQ(WSAENOTSOCK, SocketLastError());
  CHECK_EQ(-1, SocketWaitReadable(0, 10000));
  CHECK(!SocketConnect(0, Ipv4FromText("127.0.0.1"), gTcpPort));
  CHECK_EQ(WSAENOTSOCK, SocketLastError());
}

void TimeServices() {
  wt::Group("time: counter, sleep, local time");
  int64_t frequency = CounterFrequency();
  CHECK(frequency > 0);
  int64_t start = CounterNow();
  uint64_t t0 = GetTickCount64();
  SleepMilliseconds(50);
  int64_t ticks = CounterNow() - start;
  CHECK_MS(30, 2000, GetTickCount64() - t0);  // the tick count moves in steps
  CHECK_MS(45, 2000, static_cast<uint64_t>(ticks * 1000 / (frequency > 0 ? frequency : 1)));

  LocalTime now;
  GetLocalTime(&now);
  std::time_t c = std::time(nullptr);
  std::tm* tm = std::localtime(&c);
  CHECK_EQ(tm->tm_year + 1900, now.year);
  CHECK_EQ(tm->tm_mon + 1, now.month);
  CHECK_EQ(tm->tm_mday, now.day);
  CHECK_EQ(tm->tm_wday, now.dayOfWeek);
  int a = now.hour * 3600 + now.minute * 60 + now.second;
  int b = tm->tm_hour * 3600 + tm->tm_min * 60 + tm->tm_sec;
  CHECK(((b - a + 86400) % 86400) <= 2);
  CHECK(now.millisecond >= 0 && now.millisecond < 1000);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::printf("usage: platform_checks <tcp port> <com port> <missing com port> <file com port>\n");
    return 2;
  }
  gTcpPort = static_cast<uint16_t>(std::atoi(argv[1]));
  gComPort = std::atoi(argv[2]);
  gMissingComPort = std::atoi(argv[3]);
  gFileComPort = std::atoi(argv[4]);
  setvbuf(stdout, nullptr, _IONBF, 0);

  SerialPort();
  SerialExclusive();
  SerialBadHandles();
  Sockets();
  TimeServices();
  return wt::Finish();
}
