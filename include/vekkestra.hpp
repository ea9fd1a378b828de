/**
 * @file vekkestra.hpp
 * @brief C++17 layer over the motion core (vekkestra_motion.h): a controller object with RAII, exceptions and the
 *        library's types, whose moves, waits, recovery and error texts are the core's.
 *
 * Header-only: include it and link the motion core, which brings the library along (CMake: the target
 * `vekkestra_motion`; otherwise libvekkestra-motion and libvekkestra, on Windows VekKestraMotion.dll and
 * VekKestra.dll). docs/motion.md describes the behaviour, which the Python package and the C# binding share.
 *
 * @code
 * auto ctl = vek::Controller::tcp("localhost");                        // or vek::Controller::serial(3)
 * ctl.move({{vek::Axis::X, 4000}, {vek::Axis::Y, -2500}}, std::chrono::seconds(10));
 * int32_t x = ctl.position(vek::Axis::X);
 * @endcode
 *
 * Every operation of the command set is a typed method too (vekkestra_operations.hpp, generated from the library's
 * operation table): `ctl.set_axis_max_velocity(vek::Axis::X, 4000)`, `int32_t v = ctl.get_axis_max_velocity(vek::Axis::X)`,
 * `auto [motor, encoder] = ctl.get_all_axis_positions()`. Those that set axes moving or stop them are there only as
 * raw_<name>; move(), jog(), home(), find_limit(), stop() and kill() are their safe forms.
 *
 * What this layer adds to the core, and nothing more:
 * - Types: vek::Axis and vek::Axes for axis bits and masks, std::map for value lists, std::chrono for time-outs.
 * - Exceptions: a failed call throws the class of its VekmError's kind (vek::TimeoutError, vek::LimitError, ...;
 *   std::invalid_argument for arguments), whose what() is the core's message.
 * - RAII: a controller destroyed while an exception unwinds the stack stops the axes it set moving; a
 *   vek::MotionGuard does the same for the axes set moving in its scope. A scope left normally stops nothing.
 *
 * Every method may be called from any thread: the core holds the controller's lock for each call, and a wait holds
 * it one slice at a time, so that stop() or cancel() from another thread gets through at once.
 */
#ifndef VEKKESTRA_HPP
#define VEKKESTRA_HPP

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include "vekkestra.h"
#include "vekkestra_motion.h"
#include "vekkestra_motion_calls.h"

