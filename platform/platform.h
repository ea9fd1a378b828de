// The operating-system services that the library uses, in the transports' own
// words. One implementation per platform (posix/, win32/); nothing outside
// platform/ includes a system networking or OS header.
//
// Sockets and serial ports are identified by the 32-bit value that the
// application's handle variable holds. A value of 0 (a closed or failed
// connection) never reaches the system: every call on it fails the way the
// system fails on a socket or port that does not exist.
#ifndef VEK_PLATFORM_PLATFORM_H
#define VEK_PLATFORM_PLATFORM_H

#include <cstdint>

namespace vek::plat {

// ---- Sockets ---------------------------------------------------------------

// Starts the socket service, asking for `requestedVersion` (major in the low
// byte, minor in the high byte, 0x0202 for 2.2). Returns 0 and the granted
// version, or the start-up error.
int32_t NetStartup(uint16_t requestedVersion, uint16_t* grantedVersion);
void NetCleanup();

// Creates an IPv4 stream socket. Returns false on failure (the last socket
// error tells why). On POSIX the descriptor is never 0, 1 or 2.
bool SocketCreate(uint32_t* socketValue);

// Converts a dotted IPv4 text as the classic inet_addr does: network byte
// order, 0xFFFFFFFF for a text that is not accepted (and for 255.255.255.255).
// Host names are not resolved.
uint32_t Ipv4FromText(const char* text);

// Connects to an IPv4 address (network byte order) and port (host order).
bool SocketConnect(uint32_t socketValue, uint32_t address, uint16_t port);

// One send call with no flags. Returns the byte count or -1. Never raises a
// signal when the peer has gone.
int32_t SocketSend(uint32_t socketValue, const char* data, int32_t length);

// Waits until the socket is readable: 1 readable (data or a closed peer),
// 0 the time limit passed, -1 failure.
int SocketWaitReadable(uint32_t socketValue, int32_t timeoutMicroseconds);

// One receive call of at most `capacity` bytes: the byte count, 0 when the
// peer closed the connection, -1 on failure.
int32_t SocketReceive(uint32_t socketValue, char* buffer, int32_t capacity);

void SocketClose(uint32_t socketValue);

// The error number of the latest failed socket call (errno / WSAGetLastError).
int32_t SocketLastError();

// The system's error number for "too many open sockets", reported when the
// library cannot keep track of one more connection.
int32_t SocketTooManyError();

// ---- Serial ports ----------------------------------------------------------

inline constexpr uint32_t kInvalidSerialHandle = 0xFFFFFFFFu;

struct SerialSettings {
  uint32_t baudRate;
  uint8_t byteSize;    // 8
  uint8_t parity;      // 0: none
  uint8_t stopBits;    // 0: one stop bit
  bool binary;         // no end-of-file character processing
  bool ctsOutputFlow;  // output waits for CTS
  bool dtrHandshake;   // DTR follows the input queue
  bool discardNul;     // false: NUL bytes stay in the data
  // Whatever else the system's device-control block holds, kept unchanged
  // between reading and writing the settings.
  alignas(8) unsigned char native[128];
};

struct SerialTimeouts {
  uint32_t readIntervalMs;         // 0xFFFFFFFF with the two below 0: a read
  uint32_t readTotalMultiplierMs;  // returns at once with what has arrived
  uint32_t readTotalConstantMs;
  uint32_t writeTotalMultiplierMs;  // per byte
  uint32_t writeTotalConstantMs;
};

// Opens COM port `port` exclusively for reading and writing. Returns the
// handle value, or kInvalidSerialHandle (the last serial error tells why).
// POSIX: the device named by VEKKESTRA_COM<port>, else /dev/ttyS<port-1>.
uint32_t SerialOpen(int32_t port);
bool SerialSetQueueSizes(uint32_t handle, uint32_t inBytes, uint32_t outBytes);
bool SerialGetSettings(uint32_t handle, SerialSettings* settings);
bool SerialSetSettings(uint32_t handle, const SerialSettings* settings);
bool SerialSetTimeouts(uint32_t handle, const SerialTimeouts* timeouts);

// Reads at most one byte without waiting: 1 a byte came, 0 nothing had
// arrived, -1 failure. On a port set to discard NUL bytes, none is ever
// delivered.
int SerialReadByte(uint32_t handle, char* byte);

// Writes `length` bytes within the write time-outs; reports how many went out.
bool SerialWrite(uint32_t handle, const char* data, uint32_t length, uint32_t* written);

// Closes the port; fails quietly for 0 and for the invalid-handle value.
bool SerialClose(uint32_t handle);

// The error number of the latest failed serial call (errno / GetLastError),
// kept per thread as the system keeps it.
uint32_t SerialLastError();

// The system's error number for "too many open files", reported when the
// library cannot keep track of one more port.
uint32_t SerialTooManyError();

// ---- Time ------------------------------------------------------------------

// A high-resolution counter: ticks per second and the current reading.
int64_t CounterFrequency();
int64_t CounterNow();

void SleepMilliseconds(uint32_t milliseconds);

struct LocalTime {
  int year;
  int month;      // 1 = January
  int dayOfWeek;  // 0 = Sunday
  int day;
  int hour;
  int minute;
  int second;
  int millisecond;
};
void GetLocalTime(LocalTime* now);

}  // namespace vek::plat

#endif  // VEK_PLATFORM_PLATFORM_H
