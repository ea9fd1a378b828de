/**
 * @file vekkestra.h
 * @brief VekKestra: host library for a ten-axis motion controller reached over TCP or a serial port in its ASCII
 *        command language.
 *
 * Every operation is a plain C function that turns its arguments into a command text (an axis is named by "A" and
 * its letter, several axes by "AA" or "AM" and a comma-separated value list), sends it to the controller, waits
 * for the controller's verdict or answer, parses the answer and returns a numeric result code. Each operation
 * exists for the Ethernet transport (VEKnet_ prefix) and, the same, for the serial transport (VEKser_ prefix);
 * the utilities (VEK_ prefix) belong to neither.
 *
 * @section vek_handles Handles
 * A connection lives in a uint32_t variable that the application owns. VEKnet_Initialize() stores the connected
 * socket into it, VEKser_Initialize() the open serial port. Every later operation of that transport takes the
 * address of that variable as its handle, and reads the socket or port out of the variable at each use.
 * VEKnet_Close() or VEKser_Close() closes it and sets the variable to 0: a variable holding 0 is closed, and
 * operations on it fail with the transport's send or receive error. A null handle (no variable at all) is refused
 * with VEK_ERROR_INVALID_PARAMETER and nothing is sent.
 * @code
 * uint32_t link = 0;
 * if (VEKnet_Initialize("192.168.0.10", 5001, &link) == VEK_SUCCESS) {
 *   VEKnet_ClearMultiAxisDoneFlags(&link, VEK_AXIS_X);
 *   VEKnet_MoveAxis(&link, VEK_AXIS_X, 0, 1000, 0, 5000);
 *   VEKnet_Close(&link);
 * }
 * @endcode
 *
 * @section vek_results Result codes
 * Nearly every operation returns a uint32_t result: VEK_SUCCESS (0) or one of the VEK_ERROR_ codes listed under
 * @ref vek_result_codes. As a rule checks run in the order handle, axis or mask, pointers, then selectors
 * (an export whose order differs says so), and nothing is sent after a failed check. A transport's result passes
 * through every layer unchanged (@ref vek_transport_codes). VEKnet_Close(), VEKser_Close() and VEK_Pause() return
 * nothing, VEK_GetDLLVersion() returns the caller's buffer, and VEKnet_GetLastError() and VEKser_GetLastError()
 * return a system error number.
 *
 * @section vek_twins Operations of both transports
 * Besides Initialize, Close, GetLastError, SendCommand and Query, which each transport has and documents on its own,
 * the operations of the command set (motion, stops, homing, positions, velocities, flags, servo, overtravel, I/O
 * and auxiliary outputs) come as twins with the same arguments: VEKnet_X for Ethernet and VEKser_X for serial. Each
 * pair is documented once, under the Ethernet twin; the serial entry repeats that text. What holds for one
 * transport only is marked: by a paragraph "On Ethernet" in the shared text, by a paragraph "On serial" that the
 * serial entry adds, or by "on Ethernet only" or "on serial" in a line. In the shared text:
 * - "the transport" is the transport of the export that was called, and its handle, status word, send and query
 *   are that transport's: VEKnet_SendCommand() and VEKnet_Query() on Ethernet, VEKser_SendCommand() and
 *   VEKser_Query() on serial.
 * - An operation named without its prefix, such as StopMotion(), is the twin of the same transport.
 * - A command counts as sent when the transport's send succeeded: on Ethernet when the controller acknowledged it,
 *   on serial when all its bytes were written (@ref vek_transport_codes).
 *
 * @section vek_transport_codes Sends and queries on each transport
 * Every operation of the command set hands its command text to the transport's send, or asks with the transport's
 * query and parses the answer. A non-zero result of either is returned unchanged and nothing is retried.
 * | Transport | A send succeeds when              | Codes of a send         | Codes of a query             |
 * |-----------|-----------------------------------|-------------------------|------------------------------|
 * | Ethernet  | the controller acknowledged (ACK) | 211, 212, 214, 216, 217 | 211, 212, 213, 214, 216, 217 |
 * | Serial    | every byte was written            | 350                     | 350, 351, 352, 7             |
 *
 * - Ethernet: VEK_ERROR_SOCKET_SEND (211) send() failed; VEK_ERROR_SOCKET_RECEIVE (212) select() or recv() failed,
 *   or the controller closed the connection; VEK_ERROR_ACK_NAK_TIMEOUT (214) no reply within 2.5 s;
 *   VEK_ERROR_COMMAND_NAK (216) the controller rejected the command (NAK); VEK_ERROR_NO_COMMAND_ACK (217) the reply
 *   held neither ACK nor NAK; for a query also VEK_ERROR_SOCKET_RECEIVE_TIMEOUT (213), a bare ACK and no answer
 *   within 2.5 s. Every command first drains what is waiting (one read of at most 10 ms); that drain, the wait for
 *   the reply and a query's answer reads fold the notifications they meet into the Ethernet status word and remove
 *   them from the answer. An answer too long for the operation's buffer (128 bytes in the command set) is cut to
 *   fit and parsed.
 * - Serial: VEK_ERROR_SERIAL_WRITE (350) the write failed or was short; for a query also VEK_ERROR_SERIAL_READ (351)
 *   reading the port failed, VEK_ERROR_SERIAL_READ_TIMEOUT (352) no complete answer line before about 100 ms of
 *   silence, and VEK_ERROR_ANSWER_TOO_LONG (7) an answer line as long as the buffer or longer (128 characters in the
 *   command set). The send only writes: it reads nothing, so it neither sees the controller's verdict (a rejected
 *   command shows as the command-error flag once a later read folds the controller's notification) nor folds
 *   notifications; those wait in the port for the next read. A query first drains the port; the drain and the
 *   answer read fold the notifications they meet into the serial status word and remove them from the answer. The
 *   send's VEK_ERROR_COMMAND_TOO_LONG (5) never comes from the command set, whose commands have at most 127
 *   characters.
 *
 * @section vek_axis_args Axes, masks and value lists
 * - Axis bit: one of the ten values VEK_AXIS_X (1) to VEK_AXIS_K (512), in the controller's axis order
 *   X Y Z T U V R S W K. Any other value (0, two or more bits, negative, 1024 or more) gives
 *   VEK_ERROR_INVALID_AXIS and nothing is sent. The flag getters are the exception: they take the value as a
 *   plain bit mask.
 * - Axis mask: any OR of axis bits; 0 names no axis, VEK_ALL_AXES all ten. A mask above 1023 gives
 *   VEK_ERROR_INVALID_AXIS (VEK_ERROR_INVALID_PARAMETER for the flag clears); the test is signed, so a negative
 *   mask passes and only its bits 0-9 are used.
 * - Value list: the caller's array of VEK_AXIS_COUNT (10) int32_t values, slot i for the axis of bit i (slot 0 X
 *   to slot 9 K). Multi-axis commands read only the slots of the axes in their mask. The all-axes reads fill the
 *   slots in the order of the controller's comma-separated answer; an empty field takes no slot.
 * - Addressing selector: 0 picks the "AA" form, 1 the "AM" form of a multi-axis command.
 * - Selectors (move kind, suffix, jog kind, direction, logic, level, on/off): each export lists its values; any
 *   other value gives VEK_ERROR_INVALID_PARAMETER and nothing is sent.
 *
 * @section vek_units Units
 * Positions, distances, velocities, accelerations, ramp parameters, gains, tolerances and settle times are signed
 * 32-bit integers in the controller's own units (steps for positions, steps/s for velocities, steps/s^2 for
 * accelerations) and go out in plain decimal; the library never scales them and checks no range unless an
 * export says so. JogAxis takes its velocity as a double. Every time-out argument (timeoutMs) is in milliseconds:
 * 0 means no wait, a negative value is refused with VEK_ERROR_INVALID_PARAMETER after the motion command was sent,
 * except by VEKnet_MoveAxis(), which then does not wait (@ref vek_waits). I/O words are unsigned, one bit per line,
 * line 0 first.
 *
 * @section vek_status_flags Status flags
 * Each transport keeps one process-wide 32-bit status word, shared by all connections of that transport:
 * | Bits  | Flags                                                          |
 * |-------|----------------------------------------------------------------|
 * | 0-9   | done: the axis has finished its motion (bit i for axis bit i)  |
 * | 10-19 | limit: the axis has met an overtravel limit                    |
 * | 20-29 | slip: the axis has slipped (after EnableAxisSlipDectection)    |
 * | 30    | command error: the controller rejected a command               |
 * | 31    | never set                                                      |
 *
 * The controller reports these events itself, as short notifications (\%000 and eight hexadecimal digits) mixed
 * into its replies. A transport only sees them while it reads: during Ethernet sends and the queries of both
 * transports (@ref vek_transport_codes), during the motion waits (@ref vek_waits), and in the refresh read with
 * which every flag getter begins: on Ethernet one read of at most 10 ms, which takes at most one chunk (silence
 * counts as success), on serial a drain of everything the port holds. Nothing reads in the background. Each
 * notification ORs its bits into the word and is removed from the text the caller gets. Only notifications set
 * flags; only the clear operations (ClearMultiAxisDoneFlags, ClearMultiAxisOvertravelFlags, ClearMultiAxisSlipFlag,
 * ClearCommandErrorFlag) clear them, and the transport's Initialize sets the whole word to 0. Every change is one
 * atomic read-modify-write of the word, without locks. The motion waits never clear a flag: a done flag left set
 * by an earlier motion satisfies the next wait at once, so clear the flags of the axes you are about to wait for.
 *
 * @section vek_waits Motion waits on each transport
 * MoveAxis, Move, FindAxisHome and FindAxisLimit can wait, once their command was sent, until the transport's status
 * word holds the awaited flags of their axes (done flags; limit flags for FindAxisLimit). A time-out of 0 does not
 * wait. A wait ends when all awaited flags are set (at once when they were already set), with VEK_SUCCESS but for
 * the Ethernet case below, or with VEK_ERROR_WAIT_TIMEOUT (6) when its time ran out; the axes are not stopped unless
 * the export says so.
 * - Ethernet: the wait polls the socket in reads of at most 10 ms, timed by the high-resolution counter, and gives
 *   VEK_ERROR_WAIT_TIMEOUT (6) once more than the time-out has passed, even when that last poll completed the
 *   flags. Silent or failing polls do not end it. When the flags are found complete but the wait's own poll brought
 *   nothing (another Ethernet connection's read folded the notification into the shared word), the wait ends with
 *   that poll's result: VEK_ERROR_POLL_TIMEOUT (101), or VEK_ERROR_SOCKET_RECEIVE (212) when the poll failed.
 * - Serial: the wait drains the port again and again and counts 5 ms per drain instead of reading a clock, so it
 *   lasts at least the time-out on a quiet port, longer while lines keep arriving; flags that arrive with the last
 *   drain still count as success. Read failures are ignored, and a port whose reads fail uses up the count at once:
 *   the wait then gives VEK_ERROR_WAIT_TIMEOUT (6) without waiting. Its results are 0 and 6 only.
 *
 * @section vek_logger Diagnostic log
 * VEK_StartDllLogger() starts a process-wide log file: one line "hh:mm:ss.mmm - text" (local time) per trace,
 * the file opened and closed for every line. Its trace mask chooses what is written:
 * | Mask bits                    | Traces                                                      |
 * |------------------------------|-------------------------------------------------------------|
 * | 1                            | entry of every exported operation                           |
 * | 2                            | each command text as it is sent                             |
 * | 4                            | status-flag dumps (flag operations, notifications, moves)   |
 * | 16                           | no trace: append to the file instead of truncating it       |
 * | 0xA70000 (all five bits)     | verbose internal steps, time-outs and the progress of waits |
 * | mask greater than 0 (signed) | error traces                                                |
 *
 * Bit 3 (8) switches nothing. Accepted masks are 1 to 16, any mask above 16 that holds all of 0xA70000, and any
 * negative mask (which switches error traces off). Caller texts are never used as a format.
 *
 * @section vek_threads Threads
 * The library creates no thread and takes no lock; every call runs on, and blocks, the calling thread.
 * - Calls on different handles may run on different threads at the same time.
 * - Calls on one handle must not overlap: a read takes whatever the socket or port holds, so two threads on one
 *   connection would take each other's replies and notifications. Serialize them in the application.
 * - Each transport has one process-wide status word shared by all its connections: a notification from one
 *   controller is seen by waits and getters on another connection of the same transport, and initializing a
 *   connection clears the flags that the others had collected. An Ethernet wait completed that way while its own
 *   poll heard nothing ends with VEK_ERROR_POLL_TIMEOUT (101) (@ref vek_waits). Give concurrent waits on one
 *   transport distinct axes, or keep one connection per transport.
 * - Flag updates are atomic (no locks): a notification folded on one thread and a clear on another never lose
 *   each other's bits. The last system error is also one value per transport, handed out once.
 * - The logger is process-wide: starting or stopping it affects every thread, and lines of different threads
 *   interleave line by line.
 */