/** @brief The C++ layer of VekKestra. */
namespace vek {

// ---- Axes -------------------------------------------------------------------------------------------------------

/** @brief The ten axes in the controller's order; each value is the axis bit of vekkestra.h. */
enum class Axis : int32_t {
  X = VEK_AXIS_X, /**< Axis X, value-list slot 0. */
  Y = VEK_AXIS_Y, /**< Axis Y, slot 1. */
  Z = VEK_AXIS_Z, /**< Axis Z, slot 2. */
  T = VEK_AXIS_T, /**< Axis T, slot 3. */
  U = VEK_AXIS_U, /**< Axis U, slot 4. */
  V = VEK_AXIS_V, /**< Axis V, slot 5. */
  R = VEK_AXIS_R, /**< Axis R, slot 6. */
  S = VEK_AXIS_S, /**< Axis S, slot 7. */
  W = VEK_AXIS_W, /**< Axis W, slot 8. */
  K = VEK_AXIS_K  /**< Axis K, slot 9. */
};

/**
 * @brief Tells the ten axes from other values cast to Axis.
 * @param axis Any value.
 * @return True for one of the ten axis bits.
 */
inline bool is_axis(Axis axis) noexcept {
  const int32_t bit = static_cast<int32_t>(axis);
  return bit > 0 && bit <= VEK_AXIS_K && (bit & (bit - 1)) == 0;
}

/**
 * @brief The value-list slot of an axis.
 * @param axis One of the ten axes; any other value throws std::invalid_argument.
 * @return 0 for X to 9 for K.
 */
inline int index_of(Axis axis) {
  if (!is_axis(axis))
    throw std::invalid_argument("vek: " + std::to_string(static_cast<int32_t>(axis)) + " is not an axis");
  int index = 0;
  for (int32_t bit = static_cast<int32_t>(axis); bit > 1; bit >>= 1) ++index;
  return index;
}

/**
 * @brief The axis of a value-list slot.
 * @param index 0 to 9; any other slot throws std::invalid_argument.
 * @return The axis in that slot.
 */
inline Axis axis_at(int index) {
  if (index < 0 || index >= VEK_AXIS_COUNT)
    throw std::invalid_argument("vek: no axis at slot " + std::to_string(index));
  return static_cast<Axis>(1 << index);
}

/**
 * @brief The letter of an axis.
 * @param axis One of the ten axes (else std::invalid_argument).
 * @return 'X' to 'K'.
 */
inline char letter(Axis axis) { return "XYZTUVRSWK"[index_of(axis)]; }

/** @brief A set of axes (an axis mask). Built from axes, so it only ever holds axis bits. */
class Axes {
 public:
  /** @brief No axis. */
  Axes() = default;
  /**
   * @brief A set of one axis (implicit, so that an axis may stand for a set).
   * @param axis One of the ten axes (else std::invalid_argument).
   */
  Axes(Axis axis) : mask_(1 << index_of(axis)) {}
  /**
   * @brief The axes listed.
   * @param axes Axes (any other value throws std::invalid_argument).
   */
  Axes(std::initializer_list<Axis> axes) {
    for (Axis axis : axes) mask_ |= 1 << index_of(axis);
  }
  /**
   * @brief All ten axes.
   * @return The set of all ten.
   */
  static Axes all() noexcept { return Axes(VEK_ALL_AXES); }
  /**
   * @brief The axes of a mask of axis bits.
   * @param mask 0 to 1023; any other mask throws std::invalid_argument.
   * @return The set.
   */
  static Axes from_mask(int32_t mask) {
    if (mask < 0 || mask > VEK_ALL_AXES) throw std::invalid_argument("vek: axis mask " + std::to_string(mask));
    return Axes(mask);
  }
  /**
   * @brief The axis mask of the set.
   * @return An OR of axis bits.
   */
  int32_t mask() const noexcept { return mask_; }
  /**
   * @brief Tells whether the set is empty.
   * @return True when no axis is in it.
   */
  bool empty() const noexcept { return mask_ == 0; }
  /**
   * @brief Tells whether an axis is in the set.
   * @param axis Any value.
   * @return True when `axis` is one of the set's axes.
   */
  bool contains(Axis axis) const noexcept { return is_axis(axis) && (mask_ & static_cast<int32_t>(axis)) != 0; }
  /**
   * @brief The union of two sets.
   * @param a One set.
   * @param b The other.
   * @return The axes of either.
   */
  friend Axes operator|(Axes a, Axes b) noexcept { return Axes(a.mask_ | b.mask_); }
  /**
   * @brief Compares two sets.
   * @param a One set.
   * @param b The other.
   * @return True when both hold the same axes.
   */
  friend bool operator==(Axes a, Axes b) noexcept { return a.mask_ == b.mask_; }
  /**
   * @brief Compares two sets.
   * @param a One set.
   * @param b The other.
   * @return True when they differ.
   */
  friend bool operator!=(Axes a, Axes b) noexcept { return a.mask_ != b.mask_; }

