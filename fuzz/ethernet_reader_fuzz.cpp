// Drives the Ethernet readers through a real loopback TCP connection: the
// library connects with VEKnet_Initialize to a listener of this harness, and
// for each input the harness's end plays the input's chunks as the
// controller's reply to a command, a query or a motion wait. After each call
// the result must be one the operation documents, the answer must be
// terminated within its buffer and free of ACK/NAK bytes, a wait that
// succeeded must have its flags set, and no notification may set bit 31.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "core/state.h"
#include "ethernet/ethernet.h"
#include "fuzz/scripted_peer.h"
#include "vekkestra.h"

namespace {

using vek::fuzz::OneOf;
using vek::fuzz::Require;

struct Link {
  uint32_t handle = 0;
  int peer = -1;
  vek::fuzz::ScriptedPeer* script = nullptr;
};

// Bytes the peer wrote that the library has not read yet. The harness only
// looks at the library's socket; it never reads or writes it.
int Unread(uint32_t handle) {
  int pending = 0;
  if (ioctl(static_cast<int>(handle), FIONREAD, &pending) != 0) return 0;
  return pending;
}

// One connection for the whole run: the library connects, the harness
// accepts once.
Link& Connect() {
  static Link link = [] {
    Link made;
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 1) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::abort();
    }
    if (VEKnet_Initialize("127.0.0.1", ntohs(address.sin_port), &made.handle) != VEK_SUCCESS) std::abort();
    made.peer = accept(listener, nullptr, nullptr);
    if (made.peer < 0) std::abort();
    close(listener);
    // Each chunk leaves at once: with Nagle's algorithm a small write would
    // wait for the library's delayed ACK and merge with the next one.
    int on = 1;
    setsockopt(made.peer, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    vek::fuzz::StartTraceSink();
    uint32_t handle = made.handle;
    made.script = new vek::fuzz::ScriptedPeer(made.peer, [handle] { return Unread(handle); });
    return made;
  }();
  return link;
}

// Leaves both ends empty and the Ethernet StatusFlags clear, so that every
// input starts alike.
void Drain(Link& link) {
  char sink[512];
  while (recv(link.peer, sink, sizeof sink, MSG_DONTWAIT) > 0) {
  }
  while (Unread(link.handle) > 0) vek::ReadTCPIP(&link.handle, nullptr, 0, vek::kPollTimeoutUs);
  vek::gState.netStatusFlags = 0;
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
  Link& link = Connect();
  Drain(link);

  switch (script.op % 3) {
    case 0: {  // a command: the reply is the chunks, then a closing ACK
      script.chunks.emplace_back("\x06");
      link.script->Play(script.chunks, true);
      uint32_t result = VEKnet_SendCommand(&link.handle, "AXST;");
      link.script->Finish();
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
      link.script->Play(script.chunks, true);
      uint32_t result = VEKnet_Query(&link.handle, "AXRP;", answer, lLen);
      link.script->Finish();
      Require(
          OneOf(result, {VEK_SUCCESS, VEK_ERROR_SOCKET_SEND, VEK_ERROR_SOCKET_RECEIVE, VEK_ERROR_SOCKET_RECEIVE_TIMEOUT,
                         VEK_ERROR_ACK_NAK_TIMEOUT, VEK_ERROR_COMMAND_NAK, VEK_ERROR_NO_COMMAND_ACK}));
      CheckAnswer(answer, lLen);
      std::free(answer);
      break;
    }
    default: {  // a motion wait of 1 to 36 ms; mask bit 10 reaches into the next group
      const vek::fuzz::WaitArgs w = vek::fuzz::DecodeWait(script);
      link.script->Play(script.chunks, false);
      uint32_t result = vek::WaitOnEthernet(&link.handle, w.mask, w.timeout, w.group);
      link.script->Finish();
      Require(OneOf(result, {VEK_SUCCESS, VEK_ERROR_WAIT_TIMEOUT}));
      if (result == VEK_SUCCESS) Require((vek::gState.netStatusFlags & w.awaited) == w.awaited);
      break;
    }
  }
  // Notifications map onto bits 0 to 30 only.
  Require((vek::gState.netStatusFlags & 0x80000000u) == 0);
  return 0;
}
