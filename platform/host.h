// Operating-system services for the code that runs beside the library on the
// host: the controller simulator, the command-line tool and the motion core.
// Descriptors are plain ints; -1 means none. Not part of the library.
#ifndef VEK_PLATFORM_HOST_H
#define VEK_PLATFORM_HOST_H

#include <cstddef>
#include <cstdint>

namespace vek::host {

// A listening IPv4 TCP socket on `address` (dotted text) and `port` (0 picks
// an ephemeral port). Returns the descriptor and the port actually bound, or
// -1 with the system's reason in `error`.
int ListenTcp(const char* address, uint16_t port, uint16_t* boundPort, char* error, size_t errorSize);

// Accepts one waiting connection without blocking: the descriptor, or -1.
// The connection is non-blocking too, so that a client that stops reading
// can never hold up the one who accepted it.
int AcceptClient(int listener);

// A connected TCP client, for tests and tools that need a raw peer.
int ConnectTcp(const char* address, uint16_t port);

struct PollEntry {
  int fd;
  bool readable;  // out: data waiting, or the peer has gone
};
// Waits at most `timeoutMs` until one of the descriptors is readable. Returns
// the number of readable entries, 0 on a time-out, -1 on failure.
int PollReadable(PollEntry* entries, size_t count, int timeoutMs);

// One read: the byte count, 0 when the peer closed, -1 on failure (or when
// nothing is waiting on a non-blocking descriptor).
long ReadSome(int fd, char* buffer, size_t capacity);
// Writes what the descriptor takes now, without waiting: the byte count, 0
// when it can take nothing yet, -1 when the peer has gone (no signal is
// raised then) or on failure.
long WriteSome(int fd, const char* data, size_t length);
void CloseDescriptor(int fd);

// A pseudo-terminal in raw mode, so that bytes pass unchanged both ways.
// `master` is the simulator's end; `slave` stays open too, so that the
// master keeps working while no client has the slave path open.
bool OpenPty(int* master, int* slave, char* slavePath, size_t pathSize, char* error, size_t errorSize);

// SIGINT and SIGTERM set a flag instead of ending the process; SIGPIPE is
// ignored.
void InstallStopSignals();
bool StopRequested();

// A write to a pipe whose reader has gone fails (EPIPE) instead of ending the
// process: SIGPIPE is ignored. Windows raises no such signal.
void IgnoreBrokenPipes();

bool IsTerminal(int fd);
bool SetEnvironment(const char* name, const char* value);
const char* GetEnvironment(const char* name);

// The folder that holds the running program, without a trailing separator.
bool ProgramDirectory(char* path, size_t pathSize);

// Runs a program found on the search path with the arguments `argv` (argv[0]
// names it, a null ends the list) and waits for it: its exit status, or -1
// when it could not be started or did not exit normally.
int RunProgram(const char* const* argv);
// The name the system's Python 3 interpreter is run by.
const char* PythonCommand();
// Puts `folder` first in a search-path variable such as PYTHONPATH.
bool PrependPath(const char* variable, const char* folder);

int64_t MonotonicMicroseconds();
void SleepMilliseconds(int milliseconds);

// ---- For the motion core: the library's connections seen from beside it ----

// The device that the library opens for COM port `port`: the value of
// VEKKESTRA_COM<port>, else /dev/ttyS<port-1> (POSIX); "\\.\COM<port>" on
// Windows.
void ComDevicePath(int port, char* path, size_t pathSize);

// Every IPv4 address of a host name (or dotted text), as dotted texts, at
// most `max` of them: their count, or 0 with the resolver's reason in `error`.
int ResolveIPv4All(const char* host, char (*dotted)[16], int max, char* error, size_t errorSize);

// Waits at most `timeoutMs` until the socket or serial port whose value the
// library keeps in a handle variable has bytes waiting (or its peer has
// gone): 1, 0 when nothing came, -1 when it cannot be asked.
int HandleReadable(uint32_t value, bool serial, int timeoutMs);

// What a system error number (errno; on Windows a Winsock or system error)
// means in words, and the sort of failure it is.
enum class ErrorSort { kOther, kRefused, kUnreachable, kTimedOut, kNoPermission, kNoDevice, kBusy };
ErrorSort DescribeError(int32_t code, char* text, size_t textSize);

// Makes the signals that end a program (SIGINT, SIGTERM, SIGHUP; on Windows
// the console's Ctrl-C, Ctrl-Break and close) call `first` before the handler
// that was in place. Where that was the default action, `endNow` decides:
// true ends the process now as the signal would, false leaves that to a
// later EndAsSignal(). Installs nothing twice; a handler installed since is
// put behind `first` again. False where signals cannot be caught.
bool ChainEndSignals(void (*first)(int signalNumber), bool (*endNow)(int signalNumber));
// Ends the process as the default action of `signalNumber` does.
void EndAsSignal(int signalNumber);

}  // namespace vek::host

#endif  // VEK_PLATFORM_HOST_H