#ifndef VEKKESTRA_H
#define VEKKESTRA_H

#include <stdint.h>

/**
 * @def VEK_API
 * @brief Marks an export (or an import, for users of the Windows DLL): dllexport while the library itself is
 *        built, nothing with VEKKESTRA_STATIC, dllimport otherwise; default visibility on other systems.
 */
/**
 * @def VEK_CALL
 * @brief The calling convention: callee-cleans (stdcall) on 32-bit Windows, the platform default elsewhere.
 */
#if defined(_WIN32)
#  if defined(VEKKESTRA_BUILD)
#    define VEK_API __declspec(dllexport)
#  elif defined(VEKKESTRA_STATIC)
#    define VEK_API
#  else
#    define VEK_API __declspec(dllimport)
#  endif
#  if defined(_M_IX86) || defined(__i386__)
#    define VEK_CALL __stdcall
#  else
#    define VEK_CALL
#  endif
#else
#  if defined(VEKKESTRA_BUILD) && (defined(__GNUC__) || defined(__clang__))
#    define VEK_API __attribute__((visibility("default")))
#  else
#    define VEK_API
#  endif
#  define VEK_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/**
 * @defgroup vek_result_codes Result codes
 * @brief The uint32_t results of the operations: VEK_SUCCESS (0) or one VEK_ERROR_ code.
 * @{
 */
#define VEK_SUCCESS                      0u   /**< Success. */
#define VEK_ERROR_INVALID_AXIS           2u   /**< Not one of the ten axis bits, or an axis mask above 1023. */
#define VEK_ERROR_INVALID_PARAMETER      3u   /**< Null handle or pointer, or an argument out of its range. */
#define VEK_ERROR_COMMAND_TOO_LONG       5u   /**< Serial command text over 128 characters (Ethernet has no limit). */
#define VEK_ERROR_WAIT_TIMEOUT           6u   /**< A motion wait ran out before all its flags were set (no stop). */
#define VEK_ERROR_ANSWER_TOO_LONG        7u   /**< Serial answer as long as the buffer or longer (unterminated). */
#define VEK_ERROR_LOG_FILE               50u  /**< Opening or closing the log file failed, or no logger is running. */
#define VEK_ERROR_POLL_TIMEOUT           101u /**< A 10 ms poll found nothing; a wait whose flags another connection set. */
#define VEK_ERROR_INVALID_IP_ADDRESS     201u /**< The IP address text is not a dotted IPv4 address. */
#define VEK_ERROR_ETHERNET_CONNECT       202u /**< Socket start-up, socket creation or connect failed. */
#define VEK_ERROR_SOCKET_SEND            211u /**< send() failed. */
#define VEK_ERROR_SOCKET_RECEIVE         212u /**< select() or recv() failed, or the controller closed the link. */
#define VEK_ERROR_SOCKET_RECEIVE_TIMEOUT 213u /**< A query was acknowledged but no answer text came within 2.5 s. */
#define VEK_ERROR_ACK_NAK_TIMEOUT        214u /**< Nothing came back within 2.5 s of sending a command. */
#define VEK_ERROR_BAD_RESPONSE           215u /**< A query's answer was empty or did not parse. */
#define VEK_ERROR_COMMAND_NAK            216u /**< The controller answered NAK: it rejected the command. */
#define VEK_ERROR_NO_COMMAND_ACK         217u /**< The controller's reply held neither ACK nor NAK. */
#define VEK_ERROR_SERIAL_OPEN            301u /**< Opening or configuring the serial port failed. */
#define VEK_ERROR_SERIAL_WRITE           350u /**< Writing the command to the serial port failed or was short. */
#define VEK_ERROR_SERIAL_READ            351u /**< Reading from the serial port failed. */
#define VEK_ERROR_SERIAL_READ_TIMEOUT    352u /**< No complete answer line arrived before about 100 ms of silence. */
/** @} */

/**
 * @defgroup vek_axes Axis bits
 * @brief One bit per axis, in the controller's axis order. An axis mask is any combination of them; value lists
 *        hold one slot per axis, X first, and the status word's done, limit and slip groups use the same order.
 * @{
 */
#define VEK_AXIS_X     0x001 /**< Axis X, value-list slot 0. */
#define VEK_AXIS_Y     0x002 /**< Axis Y, value-list slot 1. */
#define VEK_AXIS_Z     0x004 /**< Axis Z, value-list slot 2. */
#define VEK_AXIS_T     0x008 /**< Axis T, value-list slot 3. */
#define VEK_AXIS_U     0x010 /**< Axis U, value-list slot 4. */
#define VEK_AXIS_V     0x020 /**< Axis V, value-list slot 5. */
#define VEK_AXIS_R     0x040 /**< Axis R, value-list slot 6. */
#define VEK_AXIS_S     0x080 /**< Axis S, value-list slot 7. */
#define VEK_AXIS_W     0x100 /**< Axis W, value-list slot 8. */
#define VEK_AXIS_K     0x200 /**< Axis K, value-list slot 9. */
#define VEK_ALL_AXES   0x3FF /**< Mask of all ten axes (1023). */
#define VEK_AXIS_COUNT 10    /**< Number of axes, and of slots in a value list. */
/** @} */

/* One declaration a line, so that the exports can be read (and grepped) as a list. */
/* clang-format off */

/* ---- Utilities ---------------------------------------------------------- */
/**
 * @defgroup vek_utilities Utilities and diagnostic log
 * @brief The five operations that belong to no transport and take no handle.
 * @{
 */

/**
 * @brief Suspends the calling thread for a number of milliseconds.
 *
 * @param[in] milliseconds How long to sleep, in ms; 0 or a negative value returns at once.
 * @par Status flags
 *      Touches none.
 */
VEK_API void VEK_CALL VEK_Pause(int32_t milliseconds);
/**
 * @brief Copies the library's version text into the caller's buffer.
 *
 * The text is "VekKestra DLL v1.03.02 - ethernet v1.03.01 - serial v1.03.01" (60 characters). At most size - 1
 * bytes are written: the text, then zero bytes up to byte size - 2; byte size - 1 is never written. So a size of
 * 62 or more gives the whole text terminated, 61 gives the 60 characters without a terminator, and a smaller
 * size the first size - 1 characters, unterminated. Zero-fill the buffer first, or pass at least 62.
 *
 * @param[out] buffer Caller's text buffer; with a null buffer nothing is written.
 * @param[in] size Size of @p buffer in bytes; with 0 nothing is written.
 * @return @p buffer, the address that was passed in.
 * @par Status flags
 *      Touches none.
 */
VEK_API char* VEK_CALL VEK_GetDLLVersion(char* buffer, uint32_t size);
/**
 * @brief Starts the process-wide diagnostic log: sets the log path and trace mask, and writes a start banner.
 *
 * Without mask bit 16 the file is created or emptied; with it the banner is appended. The file is closed again
 * after the banner and opened and closed for every later line. A second start while a log runs replaces path and
 * mask without writing a stop banner. The trace mask is described under "Diagnostic log" in the file overview.
 *
 * @param[in] path NUL-terminated file name of 1 to 255 characters.
 * @param[in] mask Trace mask: 1 to 16, any value above 16 that holds all of 0xA70000, or any negative value.
 * @return VEK_SUCCESS (0) when the log runs; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null, empty or over-long path, or mask 0 (the logger is unchanged);
 *           or a mask above 16 without all of 0xA70000 (the logger is then off)
 *         - VEK_ERROR_LOG_FILE (50): the file did not open (the logger is off), or closing it after the banner
 *           failed (the logger is on)
 * @par Status flags
 *      Touches none.
 */
VEK_API uint32_t VEK_CALL VEK_StartDllLogger(const char* path, int32_t mask);
/**
 * @brief Writes a stop banner and stops the diagnostic log: clears the log path and the trace mask.
 *
 * @return VEK_SUCCESS (0) when the log was stopped; otherwise:
 *         - VEK_ERROR_LOG_FILE (50): no logger was running or the file did not open (the logger is unchanged),
 *           or closing the file failed (the logger is off)
 * @par Status flags
 *      Touches none.
 */
VEK_API uint32_t VEK_CALL VEK_StopDllLogger(void);
/**
 * @brief Writes a marker line into the running log: the text alone, without a timestamp.
 *
 * The line is written whatever the trace mask, as long as a logger runs.
 *
 * @param[in] text NUL-terminated text of at most 256 characters.
 * @return VEK_SUCCESS (0) when the line was written; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null text, or text longer than 256 characters
 *         - VEK_ERROR_LOG_FILE (50): no logger is running, or the file did not open
 * @par Status flags
 *      Touches none.
 */
VEK_API uint32_t VEK_CALL VEK_DllLoggerLineMarker(const char* text);

/** @} */

/* ==== Ethernet (TCP) transport ==== */
/**
 * @defgroup vek_ethernet Ethernet transport
 * @brief The operations on a TCP connection to the controller (VEKnet_ prefix). Every command is answered by
 *        ACK or NAK within 2.5 s; every read folds notifications into the Ethernet status word.
 *
 * The operations of the command set (all but those of the connection and raw exchange) hold the
 * documentation they share with their serial twins; what holds on Ethernet only is marked (@ref vek_twins).
 * @{
 */

/* -- Connection and raw exchange -- */
/**
 * @brief Opens a TCP connection to the controller and stores the socket in the application's variable.
 *
 * The socket is a blocking IPv4 stream socket; the connect waits as long as the system's connect attempt lasts. The
 * address text is not resolved: host names are refused.
 *
 * Resets the Ethernet status word and the Ethernet last error to 0 (once the port has passed its check), which
 * every Ethernet connection of the process shares.
 *
 * @param[in] ipAddress Dotted IPv4 address text, for example "192.168.0.10". Null gives
 *                      VEK_ERROR_INVALID_PARAMETER.
 * @param[in] port TCP port of the controller, at most 65535.
 * @param[out] handle Address of the application's connection variable: receives the socket on success, 0 after a
 *                    failed socket() or connect(); after VEK_ERROR_INVALID_IP_ADDRESS it holds an unconnected
 *                    socket that VEKnet_Close() releases. Pass this address to every later VEKnet_ call. Null gives
 *                    VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the connection is open; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): port above 65535, null ipAddress or null handle (nothing is reset,
 *           traced or opened)
 *         - VEK_ERROR_INVALID_IP_ADDRESS (201): ipAddress is not a dotted IPv4 address (255.255.255.255 included)
 *         - VEK_ERROR_ETHERNET_CONNECT (202): socket start-up, socket creation or connect failed;
 *           VEKnet_GetLastError() tells the system's reason
 * @par Status flags
 *      Clears the whole Ethernet status word (all done, limit, slip and command-error flags), also those another
 *      Ethernet connection had collected.
 */
VEK_API uint32_t VEK_CALL VEKnet_Initialize(const char* ipAddress, uint32_t port, uint32_t* handle);
/**
 * @brief Closes the TCP connection and sets the application's variable to 0.
 *
 * Does nothing but its entry trace when handle is null. The socket start-up is not undone.
 *
 * @param[in,out] handle Address of the connection variable that VEKnet_Initialize() filled; set to 0.
 * @par Status flags
 *      Touches none: the Ethernet status word keeps its value.
 */
VEK_API void VEK_CALL VEKnet_Close(uint32_t* handle);
/**
 * @brief Hands out the last system error of the Ethernet transport once, and resets it to 0.
 *
 * The value is process-wide: the latest socket failure of any Ethernet connection (VEKnet_Initialize(), send,
 * select or receive). It is 0 after the controller closed the connection normally.
 *
 * @return The stored socket error number (a Winsock or errno value), or 0 when there is none; the next call returns
 *         0.
 * @par Status flags
 *      Touches none.
 */
VEK_API int32_t VEK_CALL VEKnet_GetLastError(void);
/**
 * @brief Sends one raw command text and waits for the controller's ACK or NAK.
 *
 * First drains what is already waiting (one read of at most 10 ms), then sends the text byte for byte with nothing
 * added (commands end with the controller's own ";" where it needs one), then waits up to 2.5 s for the reply; a
 * reply that holds only notifications is followed by one more wait of up to 2.5 s. Any text that comes with the ACK
 * is dropped: use VEKnet_Query() for queries. Nothing is retried and the connection is never closed here.
 *
 * @param[in] handle Address of the application's connection variable that VEKnet_Initialize() filled; null gives
 *                   VEK_ERROR_INVALID_PARAMETER.
 * @param[in] command NUL-terminated command text. Null gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the controller acknowledged the command (ACK, 0x06, anywhere in the reply);
 *         otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or command
 *         - VEK_ERROR_SOCKET_SEND (211): send() failed
 *         - VEK_ERROR_SOCKET_RECEIVE (212): select() or recv() failed, or the controller closed the connection
 *         - VEK_ERROR_ACK_NAK_TIMEOUT (214): no reply within 2.5 s
 *         - VEK_ERROR_COMMAND_NAK (216): the reply held NAK (0x15) and no ACK
 *         - VEK_ERROR_NO_COMMAND_ACK (217): the reply held neither ACK nor NAK
 * @par Status flags
 *      Sets or clears none itself. Every chunk read (the drain and the reply) passes through the notification
 *      filter, which ORs done, limit, slip and command-error bits into the Ethernet status word and removes the
 *      notifications from the text.
 */
VEK_API uint32_t VEK_CALL VEKnet_SendCommand(uint32_t* handle, const char* command);
/**
 * @brief Sends one raw query text and returns the controller's answer.
 *
 * Works as VEKnet_SendCommand(), then collects the answer: text that came with the ACK plus at most one more chunk
 * read within 10 ms, or, after a bare ACK, the next chunk within 2.5 s. ACK and NAK bytes and notifications are
 * removed; at most 255 characters are kept. Anything after that stays in the socket and is dropped by the next
 * command's drain.
 *
 * @param[in] handle Address of the application's connection variable that VEKnet_Initialize() filled; null gives
 *                   VEK_ERROR_INVALID_PARAMETER.
 * @param[in] command NUL-terminated query text. Null gives VEK_ERROR_INVALID_PARAMETER.
 * @param[out] answer Caller's buffer of lLen bytes; cleared first, then receives the answer, cut to lLen - 1
 *                    characters and always terminated. After a failed send it stays empty. Null gives
 *                    VEK_ERROR_INVALID_PARAMETER.
 * @param[in] lLen Size of @p answer in bytes; 0 or less gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the answer is in the buffer (also when only the text that came with the ACK
 *         arrived); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle, command or answer, or lLen of 0 or less
 *         - VEK_ERROR_SOCKET_SEND (211), VEK_ERROR_SOCKET_RECEIVE (212), VEK_ERROR_ACK_NAK_TIMEOUT (214),
 *           VEK_ERROR_COMMAND_NAK (216), VEK_ERROR_NO_COMMAND_ACK (217): as from VEKnet_SendCommand()
 *         - VEK_ERROR_SOCKET_RECEIVE_TIMEOUT (213): a bare ACK and no answer within 2.5 s (answer empty)
 * @par Status flags
 *      Sets or clears none itself. Every chunk read passes through the notification filter, which ORs flag bits
 *      into the Ethernet status word and removes the notifications from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_Query(uint32_t* handle, const char* command, char* answer, int32_t lLen);

/* -- Point-to-point and jog motion -- */
/**
 * @brief Moves one axis to a position or by a distance, and can wait until it reports done.
 *
 * Sends "AXMA1000;GDID;" for axis X, moveKind 0, value 1000, suffix 0 ("AYMR-250;GDIP;" for axis Y, moveKind 1,
 * value -250, suffix 1), then waits for the axis's done flag as described under @ref vek_waits.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] moveKind 0: absolute move to @p value ("MA"); 1: relative move by @p value ("MR"). Any other value
 *                     gives VEK_ERROR_INVALID_PARAMETER.
 * @param[in] value Target position (absolute) or distance (relative), in the controller's position units (steps).
 * @param[in] suffix Completion suffix after "GD": 0 "ID", 1 "IP". Any other value gives
 *                   VEK_ERROR_INVALID_PARAMETER.
 * @param[in] timeoutMs Time-out in milliseconds for the wait for the axis's done flag. 0: no wait, the result is that
 *                      of the send. A negative value differs by transport: on Ethernet it is taken as 0; on serial it
 *                      goes to the wait, which gives VEK_ERROR_INVALID_PARAMETER (3) although the move has been sent
 *                      and started.
 * @return VEK_SUCCESS (0) when the move was sent and, with a time-out above 0, the axis reported done; otherwise
 *         one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before moveKind)
 *         - VEK_ERROR_INVALID_PARAMETER (3): moveKind or suffix not 0 or 1; on serial also a negative timeoutMs
 *           (after sending)
 *         - VEK_ERROR_WAIT_TIMEOUT (6): the done flag was not set within timeoutMs (the axis keeps moving; stop it
 *           with StopMotion())
 *         - VEK_ERROR_POLL_TIMEOUT (101), VEK_ERROR_SOCKET_RECEIVE (212): on Ethernet only, the flag was completed
 *           by another connection's read (@ref vek_waits)
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Waits on (reads, never clears) the done flag of the axis, bit (axis index) of the transport's status word. A
 *      done flag left set by an earlier motion satisfies the wait at once: clear it first with
 *      ClearMultiAxisDoneFlags(). The wait's reads fold every notification they meet.
 */
VEK_API uint32_t VEK_CALL VEKnet_MoveAxis(uint32_t* handle, int32_t axis, int32_t moveKind, int32_t value, int32_t suffix, int32_t timeoutMs);
/**
 * @brief Starts one axis running at a velocity until it is stopped.
 *
 * Sends "AZJG1500;" (jogKind 0) or "AZJF1500.750000;" (jogKind 1) for axis Z and velocity 1500.75. There is no
 * wait: StopMotion() or KillMotion() ends the jog.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] jogKind 0: "JG" with the velocity cut toward zero to a whole number; 1: "JF" with the velocity in six
 *                    decimals. Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @param[in] velocity Velocity in the controller's units (steps/s); its sign gives the direction. For jogKind 0 it
 *                     must be finite and within the 32-bit range once cut, for jogKind 1 finite and short
 *                     enough for its six-decimal text to fit the command; otherwise VEK_ERROR_INVALID_PARAMETER
 *                     and nothing is sent.
 * @return VEK_SUCCESS (0) when the jog was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): bad jogKind or velocity
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_JogAxis(uint32_t* handle, int32_t axis, int32_t jogKind, double velocity);
/**
 * @brief Moves one axis by one step in either direction.
 *
 * Sends "AXMMMO;" for axis X and direction 1. There is no wait.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] direction 0: positive step ("MPMO;"); 1: negative step ("MMMO;"). Any other value gives
 *                      VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_PARAMETER (3): direction not 0 or 1 (checked before the axis)
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_MoveAxisOneStep(uint32_t* handle, int32_t axis, int32_t direction);
/**
 * @brief Moves several axes at once and waits until all of them report done.
 *
 * Sends for example "AAMA100,,-5;;GDID;" (axes X and Z, addressing 0, moveKind 0, targets 100 and -5, suffix 0):
 * the value list has one field per axis up to the highest one in the mask, empty for axes not in it. A mask of 0
 * sends "AAMA;GDID;" and the wait for no flags ends at once. The wait is described under @ref vek_waits.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axes Axis mask: an OR of VEK_AXIS_* bits, 0 for none, VEK_ALL_AXES for all ten; a negative mask passes
 *                 and only its bits 0-9 are used.
 * @param[in] addressing Command form: 0 "AA", 1 "AM".
 * @param[in] moveKind 0 "MA" (absolute), 1 "MR" (relative), 2 "MT", 3 "ML". Any other value gives
 *                     VEK_ERROR_INVALID_PARAMETER.
 * @param[in] targets Value list of VEK_AXIS_COUNT values, slot 0 for X to slot 9 for K; only the slots of the axes
 *                    in the mask are read. Targets or distances in position units (steps).
 * @param[in] suffix Completion suffix: 0 ";GDID;", 1 ";GDIP;". Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @param[in] timeoutMs Time-out in milliseconds for the wait for the done flags: 0 returns as soon as the command
 *                      is sent, without waiting; a negative value gives VEK_ERROR_INVALID_PARAMETER (3) after the
 *                      command has been sent.
 * @return VEK_SUCCESS (0) when the move was sent and, with a time-out above 0, every axis in the mask reported
 *         done; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis mask above 1023
 *         - VEK_ERROR_INVALID_PARAMETER (3): addressing, moveKind or suffix out of range, null targets, a command
 *           that would pass 127 characters, or a negative timeoutMs (after sending)
 *         - VEK_ERROR_WAIT_TIMEOUT (6): the done flags were not all set within timeoutMs (the axes keep moving)
 *         - VEK_ERROR_POLL_TIMEOUT (101), VEK_ERROR_SOCKET_RECEIVE (212): on Ethernet only, the flags were
 *           completed by another connection's read (@ref vek_waits)
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Waits on (reads, never clears) the done flags of all axes in the mask, bits 0-9 of the transport's status
 *      word. Flags left set by earlier motion satisfy the wait at once: clear them first with
 *      ClearMultiAxisDoneFlags(). The wait's reads fold every notification they meet.
 */
VEK_API uint32_t VEK_CALL VEKnet_Move(uint32_t* handle, int32_t axes, int32_t addressing, int32_t moveKind, const int32_t* targets, int32_t suffix, int32_t timeoutMs);
/**
 * @brief Starts several axes running, each at its own velocity, until they are stopped.
 *
 * Sends for example "AAJG2000,-2000;" (axes X and Y, addressing 0). There is no wait: StopMotion() or
 * KillMotion() ends the jog.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axes Axis mask: an OR of VEK_AXIS_* bits, 0 for none, VEK_ALL_AXES for all ten; a negative mask passes
 *                 and only its bits 0-9 are used.
 * @param[in] addressing Command form: 0 "AA", 1 "AM".
 * @param[in] velocities Value list of VEK_AXIS_COUNT values, slot 0 for X to slot 9 for K; only the slots of the
 *                       axes in the mask are read. Velocities in the controller's units (steps/s), signed for the
 *                       direction.
 * @return VEK_SUCCESS (0) when the jog was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis mask above 1023
 *         - VEK_ERROR_INVALID_PARAMETER (3): null velocities or addressing not 0 or 1
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_Jog(uint32_t* handle, int32_t axes, int32_t addressing, const int32_t* velocities);

/* -- Stopping motion -- */
/**
 * @brief Stops the motion of a set of axes (decelerating), without waiting for them to come to rest.
 *
 * Sends "SA" for VEK_ALL_AXES, else "SI" followed by a 1 for each axis in the mask: "SI1,,1;" for X and Z, "SI"
 * alone for a mask of 0.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axes Axis mask: an OR of VEK_AXIS_* bits, 0 for none, VEK_ALL_AXES for all ten; a negative mask passes
 *                 and only its bits 0-9 are used.
 * @return VEK_SUCCESS (0) when the stop was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis mask above 1023
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_StopMotion(uint32_t* handle, int32_t axes);
/**
 * @brief Kills the motion of a set of axes at once, without waiting for them to come to rest.
 *
 * Sends ";AMKL" for VEK_ALL_AXES, else "KS" followed by a 1 for each axis in the mask: "KS1,,1;" for X and Z, "KS"
 * alone for a mask of 0.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axes Axis mask: an OR of VEK_AXIS_* bits, 0 for none, VEK_ALL_AXES for all ten; a negative mask passes
 *                 and only its bits 0-9 are used.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis mask above 1023
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_KillMotion(uint32_t* handle, int32_t axes);

/* -- Homing and limit search -- */
/**
 * @brief Sets the logic of an axis's home switch.
 *
 * Sends "AXHL" or "AXHH" for axis X (no closing ";").
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] switchLogic 0 "HL", 1 "HH". Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_PARAMETER (3): switchLogic not 0 or 1 (checked before the axis)
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisHomeSwitchLogic(uint32_t* handle, int32_t axis, int32_t switchLogic);
/**
 * @brief Starts a home search on one axis and can wait until the axis reports done.
 *
 * Sends "AXHSHM0;ID" (axis X, 0, 0, value 0) or "AYHEHR-100;ID" (axis Y, 1, 1, value -100), then waits as
 * described under @ref vek_waits. When a wait fails the axis is stopped with StopMotion() and the stop's own result
 * is not reported.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] searchCommand 0 "HS", 1 "HE". Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @param[in] homeCommand 0 "HM", 1 "HR". Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @param[in] homeValue Value written after "HM" or "HR", in position units (steps).
 * @param[in] timeoutMs Time-out in milliseconds for the wait for the done flag. 0: no wait, the search goes on in
 *                      the controller. Negative: the axis is stopped at once and the result is
 *                      VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the search was sent and, with a time-out above 0, the axis reported done;
 *         otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): searchCommand or homeCommand not 0 or 1, or a negative timeoutMs (the
 *           search was sent and then stopped)
 *         - VEK_ERROR_WAIT_TIMEOUT (6): the done flag was not set within timeoutMs; the axis has been stopped
 *         - VEK_ERROR_POLL_TIMEOUT (101), VEK_ERROR_SOCKET_RECEIVE (212): on Ethernet only, the flag was completed
 *           by another connection's read (@ref vek_waits); the axis has been stopped, as after any failed wait
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Waits on (reads, never clears) the done flag of the axis, bit (axis index) of the transport's status word; a
 *      flag left set satisfies the wait at once, so clear it first with ClearMultiAxisDoneFlags().
 */
VEK_API uint32_t VEK_CALL VEKnet_FindAxisHome(uint32_t* handle, int32_t axis, int32_t searchCommand, int32_t homeCommand, int32_t homeValue, int32_t timeoutMs);
/**
 * @brief Jogs one axis toward a limit switch and can wait until its limit flag is reported.
 *
 * Sends "AZLNJG5000;" or "AZLNJG-5000;" for axis Z and velocity 5000, then waits as described under
 * @ref vek_waits. After every wait, successful or not, the axis is stopped with StopMotion(), whose own result is
 * not reported.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] direction 0 positive, 1 negative (a literal "-" is written before the velocity). Any other value gives
 *                      VEK_ERROR_INVALID_PARAMETER.
 * @param[in] velocity Jog velocity in the controller's units (steps/s), sent as given.
 * @param[in] timeoutMs Time-out in milliseconds for the wait for the limit flag. 0: no wait and no stop, the axis
 *                      keeps jogging. Negative: the axis is stopped at once and the result is
 *                      VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the jog was sent and, with a time-out above 0, the limit flag was seen;
 *         otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): direction not 0 or 1, or a negative timeoutMs (the jog was sent and
 *           then stopped)
 *         - VEK_ERROR_WAIT_TIMEOUT (6): the limit flag was not set within timeoutMs
 *         - VEK_ERROR_POLL_TIMEOUT (101), VEK_ERROR_SOCKET_RECEIVE (212): on Ethernet only, the flag was completed
 *           by another connection's read (@ref vek_waits)
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Waits on (reads, never clears) the limit flag of the axis, bit 10 + (axis index) of the transport's status
 *      word; a flag left set satisfies the wait at once, so clear it first with ClearMultiAxisOvertravelFlags().
 */
VEK_API uint32_t VEK_CALL VEKnet_FindAxisLimit(uint32_t* handle, int32_t axis, int32_t direction, int32_t velocity, int32_t timeoutMs);

/* -- Position reporting and setting -- */
/**
 * @brief Reads the motor position of one axis.
 *
 * Queries "AXRP;" for axis X and reads the first decimal integer of the answer (leading blanks skipped, text after
 * the number ignored).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[out] position Receives the position in the controller's units (steps or counts); written only on success.
 *                      Null gives VEK_ERROR_INVALID_PARAMETER (checked after the axis).
 * @return VEK_SUCCESS (0) when the position was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null position
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t* position);
/**
 * @brief Reads the encoder position of one axis.
 *
 * Queries "AXRE;" for axis X and reads the first decimal integer of the answer (leading blanks skipped, text after
 * the number ignored).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[out] position Receives the position in the controller's units (steps or counts); written only on success.
 *                      Null gives VEK_ERROR_INVALID_PARAMETER (checked after the axis).
 * @return VEK_SUCCESS (0) when the position was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null position
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisEncoderPosition(uint32_t* handle, int32_t axis, int32_t* position);
/**
 * @brief Reads the motor positions of all axes.
 *
 * Queries "PP"; positions are in the controller's units (steps or counts).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] positions Array of VEK_AXIS_COUNT (10) values; on success all ten slots are set to 0, then filled
 *                       with the answer's comma-separated values in order (an empty field takes no slot, values
 *                       past the tenth are ignored). Null gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the list was filled, however many values the answer held; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null positions
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty (the list is untouched)
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAllAxisMotorPositions(uint32_t* handle, int32_t* positions);
/**
 * @brief Reads the encoder positions of all axes.
 *
 * Queries "PE;"; positions are in the controller's units (steps or counts).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] positions Array of VEK_AXIS_COUNT (10) values; on success all ten slots are set to 0, then filled
 *                       with the answer's comma-separated values in order (an empty field takes no slot, values
 *                       past the tenth are ignored). Null gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the list was filled, however many values the answer held; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null positions
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty (the list is untouched)
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAllAxisEncoderPositions(uint32_t* handle, int32_t* positions);
/**
 * @brief Reads the motor and the encoder positions of all axes, with two queries.
 *
 * Runs GetAllAxisMotorPositions() then GetAllAxisEncoderPositions() of the same transport; nothing ties the two
 * answers to the same instant.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] motorPositions Array of VEK_AXIS_COUNT values, filled as by GetAllAxisMotorPositions().
 * @param[out] encoderPositions Array of VEK_AXIS_COUNT values, filled as by GetAllAxisEncoderPositions();
 *                              untouched when the motor read fails.
 * @return VEK_SUCCESS (0) when both lists were filled; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or either list null (before anything is sent)
 *         - VEK_ERROR_BAD_RESPONSE (215): an answer was empty
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The queries' reads fold every notification they meet into the transport's status
 *      word and remove it from the answers.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAllAxisPositions(uint32_t* handle, int32_t* motorPositions, int32_t* encoderPositions);
/**
 * @brief Redefines the motor position of one axis (no motion).
 *
 * Sends "AXLP-1500;" for axis X and position -1500.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] position New position in the controller's units (steps).
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t position);
/**
 * @brief Redefines the motor positions of several axes at once (no motion).
 *
 * Sends "AALP100,,-5;" for axes X and Z, addressing 0, positions 100 and -5; a mask of 0 sends the bare "AALP" or
 * "AMLP".
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axes Axis mask: an OR of VEK_AXIS_* bits, 0 for none, VEK_ALL_AXES for all ten; a negative mask passes
 *                 and only its bits 0-9 are used.
 * @param[in] addressing Command form: 0 "AA", 1 "AM".
 * @param[in] positions Value list of VEK_AXIS_COUNT values, slot 0 for X to slot 9 for K; only the slots of the
 *                      axes in the mask are read. New positions in steps.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis mask above 1023
 *         - VEK_ERROR_INVALID_PARAMETER (3): null positions or addressing not 0 or 1
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetMultiAxisMotorPositions(uint32_t* handle, int32_t axes, int32_t addressing, const int32_t* positions);

/* -- Velocity and acceleration -- */
/**
 * @brief Reads the current velocity of one axis.
 *
 * Queries "AXRV" for axis X; the answer is read as one decimal integer (leading blanks skipped).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[out] velocity Receives the value in the controller's units (steps/s); written only on success. Null gives
 *                      VEK_ERROR_INVALID_PARAMETER (checked after the axis).
 * @return VEK_SUCCESS (0) when the value was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisCurrentVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
/**
 * @brief Reads the current velocities of all axes.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] addressing 0 queries "AARV", 1 queries "AMRV". Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @param[in,out] velocities Array of VEK_AXIS_COUNT values (steps/s), filled with the answer's comma-separated
 *                           values in order; slots the answer has no value for keep what they held. Null gives
 *                           VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the list was filled, however many values the answer held; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle, null list or addressing not 0 or 1
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAllCurrentVelocities(uint32_t* handle, int32_t addressing, int32_t* velocities);
/**
 * @brief Reads the base (start) velocity setting of one axis.
 *
 * Queries "AX?VB" for axis X; the answer's first character (such as "=") is dropped, then one decimal integer is
 * read.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[out] velocity Receives the value in the controller's units (steps/s); written only on success. Null gives
 *                      VEK_ERROR_INVALID_PARAMETER (checked after the axis).
 * @return VEK_SUCCESS (0) when the value was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
/**
 * @brief Sets the base (start) velocity of one axis.
 *
 * Sends "AXVB500;" for axis X and 500; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] velocity Base velocity in the controller's units (steps/s), sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t velocity);
/**
 * @brief Reads the maximum velocity setting of one axis.
 *
 * Queries "AX?VL" for axis X; the answer's first character (such as "=") is dropped, then one decimal integer is
 * read.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[out] velocity Receives the value in the controller's units (steps/s); written only on success. Null gives
 *                      VEK_ERROR_INVALID_PARAMETER (checked after the axis).
 * @return VEK_SUCCESS (0) when the value was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
/**
 * @brief Sets the maximum velocity of one axis.
 *
 * Sends "AXVL500;" for axis X and 500; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] velocity Maximum velocity in the controller's units (steps/s), sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t velocity);
/**
 * @brief Reads the acceleration setting of one axis.
 *
 * Queries "AX?AC" for axis X; the answer's first character (such as "=") is dropped, then one decimal integer is
 * read.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[out] acceleration Receives the value in the controller's units (steps/s^2); written only on success. Null
 *                          gives VEK_ERROR_INVALID_PARAMETER (checked after the axis).
 * @return VEK_SUCCESS (0) when the value was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration);
/**
 * @brief Sets the acceleration of one axis.
 *
 * Sends "AXAC20000;" for axis X and 20000; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] acceleration Acceleration in the controller's units (steps/s^2), sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t acceleration);
/**
 * @brief Reads the current acceleration of one axis.
 *
 * Queries "AXRC" for axis X; the answer is read as one decimal integer (leading blanks skipped).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[out] acceleration Receives the value in the controller's units (steps/s^2); written only on success. Null
 *                          gives VEK_ERROR_INVALID_PARAMETER (checked after the axis).
 * @return VEK_SUCCESS (0) when the value was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisCurrentAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration);
/**
 * @brief Reads the current accelerations of all axes.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] addressing 0 queries "AARC", 1 queries "AMRC". Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @param[in,out] accelerations Array of VEK_AXIS_COUNT values (steps/s^2), filled with the answer's comma-separated
 *                              values in order; slots the answer has no value for keep what they held. Null gives
 *                              VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the list was filled, however many values the answer held; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle, null list or addressing not 0 or 1
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAllCurrentAccelerations(uint32_t* handle, int32_t addressing, int32_t* accelerations);
/**
 * @brief Gives one axis a cosine acceleration ramp.
 *
 * Sends "AXSC;" for axis X; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationCosine(uint32_t* handle, int32_t axis);
/**
 * @brief Gives one axis a linear acceleration ramp.
 *
 * Sends "AXLA;" for axis X; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationLinear(uint32_t* handle, int32_t axis);
/**
 * @brief Gives one axis a parabolic acceleration ramp.
 *
 * Sends "AXPR500;" for axis X and 500; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] rampParameter Ramp parameter in the controller's units, sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationParabolic(uint32_t* handle, int32_t axis, int32_t rampParameter);
/**
 * @brief Gives one axis an S-curve acceleration ramp.
 *
 * Sends "AXSS500;" for axis X and 500; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] rampParameter Ramp parameter in the controller's units, sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationSCurve(uint32_t* handle, int32_t axis, int32_t rampParameter);

/* -- Status flags and command errors -- */
/**
 * @brief Tells whether one axis (or every axis of a mask) has reported done.
 *
 * First folds what is already waiting with the transport's refresh read (@ref vek_status_flags); a failed or
 * silent read is ignored.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axisBit The axis bit; several bits ask about several axes at once, 0 always reports 1. VEK_ALL_AXES
 *                    (1023) gives VEK_ERROR_INVALID_AXIS (after the refresh read).
 * @param[out] flag Receives 1 when every done flag named by @p axisBit is set, else 0.
 * @return VEK_SUCCESS (0) when the flag was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 *         - VEK_ERROR_INVALID_AXIS (2): axisBit is 1023
 * @par Status flags
 *      Reads done flags (bits 0-9) of the transport's status word; sets none itself (only the refresh read's
 *      notifications), clears none.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisDoneFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
/**
 * @brief Reads the whole status word of the transport.
 *
 * First folds what is already waiting with the transport's refresh read (@ref vek_status_flags); a failed or
 * silent read is ignored.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] flags Receives the transport's whole status word: bits 0-9 done, 10-19 limit, 20-29 slip, 30 command
 *                   error (for example 0x40000001 with the command error and X done).
 * @return VEK_SUCCESS (0) when the word was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 * @par Status flags
 *      Reads all flags of the transport's status word; clears none.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAllDoneFlags(uint32_t* handle, uint32_t* flags);
/**
 * @brief Clears the done flags of a set of axes in the transport's status word.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axes Axis mask; the done flags of the axes in its bits 0-9 are cleared. Above 1023 gives
 *                 VEK_ERROR_INVALID_PARAMETER; a negative mask clears by its low ten bits.
 * @return VEK_SUCCESS (0) when the flags were cleared; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or axes above 1023
 * @par Status flags
 *      Clears done flags (bits 0-9) of the transport's status word in one atomic update; every other bit keeps its
 *      value. Nothing is sent: a later notification sets the flags again.
 */
VEK_API uint32_t VEK_CALL VEKnet_ClearMultiAxisDoneFlags(uint32_t* handle, int32_t axes);
/**
 * @brief Tells whether one axis (or every axis of a mask) has met a limit.
 *
 * First folds what is already waiting with the transport's refresh read (@ref vek_status_flags); a failed or
 * silent read is ignored.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axisBit The axis bit; several bits (up to VEK_ALL_AXES) ask about several axes at once, 0 always
 *                    reports 1.
 * @param[out] flag Receives 1 when every limit flag named by @p axisBit is set, else 0.
 * @return VEK_SUCCESS (0) when the flag was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 * @par Status flags
 *      Reads limit flags (bits 10-19) of the transport's status word; clears none.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisOvertravelFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
/**
 * @brief Reads the limit flags of all axes.
 *
 * First folds what is already waiting with the transport's refresh read (@ref vek_status_flags); a failed or
 * silent read is ignored.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] flags Receives the ten limit flags as an axis mask (bit 0 X ... bit 9 K).
 * @return VEK_SUCCESS (0) when the flags were stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 * @par Status flags
 *      Reads limit flags (bits 10-19) of the transport's status word; clears none.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAllOvertravelFlags(uint32_t* handle, uint32_t* flags);
/**
 * @brief Clears the limit flags of a set of axes in the transport's status word.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axes Axis mask; the limit flags of the axes in its bits 0-9 are cleared. Above 1023 gives
 *                 VEK_ERROR_INVALID_PARAMETER; a negative mask clears by its low ten bits.
 * @return VEK_SUCCESS (0) when the flags were cleared; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or axes above 1023
 * @par Status flags
 *      Clears limit flags (bits 10-19) of the transport's status word in one atomic update; every other bit keeps
 *      its value. Nothing is sent.
 */
VEK_API uint32_t VEK_CALL VEKnet_ClearMultiAxisOvertravelFlags(uint32_t* handle, int32_t axes);
/**
 * @brief Tells whether the controller has reported a rejected command.
 *
 * First folds what is already waiting with the transport's refresh read (@ref vek_status_flags); a failed or
 * silent read is ignored.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] flag Receives bit 30 of the transport's status word: 1 or 0.
 * @return VEK_SUCCESS (0) when the flag was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 * @par Status flags
 *      Reads the command-error flag (bit 30) of the transport's status word; clears none.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetCommandErrorFlag(uint32_t* handle, uint32_t* flag);
/**
 * @brief Clears the command-error flag in the transport's status word.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @return VEK_SUCCESS (0) when the flag was cleared; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 * @par Status flags
 *      Clears the command-error flag (bit 30) of the transport's status word in one atomic update; every other bit
 *      keeps its value. Nothing is sent.
 */
VEK_API uint32_t VEK_CALL VEKnet_ClearCommandErrorFlag(uint32_t* handle);
/**
 * @brief Fetches the controller's record of the last command it rejected.
 *
 * Queries "#ER" with the caller's buffer and size.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] text Caller's buffer that receives the controller's answer text. Null gives
 *                  VEK_ERROR_INVALID_PARAMETER.
 * @param[in] textSize Size of @p text in bytes; 0 or less gives VEK_ERROR_INVALID_PARAMETER, nothing is sent and 0
 *                     is stored as the length.
 * @param[out] textLength Receives the number of characters in @p text before its first NUL, at most @p textSize;
 *                        stored whatever the query returned. Null gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the answer is in @p text; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle, null text or textLength, or textSize of 0 or less
 *         - a code of the transport's query (@ref vek_transport_codes); on serial VEK_ERROR_ANSWER_TOO_LONG (7)
 *           for an answer of @p textSize characters or more
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 * @par On Ethernet
 *      An answer longer than textSize - 1 characters is cut to fit and terminated, with no result code of its own.
 *      @p text is cleared before the command is sent, so after a failed send @p textLength is 0.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetIllegalCommand(uint32_t* handle, char* text, int32_t textSize, int32_t* textLength);
/**
 * @brief Switches on slip detection for one axis.
 *
 * Sends "AXIS;" for axis X ("AZIS;" for Z).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word. From
 *      then on the controller reports slips of the axis, which set its slip flag (bit 20 + axis index).
 */
VEK_API uint32_t VEK_CALL VEKnet_EnableAxisSlipDectection(uint32_t* handle, int32_t axis);
/**
 * @brief Tells whether one axis (or every axis of a mask) has slipped.
 *
 * First folds what is already waiting with the transport's refresh read (@ref vek_status_flags); a failed or
 * silent read is ignored.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axisBit The axis bit; several bits (up to VEK_ALL_AXES) ask about several axes at once, 0 always
 *                    reports 1.
 * @param[out] flag Receives 1 when every slip flag named by @p axisBit is set, else 0.
 * @return VEK_SUCCESS (0) when the flag was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 * @par Status flags
 *      Reads slip flags (bits 20-29) of the transport's status word; clears none.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisSlipFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
/**
 * @brief Reads the slip flags of all axes.
 *
 * First folds what is already waiting with the transport's refresh read (@ref vek_status_flags); a failed or
 * silent read is ignored.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] flags Receives the ten slip flags as an axis mask (bit 0 X ... bit 9 K).
 * @return VEK_SUCCESS (0) when the flags were stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 * @par Status flags
 *      Reads slip flags (bits 20-29) of the transport's status word; clears none.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAllAxesSlipFlag(uint32_t* handle, uint32_t* flags);
/**
 * @brief Clears the slip flags of a set of axes in the transport's status word.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axes Axis mask; the slip flags of the axes in its bits 0-9 are cleared. Above 1023 gives
 *                 VEK_ERROR_INVALID_PARAMETER; a negative mask clears by its low ten bits.
 * @return VEK_SUCCESS (0) when the flags were cleared; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or axes above 1023
 * @par Status flags
 *      Clears slip flags (bits 20-29) of the transport's status word in one atomic update; every other bit keeps its
 *      value. Nothing is sent.
 */
VEK_API uint32_t VEK_CALL VEKnet_ClearMultiAxisSlipFlag(uint32_t* handle, int32_t axes);

/* -- Servo and encoder settings -- */
/**
 * @brief Reads the five encoder status flags of one axis.
 *
 * Queries "AXEA" for axis X; the answer "EDSPN" gives 1, 0, 1, 1, 0.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[out] status Array of five values, each set to 0 or 1 from the first five characters of the answer
 *                    (case-sensitive): [0] "D" 0 / "E" 1; [1] "D" 0 / "E" 1; [2] "N" 0 / "S" 1; [3] "N" 0 / "P" 1;
 *                    [4] "N" 0 / "P" 1. Decoding stops at the first character outside its pair, keeping the values
 *                    decoded before it. Null gives VEK_ERROR_INVALID_PARAMETER (checked after the axis).
 * @return VEK_SUCCESS (0) when all five flags were decoded; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null status
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_BAD_RESPONSE (215): empty answer, or a character outside its position's pair (a short answer
 *           included)
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisEncoderStatus(uint32_t* handle, int32_t axis, uint32_t* status);
/**
 * @brief Selects one of the two PID settings of an axis.
 *
 * Sends "AXHF" or "AXHN" for axis X (no closing ";").
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] selector 0 "HF", 1 "HN". Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle (checked first)
 *         - VEK_ERROR_INVALID_PARAMETER (3): selector not 0 or 1 (checked before the axis)
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisPID(uint32_t* handle, int32_t axis, int32_t selector);
/**
 * @brief Sets the encoder ratio of one axis.
 *
 * Sends "AXER3,4;" for axis X and terms 3 and 4.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] firstTerm First ratio term, sent unchecked.
 * @param[in] secondTerm Second ratio term, sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisEncoderRatio(uint32_t* handle, int32_t axis, int32_t firstTerm, int32_t secondTerm);
/**
 * @brief Sets the hold dead band of one axis and its two optional values.
 *
 * Sends "AXHD5,10,20;", "AXHD5,10;", "AXHD5,,20;" or "AXHD5,;" for axis X, dead band 5 and the values 10/20, 10/0,
 * 0/20, 0/0.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] deadBand Dead band in position units (steps), sent unchecked.
 * @param[in] secondValue Second field: above 0 sent, 0 leaves the field empty, negative gives
 *                        VEK_ERROR_INVALID_PARAMETER.
 * @param[in] thirdValue Third field: above 0 sent, 0 leaves the field out, negative gives
 *                       VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): secondValue or thirdValue negative (nothing sent)
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisHoldDeadBand(uint32_t* handle, int32_t axis, int32_t deadBand, int32_t secondValue, int32_t thirdValue);
/**
 * @brief Sets the encoder slip tolerance of one axis.
 *
 * Sends "AXES25;" for axis X and 25; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] tolerance Slip tolerance in encoder counts, sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisEncoderSlipTolerance(uint32_t* handle, int32_t axis, int32_t tolerance);
/**
 * @brief Sets the hold gain of one axis.
 *
 * Sends "AXHG25;" for axis X and 25; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] gain Hold gain, sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisHoldGain(uint32_t* handle, int32_t axis, int32_t gain);
/**
 * @brief Sets the hold velocity of one axis.
 *
 * Sends "AXHV25;" for axis X and 25; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] velocity Hold velocity in the controller's units (steps/s), sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisHoldVelocity(uint32_t* handle, int32_t axis, int32_t velocity);

/* -- Overtravel and travel limits -- */
/**
 * @brief Switches overtravel (limit input) detection of one axis on or off.
 *
 * Sends "AXLN;" or "AXLF;" for axis X.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] selector 1 "LN" (detection on), 0 "LF" (off). Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): selector not 0 or 1
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisOvertravelDetect(uint32_t* handle, int32_t axis, uint32_t selector);
/**
 * @brief Sets which level of an axis's limit inputs counts as active.
 *
 * Sends "AXLL;" or "AXLH;" for axis X.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] selector 0 "LL" (low), 1 "LH" (high). Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): selector not 0 or 1
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisOvertravelSense(uint32_t* handle, int32_t axis, uint32_t selector);
/**
 * @brief Sets how an axis stops when it meets a limit.
 *
 * Sends "AXSL;" or "AXSF;" for axis X.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] selector 1 "SL", 0 "SF". Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): selector not 0 or 1
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisOvertravelStopMode(uint32_t* handle, int32_t axis, uint32_t selector);
/**
 * @brief Sets the two software travel limits of one axis.
 *
 * Sends "AUTL-1000,250000;" for axis U and limits -1000 and 250000.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] firstLimit First limit in position units (steps), sent as given.
 * @param[in] secondLimit Second limit in position units (steps), sent as given; the two are not compared.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisSoftwareTravelLimits(uint32_t* handle, int32_t axis, int32_t firstLimit, int32_t secondLimit);

/* -- General-purpose I/O bits -- */
/**
 * @brief Reads the direction word of the general-purpose I/O lines.
 *
 * Queries "RB"; the answer's first character is dropped, then a hexadecimal number is read ("=00F0" gives 240).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] direction Receives the direction word, one bit per I/O line (bit 0 first); written only on success.
 *                       Null gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the word was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no hexadecimal number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetIOBitsDirection(uint32_t* handle, uint32_t* direction);
/**
 * @brief Sets the direction word of the general-purpose I/O lines.
 *
 * Sends "BDFF;" for 255 (upper-case hexadecimal).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] direction Direction word for lines 0-15, at most 65535; a larger value gives
 *                      VEK_ERROR_INVALID_PARAMETER and nothing is sent.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): direction above 65535 (checked first), or null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetIOBitsDirection(uint32_t* handle, uint32_t direction);
/**
 * @brief Reads the state word of the general-purpose I/O lines.
 *
 * Queries "BX" and reads the answer as a hexadecimal number ("1a" gives 26).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[out] state Receives the state word, one bit per I/O line (bit 0 first); written only on success. Null
 *                   gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the word was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no hexadecimal number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetIOBitsState(uint32_t* handle, uint32_t* state);
/**
 * @brief Sets the state word of the output lines.
 *
 * Sends "BSa5;" for 165 and "BS5 ;" for 5 (lower-case hexadecimal, at least two characters).
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] outputs Output word, one bit per line, sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetOutputBitsState(uint32_t* handle, uint32_t outputs);
/**
 * @brief Tells whether the I/O lines of a mask are all set.
 *
 * Queries "BX" and tests the state word it answers.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] bitMask The lines to test (1 for line 0 ... 32768 for line 15); several bits must all be set, 0 always
 *                    gives 1.
 * @param[out] state Receives 1 when every line of @p bitMask is set in the state word, else 0; written only on
 *                   success. Null gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the state was stored; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or null output
 *         - VEK_ERROR_BAD_RESPONSE (215): the answer was empty or held no hexadecimal number
 *         - a code of the transport's query (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. The query's reads fold every notification they meet into the transport's status
 *      word and remove it from the answer.
 */
VEK_API uint32_t VEK_CALL VEKnet_GetIOBitState(uint32_t* handle, uint32_t bitMask, uint32_t* state);
/**
 * @brief Sets one output line high or low.
 *
 * Sends "BH3;" for mask 8 and level 1.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] bitMask Exactly one of bits 0-15 (1 for line 0 ... 32768 for line 15); any other value gives
 *                    VEK_ERROR_INVALID_PARAMETER.
 * @param[in] level 1 high ("BH"), 0 low ("BL"). Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle, bitMask not a single line 0-15, or level not 0 or 1
 *           (nothing sent)
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetOutputBitState(uint32_t* handle, int32_t bitMask, int32_t level);

/* -- Auxiliary outputs -- */
/**
 * @brief Enables or disables the auxiliary output of one axis.
 *
 * Sends "AXPA1;" or "AXPA0;" for axis X.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] selector 1 enable, 0 disable. Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): selector not 0 or 1 (checked first)
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_EnableAxisAux(uint32_t* handle, int32_t axis, int32_t selector);
/**
 * @brief Sets the settle time of one axis's auxiliary output.
 *
 * Sends "AXSE50;" for axis X and 50; nothing is read back.
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] settleTime Settle time in the controller's units (ms), sent unchecked.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits (checked before the handle)
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAuxSettleTime(uint32_t* handle, int32_t axis, int32_t settleTime);
/**
 * @brief Sets the default state of one axis's auxiliary output.
 *
 * Sends "AXADL" or "AXADH" for axis X (no closing ";").
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] selector 0 low ("ADL"), 1 high ("ADH"). Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): selector not 0 or 1 (checked first)
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAuxDefaultState(uint32_t* handle, int32_t axis, uint32_t selector);
/**
 * @brief Switches one axis's auxiliary output bit off or on.
 *
 * Sends "AXAF" or "AXAN" for axis X (no closing ";").
 *
 * @param[in] handle Connection handle: the address of the application's connection variable (@ref vek_handles).
 * @param[in] axis One axis bit, VEK_AXIS_X to VEK_AXIS_K (1, 2, 4 ... 512).
 * @param[in] selector 0 off ("AF"), 1 on ("AN"). Any other value gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the command was sent (@ref vek_transport_codes); otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): selector not 0 or 1 (checked first)
 *         - VEK_ERROR_INVALID_AXIS (2): axis is not one of the ten axis bits
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle
 *         - a code of the transport's send (@ref vek_transport_codes)
 * @par Status flags
 *      Sets or clears none itself. Notifications the send meets are folded into the transport's status word.
 */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAuxBit(uint32_t* handle, int32_t axis, uint32_t selector);

/** @} */

/* ==== Serial transport ==== */
/**
 * @defgroup vek_serial Serial transport
 * @brief The operations on a serial (COM) port (VEKser_ prefix). There is no handshake: a command counts as
 *        sent once written, a query's answer is the next line; every read folds notifications into the serial
 *        status word.
 *
 * The operations of the command set (all but those of the connection and raw exchange) repeat the
 * documentation of their Ethernet twins and add what differs on serial (@ref vek_twins).
 * @{
 */

/* -- Connection and raw exchange -- */
/**
 * @brief Opens and configures a serial (COM) port and stores the port in the application's variable.
 *
 * Line settings: the given baud rate, 8 data bits, no parity, one stop bit, CTS output flow control and DTR
 * handshake, received NUL bytes kept. Nothing is sent; what the port had already received is drained (and its
 * notifications folded) before the call returns.
 *
 * On Windows port n is "\\.\COMn". On POSIX systems port n is the device named by the environment variable
 * VEKKESTRA_COMn when it is set, else /dev/ttyS(n-1).
 *
 * Resets the serial status word (at entry and again on success) and, on success, the serial last error, which every
 * serial port of the process shares. A failed open after the port was opened leaves it open in the variable:
 * release it with VEKser_Close().
 *
 * @param[in] port Port number, 1 to 32.
 * @param[in] baudRate 9600, 19200, 38400, 57600 or 115200.
 * @param[out] handle Address of the application's port variable: receives the port on success, all bits set when
 *                    the open itself failed. Pass this address to every later VEKser_ call. Null gives
 *                    VEK_ERROR_INVALID_PARAMETER before any port is opened.
 * @return VEK_SUCCESS (0) when the port is open; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): port outside 1-32 (checked first), baud rate not in the list, or null
 *           handle; nothing is opened
 *         - VEK_ERROR_SERIAL_OPEN (301): opening or configuring the port failed; VEKser_GetLastError() tells the
 *           system's reason
 * @par Status flags
 *      Clears the whole serial status word (all done, limit, slip and command-error flags), also those another
 *      serial port had collected; notifications drained at the end set bits again.
 */
VEK_API uint32_t VEK_CALL VEKser_Initialize(int32_t port, int32_t baudRate, uint32_t* handle);
/**
 * @brief Closes the serial port and sets the application's variable to 0.
 *
 * Does nothing but its entry trace when handle is null; closing a variable that is already 0 fails quietly.
 *
 * @param[in,out] handle Address of the port variable that VEKser_Initialize() filled; set to 0.
 * @par Status flags
 *      Touches none: the serial status word keeps its value.
 */
VEK_API void VEK_CALL VEKser_Close(uint32_t* handle);
/**
 * @brief Hands out the last system error of the serial transport once, and resets it to 0.
 *
 * The value is process-wide: the latest failed port call of any serial port (open, configure, write, read). A short
 * write is reported with whatever the system held, possibly 0.
 *
 * @return The stored system error number, or 0 when there is none; the next call returns 0.
 * @par Status flags
 *      Touches none.
 */
VEK_API uint32_t VEK_CALL VEKser_GetLastError(void);
/**
 * @brief Writes one raw command text to the serial port.
 *
 * There is no handshake: the command counts as sent once all its bytes are written (one write, bounded by 1000 ms
 * plus 4 ms per byte). The text goes out unchanged, with nothing appended. Whatever the controller answers stays in
 * the port until the next read.
 *
 * @param[in] handle Address of the application's port variable that VEKser_Initialize() filled; null gives
 *                   VEK_ERROR_INVALID_PARAMETER.
 * @param[in] command NUL-terminated command text of at most 128 characters. Null gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when every byte was written; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle or command (nothing traced or written)
 *         - VEK_ERROR_COMMAND_TOO_LONG (5): more than 128 characters; nothing written
 *         - VEK_ERROR_SERIAL_WRITE (350): the write failed or was short; VEKser_GetLastError() tells why
 * @par Status flags
 *      Touches none: this call only writes.
 */
VEK_API uint32_t VEK_CALL VEKser_SendCommand(uint32_t* handle, const char* command);
/**
 * @brief Writes one raw query text to the serial port and reads the answer line.
 *
 * First drains what the port holds (stale answers are dropped), then writes the command as VEKser_SendCommand()
 * does and reads the answer: the first line ended by a line feed that is not empty once notifications are removed.
 * The line feed is not stored; a carriage return is. Reading gives up after about 100 ms of silence.
 *
 * @param[in] handle Address of the application's port variable that VEKser_Initialize() filled; null gives
 *                   VEK_ERROR_INVALID_PARAMETER.
 * @param[in] command NUL-terminated query text of at most 128 characters. Null gives VEK_ERROR_INVALID_PARAMETER.
 * @param[out] answer Caller's buffer of lLen bytes; zero-filled after the command was written, then receives the
 *                    answer line, terminated; after VEK_ERROR_ANSWER_TOO_LONG it holds the first lLen characters
 *                    and no terminator. Null gives VEK_ERROR_INVALID_PARAMETER (after the drain).
 * @param[in] lLen Size of @p answer in bytes; 0 or less gives VEK_ERROR_INVALID_PARAMETER.
 * @return VEK_SUCCESS (0) when the answer line is in the buffer; otherwise one of:
 *         - VEK_ERROR_INVALID_PARAMETER (3): null handle, command or answer, or lLen of 0 or less
 *         - VEK_ERROR_COMMAND_TOO_LONG (5), VEK_ERROR_SERIAL_WRITE (350): as from VEKser_SendCommand(); the buffer
 *           is untouched
 *         - VEK_ERROR_SERIAL_READ (351): reading the port failed
 *         - VEK_ERROR_SERIAL_READ_TIMEOUT (352): no line feed within the silence limit; the buffer holds what part
 *           of the line had arrived
 *         - VEK_ERROR_ANSWER_TOO_LONG (7): the line had lLen characters or more
 * @par Status flags
 *      Sets or clears none itself. The drain and the answer read pass every line through the notification filter,
 *      which ORs flag bits into the serial status word and removes the notifications; lines that held only
 *      notifications are consumed on the way.
 */
VEK_API uint32_t VEK_CALL VEKser_Query(uint32_t* handle, const char* command, char* answer, int32_t lLen);

/* -- Point-to-point and jog motion -- */
/** @copydoc VEKnet_MoveAxis */
VEK_API uint32_t VEK_CALL VEKser_MoveAxis(uint32_t* handle, int32_t axis, int32_t moveKind, int32_t value, int32_t suffix, int32_t timeoutMs);
/** @copydoc VEKnet_JogAxis */
VEK_API uint32_t VEK_CALL VEKser_JogAxis(uint32_t* handle, int32_t axis, int32_t jogKind, double velocity);
/** @copydoc VEKnet_MoveAxisOneStep */
VEK_API uint32_t VEK_CALL VEKser_MoveAxisOneStep(uint32_t* handle, int32_t axis, int32_t direction);
/** @copydoc VEKnet_Move */
VEK_API uint32_t VEK_CALL VEKser_Move(uint32_t* handle, int32_t axes, int32_t addressing, int32_t moveKind, const int32_t* targets, int32_t suffix, int32_t timeoutMs);
/** @copydoc VEKnet_Jog */
VEK_API uint32_t VEK_CALL VEKser_Jog(uint32_t* handle, int32_t axes, int32_t addressing, const int32_t* velocities);

/* -- Stopping motion -- */
/** @copydoc VEKnet_StopMotion */
VEK_API uint32_t VEK_CALL VEKser_StopMotion(uint32_t* handle, int32_t axes);
/** @copydoc VEKnet_KillMotion */
VEK_API uint32_t VEK_CALL VEKser_KillMotion(uint32_t* handle, int32_t axes);

/* -- Homing and limit search -- */
/** @copydoc VEKnet_SetAxisHomeSwitchLogic */
VEK_API uint32_t VEK_CALL VEKser_SetAxisHomeSwitchLogic(uint32_t* handle, int32_t axis, int32_t switchLogic);
/** @copydoc VEKnet_FindAxisHome */
VEK_API uint32_t VEK_CALL VEKser_FindAxisHome(uint32_t* handle, int32_t axis, int32_t searchCommand, int32_t homeCommand, int32_t homeValue, int32_t timeoutMs);
/** @copydoc VEKnet_FindAxisLimit */
VEK_API uint32_t VEK_CALL VEKser_FindAxisLimit(uint32_t* handle, int32_t axis, int32_t direction, int32_t velocity, int32_t timeoutMs);

/* -- Position reporting and setting -- */
/** @copydoc VEKnet_GetAxisMotorPosition */
VEK_API uint32_t VEK_CALL VEKser_GetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t* position);
/** @copydoc VEKnet_GetAxisEncoderPosition */
VEK_API uint32_t VEK_CALL VEKser_GetAxisEncoderPosition(uint32_t* handle, int32_t axis, int32_t* position);
/** @copydoc VEKnet_GetAllAxisMotorPositions */
VEK_API uint32_t VEK_CALL VEKser_GetAllAxisMotorPositions(uint32_t* handle, int32_t* positions);
/** @copydoc VEKnet_GetAllAxisEncoderPositions */
VEK_API uint32_t VEK_CALL VEKser_GetAllAxisEncoderPositions(uint32_t* handle, int32_t* positions);
/** @copydoc VEKnet_GetAllAxisPositions */
VEK_API uint32_t VEK_CALL VEKser_GetAllAxisPositions(uint32_t* handle, int32_t* motorPositions, int32_t* encoderPositions);
/** @copydoc VEKnet_SetAxisMotorPosition */
VEK_API uint32_t VEK_CALL VEKser_SetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t position);
/** @copydoc VEKnet_SetMultiAxisMotorPositions */
VEK_API uint32_t VEK_CALL VEKser_SetMultiAxisMotorPositions(uint32_t* handle, int32_t axes, int32_t addressing, const int32_t* positions);

