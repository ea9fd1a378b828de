#include "motion/link.h"

#include <cstdio>

#include "motion/results.h"
#include "platform/host.h"
#include "vekkestra_motion.h"

namespace vek::motion {
namespace {

// A serial answer that timed out may still come this long after.
constexpr std::chrono::milliseconds kLateAnswerWindow{3000};
// The silence that ends a serial drain once something has come.
constexpr std::chrono::milliseconds kQuietLine{100};
// At most this many chunks are folded in one go: a controller that never
// falls silent cannot hold a call for ever.
constexpr int kMostChunks = 64;
constexpr int kMostAddresses = 8;

const vek::Exports kEthernet = VEK_NET_EXPORTS;
const vek::Exports kSerial = VEK_SER_EXPORTS;

// Results after which the controller's reply may still be on its way, or the
// socket is of no use any more.
bool LostOnTcp(uint32_t code) {
  return code == VEK_ERROR_SOCKET_SEND || code == VEK_ERROR_SOCKET_RECEIVE ||
         code == VEK_ERROR_SOCKET_RECEIVE_TIMEOUT || code == VEK_ERROR_ACK_NAK_TIMEOUT ||
         code == VEK_ERROR_NO_COMMAND_ACK;
}

std::string ConnectHint(vek::host::ErrorSort sort, int32_t port) {
  using vek::host::ErrorSort;
  switch (sort) {
    case ErrorSort::kRefused:
      return "nothing accepts connections on port " + std::to_string(port) +
             " there: check the port and that the controller (or veksim) runs";
    case ErrorSort::kUnreachable:
      return "no route to that address: check the address, the cable and the network settings";
    case ErrorSort::kTimedOut:
      return "no answer from that address: check that the controller is on, and any firewall on the way "
             "(docs/troubleshooting.md)";
    default:
      return "";
  }
}

std::string SerialHint(vek::host::ErrorSort sort, int32_t com) {
  using vek::host::ErrorSort;
  const std::string variable = "VEKKESTRA_COM" + std::to_string(com);
  switch (sort) {
    case ErrorSort::kNoPermission:
      return "no permission: on Linux add your user to the device's group (usually dialout: sudo adduser $USER "
             "dialout) and log in again; see docs/troubleshooting.md";
    case ErrorSort::kNoDevice:
      return "no such device: set " + variable +
             " to the port's device (a USB adapter is /dev/ttyUSB0 or /dev/ttyACM0); see docs/troubleshooting.md";
    case ErrorSort::kBusy:
      return "another program holds the port: close it, or use another port";
    default:
      return "see docs/troubleshooting.md";
  }
}

}  // namespace

uint32_t Fail(Failure* f, uint32_t code, std::string operation, std::string detail, std::string hint) {
  if (f != nullptr) {
    *f = Failure{};
    f->code = code;
    f->operation = std::move(operation);
    f->detail = std::move(detail);
    f->hint = std::move(hint);
  }
  return code;
}

Link::Link(bool serial, std::string where)
    : ops_(serial ? &kSerial : &kEthernet), serial_(serial), where_(std::move(where)) {}

Link::~Link() { Close(); }

uint32_t Link::OpenTcp(const char* host, int32_t port, std::unique_ptr<Link>* link, Failure* f) {
  static const char kOperation[] = "VEKnet_Initialize";
  if (host == nullptr || host[0] == '\0') return Fail(f, VEKM_BAD_ARGUMENT, kOperation, "no host name or address");
  if (port < 1 || port > 65535)
    return Fail(f, VEKM_BAD_ARGUMENT, kOperation, "port " + std::to_string(port) + " is not 1 to 65535");
  char addresses[kMostAddresses][16] = {};
  char reason[160] = {};
  const int count = vek::host::ResolveIPv4All(host, addresses, kMostAddresses, reason, sizeof reason);
  if (count == 0) {
    return Fail(f, VEK_ERROR_INVALID_IP_ADDRESS, kOperation,
                std::string("\"") + host + "\" does not resolve to an IPv4 address (" + reason + ")",
                "check the name, or give the controller's dotted address such as 192.168.0.50");
  }
  uint32_t code = VEK_ERROR_ETHERNET_CONNECT;
  std::string tried;
  vek::host::ErrorSort sort = vek::host::ErrorSort::kOther;
  for (int i = 0; i < count; ++i) {
    const std::string shown =
        std::string(host) == addresses[i] ? std::string(addresses[i]) : std::string(host) + " (" + addresses[i] + ")";
    std::unique_ptr<Link> made(new Link(false, shown + ":" + std::to_string(port)));
    code = VEKnet_Initialize(addresses[i], static_cast<uint32_t>(port), &made->handle_);
    if (code == VEK_SUCCESS) {
      made->open_ = true;
      made->address_ = addresses[i];
      made->port_ = port;
      *link = std::move(made);
      return VEK_SUCCESS;
    }
    const int32_t system = VEKnet_GetLastError();
    // An address the library refused leaves its socket in the variable.
    if (made->handle_ != 0) VEKnet_Close(&made->handle_);
    char words[160] = {};
    sort = vek::host::DescribeError(system, words, sizeof words);
    if (!tried.empty()) tried += "; ";
    tried += "cannot connect to " + made->where_ + ": " + (system != 0 ? words : NameOf(code));
  }
  return Fail(f, code, kOperation, tried, ConnectHint(sort, port));
}

uint32_t Link::OpenSerial(int32_t com, int32_t baud, std::unique_ptr<Link>* link, Failure* f) {
  static const char kOperation[] = "VEKser_Initialize";
  if (com < 1 || com > 32)
    return Fail(f, VEKM_BAD_ARGUMENT, kOperation, "COM port " + std::to_string(com) + " is not 1 to 32");
  if (baud != 9600 && baud != 19200 && baud != 38400 && baud != 57600 && baud != 115200) {
    return Fail(f, VEKM_BAD_ARGUMENT, kOperation,
                "baud rate " + std::to_string(baud) + " is not 9600, 19200, 38400, 57600 or 115200");
  }
  char device[128] = {};
  vek::host::ComDevicePath(com, device, sizeof device);
  char where[200];
  std::snprintf(where, sizeof where, "COM%d (%s) at %d baud", com, device, baud);
  std::unique_ptr<Link> made(new Link(true, where));
  const uint32_t code = VEKser_Initialize(com, baud, &made->handle_);
  if (code == VEK_SUCCESS) {
    made->open_ = true;
    *link = std::move(made);
    return VEK_SUCCESS;
  }
  const auto system = static_cast<int32_t>(VEKser_GetLastError());
  // A port whose set-up failed stays open in the variable.
  if (made->handle_ != 0) VEKser_Close(&made->handle_);
  char words[160] = {};
  const vek::host::ErrorSort sort = vek::host::DescribeError(system, words, sizeof words);
  return Fail(f, code, kOperation,
              "cannot open COM" + std::to_string(com) + " (" + device + "): " + (system != 0 ? words : NameOf(code)),
              SerialHint(sort, com));
}

void Link::Close() {
  if (handle_ != 0) {
    if (serial_) {
      VEKser_Close(&handle_);
    } else {
      VEKnet_Close(&handle_);
    }
  }
  handle_ = 0;
  open_ = false;
  reopen_ = false;
  drain_ = false;
}

uint32_t Link::Ready(Use use, Failure* f) {
  if (!open_) return Fail(f, VEKM_CLOSED, Op("Initialize"), "the controller is closed");
  if (reopen_) {
    const uint32_t code = Reopen(f);
    if (code != VEK_SUCCESS) return code;
  }
  if (drain_ && use == Use::kQuery) Drain();
  // A TCP reply wait gets past one chunk of notifications only: reports that
  // piled up unread (more than 256 bytes of them) would make the next reply
  // look lost. What is already waiting is folded in first; a quiet line
  // costs one look at the socket.
  if (!serial_ && use != Use::kFlags) {
    uint32_t word = 0;
    return FoldWaiting(&word, f);
  }
  return VEK_SUCCESS;
}

uint32_t Link::FoldWaiting(uint32_t* word, Failure* f) {
  uint32_t code = VEK_SUCCESS;
  for (int i = 0; code == VEK_SUCCESS && i < kMostChunks; ++i) {
    if (vek::host::HandleReadable(handle_, false, 0) != 1) break;
    code = Result(ops_->GetAllDoneFlags(&handle_, word), "GetAllDoneFlags", f);
  }
  return code;
}

uint32_t Link::Reopen(Failure* f) {
  const uint32_t code = VEKnet_Initialize(address_.c_str(), static_cast<uint32_t>(port_), &handle_);
  if (code != VEK_SUCCESS) {
    const int32_t system = VEKnet_GetLastError();
    if (handle_ != 0) VEKnet_Close(&handle_);
    handle_ = 0;
    char words[160] = {};
    const vek::host::ErrorSort sort = vek::host::DescribeError(system, words, sizeof words);
    return Fail(f, code, "VEKnet_Initialize",
                "opening " + where_ + " again after a lost reply: " + (system != 0 ? words : NameOf(code)),
                ConnectHint(sort, port_));
  }
  reopen_ = false;
  reopened_ = true;
  return VEK_SUCCESS;
}

bool Link::TakeReopened() {
  const bool was = reopened_;
  reopened_ = false;
  return was;
}

uint32_t Link::Result(uint32_t code, const char* name, Failure* f) {
  if (code == VEK_SUCCESS) return code;
  if (!serial_ && LostOnTcp(code)) {
    // Closing the socket is the one sure way to keep its late reply from
    // being read as the next call's answer.
    if (handle_ != 0) VEKnet_Close(&handle_);
    handle_ = 0;
    reopen_ = true;
  } else if (serial_ && code == VEK_ERROR_SERIAL_READ_TIMEOUT) {
    drain_ = true;
    drainSince_ = Clock::now();
  }
  const ResultRow* row = FindResult(code);
  return Fail(f, code, Op(name), row != nullptr ? row->text : "");
}

void Link::Drain() {
  // Read and drop until the late line has come and the port has been quiet
  // for a while, or until the window after the time-out has passed in
  // silence. The flag refresh reads everything waiting and folds its
  // notifications.
  const Clock::time_point giveUp = drainSince_ + kLateAnswerWindow;
  const Clock::time_point hardStop = Clock::now() + kLateAnswerWindow + kQuietLine;
  bool heard = false;
  uint32_t word = 0;
  for (;;) {
    const Clock::time_point now = Clock::now();
    const auto wait =
        heard ? kQuietLine : std::min<Clock::duration>(kQuietLine, std::max<Clock::duration>(giveUp - now, {}));
    const int readable = vek::host::HandleReadable(
        handle_, true, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()));
    if (readable < 0) break;
    if (readable > 0) {
      heard = true;
      ops_->GetAllDoneFlags(&handle_, &word);
    } else if (heard || Clock::now() >= giveUp) {
      break;
    }
    if (Clock::now() >= hardStop) break;
  }
  drain_ = false;
}

uint32_t Link::Word(uint32_t* word, Failure* f) {
  const uint32_t code = Ready(Use::kFlags, f);
  if (code != VEK_SUCCESS) return code;
  return Result(ops_->GetAllDoneFlags(&handle_, word), "GetAllDoneFlags", f);
}

uint32_t Link::FoldAll(uint32_t* word, Failure* f) {
  uint32_t code = Word(word, f);
  // On TCP a refresh takes one chunk of at most 256 bytes; more may wait
  // behind it. A serial refresh already reads until the port is quiet.
  if (code == VEK_SUCCESS && !serial_) code = FoldWaiting(word, f);
  return code;
}

uint32_t Link::Query(const char* text, char* answer, int32_t size, Failure* f) {
  const uint32_t code = Ready(Use::kQuery, f);
  if (code != VEK_SUCCESS) return code;
  return Result(ops_->Query(&handle_, text, answer, size), "Query", f);
}

}  // namespace vek::motion
