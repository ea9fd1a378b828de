// Drives the serial readers through a real pseudo-terminal: the library opens
// the slave with VEKser_Initialize (COM port 9 named by VEKKESTRA_COM9), and
// for each input the harness writes the input's chunks to the master as the
// controller's answer to a query, as what arrives during a motion wait, or
// as what a flag getter's refresh drain finds. After each call the result
// must be one the operation documents, an answer must be terminated within
// its buffer unless it was reported too long, an answer of a successful
// query must not be empty, a wait that succeeded must have its flags set, and
// no notification may set bit 31.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "core/state.h"
#include "fuzz/scripted_peer.h"
#include "serial/serial.h"
#include "vekkestra.h"

namespace {

using vek::fuzz::OneOf;
using vek::fuzz::Require;

constexpr int kPort = 9;

struct Port {
  uint32_t handle = 0;
  int master = -1;
  int slave = -1;  // the harness's own open of the slave: never read
  vek::fuzz::ScriptedPeer* script = nullptr;
};

// Bytes written to the master that the library has not read yet: the
// terminal's input queue, as the harness's own slave descriptor sees it.
int Unread(int slave) {
  int pending = 0;
  if (ioctl(slave, FIONREAD, &pending) != 0) return 0;
  return pending;
}

Port& Open() {
  static Port port = [] {
    Port made;
    made.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (made.master < 0 || grantpt(made.master) != 0 || unlockpt(made.master) != 0) std::abort();
    const char* path = ptsname(made.master);
    if (path == nullptr) std::abort();
    // Holding the slave open keeps the master from seeing a hang-up, and
    // raw mode from the start keeps the line discipline out of the bytes.
    made.slave = open(path, O_RDWR | O_NOCTTY);
    if (made.slave < 0) std::abort();
    termios raw{};
    tcgetattr(made.slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(made.slave, TCSANOW, &raw);
    setenv("VEKKESTRA_COM9", path, 1);
    if (VEKser_Initialize(kPort, 115200, &made.handle) != VEK_SUCCESS) std::abort();
    vek::fuzz::StartTraceSink();
    int slave = made.slave;
    made.script = new vek::fuzz::ScriptedPeer(made.master, [slave] { return Unread(slave); });
    return made;
  }();
  return port;
}

// Leaves both directions empty and the serial StatusFlags clear, so that
// every input starts alike.
void Drain(Port& port) {
  int flags = fcntl(port.master, F_GETFL);
  fcntl(port.master, F_SETFL, flags | O_NONBLOCK);
  char sink[512];
  while (read(port.master, sink, sizeof sink) > 0) {
  }
  fcntl(port.master, F_SETFL, flags);
  tcflush(port.slave, TCIOFLUSH);
  vek::gState.serStatusFlags = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vek::fuzz::Script script;
  if (!vek::fuzz::ParseScript(data, size, &script)) return 0;
  Port& port = Open();
  Drain(port);

  switch (script.op % 3) {
    case 0: {  // a query into a buffer of 1 to 256 bytes, exactly sized
      // A closing line feed ends any partial line and a last line always
      // answers, so no query waits out the silence budget.
      script.chunks.emplace_back("\nZ\n");
      int32_t lLen = 1 + script.param1;
      char* answer = static_cast<char*>(std::malloc(static_cast<std::size_t>(lLen)));
      std::memset(answer, 'G', static_cast<std::size_t>(lLen));
      port.script->Play(script.chunks, true);
      uint32_t result = VEKser_Query(&port.handle, "AXRP;", answer, lLen);
      port.script->Finish();
      Require(OneOf(result,
                    {VEK_SUCCESS, VEK_ERROR_INVALID_PARAMETER, VEK_ERROR_COMMAND_TOO_LONG, VEK_ERROR_ANSWER_TOO_LONG,
                     VEK_ERROR_SERIAL_WRITE, VEK_ERROR_SERIAL_READ, VEK_ERROR_SERIAL_READ_TIMEOUT}));
      if (result != VEK_ERROR_ANSWER_TOO_LONG) {
        Require(std::memchr(answer, '\0', static_cast<std::size_t>(lLen)) != nullptr);
      }
      if (result == VEK_SUCCESS) Require(answer[0] != '\0');
      std::free(answer);
      break;
    }
    case 1: {  // a motion wait counting 1 to 36; mask bit 10 reaches into the next group
      script.chunks.emplace_back("\n");
      const vek::fuzz::WaitArgs w = vek::fuzz::DecodeWait(script);
      port.script->Play(script.chunks, false);
      uint32_t result = vek::WaitOnSerial(&port.handle, w.mask, w.timeout, w.group);
      port.script->Finish();
      Require(OneOf(result, {VEK_SUCCESS, VEK_ERROR_WAIT_TIMEOUT}));
      Require((result == VEK_SUCCESS) == ((vek::gState.serStatusFlags & w.awaited) == w.awaited));
      break;
    }
    default: {  // a flag getter: its refresh drain folds what is waiting
      script.chunks.emplace_back("\n");
      port.script->Play(script.chunks, false);
      uint32_t flags = 0xFFFFFFFFu;
      uint32_t result = VEKser_GetAllDoneFlags(&port.handle, &flags);
      port.script->Finish();
      Require(OneOf(result, {VEK_SUCCESS, VEK_ERROR_INVALID_PARAMETER}));
      if (result == VEK_SUCCESS) Require(flags == vek::gState.serStatusFlags);  // the whole word
      break;
    }
  }
  Require((vek::gState.serStatusFlags & 0x80000000u) == 0);
  return 0;
}