/* -- Velocity and acceleration -- */
/** @copydoc VEKnet_GetAxisCurrentVelocity */
VEK_API uint32_t VEK_CALL VEKser_GetAxisCurrentVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
/** @copydoc VEKnet_GetAllCurrentVelocities */
VEK_API uint32_t VEK_CALL VEKser_GetAllCurrentVelocities(uint32_t* handle, int32_t addressing, int32_t* velocities);
/** @copydoc VEKnet_GetAxisBaseVelocity */
VEK_API uint32_t VEK_CALL VEKser_GetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
/** @copydoc VEKnet_SetAxisBaseVelocity */
VEK_API uint32_t VEK_CALL VEKser_SetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t velocity);
/** @copydoc VEKnet_GetAxisMaxVelocity */
VEK_API uint32_t VEK_CALL VEKser_GetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
/** @copydoc VEKnet_SetAxisMaxVelocity */
VEK_API uint32_t VEK_CALL VEKser_SetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t velocity);
/** @copydoc VEKnet_GetAxisAcceleration */
VEK_API uint32_t VEK_CALL VEKser_GetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration);
/** @copydoc VEKnet_SetAxisAcceleration */
VEK_API uint32_t VEK_CALL VEKser_SetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t acceleration);
/** @copydoc VEKnet_GetAxisCurrentAcceleration */
VEK_API uint32_t VEK_CALL VEKser_GetAxisCurrentAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration);
/** @copydoc VEKnet_GetAllCurrentAccelerations */
VEK_API uint32_t VEK_CALL VEKser_GetAllCurrentAccelerations(uint32_t* handle, int32_t addressing, int32_t* accelerations);
/** @copydoc VEKnet_SetAxisAccelerationCosine */
VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationCosine(uint32_t* handle, int32_t axis);
/** @copydoc VEKnet_SetAxisAccelerationLinear */
VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationLinear(uint32_t* handle, int32_t axis);
/** @copydoc VEKnet_SetAxisAccelerationParabolic */
VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationParabolic(uint32_t* handle, int32_t axis, int32_t rampParameter);
/** @copydoc VEKnet_SetAxisAccelerationSCurve */
VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationSCurve(uint32_t* handle, int32_t axis, int32_t rampParameter);

