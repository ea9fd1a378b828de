// Operating-system services for the programs that run beside the library on
// the host: the controller simulator and the command-line tool. Descriptors
// are plain ints; -1 means none. Not part of the library.
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

bool IsTerminal(int fd);
bool SetEnvironment(const char* name, const char* value);
const char* GetEnvironment(const char* name);

// The IPv4 address that a host name (or dotted text) stands for, as dotted
// text. False with the resolver's reason in `error`.
bool ResolveIPv4(const char* host, char* dotted, size_t dottedSize, char* error, size_t errorSize);

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

}  // namespace vek::host

#endif  // VEK_PLATFORM_HOST_H
