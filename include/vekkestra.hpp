/**
 * @file vekkestra.hpp
 * @brief C++17 layer over vekkestra.h: a controller object whose moves end at a limit or a slip and stop the other
 *        axes, whose waits cannot hang on a lost notification, which recovers from late replies and throws
 *        exceptions, and which threads may share.
 *
 * Header-only: include it and link the library as for vekkestra.h (CMake: VekKestra::vekkestra; on Windows also
 * ws2_32, which the CMake target brings along). Everything here is made of the library's exports; docs/motion.md
 * describes the behaviour, which the Python package and the C# binding share.
 *
 * @code
 * auto ctl = vek::Controller::tcp("localhost");                        // or vek::Controller::serial(3)
 * ctl.move({{vek::Axis::X, 4000}, {vek::Axis::Y, -2500}}, std::chrono::seconds(10));
 * int32_t x = ctl.position(vek::Axis::X);
 * @endcode
 *
 * - A move clears the done, limit and slip flags of its axes, sends one command and waits in slices of about
 *   10 ms. A limit or slip of a moved axis stops the other moved axes and throws vek::LimitError or vek::SlipError;
 *   a time-out stops the moved axes (unless OnTimeout::KeepMoving) and throws vek::TimeoutError. An axis still
 *   missing its done report is asked for its status every 250 ms, and counts as done once it is at rest.
 * - A reply that timed out is never taken as a later call's answer: on TCP the next call reconnects first, on a
 *   serial port it first reads and discards until the late answer has come and the line is quiet (at most 3 s
 *   after the time-out when no answer comes).
 * - Every call holds the controller's lock; a wait holds it one slice at a time, so that stop() or cancel() from
 *   another thread gets through at once. cancel() ends the waits running at that moment: their axes are stopped
 *   and vek::CancelledError is thrown.
 * - A controller destroyed while an exception unwinds the stack stops the axes that it set moving and that have
 *   not been seen to end; a vek::MotionGuard does the same for the axes set moving in its scope. A scope left
 *   normally stops nothing.
 * - Two controllers on one transport in one process share the library's status word (see vekkestra.h): give
 *   their moves different axes. A TCP reconnect clears that word.
 */
#ifndef VEKKESTRA_HPP
#define VEKKESTRA_HPP

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>

#include "vekkestra.h"

// Host name resolution is the one system service this header uses itself.
#if defined(_WIN32)
#  include <winsock2.h>
#  include <ws2tcpip.h>
#else
#  include <netdb.h>
#  include <netinet/in.h>
#  include <sys/socket.h>
#endif

namespace vek {

namespace detail {

// The first IPv4 address of a host name or address text, dotted; empty with the reason in *error.
inline std::string resolve_ipv4(const std::string& host, std::string* error) {
#if defined(_WIN32)
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
    *error = "Winsock start-up failed";
    return std::string();
  }
  struct Cleanup {
    ~Cleanup() { WSACleanup(); }
  } cleanup;
#endif
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0 || found == nullptr) {
#if defined(_WIN32)
    const std::string reason = rc != 0 ? "error " + std::to_string(rc) : "no IPv4 address";
#else
    const std::string reason = rc != 0 ? gai_strerror(rc) : "no IPv4 address";
#endif
    *error = "cannot resolve \"" + host + "\": " + reason;
    return std::string();
  }
  // The address bytes are in network order, first byte first.
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const auto* b = reinterpret_cast<const unsigned char*>(&in->sin_addr);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned{b[0]}, unsigned{b[1]}, unsigned{b[2]}, unsigned{b[3]});
  freeaddrinfo(found);
  return text;
}

}  // namespace detail

// ---- Axes -------------------------------------------------------------------------------------------------------

/// The ten axes in the controller's order; each value is the axis bit of vekkestra.h.
enum class Axis : int32_t {
  X = VEK_AXIS_X,
  Y = VEK_AXIS_Y,
  Z = VEK_AXIS_Z,
  T = VEK_AXIS_T,
  U = VEK_AXIS_U,
  V = VEK_AXIS_V,
  R = VEK_AXIS_R,
  S = VEK_AXIS_S,
  W = VEK_AXIS_W,
  K = VEK_AXIS_K
};

/// True for the ten axes, false for any other value cast to Axis.
inline bool is_axis(Axis axis) noexcept {
  const int32_t bit = static_cast<int32_t>(axis);
  return bit > 0 && bit <= VEK_AXIS_K && (bit & (bit - 1)) == 0;
}

/// The value-list slot of an axis: 0 for X to 9 for K. Throws std::invalid_argument for a value that is no axis.
inline int index_of(Axis axis) {
  if (!is_axis(axis))
    throw std::invalid_argument("vek: " + std::to_string(static_cast<int32_t>(axis)) + " is not an axis");
  int index = 0;
  for (int32_t bit = static_cast<int32_t>(axis); bit > 1; bit >>= 1) ++index;
  return index;
}

