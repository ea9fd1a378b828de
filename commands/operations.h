// The library's exports as tables, one row each. Everything that lists the
// exports is made from these rows: the twin exports of the command set
// (commands/exports.cpp), each transport's table of its exports (the seam
// that the workers reach the transports through), the Windows export list,
// the motion core's vekm_call_<Name>, the typed operations of the C++, Python
// and C# layers, vekctl's `call`, and the tests' twin calls.
//
// include/vekkestra.h stays the source of truth: commands/exports.cpp checks
// at compile time that these rows declare exactly the header's exports with
// exactly its signatures, and its result codes with their values.
//
// Adding an operation of the command set: its two declarations in the header,
// one row in VEK_OPERATIONS, and, when no shape fits, its worker
// `vek::ops::<Name>` in the source of its group (commands/README.md shows it).
#ifndef VEK_COMMANDS_OPERATIONS_H
#define VEK_COMMANDS_OPERATIONS_H

#include <cstdint>

#include "vekkestra.h"

// clang-format off

// The operations of the command set: VEKnet_<Name> and VEKser_<Name>, both
// returning a result code and taking the handle, then the parameters.
//
//   OP(Name, Face, Work, (type, name)...)
//
// Face: how the typed layers offer it. Plain: as a method of its own
// (get_axis_max_velocity, GetAxisMaxVelocity). Raw: it sets axes moving or
// stops them behind the motion core's back, whose safe form (move, jog, home,
// find_limit, stop, kill) is the one to use, so the layers offer it only
// under a raw_ prefix (raw_move_axis, RawMoveAxis).
//
// Work: what the twins do after their entry trace. Worker: they call
// vek::ops::<Name> (commands/workers.h) with their transport's link. A shape
// of commands/shapes.h with its texts (AxisValue("HG")): the shape does it,
// so an operation of a common shape needs no code of its own.
//
// (type, name): the parameters after the handle, named as the header names
// them. Besides the C types, the aliases below tell the typed layers what a
// value means: VekAxis one axis bit, VekAxes an axis mask, VekFlag a 0/1
// answer, VekValueList ten values (one per axis), VekEncoderStatus five
// flags, VekText/VekTextSize/VekTextLength a text the call fills; a
// const int32_t* is ten values the call reads.
#define VEK_OPERATIONS(OP)                                                                                             \
  /* point-to-point and jog motion: motion.cpp */                                                                      \
  OP(MoveAxis,                     Raw,   Worker,                       (VekAxis, axis), (int32_t, moveKind),           \
                                   (int32_t, value), (int32_t, suffix), (int32_t, timeoutMs))                          \
  OP(JogAxis,                      Raw,   Worker,                       (VekAxis, axis), (int32_t, jogKind),            \
                                   (double, velocity))                                                                 \
  OP(MoveAxisOneStep,              Raw,   Worker,                       (VekAxis, axis), (int32_t, direction))          \
  OP(Move,                         Raw,   Worker,                       (VekAxes, axes), (int32_t, addressing),         \
                                   (int32_t, moveKind), (const int32_t*, targets), (int32_t, suffix),                  \
                                   (int32_t, timeoutMs))                                                               \
  OP(Jog,                          Raw,   Worker,                       (VekAxes, axes), (int32_t, addressing),         \
                                   (const int32_t*, velocities))                                                       \
  /* stopping: stopping.cpp */                                                                                         \
  OP(StopMotion,                   Raw,   EndMotion("SA", "SI"),        (VekAxes, axes))                                \
  OP(KillMotion,                   Raw,   EndMotion(";AMKL", "KS"),     (VekAxes, axes))                                \
  /* homing and limit search: homing.cpp */                                                                            \
  OP(SetAxisHomeSwitchLogic,       Plain, Worker,                       (VekAxis, axis), (int32_t, switchLogic))        \
  OP(FindAxisHome,                 Raw,   Worker,                       (VekAxis, axis), (int32_t, searchCommand),      \
                                   (int32_t, homeCommand), (int32_t, homeValue), (int32_t, timeoutMs))                 \
  OP(FindAxisLimit,                Raw,   Worker,                       (VekAxis, axis), (int32_t, direction),          \
                                   (int32_t, velocity), (int32_t, timeoutMs))                                          \
  /* positions: positions.cpp */                                                                                       \
  OP(GetAxisMotorPosition,         Plain, AxisRead("RP;", kErrorNoAnswer), (VekAxis, axis), (int32_t*, position))      \
  OP(GetAxisEncoderPosition,       Plain, AxisRead("RE;", kError),      (VekAxis, axis), (int32_t*, position))          \
  OP(GetAllAxisMotorPositions,     Plain, Worker,                       (VekValueList, positions))                      \
  OP(GetAllAxisEncoderPositions,   Plain, Worker,                       (VekValueList, positions))                      \
  OP(GetAllAxisPositions,          Plain, Worker,                       (VekValueList, motorPositions),                 \
                                   (VekValueList, encoderPositions))                                                   \
  OP(SetAxisMotorPosition,         Plain, Worker,                       (VekAxis, axis), (int32_t, position))           \
  OP(SetMultiAxisMotorPositions,   Plain, Worker,                       (VekAxes, axes), (int32_t, addressing),         \
                                   (const int32_t*, positions))                                                        \
  /* velocity, acceleration and ramps: shapes only */                                                                  \
  OP(GetAxisCurrentVelocity,       Plain, AxisRead("RV", kErrorNet),    (VekAxis, axis), (int32_t*, velocity))          \
  OP(GetAllCurrentVelocities,      Plain, AllAxesRead("AARV", "AMRV"),  (int32_t, addressing),                          \
                                   (VekValueList, velocities))                                                         \
  OP(GetAxisBaseVelocity,          Plain, AxisRead("?VB", kVerbose),    (VekAxis, axis), (int32_t*, velocity))          \
  OP(SetAxisBaseVelocity,          Plain, AxisValue("VB"),              (VekAxis, axis), (int32_t, velocity))           \
  OP(GetAxisMaxVelocity,           Plain, AxisRead("?VL", kVerbose),    (VekAxis, axis), (int32_t*, velocity))          \
  OP(SetAxisMaxVelocity,           Plain, AxisValue("VL"),              (VekAxis, axis), (int32_t, velocity))           \
  OP(GetAxisAcceleration,          Plain, AxisRead("?AC", kVerbose),    (VekAxis, axis), (int32_t*, acceleration))      \
  OP(SetAxisAcceleration,          Plain, AxisValue("AC"),              (VekAxis, axis), (int32_t, acceleration))       \
  OP(GetAxisCurrentAcceleration,   Plain, AxisRead("RC", kVerbose),     (VekAxis, axis), (int32_t*, acceleration))      \
  OP(GetAllCurrentAccelerations,   Plain, AllAxesRead("AARC", "AMRC"),  (int32_t, addressing),                          \
                                   (VekValueList, accelerations))                                                      \
  OP(SetAxisAccelerationCosine,    Plain, AxisText("SC;"),              (VekAxis, axis))                                \
  OP(SetAxisAccelerationLinear,    Plain, AxisText("LA;"),              (VekAxis, axis))                                \
  OP(SetAxisAccelerationParabolic, Plain, AxisValue("PR"),              (VekAxis, axis), (int32_t, rampParameter))      \
  OP(SetAxisAccelerationSCurve,    Plain, AxisValue("SS"),              (VekAxis, axis), (int32_t, rampParameter))      \
  /* status flags and command errors: flags.cpp */                                                                     \
  OP(GetAxisDoneFlag,              Plain, Worker,                       (VekAxes, axisBit), (VekFlag, flag))            \
  OP(GetAllDoneFlags,              Plain, StatusField(kDoneShift, 0xFFFFFFFFu, "GetAllDoneFlags()"),                    \
                                   (uint32_t*, flags))                                                                 \
  OP(ClearMultiAxisDoneFlags,      Plain, ClearFlags(kDoneShift),       (VekAxes, axes))                                \
  OP(GetAxisOvertravelFlag,        Plain, Worker,                       (VekAxes, axisBit), (VekFlag, flag))            \
  OP(GetAllOvertravelFlags,        Plain, StatusField(kLimitShift, kGroupMask, "GetAllOvertravelFlags()"),              \
                                   (uint32_t*, flags))                                                                 \
  OP(ClearMultiAxisOvertravelFlags,Plain, ClearFlags(kLimitShift),      (VekAxes, axes))                                \
  OP(GetCommandErrorFlag,          Plain, StatusField(kCommandErrorShift, 1u, "GetCommandErrorFlag() - exit"),          \
                                   (VekFlag, flag))                                                                    \
  OP(ClearCommandErrorFlag,        Plain, Worker)                                                                      \
  OP(GetIllegalCommand,            Plain, Worker,                       (VekText, text), (VekTextSize, textSize),       \
                                   (VekTextLength, textLength))                                                        \
  OP(EnableAxisSlipDectection,     Plain, Worker,                       (VekAxis, axis))                                \
  OP(GetAxisSlipFlag,              Plain, AxisFlag(kSlipShift, "GetAxisSlipFlag"), (VekAxes, axisBit),                  \
                                   (VekFlag, flag))                                                                    \
  OP(GetAllAxesSlipFlag,           Plain, StatusField(kSlipShift, kGroupMask, "GetAllAxesSlipFlag"),                    \
                                   (uint32_t*, flags))                                                                 \
  OP(ClearMultiAxisSlipFlag,       Plain, ClearFlags(kSlipShift),       (VekAxes, axes))                                \
  /* servo and encoder: servo.cpp */                                                                                   \
  OP(GetAxisEncoderStatus,         Plain, Worker,                       (VekAxis, axis), (VekEncoderStatus, status))    \
  OP(SetAxisPID,                   Plain, Worker,                       (VekAxis, axis), (int32_t, selector))           \
  OP(SetAxisEncoderRatio,          Plain, Worker,                       (VekAxis, axis), (int32_t, firstTerm),          \
                                   (int32_t, secondTerm))                                                              \
  OP(SetAxisHoldDeadBand,          Plain, Worker,                       (VekAxis, axis), (int32_t, deadBand),           \
                                   (int32_t, secondValue), (int32_t, thirdValue))                                      \
  OP(SetAxisEncoderSlipTolerance,  Plain, AxisValue("ES"),              (VekAxis, axis), (int32_t, tolerance))          \
  OP(SetAxisHoldGain,              Plain, AxisValue("HG"),              (VekAxis, axis), (int32_t, gain))               \
  OP(SetAxisHoldVelocity,          Plain, AxisValue("HV"),              (VekAxis, axis), (int32_t, velocity))           \
  /* overtravel and travel limits: overtravel.cpp */                                                                   \
  OP(SetAxisOvertravelDetect,      Plain, AxisSwitch("LF", "LN"),       (VekAxis, axis), (uint32_t, selector))          \
  OP(SetAxisOvertravelSense,       Plain, AxisSwitch("LL", "LH"),       (VekAxis, axis), (uint32_t, selector))          \
  OP(SetAxisOvertravelStopMode,    Plain, AxisSwitch("SF", "SL"),       (VekAxis, axis), (uint32_t, selector))          \
  OP(SetAxisSoftwareTravelLimits,  Plain, Worker,                       (VekAxis, axis), (int32_t, firstLimit),         \
                                   (int32_t, secondLimit))                                                             \
  /* general-purpose I/O: io.cpp */                                                                                    \
  OP(GetIOBitsDirection,           Plain, IoWord("RB", ScanHexAfterOne), (uint32_t*, direction))                        \
  OP(SetIOBitsDirection,           Plain, Worker,                       (uint32_t, direction))                          \
  OP(GetIOBitsState,               Plain, IoWord("BX", ScanHex),        (uint32_t*, state))                             \
  OP(SetOutputBitsState,           Plain, Worker,                       (uint32_t, outputs))                            \
  OP(GetIOBitState,                Plain, Worker,                       (uint32_t, bitMask), (VekFlag, state))          \
  OP(SetOutputBitState,            Plain, Worker,                       (int32_t, bitMask), (int32_t, level))           \
  /* auxiliary outputs: auxiliary.cpp */                                                                               \
  OP(EnableAxisAux,                Plain, Worker,                       (VekAxis, axis), (int32_t, selector))           \
  OP(SetAxisAuxSettleTime,         Plain, AxisValue("SE"),              (VekAxis, axis), (int32_t, settleTime))         \
  OP(SetAxisAuxDefaultState,       Plain, AxisChoice("ADL", "ADH"),     (VekAxis, axis), (uint32_t, selector))          \
  OP(SetAxisAuxBit,                Plain, AxisChoice("AF", "AN"),       (VekAxis, axis), (uint32_t, selector))