 private:
  explicit Axes(int32_t mask) : mask_(mask) {}
  int32_t mask_ = 0;
};

/** @brief Motor and encoder reading of one axis, in the controller's units. */
struct Position {
  int32_t motor = 0;   /**< Motor (commanded) position, steps. */
  int32_t encoder = 0; /**< Encoder position, counts. */
};

/** @brief What a wait does with its axes when its time-out runs out. */
enum class OnTimeout {
  Stop,      /**< Stop them (decelerating stop) before throwing TimeoutError. */
  KeepMoving /**< Leave them moving (VEKM_KEEP_MOVING). */
};

/** @brief One axis as Controller::poll() saw it (the core's VekmAxisState). */
struct AxisState {
  /** @brief What the axis does (the core's VEKM_STATE_ values). */
  enum class State : int32_t {
    AtRest = VEKM_STATE_AT_REST, /**< Stands still, no limit, slip or refusal flagged. */
    Moving = VEKM_STATE_MOVING,  /**< The controller reports it moving. */
    Limit = VEKM_STATE_LIMIT,    /**< At rest; its last motion ended at a limit switch. */
    Slip = VEKM_STATE_SLIP,      /**< At rest; it slipped. */
    Refused = VEKM_STATE_REFUSED /**< Serial: the motion command this controller sent was refused. */
  };
  State state = State::AtRest; /**< What the axis does. */
  int32_t flags = 0;           /**< The core's VEKM_AXIS_ flags (VEKM_AXIS_OURS, VEKM_AXIS_ENDED, ...). */
  int32_t motor = 0;           /**< Motor position, steps. */
  int32_t encoder = 0;         /**< Encoder position, counts. */
  int32_t target = 0;          /**< This controller's target for the axis, when flags has VEKM_AXIS_HAS_TARGET. */
  int32_t direction = 0;       /**< +1 or -1: the way the axis last moved; 0 before it was seen moving. */
  /**
   * @brief Tells whether a flag is set.
   * @param flag One of the core's VEKM_AXIS_ flags.
   * @return True when it is set.
   */
  bool has(int32_t flag) const noexcept { return (flags & flag) != 0; }
};

// ---- Errors -----------------------------------------------------------------------------------------------------

/**
 * @brief The name of a result code, from the core's one table (vekm_result_name()).
 * @param code Any result code.
 * @return "VEK_ERROR_WAIT_TIMEOUT", "VEKM_LIMIT", ...; "VEK_ERROR_UNKNOWN" for a code nobody defined.
 */
inline const char* result_name(uint32_t code) noexcept { return vekm_result_name(code); }

/**
 * @brief A failed call, as the core reported it in a VekmError: what() is its message ("vekm_move: VEKM_LIMIT
 *        (1001): X met a limit switch at 5000; stopped Y").
 *
 * Thrown as itself for the core's kind "other" (a refused command, 216, among them); the other kinds have classes
 * of their own below.
 */
class Error : public std::runtime_error {
 public:
  /**
   * @brief An error as the core filled it.
   * @param error The core's report.
   */
  explicit Error(const VekmError& error) : std::runtime_error(error.message), error_(error) {}
  /**
   * @brief The result code.
   * @return A VEK_ERROR_ code of vekkestra.h or a VEKM_ code of the core.
   */
  uint32_t code() const noexcept { return error_.code; }
  /**
   * @brief The code's kind.
   * @return One of the core's VEKM_KIND_ values.
   */
  int32_t kind() const noexcept { return error_.kind; }
  /**
   * @brief The code's name.
   * @return "VEK_ERROR_WAIT_TIMEOUT", "VEKM_LIMIT", ...
   */
  std::string name() const { return error_.name; }
  /**
   * @brief What failed.
   * @return The library export or core function ("VEKnet_Move", "vekm_move").
   */
  std::string operation() const { return error_.operation; }
  /**
   * @brief What happened.
   * @return The core's words ("X still moving after 500 ms; stopped X").
   */
  std::string detail() const { return error_.detail; }
  /**
   * @brief What to do about it.
   * @return The core's hint, or an empty text when it has none.
   */
  std::string hint() const { return error_.hint; }
  /**
   * @brief The axes the core stopped on the way out.
   * @return The set, often empty.
   */
  Axes stopped() const { return Axes::from_mask(error_.stopped); }
  /**
   * @brief Everything the core said.
   * @return The core's report.
   */
  const VekmError& error() const noexcept { return error_; }

 private:
  VekmError error_;
};

/** @brief A wait ran out (6; its axes stopped unless OnTimeout::KeepMoving) or a reply did not come (213, 214,
 *         352). */
class TimeoutError : public Error {
 public:
  /**
   * @brief An error as the core filled it.
   * @param error The core's report.
   */
  explicit TimeoutError(const VekmError& error) : Error(error) {}
};

/** @brief Connecting, sending or receiving failed (201, 202, 211, 212, 217, 301, 350, 351). */
class ConnectionError : public Error {
 public:
  /**
   * @brief An error as the core filled it.
   * @param error The core's report.
   */
  explicit ConnectionError(const VekmError& error) : Error(error) {}
};

/** @brief A call on a closed, moved-from or default-made controller (VEKM_CLOSED); nothing was sent. */
class ClosedError : public Error {
 public:
  /**
   * @brief An error as the core filled it.
   * @param error The core's report.
   */
  explicit ClosedError(const VekmError& error) : Error(error) {}
};

/** @brief A wait ended by Controller::cancel() or by a signal (VEKM_CANCELLED); its axes were stopped. */
class CancelledError : public Error {
 public:
  /**
   * @brief An error as the core filled it.
   * @param error The core's report.
   */
  explicit CancelledError(const VekmError& error) : Error(error) {}
  /**
   * @brief What ended the wait.
   * @return The signal's number (see catch_signals()), or 0 for Controller::cancel().
   */
  int signal() const noexcept { return error().signal; }
};

/** @brief A motion that ended early at one axis: the other moved axes were stopped (stopped() names them). */
class AxisError : public Error {
 public:
  /**
   * @brief The axis the error is about.
   * @return That axis.
   */
  Axis axis() const noexcept { return static_cast<Axis>(error().axis); }
  /**
   * @brief Where the axis stood when it was found.
   * @return Its motor position, steps (valid when position_read() is true).
   */
  int32_t position() const noexcept { return error().position; }
  /**
   * @brief Tells whether position() holds a reading.
   * @return True when the position could be read.
   */
  bool position_read() const noexcept { return error().position_read != 0; }

