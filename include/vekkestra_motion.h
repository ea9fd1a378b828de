/**
 * @file vekkestra_motion.h
 * @brief The motion core: safe moves, waits, recovery and axis tracking over the VekKestra library, in one plain C
 *        interface that every language layer, vekctl, the Tango server and the panel are built on.
 *
 * The exports of vekkestra.h keep their contract: a wait watches done flags only, a flag stays set until cleared,
 * a late reply is taken as the next call's answer and nothing stops an axis unless the application says so. The
 * motion core (libvekkestra-motion, VekKestraMotion.dll) builds on those exports what an application needs, once:
 *
 * - A move returns VEK_SUCCESS only with every moved axis at rest at its target. A moved axis that meets a limit
 *   switch or slips ends the move at once with #VEKM_LIMIT or #VEKM_SLIP, the other moved axes are stopped; an
 *   axis that came to rest short of its target for any other reason (a stop from another thread or program, a
 *   kill) gives #VEKM_INTERRUPTED. The axis and where it stood come with the error.
 * - The wait reads what has arrived until the line is quiet, then clears the moved axes' flags, sends one command
 *   and looks at the controller in slices of at most 50 ms. A done flag is believed only when the axis status read
 *   after it shows the axis at rest, and that rest counts only when a status word read after that answer has no
 *   limit or slip for the axis; an axis whose done report is lost is found at rest by its status within 250 ms.
 * - A time-out stops the moved axes (unless #VEKM_KEEP_MOVING) and gives VEK_ERROR_WAIT_TIMEOUT; vekm_cancel()
 *   from another thread and vekm_interrupt() from a signal handler stop them and give #VEKM_CANCELLED within
 *   about 20 ms.
 * - A reply that came too late is never a later call's answer: TCP reconnects after 211, 212, 213, 214 and 217,
 *   a serial port is read empty after 352 before its next query. A motion command whose reply was lost may have
 *   started its axes: they are stopped before the error is returned.
 * - vekm_poll() reads every axis's status and motor and encoder positions in one exchange and tells for each
 *   whether it moves, rests, ended at a limit, slipped or had its command refused.
 *
 * Every function may be called from any thread; a controller holds a lock for each call and a wait holds it one
 * slice at a time, so that a stop from another thread gets through at once. Every function that can fail returns
 * a result code (VEK_SUCCESS, a VEK_ERROR_ code of vekkestra.h or a VEKM_ code below) and, when given a
 * #VekmError, fills it with the code's name, kind and a message that says what happened and what to do.
 *
 * @code
 * VekmController* ctl = NULL;
 * VekmError error;
 * if (vekm_open_tcp("localhost", 5001, &ctl, &error) != VEK_SUCCESS) { puts(error.message); return 1; }
 * int32_t targets[VEK_AXIS_COUNT] = {4000, -2500};                 // X and Y
 * uint32_t rc = vekm_move(ctl, VEK_AXIS_X | VEK_AXIS_Y, targets, 0, 10000, &error);
 * if (rc == VEKM_LIMIT) printf("%c stopped at %d\n", "XYZTUVRSWK"[error.axis_index], error.position);
 * vekm_free(ctl);
 * @endcode
 */
#ifndef VEKKESTRA_MOTION_H
#define VEKKESTRA_MOTION_H

#include <stddef.h>
#include <stdint.h>

#include "vekkestra.h"

/**
 * @def VEKM_API
 * @brief Export marker of the motion core's functions (dllexport while building VekKestraMotion.dll, dllimport
 *        for its users, default visibility in the shared library on other systems).
 */
#if defined(_WIN32)
#  if defined(VEKKESTRA_MOTION_BUILD)
#    define VEKM_API __declspec(dllexport)
#  elif defined(VEKKESTRA_STATIC)
#    define VEKM_API
#  else
#    define VEKM_API __declspec(dllimport)
#  endif
#else
#  if defined(VEKKESTRA_MOTION_BUILD) && (defined(__GNUC__) || defined(__clang__))
#    define VEKM_API __attribute__((visibility("default")))
#  else
#    define VEKM_API
#  endif
#endif
/** @brief Calling convention of the motion core's functions: the same as the library's (stdcall on 32-bit Windows). */
#define VEKM_CALL VEK_CALL