// The exchange of each transport, written by the transport itself
// (ethernet/exchange.cpp, serial/exchange.cpp) with the same signature on
// both, in the same shape as the rows above; the layers offer it as their
// send and query.
#define VEK_EXCHANGE_OPERATIONS(OP)                                                                                    \
  OP(SendCommand,                  Exchange, Transport,                 (const char*, command))                         \
  OP(Query,                        Exchange, Transport,                 (const char*, command), (char*, answer),        \
                                   (int32_t, lLen))

// The exports whose twins differ, and the utilities: the result type, the
// full name, the parameters.
#define VEK_OTHER_EXPORTS(EXPORT)                                                                                      \
  EXPORT(uint32_t, VEKnet_Initialize,          (const char*, ipAddress), (uint32_t, port), (uint32_t*, handle))       \
  EXPORT(void,     VEKnet_Close,               (uint32_t*, handle))                                                   \
  EXPORT(int32_t,  VEKnet_GetLastError)                                                                               \
  EXPORT(uint32_t, VEKser_Initialize,          (int32_t, port), (int32_t, baudRate), (uint32_t*, handle))             \
  EXPORT(void,     VEKser_Close,               (uint32_t*, handle))                                                   \
  EXPORT(uint32_t, VEKser_GetLastError)                                                                               \
  EXPORT(void,     VEK_Pause,                  (int32_t, milliseconds))                                               \
  EXPORT(char*,    VEK_GetDLLVersion,          (char*, buffer), (uint32_t, size))                                     \
  EXPORT(uint32_t, VEK_StartDllLogger,         (const char*, path), (int32_t, mask))                                  \
  EXPORT(uint32_t, VEK_StopDllLogger)                                                                                 \
  EXPORT(uint32_t, VEK_DllLoggerLineMarker,    (const char*, text))

