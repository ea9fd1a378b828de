// Drives the serial readers through a real pseudo-terminal: the library opens
// the slave of the harness's scripted peer with VEKser_Initialize (COM port 9,
// named by VEKKESTRA_COM9), and for each input the peer writes the input's
// chunks as the controller's answer to a query, as what arrives during a
// motion wait, or as what a flag getter's refresh drain finds. After each
// call the result must be one the operation documents, an answer must be
// terminated within its buffer unless it was reported too long, an answer of
// a successful query must not be empty, a wait that succeeded must have its
// flags set, and no notification may set bit 31.
#include <termios.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/state.h"
#include "fuzz/reader_script.h"
#include "serial/serial.h"
#include "tests/support/pty_peer.h"
#include "vekkestra.h"

namespace {

using vek::fuzz::OneOf;
using vek::fuzz::Paced;
using vek::fuzz::Require;

struct Port {
  vek::test::PtyPeer peer{9};
  uint32_t handle = 0;
};

// One open port for the whole run. Every input starts alike: nothing left
// to play, both directions empty and the serial StatusFlags clear.
Port& Ready() {
  static Port* port = [] {
    auto* made = new Port;  // lives as long as the fuzzing process
    made->peer.SetTerminator(';');
    if (!made->peer.ok() || VEKser_Initialize(9, 115200, &made->handle) != VEK_SUCCESS) std::abort();
    vek::fuzz::StartTraceSink();
    return made;
  }();
  port->peer.Silence();
  tcflush(static_cast<int>(port->handle), TCIOFLUSH);
  port->peer.ClearReceived();
  vek::gState.serStatusFlags = 0;
  return *port;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vek::fuzz::Script script;
  if (!vek::fuzz::ParseScript(data, size, &script)) return 0;
  Port& port = Ready();

  switch (script.op % 3) {
    case 0: {  // a query into a buffer of 1 to 256 bytes, exactly sized
      // A closing line feed ends any partial line and a last line always
      // answers, so no query waits out the silence budget.
      script.chunks.emplace_back("\nZ\n");
      int32_t lLen = 1 + script.param1;
      char* answer = static_cast<char*>(std::malloc(static_cast<std::size_t>(lLen)));
      std::memset(answer, 'G', static_cast<std::size_t>(lLen));
      port.peer.QueueReply(Paced(script.chunks));
      uint32_t result = VEKser_Query(&port.handle, "AXRP;", answer, lLen);
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
      port.peer.Play(Paced(script.chunks));
      uint32_t result = vek::WaitOnSerial(&port.handle, w.mask, w.timeout, w.group);
      Require(OneOf(result, {VEK_SUCCESS, VEK_ERROR_WAIT_TIMEOUT}));
      Require((result == VEK_SUCCESS) == ((vek::gState.serStatusFlags & w.awaited) == w.awaited));
      break;
    }
    default: {  // a flag getter: its refresh drain folds what is waiting
      script.chunks.emplace_back("\n");
      port.peer.Play(Paced(script.chunks));
      uint32_t flags = 0xFFFFFFFFu;
      uint32_t result = VEKser_GetAllDoneFlags(&port.handle, &flags);
      Require(OneOf(result, {VEK_SUCCESS, VEK_ERROR_INVALID_PARAMETER}));
      if (result == VEK_SUCCESS) Require(flags == vek::gState.serStatusFlags);  // the whole word
      break;
    }
  }
  Require((vek::gState.serStatusFlags & 0x80000000u) == 0);
  return 0;
}