#ifdef __cplusplus
extern "C" {
#endif

/**
 * @defgroup vekm_results Result codes of the motion core
 * The core's own findings, beside the library's VEK_ERROR_ codes (which it passes on unchanged).
 * @{
 */
#define VEKM_LIMIT        1001u /**< A moved axis met a limit switch; the other moved axes were stopped. */
#define VEKM_SLIP         1002u /**< A moved axis slipped (slip detection on); the other moved axes were stopped. */
#define VEKM_INTERRUPTED  1003u /**< A moved axis came to rest short of its target: stopped or killed by someone. */
#define VEKM_CANCELLED    1004u /**< vekm_cancel() or vekm_interrupt() ended the call; its axes were stopped. */
#define VEKM_CLOSED       1005u /**< The controller is closed (or was never opened); nothing was sent. */
#define VEKM_BAD_ARGUMENT 1006u /**< An argument is out of its range; nothing was sent. */
/** @} */

/**
 * @defgroup vekm_kinds Kinds of result codes
 * What a language layer turns a code into; vekm_result_kind() gives the kind of any code.
 * @{
 */
#define VEKM_KIND_NONE        0 /**< VEK_SUCCESS. */
#define VEKM_KIND_OTHER       1 /**< Any failure not named below (2, 3, 5, 7, 50, 101, 215, 216, unknown codes). */
#define VEKM_KIND_TIMEOUT     2 /**< A wait ran out (6) or a reply did not come (213, 214, 352). */
#define VEKM_KIND_CONNECTION  3 /**< Connecting, sending or receiving failed (201, 202, 211, 212, 217, 301, 350, 351). */
#define VEKM_KIND_CLOSED      4 /**< #VEKM_CLOSED. */
#define VEKM_KIND_LIMIT       5 /**< #VEKM_LIMIT. */
#define VEKM_KIND_SLIP        6 /**< #VEKM_SLIP. */
#define VEKM_KIND_INTERRUPTED 7 /**< #VEKM_INTERRUPTED. */
#define VEKM_KIND_CANCELLED   8 /**< #VEKM_CANCELLED. */
#define VEKM_KIND_ARGUMENT    9 /**< #VEKM_BAD_ARGUMENT. */
/** @} */

/**
 * @defgroup vekm_options Options of the motion calls
 * OR them together; 0 is the usual choice.
 * @{
 */
#define VEKM_RELATIVE    0x01 /**< vekm_move(): the values are distances from where the axes are ("MR"). */
#define VEKM_KEEP_MOVING 0x02 /**< A wait that runs out leaves the axes moving instead of stopping them. */
#define VEKM_IN_POSITION 0x04 /**< vekm_move(): done is the end of the profile ("IP") rather than "ID". */
#define VEKM_HOME_EDGE   0x08 /**< vekm_home(): search the switch edge ("HE") rather than "HS". */
#define VEKM_HOME_RESET  0x10 /**< vekm_home(): "HR" (also re-references the encoder) rather than "HM". */
/** @} */

/** @brief Time-out of a wait when a language layer's caller gives none, in milliseconds (one minute). */
#define VEKM_DEFAULT_TIMEOUT_MS 60000

/**
 * @defgroup vekm_states Axis states of vekm_poll()
 * @{
 */
#define VEKM_STATE_AT_REST 0 /**< The axis stands still (and no limit, slip or refusal is flagged for it). */
#define VEKM_STATE_MOVING  1 /**< The controller reports the axis moving. */
#define VEKM_STATE_LIMIT   2 /**< At rest with its limit flag set: its last motion ended at a limit switch. */
#define VEKM_STATE_SLIP    3 /**< At rest with its slip flag set (or the controller's own slip letter). */
#define VEKM_STATE_REFUSED 4 /**< Serial: the motion command this controller sent was refused (command-error flag). */
/** @} */

/**
 * @defgroup vekm_axis_flags Axis flags of vekm_poll()
 * @{
 */
#define VEKM_AXIS_HOME_SWITCH    0x01 /**< The axis is on its home switch. */
#define VEKM_AXIS_PID            0x02 /**< The position loop (PID) is on. */
#define VEKM_AXIS_SLIP_DETECTION 0x04 /**< Slip detection is on: only then is a slip reported. */
#define VEKM_AXIS_OURS           0x08 /**< This controller set the axis moving and has not seen it end. */
#define VEKM_AXIS_ENDED          0x10 /**< The axis came to rest since the previous poll. */
#define VEKM_AXIS_SHORT          0x20 /**< It ended short of the target this controller gave it. */
#define VEKM_AXIS_HAS_TARGET     0x40 /**< `target` holds the target of this controller's motion. */
/** @} */

/** @brief An open connection to a controller: opaque, made by vekm_open_tcp() or vekm_open_serial(). */
typedef struct VekmController VekmController;

/**
 * @brief What went wrong, filled by every function that takes one (pass NULL when you need only the code).
 *
 * On success `code` is 0 and the texts are empty.
 */
typedef struct VekmError {
  uint32_t code;          /**< The result code the function returned. */
  int32_t kind;           /**< Its kind (@ref vekm_kinds). */
  int32_t axis;           /**< The axis bit a limit, slip or interruption is about, else 0. */
  int32_t axis_index;     /**< Its slot (0 for X to 9 for K), else -1. */
  int32_t position;       /**< That axis's motor position when it was found (valid when position_read is 1). */
  int32_t position_read;  /**< 1 when `position` holds a reading. */
  int32_t signal;         /**< #VEKM_CANCELLED by vekm_interrupt(): its signal number; else 0. */
  int32_t stopped;        /**< The axes the core stopped on the way out (a mask). */
  char operation[64];     /**< The library export or core function that failed ("VEKnet_Move"). */
  char name[40];          /**< The code's name ("VEK_ERROR_WAIT_TIMEOUT"). */
  char detail[256];       /**< What happened, in words ("X still moving after 500 ms; stopped X"). */
  char hint[256];         /**< What to do about it, when the core knows; else empty. */
  char message[640];      /**< All of it: "operation: NAME (code): detail" and, on a line of its own, the hint. */
} VekmError;

/** @brief One axis as vekm_poll() saw it. */
typedef struct VekmAxisState {
  int32_t state;      /**< @ref vekm_states. */
  int32_t flags;      /**< @ref vekm_axis_flags. */
  int32_t motor;      /**< Motor (commanded) position, steps. */
  int32_t encoder;    /**< Encoder position, counts. */
  int32_t target;     /**< This controller's target for the axis (#VEKM_AXIS_HAS_TARGET). */
  int32_t direction;  /**< +1 or -1: the way the axis last moved; 0 before it was seen moving. */
} VekmAxisState;

/* ---- Results ----------------------------------------------------------------------------------------------- */

/**
 * @brief The core's version text, the product version ("1.5.0").
 * @return a static text
 */
VEKM_API const char* VEKM_CALL vekm_version(void);
/**
 * @brief The name of a result code ("VEK_ERROR_WAIT_TIMEOUT", "VEKM_LIMIT"); "VEK_ERROR_UNKNOWN" for others.
 * @param code a result code
 * @return a static text
 */
VEKM_API const char* VEKM_CALL vekm_result_name(uint32_t code);
/**
 * @brief The kind of a result code (@ref vekm_kinds).
 * @param code a result code
 * @return the kind
 */
VEKM_API int32_t VEKM_CALL vekm_result_kind(uint32_t code);
/**
 * @brief One sentence on what a result code means ("the controller did not reply within 2.5 s").
 * @param code a result code
 * @return a static text
 */
VEKM_API const char* VEKM_CALL vekm_result_text(uint32_t code);
/**
 * @brief The name of a kind ("timeout", "connection", "limit", ...), for layers that name their errors by it.
 * @param kind a kind (@ref vekm_kinds)
 * @return a static text
 */
VEKM_API const char* VEKM_CALL vekm_kind_name(int32_t kind);
/**
 * @brief How many result codes the table holds (the library's and the core's).
 * @return the number of rows
 */
VEKM_API int32_t VEKM_CALL vekm_result_count(void);
/**
 * @brief The code at row `index` (0 to vekm_result_count() - 1) of the table, or 0xFFFFFFFF.
 * @param index a row of the table, 0 to vekm_result_count() - 1
 * @return the code, or 0xFFFFFFFF past the end
 */
VEKM_API uint32_t VEKM_CALL vekm_result_at(int32_t index);

/* ---- Opening and closing --------------------------------------------------------------------------------------- */

/**
 * @brief Connects over TCP to `host` (a name or a dotted IPv4 address; each of its IPv4 addresses is tried in turn)
 *        and `port` (1 to 65535).
 *
 * A failure leaves nothing open and `*controller` NULL; the error says which address and why (refused,
 * unreachable, timed out, unknown name).
 * @param host a host name or dotted IPv4 address
 * @param port the TCP port, 1 to 65535
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_open_tcp(const char* host, int32_t port, VekmController** controller,
                                          VekmError* error);
/**
 * @brief Opens COM port `com` (1 to 32) at `baud` (9600, 19200, 38400, 57600 or 115200).
 *
 * On POSIX systems the port is the device named by the environment variable VEKKESTRA_COM<com>, else
 * /dev/ttyS<com-1>. A failure leaves nothing open; the error names the device and the system's reason.
 * @param com the COM port number, 1 to 32
 * @param baud the baud rate: 9600, 19200, 38400, 57600 or 115200
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_open_serial(int32_t com, int32_t baud, VekmController** controller,
                                             VekmError* error);
/**
 * @brief Closes the connection; later calls give #VEKM_CLOSED. Stops nothing. NULL and closed ones are fine.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 */
VEKM_API void VEKM_CALL vekm_close(VekmController* controller);
/**
 * @brief Closes (if open) and frees the controller. No other thread may use it any more.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 */
VEKM_API void VEKM_CALL vekm_free(VekmController* controller);
/**
 * @brief 1 while the connection is open (or is to be opened again after a lost reply), else 0.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @return 1 or 0
 */
VEKM_API int32_t VEKM_CALL vekm_is_open(VekmController* controller);
/**
 * @brief 1 for a serial connection, 0 for TCP.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @return 1 or 0
 */
VEKM_API int32_t VEKM_CALL vekm_is_serial(VekmController* controller);
/**
 * @brief Where the controller is: "127.0.0.1:5001", "localhost (127.0.0.1):5001", "COM3 at 115200 baud".
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param text the text (vekm_describe(): the caller's buffer that receives it)
 * @param size the size of the caller's buffer in bytes
 */
VEKM_API void VEKM_CALL vekm_describe(VekmController* controller, char* text, int32_t size);

/* ---- Motion ------------------------------------------------------------------------------------------------------ */

/**
 * @brief Moves the axes of `axes` to `targets` (a value list: slot i for axis bit i; #VEKM_RELATIVE: distances)
 *        as one synchronised move, and waits up to `timeout_ms` for them (0: starts the move and returns).
 *
 * One axis goes out as a single-axis move ("MA"/"MR"), several as one "AA" move. Returns VEK_SUCCESS only with
 * every axis at rest at its target. See the file's description for the errors.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param axes an axis mask: an OR of VEK_AXIS_X to VEK_AXIS_K
 * @param targets a value list of VEK_AXIS_COUNT values, slot i for axis bit i (only the slots of `axes` are read)
 * @param options @ref vekm_options, ORed
 * @param timeout_ms the longest wait in milliseconds
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_move(VekmController* controller, int32_t axes, const int32_t* targets,
                                      int32_t options, int32_t timeout_ms, VekmError* error);
/**
 * @brief Moves one axis (an axis bit) to `target` (#VEKM_RELATIVE: by `target`); otherwise as vekm_move().
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param axis one axis bit, VEK_AXIS_X to VEK_AXIS_K
 * @param target the target position in steps (with #VEKM_RELATIVE the distance)
 * @param options @ref vekm_options, ORed
 * @param timeout_ms the longest wait in milliseconds
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_move_axis(VekmController* controller, int32_t axis, int32_t target, int32_t options,
                                           int32_t timeout_ms, VekmError* error);
/**
 * @brief Searches the home switch of one axis; there its position becomes `value`. Waits as a move does and ends
 *        with the axis at rest at `value`. Options: #VEKM_HOME_EDGE, #VEKM_HOME_RESET, #VEKM_KEEP_MOVING.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param axis one axis bit, VEK_AXIS_X to VEK_AXIS_K
 * @param value the position the axis takes on its home switch, in steps
 * @param options @ref vekm_options, ORed
 * @param timeout_ms the longest wait in milliseconds
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_home(VekmController* controller, int32_t axis, int32_t value, int32_t options,
                                      int32_t timeout_ms, VekmError* error);
/**
 * @brief Runs one axis at `velocity` steps/s (its sign gives the side) until it meets that side's limit switch,
 *        and stops it there. Its own limit is the success here; a slip or any other end is an error.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param axis one axis bit, VEK_AXIS_X to VEK_AXIS_K
 * @param velocity steps/s; its sign chooses the side
 * @param options @ref vekm_options, ORed
 * @param timeout_ms the longest wait in milliseconds
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_find_limit(VekmController* controller, int32_t axis, int32_t velocity,
                                            int32_t options, int32_t timeout_ms, VekmError* error);
/**
 * @brief Starts the axes of `axes` running at `velocities` (steps/s, signed; slot i for axis bit i) until they are
 *        stopped. One axis may jog at a fraction of a step per second; several take whole numbers.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param axes an axis mask: an OR of VEK_AXIS_X to VEK_AXIS_K
 * @param velocities a list of VEK_AXIS_COUNT velocities in steps/s, slot i for axis bit i
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_jog(VekmController* controller, int32_t axes, const double* velocities,
                                     VekmError* error);
/**
 * @brief Decelerating stop of the axes of `axes` (VEK_ALL_AXES for all). A wait on them ends #VEKM_INTERRUPTED.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param axes an axis mask: an OR of VEK_AXIS_X to VEK_AXIS_K
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_stop(VekmController* controller, int32_t axes, VekmError* error);
/**
 * @brief Abrupt stop of the axes of `axes`.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param axes an axis mask: an OR of VEK_AXIS_X to VEK_AXIS_K
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_kill(VekmController* controller, int32_t axes, VekmError* error);
/**
 * @brief Waits until the axes of `axes` that this controller set moving have ended, as a move's wait does (0: all
 *        of them). Ends at once when none of them is moving. Options: #VEKM_KEEP_MOVING.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param axes an axis mask: an OR of VEK_AXIS_X to VEK_AXIS_K
 * @param options @ref vekm_options, ORed
 * @param timeout_ms the longest wait in milliseconds
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_wait(VekmController* controller, int32_t axes, int32_t options, int32_t timeout_ms,
                                      VekmError* error);
/**
 * @brief The axes this controller set moving and has not seen end.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @return an axis mask
 */
VEKM_API int32_t VEKM_CALL vekm_moving(VekmController* controller);
/**
 * @brief A mark of the motions started so far, for vekm_moving_since().
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @return the mark
 */
VEKM_API uint64_t VEKM_CALL vekm_mark(VekmController* controller);
/**
 * @brief The axes set moving after `mark` and not seen to end (with `this_thread_only` 1: those the calling thread
 *        set moving), for scopes that stop what they started when they are left by an error.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param mark a mark from vekm_mark()
 * @param this_thread_only 1 for the axes the calling thread set moving, 0 for all
 * @return an axis mask
 */
VEKM_API int32_t VEKM_CALL vekm_moving_since(VekmController* controller, uint64_t mark, int32_t this_thread_only);

/**
 * @brief Ends the waits running on this controller now, from any thread (a motion call still sending its command
 *        included): their axes are stopped and they return #VEKM_CANCELLED. Calls started later are not affected.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 */
VEKM_API void VEKM_CALL vekm_cancel(VekmController* controller);
/**
 * @brief Ends every wait of every controller as vekm_cancel() does, recording `signal_number` in their errors.
 *        Safe in a signal handler: it only updates two atomic words.
 * @param signal_number the signal that asks for it (recorded in the ended waits' errors)
 */
VEKM_API void VEKM_CALL vekm_interrupt(int32_t signal_number);
/**
 * @brief How many times vekm_interrupt() has been called (waits compare it with the count at their start).
 * @return the count so far
 */
VEKM_API uint32_t VEKM_CALL vekm_interrupt_count(void);
/**
 * @brief Makes SIGINT, SIGTERM and SIGHUP (on Windows Ctrl-C, Ctrl-Break and closing the console) call
 *        vekm_interrupt() before the handler that was in place, so that a wait in progress stops its axes.
 *
 * A signal whose handler was the default action ends the process as before, once the wait has stopped its axes
 * (or at once when no wait is running); an ignored signal stays ignored. Calling it again installs nothing twice,
 * and puts the core in front of a handler installed since. Returns VEK_SUCCESS, or VEKM_BAD_ARGUMENT where signals
 * cannot be caught.
 * @return VEK_SUCCESS, or #VEKM_BAD_ARGUMENT where signals cannot be caught
 */
VEKM_API uint32_t VEKM_CALL vekm_catch_signals(void);

/* ---- Looking at the controller -------------------------------------------------------------------------------- */

/**
 * @brief One look at every axis: its status letters and motor and encoder positions from one exchange (TCP; three
 *        queries on serial), the status word read after them. `states` has VEK_AXIS_COUNT entries; `word` (may be
 *        NULL) receives the status word.
 *
 * An axis this controller set moving that is seen at a limit or slipped has the other axes of its motion stopped,
 * as a wait would. Axes set moving by somebody else have their old limit and slip flags cleared when they are
 * seen moving.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param states VEK_AXIS_COUNT entries that receive each axis's state
 * @param word receives the status word (vekm_poll(): may be NULL)
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_poll(VekmController* controller, VekmAxisState* states, uint32_t* word,
                                      VekmError* error);
/**
 * @brief The transport's status word after reading what has arrived (done 0-9, limit 10-19, slip 20-29, 30).
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param word receives the status word (vekm_poll(): may be NULL)
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_status_word(VekmController* controller, uint32_t* word, VekmError* error);
/**
 * @brief Motor and encoder positions of the ten axes (either may be NULL).
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param motor receives the ten motor positions (may be NULL)
 * @param encoder receives the ten encoder positions (may be NULL)
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_positions(VekmController* controller, int32_t* motor, int32_t* encoder,
                                           VekmError* error);
/**
 * @brief Turns slip detection on for the axes of `axes`, with `tolerance` encoder counts (0 keeps the
 *        controller's). A slip is reported (and ends a move with #VEKM_SLIP) only where it is on.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param axes an axis mask: an OR of VEK_AXIS_X to VEK_AXIS_K
 * @param tolerance encoder counts of lag allowed, 0 to keep the controller's
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_enable_slip_detection(VekmController* controller, int32_t axes, int32_t tolerance,
                                                       VekmError* error);
/**
 * @brief Sends a raw command text ("AXLP0;").
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param text the text (vekm_describe(): the caller's buffer that receives it)
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_send(VekmController* controller, const char* text, VekmError* error);
/**
 * @brief Sends a raw query text ("AXRP;") and copies its answer (at most 255 characters) into `answer`.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param text the text (vekm_describe(): the caller's buffer that receives it)
 * @param answer the caller's buffer that receives the answer
 * @param size the size of the caller's buffer in bytes
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_query(VekmController* controller, const char* text, char* answer, int32_t size,
                                       VekmError* error);

/**
 * @brief A function vekm_with_handle() runs with the controller's handle.
 * @param handle the address of the variable that holds the connection, as the library's exports take it
 * @param context what the caller gave vekm_with_handle()
 * @return the result of the export it called
 */
typedef uint32_t(VEKM_CALL* VekmHandleCall)(uint32_t* handle, void* context);

/**
 * @brief Runs `call(handle, context)` under the controller's lock with the connection ready (reopened or read
 *        empty after a lost reply), for any export of the controller's transport, and treats its result as the
 *        core treats its own calls: a lost reply is recovered from before the next call, and the error is filled
 *        for `operation`.
 * @param controller an open controller (from vekm_open_tcp() or vekm_open_serial())
 * @param operation the name the error names for a failure (the export called)
 * @param call the function to run with the handle
 * @param context passed to `call` as it is
 * @param error filled with what went wrong, or emptied on success; may be NULL
 * @return VEK_SUCCESS, or the result code of the failure
 */
VEKM_API uint32_t VEKM_CALL vekm_with_handle(VekmController* controller, const char* operation, VekmHandleCall call,
                                             void* context, VekmError* error);

#ifdef __cplusplus
}
#endif

#endif /* VEKKESTRA_MOTION_H */