// The result codes, by the header's names; the header gives their values.
#define VEK_RESULT_CODES(CODE)                                                             \
  CODE(VEK_SUCCESS)                                                                        \
  CODE(VEK_ERROR_INVALID_AXIS)                                                             \
  CODE(VEK_ERROR_INVALID_PARAMETER)                                                        \
  CODE(VEK_ERROR_COMMAND_TOO_LONG)                                                         \
  CODE(VEK_ERROR_WAIT_TIMEOUT)                                                             \
  CODE(VEK_ERROR_ANSWER_TOO_LONG)                                                          \
  CODE(VEK_ERROR_LOG_FILE)                                                                 \
  CODE(VEK_ERROR_POLL_TIMEOUT)                                                             \
  CODE(VEK_ERROR_INVALID_IP_ADDRESS)                                                       \
  CODE(VEK_ERROR_ETHERNET_CONNECT)                                                         \
  CODE(VEK_ERROR_SOCKET_SEND)                                                              \
  CODE(VEK_ERROR_SOCKET_RECEIVE)                                                           \
  CODE(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT)                                                   \
  CODE(VEK_ERROR_ACK_NAK_TIMEOUT)                                                          \
  CODE(VEK_ERROR_BAD_RESPONSE)                                                             \
  CODE(VEK_ERROR_COMMAND_NAK)                                                              \
  CODE(VEK_ERROR_NO_COMMAND_ACK)                                                           \
  CODE(VEK_ERROR_SERIAL_OPEN)                                                              \
  CODE(VEK_ERROR_SERIAL_WRITE)                                                             \
  CODE(VEK_ERROR_SERIAL_READ)                                                              \
  CODE(VEK_ERROR_SERIAL_READ_TIMEOUT)