 protected:
  /**
   * @brief An error as the core filled it.
   * @param error The core's report.
   */
  explicit AxisError(const VekmError& error) : Error(error) {}
};

/** @brief A moved axis met a limit switch (VEKM_LIMIT). */
class LimitError : public AxisError {
 public:
  /**
   * @brief An error as the core filled it.
   * @param error The core's report.
   */
  explicit LimitError(const VekmError& error) : AxisError(error) {}
};

/** @brief A moved axis slipped, slip detection being on for it (VEKM_SLIP). */
class SlipError : public AxisError {
 public:
  /**
   * @brief An error as the core filled it.
   * @param error The core's report.
   */
  explicit SlipError(const VekmError& error) : AxisError(error) {}
};

/** @brief A moved axis came to rest short of its target: something else stopped or killed it (VEKM_INTERRUPTED). */
class MoveInterruptedError : public AxisError {
 public:
  /**
   * @brief An error as the core filled it.
   * @param error The core's report.
   */
  explicit MoveInterruptedError(const VekmError& error) : AxisError(error) {}
};

/**
 * @brief Throws the class of a core error's kind: TimeoutError, ConnectionError, ClosedError, LimitError,
 *        SlipError, MoveInterruptedError, CancelledError, std::invalid_argument for arguments, else Error.
 *
 * For programs that call the core's functions themselves (vekm_call_ functions on Controller::native_handle()).
 * @param error The core's report of a failure.
 */
[[noreturn]] inline void throw_error(const VekmError& error) {
  switch (error.kind) {
    case VEKM_KIND_TIMEOUT:
      throw TimeoutError(error);
    case VEKM_KIND_CONNECTION:
      throw ConnectionError(error);
    case VEKM_KIND_CLOSED:
      throw ClosedError(error);
    case VEKM_KIND_LIMIT:
      throw LimitError(error);
    case VEKM_KIND_SLIP:
      throw SlipError(error);
    case VEKM_KIND_INTERRUPTED:
      throw MoveInterruptedError(error);
    case VEKM_KIND_CANCELLED:
      throw CancelledError(error);
    case VEKM_KIND_ARGUMENT:
      throw std::invalid_argument(error.message);
    default:
      throw Error(error);
  }
}

/**
 * @brief Throws for a failed result of a core function (see throw_error()); does nothing for success.
 * @param code The function's result.
 * @param error The report it filled.
 */
inline void check(uint32_t code, const VekmError& error) {
  if (code != VEK_SUCCESS) throw_error(error);
}

/**
 * @brief Makes SIGINT, SIGTERM and SIGHUP (on Windows Ctrl-C, Ctrl-Break and closing the console) end the waits in
 *        progress, as vekm_catch_signals() says: their axes are stopped and they throw CancelledError.
 * @return False where signals cannot be caught.
 */
inline bool catch_signals() noexcept { return vekm_catch_signals() == VEK_SUCCESS; }

}  // namespace vek

#include "vekkestra_operations.hpp"

namespace vek {

// ---- The controller ---------------------------------------------------------------------------------------------

/**
 * @brief One connection to a controller (a VekmController of the core). Move-only.
 *
 * Destroying it frees the connection; while an exception unwinds the stack it first stops the axes it set moving
 * and has not seen end (vekm_moving()). A normal destruction stops nothing. Every method may be called from any
 * thread. Failures throw vek::Error or one of its kinds; arguments out of range throw std::invalid_argument before
 * anything is sent. Every operation of the command set is a method of its base vek::Operations.
 */
class Controller : public Operations<Controller> {
 public:
  /** @brief Time-outs in milliseconds; seconds and minutes convert implicitly. */
  using milliseconds = std::chrono::milliseconds;
  /** @brief The time-out of a wait when none is given (VEKM_DEFAULT_TIMEOUT_MS, one minute). */
  static constexpr milliseconds default_timeout{VEKM_DEFAULT_TIMEOUT_MS};