/* -- Status flags and command errors -- */
/** @copydoc VEKnet_GetAxisDoneFlag */
VEK_API uint32_t VEK_CALL VEKser_GetAxisDoneFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
/** @copydoc VEKnet_GetAllDoneFlags */
VEK_API uint32_t VEK_CALL VEKser_GetAllDoneFlags(uint32_t* handle, uint32_t* flags);
/** @copydoc VEKnet_ClearMultiAxisDoneFlags */
VEK_API uint32_t VEK_CALL VEKser_ClearMultiAxisDoneFlags(uint32_t* handle, int32_t axes);
/**
 * @copydoc VEKnet_GetAxisOvertravelFlag
 * @par On serial
 *      With status dumps in the log (mask value 4) the word is dumped both before and after the flag is read (the
 *      Ethernet twin dumps it once, after), and with verbose traces a line with the ten limit flags and @p axisBit
 *      comes between the two dumps.
 */
VEK_API uint32_t VEK_CALL VEKser_GetAxisOvertravelFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
/** @copydoc VEKnet_GetAllOvertravelFlags */
VEK_API uint32_t VEK_CALL VEKser_GetAllOvertravelFlags(uint32_t* handle, uint32_t* flags);
/** @copydoc VEKnet_ClearMultiAxisOvertravelFlags */
VEK_API uint32_t VEK_CALL VEKser_ClearMultiAxisOvertravelFlags(uint32_t* handle, int32_t axes);
/** @copydoc VEKnet_GetCommandErrorFlag */
VEK_API uint32_t VEK_CALL VEKser_GetCommandErrorFlag(uint32_t* handle, uint32_t* flag);
/** @copydoc VEKnet_ClearCommandErrorFlag */
VEK_API uint32_t VEK_CALL VEKser_ClearCommandErrorFlag(uint32_t* handle);
/**
 * @copydoc VEKnet_GetIllegalCommand
 * @par On serial
 *      An answer of textSize characters or more gives VEK_ERROR_ANSWER_TOO_LONG (7): @p text then holds its first
 *      textSize characters, unterminated, and @p textLength is textSize. @p text is zero-filled only once the
 *      command has been written, so after VEK_ERROR_SERIAL_WRITE (350) it keeps what it held and @p textLength
 *      counts that.
 */