// clang-format on

// The spellings of the rows' parameters that say what a value means, so that
// the typed layers can offer an axis, a set of axes, a flag, ten values or a
// text where C has only integers and pointers: the header's types.
using VekAxis = int32_t;             // one axis bit (VEK_AXIS_X ... VEK_AXIS_K)
using VekAxes = int32_t;             // an axis mask, one bit per axis
using VekFlag = uint32_t*;           // the caller's flag, set to 0 or 1
using VekValueList = int32_t*;       // the caller's ten values, slot i for axis i
using VekEncoderStatus = uint32_t*;  // the caller's five encoder status flags
using VekText = char*;               // the caller's text buffer ...
using VekTextSize = int32_t;         // ... its size in bytes ...
using VekTextLength = int32_t*;      // ... and the length of the text the call left in it

// ---- Reading a row ----
// A row's macro gets the name, then everything else in __VA_ARGS__: the two
// columns (Face, Work; for VEK_OTHER_EXPORTS the name after the result type
// and a placeholder before it), then one (type, name) pair per parameter. The
// columns always fill "...", so no variadic macro is ever called without an
// argument for it, and none needs __VA_OPT__: both are C++20, the library is
// C++17 under -Wpedantic.
//
// VEK_MORE(F, Face, Work, (int32_t, axis), (double, velocity)) is
// ", F (int32_t, axis), F (double, velocity)"; VEK_LIST the same without the
// first comma. With VEK_PAIR_DECL they give parameter lists, with
// VEK_PAIR_NAME argument lists, with VEK_PAIR_TYPE the types.
#define VEK_PAIR_DECL(type, name)                          type name
#define VEK_PAIR_NAME(type, name)                          name
#define VEK_PAIR_TYPE(type, name)                          type
#define VEK_CAT(a, b)                                      VEK_CAT_(a, b)
#define VEK_CAT_(a, b)                                     a##b
#define VEK_STRING(x)                                      VEK_STRING_(x)
#define VEK_STRING_(x)                                     #x
#define VEK_FIRST(...)                                     VEK_FIRST_(__VA_ARGS__, ~)
#define VEK_FIRST_(first, ...)                             first
#define VEK_SECOND(...)                                    VEK_SECOND_(__VA_ARGS__, ~, ~)
#define VEK_SECOND_(first, second, ...)                    second
#define VEK_COUNT(...)                                     VEK_COUNT_(__VA_ARGS__, 8, 7, 6, 5, 4, 3, 2, 1, 0)
#define VEK_COUNT_(a1, a2, a3, a4, a5, a6, a7, a8, n, ...) n
#define VEK_MORE(F, ...)                                   VEK_CAT(VEK_MORE_, VEK_COUNT(__VA_ARGS__))(F, __VA_ARGS__)
#define VEK_MORE_2(F, c1, c2)
#define VEK_MORE_3(F, c1, c2, p1)                     , F p1
#define VEK_MORE_4(F, c1, c2, p1, p2)                 , F p1, F p2
#define VEK_MORE_5(F, c1, c2, p1, p2, p3)             , F p1, F p2, F p3
#define VEK_MORE_6(F, c1, c2, p1, p2, p3, p4)         , F p1, F p2, F p3, F p4
#define VEK_MORE_7(F, c1, c2, p1, p2, p3, p4, p5)     , F p1, F p2, F p3, F p4, F p5
#define VEK_MORE_8(F, c1, c2, p1, p2, p3, p4, p5, p6) , F p1, F p2, F p3, F p4, F p5, F p6
#define VEK_LIST(F, ...)                              VEK_CAT(VEK_LIST_, VEK_COUNT(__VA_ARGS__))(F, __VA_ARGS__)
#define VEK_LIST_2(F, c1, c2)
#define VEK_LIST_3(F, c1, c2, p1)                     F p1
#define VEK_LIST_4(F, c1, c2, p1, p2)                 F p1, F p2
#define VEK_LIST_5(F, c1, c2, p1, p2, p3)             F p1, F p2, F p3
#define VEK_LIST_6(F, c1, c2, p1, p2, p3, p4)         F p1, F p2, F p3, F p4
#define VEK_LIST_7(F, c1, c2, p1, p2, p3, p4, p5)     F p1, F p2, F p3, F p4, F p5
#define VEK_LIST_8(F, c1, c2, p1, p2, p3, p4, p5, p6) F p1, F p2, F p3, F p4, F p5, F p6