  /** @brief A closed controller: every call throws ClosedError. */
  Controller() noexcept = default;

  /**
   * @brief Connects over TCP (vekm_open_tcp()).
   * @param host A name or a dotted IPv4 address; each of its IPv4 addresses is tried in turn.
   * @param port 1 to 65535.
   * @return The open controller. A failure throws ConnectionError (or std::invalid_argument) and leaves nothing open.
   */
  static Controller tcp(const std::string& host, int port = 5001) {
    VekmController* made = nullptr;
    VekmError error;
    check(vekm_open_tcp(host.c_str(), port, &made, &error), error);
    return Controller(made);
  }

  /**
   * @brief Opens a serial port (vekm_open_serial(); on POSIX systems VEKKESTRA_COM<com> names the device).
   * @param com COM port 1 to 32.
   * @param baud 9600, 19200, 38400, 57600 or 115200.
   * @return The open controller. A failure throws ConnectionError (or std::invalid_argument) and leaves nothing open.
   */
  static Controller serial(int com, int baud = 115200) {
    VekmController* made = nullptr;
    VekmError error;
    check(vekm_open_serial(com, baud, &made, &error), error);
    return Controller(made);
  }

  /**
   * @brief Takes over another controller's connection.
   * @param other Closed afterwards.
   */
  Controller(Controller&& other) noexcept : c_(std::exchange(other.c_, nullptr)) {}
  /**
   * @brief Releases this controller's connection (as the destructor does), then takes over another's.
   * @param other Closed afterwards.
   * @return This controller.
   */
  Controller& operator=(Controller&& other) noexcept {
    if (this != &other) {
      release();
      c_ = std::exchange(other.c_, nullptr);
      uncaught_ = std::uncaught_exceptions();
    }
    return *this;
  }
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;
  /** @brief Stops the axes this controller set moving when an exception unwinds the stack, then frees it. */
  ~Controller() { release(); }

  /** @brief Closes the connection; later calls throw ClosedError. Stops nothing. */
  void close() noexcept { vekm_close(c_); }
  /**
   * @brief Tells whether the connection is open.
   * @return True while it is open (or is to be opened again after a lost reply).
   */
  bool is_open() const noexcept { return vekm_is_open(c_) != 0; }
  /**
   * @brief Tells the transport.
   * @return True for a serial connection.
   */
  bool is_serial() const noexcept { return vekm_is_serial(c_) != 0; }
  /**
   * @brief Where the controller is.
   * @return "localhost (127.0.0.1):5001", "COM3 (/dev/ttyS2) at 115200 baud", ...
   */
  std::string describe() const {
    char text[256] = {};
    vekm_describe(c_, text, static_cast<int32_t>(sizeof text));
    return text;
  }
  /**
   * @brief The core's controller, for the vekm_ functions this class does not wrap. Stays owned by this object.
   * @return The core's controller; null when closed by a move or made closed.
   */
  VekmController* native_handle() const noexcept { return c_; }

  /**
   * @brief Moves axes to absolute positions as one synchronised move and waits until every one is at rest at its
   *        target (vekm_move()).
   *
   * Throws LimitError or SlipError (the other axes stopped), MoveInterruptedError (an axis stopped short by someone
   * else), TimeoutError (the axes stopped unless OnTimeout::KeepMoving), CancelledError, or the error of a failed
   * call.
   * @param targets Target of each axis, steps.
   * @param timeout How long to wait; 0 starts the move and returns.
   * @param on_timeout What a time-out does with the axes.
   */
  void move(const std::map<Axis, int32_t>& targets, milliseconds timeout = default_timeout,
            OnTimeout on_timeout = OnTimeout::Stop) {
    run_move(targets, 0, timeout, on_timeout);
  }
  /**
   * @brief As move(), with distances from where the axes are (VEKM_RELATIVE).
   * @param distances Distance of each axis, steps.
   * @param timeout How long to wait; 0 starts the move and returns.
   * @param on_timeout What a time-out does with the axes.
   */
  void move_by(const std::map<Axis, int32_t>& distances, milliseconds timeout = default_timeout,
               OnTimeout on_timeout = OnTimeout::Stop) {
    run_move(distances, VEKM_RELATIVE, timeout, on_timeout);
  }
  /**
   * @brief As move(), for one axis (vekm_move_axis()).
   * @param axis The axis.
   * @param target Its target, steps.
   * @param timeout How long to wait; 0 starts the move and returns.
   * @param on_timeout What a time-out does with the axis.
   */
  void move_axis(Axis axis, int32_t target, milliseconds timeout = default_timeout,
                 OnTimeout on_timeout = OnTimeout::Stop) {
    VekmError error;
    check(vekm_move_axis(c_, static_cast<int32_t>(axis), target, options(on_timeout), to_ms(timeout), &error), error);
  }