VEK_API uint32_t VEK_CALL VEKser_GetIllegalCommand(uint32_t* handle, char* text, int32_t textSize, int32_t* textLength);
/** @copydoc VEKnet_EnableAxisSlipDectection */
VEK_API uint32_t VEK_CALL VEKser_EnableAxisSlipDectection(uint32_t* handle, int32_t axis);
/** @copydoc VEKnet_GetAxisSlipFlag */
VEK_API uint32_t VEK_CALL VEKser_GetAxisSlipFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
/** @copydoc VEKnet_GetAllAxesSlipFlag */
VEK_API uint32_t VEK_CALL VEKser_GetAllAxesSlipFlag(uint32_t* handle, uint32_t* flags);
/** @copydoc VEKnet_ClearMultiAxisSlipFlag */
VEK_API uint32_t VEK_CALL VEKser_ClearMultiAxisSlipFlag(uint32_t* handle, int32_t axes);

/* -- Servo and encoder settings -- */
/** @copydoc VEKnet_GetAxisEncoderStatus */
VEK_API uint32_t VEK_CALL VEKser_GetAxisEncoderStatus(uint32_t* handle, int32_t axis, uint32_t* status);
/** @copydoc VEKnet_SetAxisPID */
VEK_API uint32_t VEK_CALL VEKser_SetAxisPID(uint32_t* handle, int32_t axis, int32_t selector);
/** @copydoc VEKnet_SetAxisEncoderRatio */
VEK_API uint32_t VEK_CALL VEKser_SetAxisEncoderRatio(uint32_t* handle, int32_t axis, int32_t firstTerm, int32_t secondTerm);
/** @copydoc VEKnet_SetAxisHoldDeadBand */
VEK_API uint32_t VEK_CALL VEKser_SetAxisHoldDeadBand(uint32_t* handle, int32_t axis, int32_t deadBand, int32_t secondValue, int32_t thirdValue);
/** @copydoc VEKnet_SetAxisEncoderSlipTolerance */
VEK_API uint32_t VEK_CALL VEKser_SetAxisEncoderSlipTolerance(uint32_t* handle, int32_t axis, int32_t tolerance);
/** @copydoc VEKnet_SetAxisHoldGain */
VEK_API uint32_t VEK_CALL VEKser_SetAxisHoldGain(uint32_t* handle, int32_t axis, int32_t gain);
/** @copydoc VEKnet_SetAxisHoldVelocity */
VEK_API uint32_t VEK_CALL VEKser_SetAxisHoldVelocity(uint32_t* handle, int32_t axis, int32_t velocity);