/// The axis of a value-list slot (0 to 9).
inline Axis axis_at(int index) {
  if (index < 0 || index >= VEK_AXIS_COUNT)
    throw std::invalid_argument("vek: no axis at slot " + std::to_string(index));
  return static_cast<Axis>(1 << index);
}

/// The axis letter, 'X' to 'K'.
inline char letter(Axis axis) { return "XYZTUVRSWK"[index_of(axis)]; }

/// A set of axes (an axis mask). Built from axes, so it only ever holds axis bits.
class Axes {
 public:
  Axes() = default;
  Axes(Axis axis) : mask_(1 << index_of(axis)) {}  // implicit: an axis is a set of one
  Axes(std::initializer_list<Axis> axes) {
    for (Axis axis : axes) mask_ |= 1 << index_of(axis);
  }
  static Axes all() noexcept { return Axes(VEK_ALL_AXES); }
  /// The axes of a mask of axis bits; a mask outside 0-1023 is refused with std::invalid_argument.
  static Axes from_mask(int32_t mask) {
    if (mask < 0 || mask > VEK_ALL_AXES) throw std::invalid_argument("vek: axis mask " + std::to_string(mask));
    return Axes(mask);
  }
  int32_t mask() const noexcept { return mask_; }
  bool empty() const noexcept { return mask_ == 0; }
  bool contains(Axis axis) const noexcept { return is_axis(axis) && (mask_ & static_cast<int32_t>(axis)) != 0; }
  friend Axes operator|(Axes a, Axes b) noexcept { return Axes(a.mask_ | b.mask_); }
  friend bool operator==(Axes a, Axes b) noexcept { return a.mask_ == b.mask_; }
  friend bool operator!=(Axes a, Axes b) noexcept { return a.mask_ != b.mask_; }

 private:
  explicit Axes(int32_t mask) : mask_(mask) {}
  int32_t mask_ = 0;
};

/// Motor and encoder reading of one axis, in the controller's units.
struct Position {
  int32_t motor = 0;
  int32_t encoder = 0;
};

/// What a move does with its axes when its time-out runs out.
enum class OnTimeout { Stop, KeepMoving };

// ---- Errors -----------------------------------------------------------------------------------------------------

