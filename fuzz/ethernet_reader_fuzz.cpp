// Drives the Ethernet readers through a real loopback TCP connection: the
// library connects with VEKnet_Initialize to the harness's scripted peer, and
// for each input the peer plays the input's chunks as the controller's reply
// to a command, a query or a motion wait. After each call the result must be
// one the operation documents, the answer must be terminated within its
// buffer and free of ACK/NAK bytes, a wait that succeeded must have its flags
// set, and no notification may set bit 31.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/state.h"
#include "ethernet/ethernet.h"
#include "fuzz/reader_script.h"
#include "tests/support/tcp_peer.h"
#include "vekkestra.h"

namespace {

using vek::fuzz::OneOf;
using vek::fuzz::Paced;
using vek::fuzz::Require;

struct Link {
  vek::test::TcpPeer peer;
  uint32_t handle = 0;
};

// One connection for the whole run. Every input starts alike: nothing left
// to play, both ends empty and the Ethernet StatusFlags clear.
Link& Ready() {
  static Link* link = [] {
    auto* made = new Link;  // lives as long as the fuzzing process
    if (made->peer.Connect(&made->handle) != VEK_SUCCESS) std::abort();
    vek::fuzz::StartTraceSink();
    return made;
  }();
  link->peer.Silence();
  while (link->peer.Unread() > 0) vek::ReadTCPIP(&link->handle, nullptr, 0, vek::kPollTimeoutUs);
  link->peer.ClearReceived();
  vek::gState.netStatusFlags = 0;
  return *link;
}

void CheckAnswer(const char* answer, int32_t lLen) {
  const void* end = std::memchr(answer, '\0', static_cast<std::size_t>(lLen));
  Require(end != nullptr);
  Require(std::strpbrk(answer, "\x06\x15") == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vek::fuzz::Script script;
  if (!vek::fuzz::ParseScript(data, size, &script)) return 0;
  Link& link = Ready();

  switch (script.op % 3) {
    case 0: {  // a command: the reply is the chunks, then a closing ACK
      script.chunks.emplace_back("\x06");
      link.peer.QueueReply(Paced(script.chunks));
      uint32_t result = VEKnet_SendCommand(&link.handle, "AXST;");
      Require(OneOf(result, {VEK_SUCCESS, VEK_ERROR_SOCKET_SEND, VEK_ERROR_SOCKET_RECEIVE, VEK_ERROR_ACK_NAK_TIMEOUT,
                             VEK_ERROR_COMMAND_NAK, VEK_ERROR_NO_COMMAND_ACK}));
      break;
    }
    case 1: {  // a query into a buffer of 1 to 256 bytes, exactly sized
      // An ACK and an answer close the script: a reply that the input left
      // bare, or whose text was only notifications, still gets its answer.
      script.chunks.emplace_back("\x06");
      script.chunks.emplace_back("0\r");
      int32_t lLen = 1 + script.param1;
      char* answer = static_cast<char*>(std::malloc(static_cast<std::size_t>(lLen)));
      std::memset(answer, 'G', static_cast<std::size_t>(lLen));
      link.peer.QueueReply(Paced(script.chunks));
      uint32_t result = VEKnet_Query(&link.handle, "AXRP;", answer, lLen);
      Require(
          OneOf(result, {VEK_SUCCESS, VEK_ERROR_SOCKET_SEND, VEK_ERROR_SOCKET_RECEIVE, VEK_ERROR_SOCKET_RECEIVE_TIMEOUT,
                         VEK_ERROR_ACK_NAK_TIMEOUT, VEK_ERROR_COMMAND_NAK, VEK_ERROR_NO_COMMAND_ACK}));
      CheckAnswer(answer, lLen);
      std::free(answer);
      break;
    }
    default: {  // a motion wait of 1 to 36 ms; mask bit 10 reaches into the next group
      const vek::fuzz::WaitArgs w = vek::fuzz::DecodeWait(script);
      link.peer.Play(Paced(script.chunks));
      uint32_t result = vek::WaitOnEthernet(&link.handle, w.mask, w.timeout, w.group);
      Require(OneOf(result, {VEK_SUCCESS, VEK_ERROR_WAIT_TIMEOUT}));
      if (result == VEK_SUCCESS) Require((vek::gState.netStatusFlags & w.awaited) == w.awaited);
      break;
    }
  }
  // Notifications map onto bits 0 to 30 only.
  Require((vek::gState.netStatusFlags & 0x80000000u) == 0);
  return 0;
}