  /**
   * @brief Searches the home switch of an axis ("HS"; the position there becomes 0) and waits as a move does, until
   *        the axis is at rest at 0 (vekm_home()).
   * @param axis The axis.
   * @param timeout How long to wait; 0 starts the search and returns.
   * @param on_timeout What a time-out does with the axis.
   */
  void home(Axis axis, milliseconds timeout = default_timeout, OnTimeout on_timeout = OnTimeout::Stop) {
    VekmError error;
    check(vekm_home(c_, static_cast<int32_t>(axis), 0, options(on_timeout), to_ms(timeout), &error), error);
  }

  /**
   * @brief Runs an axis until it meets a limit switch and stops it there (vekm_find_limit()). Any other end is an
   *        error.
   * @param axis The axis.
   * @param velocity Steps/s; its sign gives the side whose switch is searched.
   * @param timeout How long to wait; 0 starts the search and returns.
   * @param on_timeout What a time-out does with the axis.
   */
  void find_limit(Axis axis, int32_t velocity, milliseconds timeout = default_timeout,
                  OnTimeout on_timeout = OnTimeout::Stop) {
    VekmError error;
    check(vekm_find_limit(c_, static_cast<int32_t>(axis), velocity, options(on_timeout), to_ms(timeout), &error),
          error);
  }

  /**
   * @brief Starts one axis running until it is stopped.
   * @param axis The axis.
   * @param velocity Steps/s, signed; a fraction is allowed.
   */
  void jog(Axis axis, double velocity) { jog(std::map<Axis, double>{{axis, velocity}}); }
  /**
   * @brief Starts axes running until they are stopped (vekm_jog()).
   * @param velocities Velocity of each axis, steps/s, signed; whole numbers when there are several axes.
   */
  void jog(const std::map<Axis, double>& velocities) {
    std::array<double, VEK_AXIS_COUNT> list{};
    const int32_t mask = value_list(velocities, &list);
    VekmError error;
    check(vekm_jog(c_, mask, list.data(), &error), error);
  }

  /**
   * @brief Decelerating stop (vekm_stop()). A wait on the axes throws MoveInterruptedError.
   * @param axes The axes to stop; all ten when none are given.
   */
  void stop(Axes axes = Axes::all()) {
    VekmError error;
    check(vekm_stop(c_, axes.mask(), &error), error);
  }
  /**
   * @brief Abrupt stop (vekm_kill()).
   * @param axes The axes to stop; all ten when none are given.
   */
  void kill(Axes axes = Axes::all()) {
    VekmError error;
    check(vekm_kill(c_, axes.mask(), &error), error);
  }

  /**
   * @brief Waits until axes that this controller set moving have ended, as a move's wait does (vekm_wait()).
   *        Returns at once when none of them moves.
   * @param axes The axes to wait for; all it set moving when the set is empty.
   * @param timeout How long to wait; 0 waits the default time-out.
   * @param on_timeout What a time-out does with the axes.
   */
  void wait(Axes axes = Axes(), milliseconds timeout = default_timeout, OnTimeout on_timeout = OnTimeout::Stop) {
    VekmError error;
    check(vekm_wait(c_, axes.mask(), options(on_timeout), to_ms(timeout), &error), error);
  }

  /** @brief Ends the waits running on this controller now, from any thread: their axes are stopped and they throw
   *         CancelledError (vekm_cancel()). Waits started later are not affected. */
  void cancel() noexcept { vekm_cancel(c_); }