/* -- Overtravel and travel limits -- */
/** @copydoc VEKnet_SetAxisOvertravelDetect */
VEK_API uint32_t VEK_CALL VEKser_SetAxisOvertravelDetect(uint32_t* handle, int32_t axis, uint32_t selector);
/** @copydoc VEKnet_SetAxisOvertravelSense */
VEK_API uint32_t VEK_CALL VEKser_SetAxisOvertravelSense(uint32_t* handle, int32_t axis, uint32_t selector);
/** @copydoc VEKnet_SetAxisOvertravelStopMode */
VEK_API uint32_t VEK_CALL VEKser_SetAxisOvertravelStopMode(uint32_t* handle, int32_t axis, uint32_t selector);
/** @copydoc VEKnet_SetAxisSoftwareTravelLimits */
VEK_API uint32_t VEK_CALL VEKser_SetAxisSoftwareTravelLimits(uint32_t* handle, int32_t axis, int32_t firstLimit, int32_t secondLimit);

/* -- General-purpose I/O bits -- */
/** @copydoc VEKnet_GetIOBitsDirection */
VEK_API uint32_t VEK_CALL VEKser_GetIOBitsDirection(uint32_t* handle, uint32_t* direction);
/** @copydoc VEKnet_SetIOBitsDirection */
VEK_API uint32_t VEK_CALL VEKser_SetIOBitsDirection(uint32_t* handle, uint32_t direction);
/** @copydoc VEKnet_GetIOBitsState */
VEK_API uint32_t VEK_CALL VEKser_GetIOBitsState(uint32_t* handle, uint32_t* state);
/** @copydoc VEKnet_SetOutputBitsState */
VEK_API uint32_t VEK_CALL VEKser_SetOutputBitsState(uint32_t* handle, uint32_t outputs);
/** @copydoc VEKnet_GetIOBitState */
VEK_API uint32_t VEK_CALL VEKser_GetIOBitState(uint32_t* handle, uint32_t bitMask, uint32_t* state);
/** @copydoc VEKnet_SetOutputBitState */
VEK_API uint32_t VEK_CALL VEKser_SetOutputBitState(uint32_t* handle, int32_t bitMask, int32_t level);

/* -- Auxiliary outputs -- */
/** @copydoc VEKnet_EnableAxisAux */
VEK_API uint32_t VEK_CALL VEKser_EnableAxisAux(uint32_t* handle, int32_t axis, int32_t selector);
/** @copydoc VEKnet_SetAxisAuxSettleTime */
VEK_API uint32_t VEK_CALL VEKser_SetAxisAuxSettleTime(uint32_t* handle, int32_t axis, int32_t settleTime);
/** @copydoc VEKnet_SetAxisAuxDefaultState */
VEK_API uint32_t VEK_CALL VEKser_SetAxisAuxDefaultState(uint32_t* handle, int32_t axis, uint32_t selector);
/** @copydoc VEKnet_SetAxisAuxBit */
VEK_API uint32_t VEK_CALL VEKser_SetAxisAuxBit(uint32_t* handle, int32_t axis, uint32_t selector);

/** @} */

/* clang-format on */

#ifdef __cplusplus
}
#endif

#endif /* VEKKESTRA_H */