// The Work column: 1 for Worker, 0 for a shape (the probe pastes the
// column's first word onto VEK_PROBE_, which only "Worker" turns into two
// arguments).
#define VEK_PROBE_Worker          ~, 1
#define VEK_IS_WORKER(...)        VEK_SECOND(VEK_CAT(VEK_PROBE_, VEK_SECOND(__VA_ARGS__)), 0)
#define VEK_IF(condition)         VEK_CAT(VEK_IF_, condition)
#define VEK_IF_1(then, otherwise) then
#define VEK_IF_0(then, otherwise) otherwise

namespace vek {

// One transport's twin of every operation, the exchange first: the type of
// the tables that commands/exports.cpp fills with the VEKnet_ and the VEKser_
// exports.
struct Exports {
#define VEK_EXPORT_POINTER(Name, ...) uint32_t(VEK_CALL* Name)(uint32_t * VEK_MORE(VEK_PAIR_TYPE, __VA_ARGS__));
  VEK_EXCHANGE_OPERATIONS(VEK_EXPORT_POINTER)
  VEK_OPERATIONS(VEK_EXPORT_POINTER)
#undef VEK_EXPORT_POINTER
};

// The exports of each transport, as a table (the library's own; vekctl and
// the tests, which see only the public exports, fill theirs the same way).
#define VEK_NET_EXPORT_ENTRY(Name, ...) VEKnet_##Name,
#define VEK_SER_EXPORT_ENTRY(Name, ...) VEKser_##Name,
#define VEK_NET_EXPORTS \
  { VEK_EXCHANGE_OPERATIONS(VEK_NET_EXPORT_ENTRY) VEK_OPERATIONS(VEK_NET_EXPORT_ENTRY) }
#define VEK_SER_EXPORTS \
  { VEK_EXCHANGE_OPERATIONS(VEK_SER_EXPORT_ENTRY) VEK_OPERATIONS(VEK_SER_EXPORT_ENTRY) }
extern const Exports kNetExports;
extern const Exports kSerExports;

}  // namespace vek

#endif  // VEK_COMMANDS_OPERATIONS_H