  /**
   * @brief The axes this controller set moving and has not seen end (vekm_moving()).
   * @return The set.
   */
  Axes moving() const { return Axes::from_mask(vekm_moving(c_)); }

  /**
   * @brief One look at every axis (vekm_poll()).
   * @return State, positions, flags, this controller's target and the direction of each axis, slot i for axis bit i.
   */
  std::array<AxisState, VEK_AXIS_COUNT> poll() {
    std::array<VekmAxisState, VEK_AXIS_COUNT> seen{};
    VekmError error;
    check(vekm_poll(c_, seen.data(), nullptr, &error), error);
    std::array<AxisState, VEK_AXIS_COUNT> states{};
    for (size_t i = 0; i < states.size(); ++i) {
      const VekmAxisState& s = seen[i];
      states[i] = AxisState{static_cast<AxisState::State>(s.state), s.flags, s.motor, s.encoder, s.target, s.direction};
    }
    return states;
  }

  /**
   * @brief The status word after reading what has arrived (vekm_status_word()).
   * @return Done bits 0-9, limit bits 10-19, slip bits 20-29, command error bit 30.
   */
  uint32_t status_word() {
    uint32_t word = 0;
    VekmError error;
    check(vekm_status_word(c_, &word, &error), error);
    return word;
  }

  /**
   * @brief Motor position of one axis.
   * @param axis The axis.
   * @return Its motor position, steps.
   */
  int32_t position(Axis axis) {
    int32_t value = 0;
    VekmError error;
    check(vekm_call_GetAxisMotorPosition(c_, static_cast<int32_t>(axis), &value, &error), error);
    return value;
  }

  /**
   * @brief Motor and encoder positions of all ten axes (vekm_positions()).
   * @return Each axis's positions.
   */
  std::map<Axis, Position> positions() {
    std::array<int32_t, VEK_AXIS_COUNT> motor{};
    std::array<int32_t, VEK_AXIS_COUNT> encoder{};
    VekmError error;
    check(vekm_positions(c_, motor.data(), encoder.data(), &error), error);
    std::map<Axis, Position> all;
    for (size_t i = 0; i < motor.size(); ++i) all[axis_at(static_cast<int>(i))] = Position{motor[i], encoder[i]};
    return all;
  }

  /**
   * @brief Turns slip detection on (vekm_enable_slip_detection()). Only then does a slip end a move with SlipError.
   * @param axes The axes.
   * @param tolerance Encoder counts; 0 keeps the controller's.
   */
  void enable_slip_detection(Axes axes, int32_t tolerance = 0) {
    VekmError error;
    check(vekm_enable_slip_detection(c_, axes.mask(), tolerance, &error), error);
  }

  /**
   * @brief Sends a raw command text (vekm_send()).
   * @param text The text ("AXLP0;").
   */
  void send(const std::string& text) {
    VekmError error;
    check(vekm_send(c_, c_text(text), &error), error);
  }

  /**
   * @brief Sends a raw query text (vekm_query()).
   * @param text The text ("AXRP;").
   * @return Its answer, at most 255 characters.
   */
  std::string query(const std::string& text) {
    char answer[256] = {};
    VekmError error;
    check(vekm_query(c_, c_text(text), answer, static_cast<int32_t>(sizeof answer), &error), error);
    return answer;
  }

  /**
   * @brief Calls a function with the transport's handle under the controller's lock, the connection ready, to reach
   *        any export of the controller's transport (vekm_with_handle()).
   *
   * A failed result throws its kind, and a lost reply is recovered from before the next call, as for the core's own
   * calls. An exception thrown by `f` counts as a call whose reply was not seen (the core recovers as after a reply
   * time-out: on a serial port the next query may first wait up to 3 s for a late line) and is thrown on from here.
   * @param f Called as f(uint32_t* handle); returns the export's result code.
   * @param operation The export's name without its transport's prefix ("GetAxisMotorPosition"), for the error.
   */
  template <class F>
  void with_handle(F&& f, const char* operation = nullptr) {
    using Call = std::remove_reference_t<F>;
    static_assert(std::is_convertible_v<std::invoke_result_t<Call&, uint32_t*>, uint32_t>,
                  "with_handle: f(uint32_t* handle) must return a result code");
    Trampoline<Call> context{&f, vekm_is_serial(c_) != 0, nullptr};
    VekmError error;
    const uint32_t code = vekm_with_handle(c_, operation, &Trampoline<Call>::call, &context, &error);
    if (context.thrown) std::rethrow_exception(context.thrown);
    check(code, error);
  }