/// The name of a result code ("VEK_ERROR_WAIT_TIMEOUT"), or "VEK_ERROR_UNKNOWN".
inline const char* result_name(uint32_t code) noexcept {
#define VEK_HPP_RESULT(name) \
  { name, #name }
  static const struct {
    uint32_t code;
    const char* name;
  } kNames[] = {VEK_HPP_RESULT(VEK_SUCCESS),
                VEK_HPP_RESULT(VEK_ERROR_INVALID_AXIS),
                VEK_HPP_RESULT(VEK_ERROR_INVALID_PARAMETER),
                VEK_HPP_RESULT(VEK_ERROR_COMMAND_TOO_LONG),
                VEK_HPP_RESULT(VEK_ERROR_WAIT_TIMEOUT),
                VEK_HPP_RESULT(VEK_ERROR_ANSWER_TOO_LONG),
                VEK_HPP_RESULT(VEK_ERROR_LOG_FILE),
                VEK_HPP_RESULT(VEK_ERROR_POLL_TIMEOUT),
                VEK_HPP_RESULT(VEK_ERROR_INVALID_IP_ADDRESS),
                VEK_HPP_RESULT(VEK_ERROR_ETHERNET_CONNECT),
                VEK_HPP_RESULT(VEK_ERROR_SOCKET_SEND),
                VEK_HPP_RESULT(VEK_ERROR_SOCKET_RECEIVE),
                VEK_HPP_RESULT(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT),
                VEK_HPP_RESULT(VEK_ERROR_ACK_NAK_TIMEOUT),
                VEK_HPP_RESULT(VEK_ERROR_BAD_RESPONSE),
                VEK_HPP_RESULT(VEK_ERROR_COMMAND_NAK),
                VEK_HPP_RESULT(VEK_ERROR_NO_COMMAND_ACK),
                VEK_HPP_RESULT(VEK_ERROR_SERIAL_OPEN),
                VEK_HPP_RESULT(VEK_ERROR_SERIAL_WRITE),
                VEK_HPP_RESULT(VEK_ERROR_SERIAL_READ),
                VEK_HPP_RESULT(VEK_ERROR_SERIAL_READ_TIMEOUT)};
#undef VEK_HPP_RESULT
  for (const auto& entry : kNames)
    if (entry.code == code) return entry.name;
  return "VEK_ERROR_UNKNOWN";
}

/// A failed operation: what() reads "VEKnet_MoveAxis: VEK_ERROR_WAIT_TIMEOUT (6)". code() is the library's result
/// code; it is 0 for the errors that no result code stands for (limit, slip, closed, cancelled).
class Error : public std::runtime_error {
 public:
  Error(uint32_t code, std::string operation, const std::string& detail = std::string())
      : std::runtime_error(operation + ": " + result_name(code) + " (" + std::to_string(code) + ")" +
                           (detail.empty() ? "" : ": " + detail)),
        code_(code),
        operation_(std::move(operation)) {}
  uint32_t code() const noexcept { return code_; }
  /// The export that failed ("VEKnet_Move"), or the controller's method for errors of this layer.
  const std::string& operation() const noexcept { return operation_; }

 protected:
  struct Said {};
  Error(Said, std::string operation, const std::string& message)
      : std::runtime_error(operation + ": " + message), code_(0), operation_(std::move(operation)) {}

 private:
  uint32_t code_;
  std::string operation_;
};

/// A wait that ran out (6) or a reply that did not come (213, 214, 352).
class TimeoutError : public Error {
 public:
  using Error::Error;
};

/// Connecting, sending or receiving failed (201, 202, 211, 212, 217, 301, 350, 351).
class ConnectionError : public Error {
 public:
  using Error::Error;
};

/// A call on a closed (or moved-from) controller; nothing was sent.
class ClosedError : public Error {
 public:
  explicit ClosedError(std::string operation) : Error(Said{}, std::move(operation), "the controller is closed") {}
};

/// A wait ended by Controller::cancel(); its axes were stopped.
class CancelledError : public Error {
 public:
  explicit CancelledError(std::string operation) : Error(Said{}, std::move(operation), "the wait was cancelled") {}
};

/// A moved axis reported a limit or a slip; the other moved axes were stopped.
class AxisError : public Error {
 public:
  Axis axis() const noexcept { return axis_; }
  /// The motor position read after the stop (0 when it could not be read: position_read() is then false).
  int32_t position() const noexcept { return position_; }
  bool position_read() const noexcept { return read_; }

 protected:
  AxisError(std::string operation, Axis axis, int32_t position, bool read, const char* event)
      : Error(Said{}, std::move(operation),
              std::string("axis ") + letter(axis) + " " + event +
                  (read ? " at position " + std::to_string(position) : ", position not read")),
        axis_(axis),
        position_(position),
        read_(read) {}

 private:
  Axis axis_;
  int32_t position_;
  bool read_;
};

class LimitError : public AxisError {
 public:
  LimitError(std::string operation, Axis axis, int32_t position, bool read = true)
      : AxisError(std::move(operation), axis, position, read, "met a limit") {}
};

class SlipError : public AxisError {
 public:
  SlipError(std::string operation, Axis axis, int32_t position, bool read = true)
      : AxisError(std::move(operation), axis, position, read, "slipped") {}
};

/// Throws the error class that a failed result code belongs to.
[[noreturn]] inline void throw_result(uint32_t code, const std::string& operation, const std::string& detail = "") {
  switch (code) {
    case VEK_ERROR_WAIT_TIMEOUT:
    case VEK_ERROR_SOCKET_RECEIVE_TIMEOUT:
    case VEK_ERROR_ACK_NAK_TIMEOUT:
    case VEK_ERROR_SERIAL_READ_TIMEOUT:
      throw TimeoutError(code, operation, detail);
    case VEK_ERROR_INVALID_IP_ADDRESS:
    case VEK_ERROR_ETHERNET_CONNECT:
    case VEK_ERROR_SOCKET_SEND:
    case VEK_ERROR_SOCKET_RECEIVE:
    case VEK_ERROR_NO_COMMAND_ACK:
    case VEK_ERROR_SERIAL_OPEN:
    case VEK_ERROR_SERIAL_WRITE:
    case VEK_ERROR_SERIAL_READ:
      throw ConnectionError(code, operation, detail);
    default:
      throw Error(code, operation, detail);
  }
}

// ---- The link: one transport's exports --------------------------------------------------------------------------

namespace detail {

using Clock = std::chrono::steady_clock;

inline constexpr std::chrono::milliseconds kWaitSlice{10};         // pause between two looks at the status word
inline constexpr std::chrono::milliseconds kConfirmInterval{250};  // longest a missing done goes unconfirmed
inline constexpr std::chrono::milliseconds kResyncWindow{3000};    // how long a late serial answer is waited for
inline constexpr int kAnswerSize = 256;                            // the transports keep at most 255 characters
inline constexpr int kLimitShift = 10;                             // limit flags in the status word
inline constexpr int kSlipShift = 20;                              // slip flags
inline constexpr int kMovingLetter = 4;                            // axis status: the "moving" letter

// The exports this layer calls, for one transport.
struct Link {
  const char* prefix;
  bool serial;
  void(VEK_CALL* close)(uint32_t*);
  uint32_t(VEK_CALL* send)(uint32_t*, const char*);
  uint32_t(VEK_CALL* query)(uint32_t*, const char*, char*, int32_t);
  uint32_t(VEK_CALL* move_axis)(uint32_t*, int32_t, int32_t, int32_t, int32_t, int32_t);
  uint32_t(VEK_CALL* move)(uint32_t*, int32_t, int32_t, int32_t, const int32_t*, int32_t, int32_t);
  uint32_t(VEK_CALL* jog_axis)(uint32_t*, int32_t, int32_t, double);
  uint32_t(VEK_CALL* jog)(uint32_t*, int32_t, int32_t, const int32_t*);
  uint32_t(VEK_CALL* stop)(uint32_t*, int32_t);
  uint32_t(VEK_CALL* kill)(uint32_t*, int32_t);
  uint32_t(VEK_CALL* find_home)(uint32_t*, int32_t, int32_t, int32_t, int32_t, int32_t);
  uint32_t(VEK_CALL* motor_position)(uint32_t*, int32_t, int32_t*);
  uint32_t(VEK_CALL* all_positions)(uint32_t*, int32_t*, int32_t*);
  uint32_t(VEK_CALL* status_word)(uint32_t*, uint32_t*);
  uint32_t(VEK_CALL* clear_done)(uint32_t*, int32_t);
  uint32_t(VEK_CALL* clear_limit)(uint32_t*, int32_t);
  uint32_t(VEK_CALL* clear_slip)(uint32_t*, int32_t);
  uint32_t(VEK_CALL* axis_status)(uint32_t*, int32_t, uint32_t*);
};

inline const Link& ethernet_link() {
  static const Link link{"VEKnet_",
                         false,
                         &VEKnet_Close,
                         &VEKnet_SendCommand,
                         &VEKnet_Query,
                         &VEKnet_MoveAxis,
                         &VEKnet_Move,
                         &VEKnet_JogAxis,
                         &VEKnet_Jog,
                         &VEKnet_StopMotion,
                         &VEKnet_KillMotion,
                         &VEKnet_FindAxisHome,
                         &VEKnet_GetAxisMotorPosition,
                         &VEKnet_GetAllAxisPositions,
                         &VEKnet_GetAllDoneFlags,
                         &VEKnet_ClearMultiAxisDoneFlags,
                         &VEKnet_ClearMultiAxisOvertravelFlags,
                         &VEKnet_ClearMultiAxisSlipFlag,
                         &VEKnet_GetAxisEncoderStatus};
  return link;
}

inline const Link& serial_link() {
  static const Link link{"VEKser_",
                         true,
                         &VEKser_Close,
                         &VEKser_SendCommand,
                         &VEKser_Query,
                         &VEKser_MoveAxis,
                         &VEKser_Move,
                         &VEKser_JogAxis,
                         &VEKser_Jog,
                         &VEKser_StopMotion,
                         &VEKser_KillMotion,
                         &VEKser_FindAxisHome,
                         &VEKser_GetAxisMotorPosition,
                         &VEKser_GetAllAxisPositions,
                         &VEKser_GetAllDoneFlags,
                         &VEKser_ClearMultiAxisDoneFlags,
                         &VEKser_ClearMultiAxisOvertravelFlags,
                         &VEKser_ClearMultiAxisSlipFlag,
                         &VEKser_GetAxisEncoderStatus};
  return link;
}

inline Axis first_axis(int32_t mask) {
  for (int i = 0; i < VEK_AXIS_COUNT; ++i)
    if (mask & (1 << i)) return axis_at(i);
  throw std::logic_error("vek: empty axis mask");
}

// One open connection and what the layer remembers about it. Every member but the cancel signal is guarded by
// `mutex`.
class Session {
 public:
  explicit Session(const Link& l) : link(l) {}

  const Link& link;
  std::mutex mutex;
  uint32_t handle = 0;
  bool open = false;
  std::string address;  // TCP: the resolved address and port, for reconnecting
  uint16_t port = 0;
  bool reconnect = false;  // TCP: a reply was lost; the socket may still deliver it
  bool resync = false;     // serial: an answer line may still come
  Clock::time_point resync_since;
  int32_t moving = 0;  // axes set moving and not seen to end
  std::array<uint64_t, VEK_AXIS_COUNT> started{};
  uint64_t starts = 0;
  // cancel() raises the count and wakes the waits; it never takes `mutex`.
  std::atomic<uint64_t> cancels{0};
  std::mutex signal_mutex;
  std::condition_variable signal;

  std::string op(const char* name) const { return std::string(link.prefix) + name; }

  // Throws for a failed result, first noting a reply that may still come.
  void check(uint32_t rc, const char* name) {
    if (rc == VEK_SUCCESS) return;
    note_lost_reply(rc);
    throw_result(rc, op(name));
  }

  void note_lost_reply(uint32_t rc) {
    if (!link.serial) {
      if (rc == VEK_ERROR_SOCKET_SEND || rc == VEK_ERROR_SOCKET_RECEIVE || rc == VEK_ERROR_SOCKET_RECEIVE_TIMEOUT ||
          rc == VEK_ERROR_ACK_NAK_TIMEOUT || rc == VEK_ERROR_NO_COMMAND_ACK)
        reconnect = true;
    } else if (rc == VEK_ERROR_SERIAL_READ_TIMEOUT) {
      resync = true;
      resync_since = Clock::now();
    }
  }

  // Before a call: refuses a closed controller, and makes sure that no late reply can reach the call. A call that
  // reads nothing back (a serial send) needs no serial resync.
  void prepare(const char* method, bool reads = true) {
    if (!open) throw ClosedError(std::string("vek::Controller::") + method);
    if (reconnect) reopen();
    if (resync && reads) drain();
  }

  void reopen() {
    link.close(&handle);
    const uint32_t rc = VEKnet_Initialize(address.c_str(), port, &handle);
    if (rc != VEK_SUCCESS) {
      if (handle != 0) link.close(&handle);  // the unconnected socket of a refused address
      handle = 0;
      throw_result(rc, "VEKnet_Initialize", "reconnecting to " + address + ":" + std::to_string(port));
    }
    reconnect = false;
  }

  // Reads serial lines and drops them until the late answer has come and the line is quiet again, or until the
  // window after the time-out has passed. An empty query sends nothing and reads one line; it returns 352 once
  // no line has come for about 100 ms.
  void drain() {
    const Clock::time_point deadline = resync_since + kResyncWindow;
    const Clock::time_point give_up = Clock::now() + kResyncWindow;
    bool heard = false;
    for (;;) {
      char line[kAnswerSize] = {};
      const uint32_t rc = link.query(&handle, "", line, kAnswerSize);
      if (rc != VEK_SUCCESS && rc != VEK_ERROR_ANSWER_TOO_LONG && rc != VEK_ERROR_SERIAL_READ_TIMEOUT)
        throw_result(rc, op("Query"), "reading a late answer");
      const Clock::time_point now = Clock::now();
      if (rc != VEK_ERROR_SERIAL_READ_TIMEOUT || line[0] != '\0') {
        heard = true;
      } else if (heard || now >= deadline) {
        break;
      }
      if (now >= give_up) return;  // still talking: try again before the next call
    }
    resync = false;
  }

  void set_moving(int32_t mask) {
    moving |= mask;
    ++starts;
    for (int i = 0; i < VEK_AXIS_COUNT; ++i)
      if (mask & (1 << i)) started[static_cast<size_t>(i)] = starts;
  }

  int32_t started_after(uint64_t mark) const {
    int32_t mask = 0;
    for (int i = 0; i < VEK_AXIS_COUNT; ++i)
      if ((moving & (1 << i)) && started[static_cast<size_t>(i)] > mark) mask |= 1 << i;
    return mask;
  }

  // Fresh flags for the axes about to move: what has already arrived is folded first, so that a notification of
  // an earlier motion cannot set a flag after the clear.
  void clear_flags(int32_t mask) {
    uint32_t flags = 0;
    check(link.status_word(&handle, &flags), "GetAllDoneFlags");
    check(link.clear_done(&handle, mask), "ClearMultiAxisDoneFlags");
    check(link.clear_limit(&handle, mask), "ClearMultiAxisOvertravelFlags");
    check(link.clear_slip(&handle, mask), "ClearMultiAxisSlipFlag");
  }

  // The motion command's result: the axes count as moving unless the command surely did not run.
  void started_motion(uint32_t rc, int32_t mask, const char* name) {
    if (rc == VEK_SUCCESS || rc == VEK_ERROR_SOCKET_RECEIVE || rc == VEK_ERROR_SOCKET_RECEIVE_TIMEOUT ||
        rc == VEK_ERROR_ACK_NAK_TIMEOUT || rc == VEK_ERROR_NO_COMMAND_ACK)
      set_moving(mask);
    check(rc, name);
  }

  // A best-effort stop for the paths that are already failing or unwinding: never throws.
  void stop_quietly(int32_t mask) noexcept {
    if (mask == 0 || !open) return;
    try {
      prepare("stop", false);
      if (link.stop(&handle, mask) == VEK_SUCCESS) moving &= ~mask;
    } catch (...) {
    }
  }

  // A moved axis that reported a limit or a slip ends the wait: the other moved axes are stopped first.
  void end_on_trip(uint32_t flags, int32_t mask, const std::string& operation) {
    const int32_t limit = static_cast<int32_t>(flags >> kLimitShift) & mask;
    const int32_t slip = static_cast<int32_t>(flags >> kSlipShift) & mask;
    if (limit == 0 && slip == 0) return;
    const int32_t tripped = limit != 0 ? limit : slip;
    stop_quietly(mask & ~tripped);
    moving &= ~mask;
    const Axis axis = first_axis(tripped);
    int32_t position = 0;
    const bool read = link.motor_position(&handle, static_cast<int32_t>(axis), &position) == VEK_SUCCESS;
    if (limit != 0) throw LimitError(operation, axis, position, read);
    throw SlipError(operation, axis, position, read);
  }

  // Asks the axes still missing their done report whether they move; those at rest count as done.
  void confirm_at_rest(int32_t* pending) {
    for (int i = 0; i < VEK_AXIS_COUNT; ++i) {
      if ((*pending & (1 << i)) == 0) continue;
      uint32_t status[5] = {};
      check(link.axis_status(&handle, 1 << i, status), "GetAxisEncoderStatus");
      if (status[kMovingLetter] == 0) *pending &= ~(1 << i);
    }
  }

  // One slice of a wait: true when every moved axis has ended.
  bool look(int32_t mask, int32_t* pending, Clock::time_point* confirm_at, const std::string& operation) {
    uint32_t flags = 0;
    check(link.status_word(&handle, &flags), "GetAllDoneFlags");
    end_on_trip(flags, mask, operation);
    *pending &= ~static_cast<int32_t>(flags & VEK_ALL_AXES);
    if (*pending != 0 && Clock::now() >= *confirm_at) {
      confirm_at_rest(pending);
      *confirm_at = Clock::now() + kConfirmInterval;
    }
    if (*pending != 0) return false;
    moving &= ~mask;
    return true;
  }

  // Sleeps without the lock until `until` or a cancel.
  void pause(Clock::time_point until, uint64_t cancel_mark) {
    std::unique_lock<std::mutex> hold(signal_mutex);
    signal.wait_until(hold, until, [&] { return cancels.load() != cancel_mark; });
  }

  void close() noexcept {
    if (!open) return;
    link.close(&handle);
    open = false;
  }
};

}  // namespace detail

// ---- The controller ---------------------------------------------------------------------------------------------

/// One connection to a controller. Move-only; destroying it closes the connection (and, during stack unwinding,
/// first stops the axes it set moving). Every method may be called from any thread. Argument errors throw
/// std::invalid_argument before anything is sent; failures throw vek::Error or one of its kinds.
class Controller {
 public:
  using milliseconds = std::chrono::milliseconds;

  /// A closed controller: every call throws ClosedError.
  Controller() noexcept : uncaught_(std::uncaught_exceptions()) {}

  /// Connects over TCP. The host may be a name ("localhost") or a dotted IPv4 address.
  static Controller tcp(const std::string& host, uint16_t port = 5001) {
    if (host.empty()) throw std::invalid_argument("vek::Controller::tcp: empty host");
    std::string why;
    const std::string address = detail::resolve_ipv4(host, &why);
    if (address.empty()) throw_result(VEK_ERROR_INVALID_IP_ADDRESS, "VEKnet_Initialize", why);
    auto session = std::make_unique<detail::Session>(detail::ethernet_link());
    session->address = address;
    session->port = port;
    const uint32_t rc = VEKnet_Initialize(address.c_str(), port, &session->handle);
    if (rc != VEK_SUCCESS) {
      if (session->handle != 0) VEKnet_Close(&session->handle);
      throw_result(rc, "VEKnet_Initialize", host + ":" + std::to_string(port));
    }
    session->open = true;
    return Controller(std::move(session));
  }

  /// Opens COM port `com` (1 to 32) at 9600, 19200, 38400, 57600 or 115200 baud.
  static Controller serial(int com, int baud = 115200) {
    if (com < 1 || com > 32) throw std::invalid_argument("vek::Controller::serial: COM port " + std::to_string(com));
    if (baud != 9600 && baud != 19200 && baud != 38400 && baud != 57600 && baud != 115200)
      throw std::invalid_argument("vek::Controller::serial: baud rate " + std::to_string(baud));
    auto session = std::make_unique<detail::Session>(detail::serial_link());
    const uint32_t rc = VEKser_Initialize(com, baud, &session->handle);
    if (rc != VEK_SUCCESS) {
      // A port whose configuration failed stays open in the variable; a failed open leaves all bits set there.
      if (session->handle != 0) VEKser_Close(&session->handle);
      throw_result(rc, "VEKser_Initialize", "COM" + std::to_string(com));
    }
    session->open = true;
    return Controller(std::move(session));
  }

  Controller(Controller&& other) noexcept : s_(std::move(other.s_)), uncaught_(std::uncaught_exceptions()) {}
  Controller& operator=(Controller&& other) noexcept {
    if (this != &other) {
      release();
      s_ = std::move(other.s_);
    }
    return *this;
  }
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;
  ~Controller() { release(); }

  /// Closes the connection; later calls throw ClosedError. Stops nothing.
  void close() noexcept {
    if (!s_) return;
    std::lock_guard<std::mutex> hold(s_->mutex);
    s_->close();
  }
  bool is_open() const noexcept {
    if (!s_) return false;
    std::lock_guard<std::mutex> hold(s_->mutex);
    return s_->open;
  }

  /// Moves axes to absolute positions (steps) together and waits until all have ended. A time-out of 0 starts
  /// the move and returns at once.
  void move(const std::map<Axis, int32_t>& targets, milliseconds timeout, OnTimeout on_timeout = OnTimeout::Stop) {
    run_move(targets, 0, timeout, on_timeout, "move");
  }
  /// The same with distances from where the axes are.
  void move_by(const std::map<Axis, int32_t>& distances, milliseconds timeout, OnTimeout on_timeout = OnTimeout::Stop) {
    run_move(distances, 1, timeout, on_timeout, "move_by");
  }
  void move_axis(Axis axis, int32_t target, milliseconds timeout, OnTimeout on_timeout = OnTimeout::Stop) {
    run_move({{axis, target}}, 0, timeout, on_timeout, "move_axis");
  }

  /// Searches the home switch of an axis ("HS", the position there becomes 0) and waits as a move does.
  void home(Axis axis, milliseconds timeout, OnTimeout on_timeout = OnTimeout::Stop) {
    check_timeout(timeout, "home");
    const int32_t bit = 1 << index_of(axis);
    run_motion(bit, "FindAxisHome", timeout, on_timeout, "home",
               [&](detail::Session& s) { return s.link.find_home(&s.handle, bit, 0, 0, 0, 0); });
  }

  /// Starts axes running at velocities (steps/s, signed) until they are stopped.
  void jog(Axis axis, int32_t velocity) { jog({{axis, velocity}}); }
  void jog(const std::map<Axis, int32_t>& velocities) {
    std::array<int32_t, VEK_AXIS_COUNT> values{};
    const int32_t mask = value_list(velocities, &values, "jog");
    detail::Session& s = session("jog");
    std::lock_guard<std::mutex> hold(s.mutex);
    s.prepare("jog", false);
    if (velocities.size() == 1) {
      const double velocity = velocities.begin()->second;
      s.started_motion(s.link.jog_axis(&s.handle, mask, 0, velocity), mask, "JogAxis");
    } else {
      s.started_motion(s.link.jog(&s.handle, mask, 0, values.data()), mask, "Jog");
    }
  }

  /// Decelerating stop; without arguments, of every axis.
  void stop(Axes axes = Axes::all()) { halt(axes, false); }
  /// Abrupt stop.
  void kill(Axes axes = Axes::all()) { halt(axes, true); }

  /// Motor position of one axis.
  int32_t position(Axis axis) {
    const int32_t bit = 1 << index_of(axis);
    detail::Session& s = session("position");
    std::lock_guard<std::mutex> hold(s.mutex);
    s.prepare("position");
    int32_t value = 0;
    s.check(s.link.motor_position(&s.handle, bit, &value), "GetAxisMotorPosition");
    return value;
  }

  /// Motor and encoder positions of all ten axes.
  std::map<Axis, Position> positions() {
    detail::Session& s = session("positions");
    std::lock_guard<std::mutex> hold(s.mutex);
    s.prepare("positions");
    int32_t motor[VEK_AXIS_COUNT] = {};
    int32_t encoder[VEK_AXIS_COUNT] = {};
    s.check(s.link.all_positions(&s.handle, motor, encoder), "GetAllAxisPositions");
    std::map<Axis, Position> all;
    for (int i = 0; i < VEK_AXIS_COUNT; ++i) all[axis_at(i)] = Position{motor[i], encoder[i]};
    return all;
  }

  /// Sends a raw query text ("AXRP;") and returns its answer (at most 255 characters).
  std::string query(const std::string& text) {
    check_text(text, "query");
    detail::Session& s = session("query");
    std::lock_guard<std::mutex> hold(s.mutex);
    s.prepare("query");
    char answer[detail::kAnswerSize] = {};
    s.check(s.link.query(&s.handle, text.c_str(), answer, detail::kAnswerSize), "Query");
    return answer;
  }

  /// Sends a raw command text ("AXLP0;").
  void send(const std::string& text) {
    check_text(text, "send");
    detail::Session& s = session("send");
    std::lock_guard<std::mutex> hold(s.mutex);
    s.prepare("send", false);
    s.check(s.link.send(&s.handle, text.c_str()), "SendCommand");
  }

  /// Ends every wait running on this controller now: its axes are stopped and it throws CancelledError. Safe from
  /// any thread (and from a signal-free context only: it takes a small lock). Waits started later are not affected.
  void cancel() noexcept {
    if (!s_) return;
    {
      std::lock_guard<std::mutex> hold(s_->signal_mutex);
      ++s_->cancels;
    }
    s_->signal.notify_all();
  }

  /// The axes set moving by this controller and not seen to end.
  Axes moving() const {
    if (!s_) return Axes();
    std::lock_guard<std::mutex> hold(s_->mutex);
    return Axes::from_mask(s_->moving);
  }

  /// Calls f(handle) under the controller's lock, to reach any export of the controller's transport. The result
  /// is whatever f returns; this layer neither checks it nor recovers from a late reply that f met.
  template <class F>
  auto with_handle(F&& f) -> decltype(f(static_cast<uint32_t*>(nullptr))) {
    detail::Session& s = session("with_handle");
    std::lock_guard<std::mutex> hold(s.mutex);
    s.prepare("with_handle");
    return f(&s.handle);
  }

 private:
  friend class MotionGuard;

  explicit Controller(std::unique_ptr<detail::Session> s) noexcept
      : s_(std::move(s)), uncaught_(std::uncaught_exceptions()) {}

  detail::Session& session(const char* method) const {
    if (!s_) throw ClosedError(std::string("vek::Controller::") + method);
    return *s_;
  }

  void release() noexcept {
    if (!s_) return;
    {
      std::lock_guard<std::mutex> hold(s_->mutex);
      if (std::uncaught_exceptions() > uncaught_) s_->stop_quietly(s_->moving);
      s_->close();
    }
    s_.reset();
  }

  static void check_timeout(milliseconds timeout, const char* method) {
    if (timeout.count() < 0)
      throw std::invalid_argument(std::string("vek::Controller::") + method + ": negative time-out");
  }

  static void check_text(const std::string& text, const char* method) {
    if (text.empty() || text.find('\0') != std::string::npos)
      throw std::invalid_argument(std::string("vek::Controller::") + method + ": empty text or a NUL in it");
  }

  static int32_t value_list(const std::map<Axis, int32_t>& values, std::array<int32_t, VEK_AXIS_COUNT>* list,
                            const char* method) {
    if (values.empty()) throw std::invalid_argument(std::string("vek::Controller::") + method + ": no axis");
    int32_t mask = 0;
    for (const auto& entry : values) {
      const int index = index_of(entry.first);
      mask |= 1 << index;
      (*list)[static_cast<size_t>(index)] = entry.second;
    }
    return mask;
  }

  void halt(Axes axes, bool abrupt) {
    detail::Session& s = session(abrupt ? "kill" : "stop");
    std::lock_guard<std::mutex> hold(s.mutex);
    s.prepare(abrupt ? "kill" : "stop", false);
    const int32_t mask = axes.mask();
    s.check(abrupt ? s.link.kill(&s.handle, mask) : s.link.stop(&s.handle, mask), abrupt ? "KillMotion" : "StopMotion");
    s.moving &= ~mask;
  }

  void run_move(const std::map<Axis, int32_t>& targets, int32_t kind, milliseconds timeout, OnTimeout on_timeout,
                const char* method) {
    check_timeout(timeout, method);
    std::array<int32_t, VEK_AXIS_COUNT> values{};
    const int32_t mask = value_list(targets, &values, method);
    if (targets.size() == 1) {
      const int32_t value = targets.begin()->second;
      run_motion(mask, "MoveAxis", timeout, on_timeout, method,
                 [&](detail::Session& s) { return s.link.move_axis(&s.handle, mask, kind, value, 0, 0); });
    } else {
      run_motion(mask, "Move", timeout, on_timeout, method,
                 [&](detail::Session& s) { return s.link.move(&s.handle, mask, 0, kind, values.data(), 0, 0); });
    }
  }

  // Clears the axes' flags, sends the motion command (whose own wait is 0) and waits as docs/motion.md says.
  template <class Command>
  void run_motion(int32_t mask, const char* name, milliseconds timeout, OnTimeout on_timeout, const char* method,
                  Command command) {
    detail::Session& s = session(method);
    uint64_t cancel_mark = 0;
    {
      std::lock_guard<std::mutex> hold(s.mutex);
      s.prepare(method);
      cancel_mark = s.cancels.load();
      s.clear_flags(mask);
      s.started_motion(command(s), mask, name);
    }
    if (timeout.count() > 0) wait(s, mask, s.op(name), timeout, on_timeout, cancel_mark, method);
  }

  void wait(detail::Session& s, int32_t mask, const std::string& operation, milliseconds timeout, OnTimeout on_timeout,
            uint64_t cancel_mark, const char* method) {
    const detail::Clock::time_point deadline = detail::Clock::now() + timeout;
    detail::Clock::time_point confirm_at = detail::Clock::now() + detail::kConfirmInterval;
    int32_t pending = mask;
    for (;;) {
      {
        std::lock_guard<std::mutex> hold(s.mutex);
        s.prepare(method);
        if (s.cancels.load() != cancel_mark) {
          s.stop_quietly(mask);
          throw CancelledError(operation);
        }
        try {
          if (s.look(mask, &pending, &confirm_at, operation)) return;
        } catch (const AxisError&) {
          throw;
        } catch (...) {
          s.stop_quietly(mask);  // a wait that cannot go on leaves nothing running
          throw;
        }
        if (detail::Clock::now() >= deadline) {
          if (on_timeout == OnTimeout::Stop) s.stop_quietly(mask);
          throw TimeoutError(VEK_ERROR_WAIT_TIMEOUT, operation);
        }
      }
      s.pause((std::min)(deadline, detail::Clock::now() + detail::kWaitSlice), cancel_mark);
    }
  }

  std::unique_ptr<detail::Session> s_;
  int uncaught_;
};

/// Stops, when its scope is left by an exception, the axes that the controller set moving inside the scope and
/// that have not been seen to end. A scope left normally stops nothing.
class MotionGuard {
 public:
  explicit MotionGuard(Controller& controller) : controller_(controller), uncaught_(std::uncaught_exceptions()) {
    if (controller_.s_) {
      std::lock_guard<std::mutex> hold(controller_.s_->mutex);
      mark_ = controller_.s_->starts;
    }
  }
  ~MotionGuard() {
    if (std::uncaught_exceptions() <= uncaught_ || !controller_.s_) return;
    detail::Session& s = *controller_.s_;
    std::lock_guard<std::mutex> hold(s.mutex);
    s.stop_quietly(s.started_after(mark_));
  }
  MotionGuard(const MotionGuard&) = delete;
  MotionGuard& operator=(const MotionGuard&) = delete;

 private:
  Controller& controller_;
  int uncaught_;
  uint64_t mark_ = 0;
};

}  // namespace vek

#endif  // VEKKESTRA_HPP