 private:
  friend class MotionGuard;

  // The context vekm_with_handle() passes back: the caller's function, and what it threw. Nothing of C++ crosses
  // the core, so an exception is kept here and answered with a reply time-out of the transport.
  template <class Call>
  struct Trampoline {
    Call* f;
    bool serial;
    std::exception_ptr thrown;
    static uint32_t VEKM_CALL call(uint32_t* handle, void* context) noexcept {
      auto* self = static_cast<Trampoline*>(context);
      try {
        return static_cast<uint32_t>((*self->f)(handle));
      } catch (...) {
        self->thrown = std::current_exception();
        return self->serial ? VEK_ERROR_SERIAL_READ_TIMEOUT : VEK_ERROR_ACK_NAK_TIMEOUT;
      }
    }
  };

  explicit Controller(VekmController* c) noexcept : c_(c) {}

  void release() noexcept {
    if (c_ == nullptr) return;
    if (std::uncaught_exceptions() > uncaught_) {
      const int32_t moving = vekm_moving(c_);
      if (moving != 0) vekm_stop(c_, moving, nullptr);
    }
    vekm_free(c_);
    c_ = nullptr;
  }

  static int32_t options(OnTimeout on_timeout) noexcept {
    return on_timeout == OnTimeout::KeepMoving ? VEKM_KEEP_MOVING : 0;
  }

  // The core takes milliseconds as int32_t; a negative time-out is the core's to refuse.
  static int32_t to_ms(milliseconds timeout) {
    constexpr auto most = std::numeric_limits<int32_t>::max();
    if (timeout.count() > most) throw std::invalid_argument("vek: a time-out above 2147483647 ms");
    return timeout.count() < 0 ? -1 : static_cast<int32_t>(timeout.count());
  }

  // A C string cannot carry a NUL; one inside the text would silently cut it.
  static const char* c_text(const std::string& text) {
    if (text.find('\0') != std::string::npos) throw std::invalid_argument("vek: a NUL inside the command text");
    return text.c_str();
  }

  // The mask and value list of a map; an empty map gives mask 0, which the core refuses.
  template <class Value>
  static int32_t value_list(const std::map<Axis, Value>& values, std::array<Value, VEK_AXIS_COUNT>* list) {
    int32_t mask = 0;
    for (const auto& entry : values) {
      const int index = index_of(entry.first);
      mask |= 1 << index;
      (*list)[static_cast<size_t>(index)] = entry.second;
    }
    return mask;
  }

  void run_move(const std::map<Axis, int32_t>& targets, int32_t kind, milliseconds timeout, OnTimeout on_timeout) {
    std::array<int32_t, VEK_AXIS_COUNT> list{};
    const int32_t mask = value_list(targets, &list);
    VekmError error;
    check(vekm_move(c_, mask, list.data(), kind | options(on_timeout), to_ms(timeout), &error), error);
  }

  VekmController* c_ = nullptr;
  int uncaught_ = std::uncaught_exceptions();
};

/**
 * @brief Stops, when its scope is left by an exception, the axes that this thread set moving through the controller
 *        inside the scope and that have not been seen to end (vekm_mark(), vekm_moving_since()). A scope left
 *        normally stops nothing.
 */
class MotionGuard {
 public:
  /**
   * @brief Marks the motions started so far.
   * @param controller The controller to watch; it must outlive the guard.
   */
  explicit MotionGuard(Controller& controller) noexcept
      : controller_(controller), mark_(vekm_mark(controller.c_)), uncaught_(std::uncaught_exceptions()) {}
  /** @brief Stops what the scope set moving when it is left by an exception. */
  ~MotionGuard() {
    if (std::uncaught_exceptions() <= uncaught_) return;
    VekmController* c = controller_.c_;
    const int32_t started = vekm_moving_since(c, mark_, 1);
    if (started != 0) vekm_stop(c, started, nullptr);
  }
  MotionGuard(const MotionGuard&) = delete;
  MotionGuard& operator=(const MotionGuard&) = delete;

 private:
  Controller& controller_;
  uint64_t mark_;
  int uncaught_;
};

}  // namespace vek

#endif  // VEKKESTRA_HPP
