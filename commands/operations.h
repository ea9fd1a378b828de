// The library's exports as tables, one row each. Everything that lists the
// exports is made from these rows: the 130 twin exports of the command set
// (commands/exports.cpp), each transport's table of its exports (the seam
// that the workers reach the transports through), the Windows export list,
// the Python signature module, vekctl's link and the tests' twin calls.
//
// include/vekkestra.h stays the source of truth: commands/exports.cpp checks
// at compile time that these rows declare exactly the header's exports with
// exactly its signatures, and its result codes with their values.
//
// Adding an operation of the command set: its two declarations in the header,
// one row in VEK_OPERATIONS, and its worker `vek::ops::<Name>` in the source
// of its group (commands/README.md shows one).
#ifndef VEK_COMMANDS_OPERATIONS_H
#define VEK_COMMANDS_OPERATIONS_H

#include <cstdint>

#include "vekkestra.h"

// clang-format off

// The operations of the command set: VEKnet_<Name> and VEKser_<Name>, both
// returning a result code and taking the handle, then these parameters
// (type, name), named as the header names them.
// Each twin writes its entry trace and calls the worker vek::ops::<Name> with
// its transport's link (commands/link.h) and the parameters.
#define VEK_OPERATIONS(OP)                                                                                             \
  /* point-to-point and jog motion: motion.cpp */                                                                      \
  OP(MoveAxis,                    (int32_t, axis), (int32_t, moveKind), (int32_t, value), (int32_t, suffix),           \
                                  (int32_t, timeoutMs))                                                                \
  OP(JogAxis,                     (int32_t, axis), (int32_t, jogKind), (double, velocity))                             \
  OP(MoveAxisOneStep,             (int32_t, axis), (int32_t, direction))                                               \
  OP(Move,                        (int32_t, axes), (int32_t, addressing), (int32_t, moveKind),                         \
                                  (const int32_t*, targets), (int32_t, suffix), (int32_t, timeoutMs))                  \
  OP(Jog,                         (int32_t, axes), (int32_t, addressing), (const int32_t*, velocities))                \
  /* stopping: stopping.cpp */                                                                                         \
  OP(StopMotion,                  (int32_t, axes))                                                                     \
  OP(KillMotion,                  (int32_t, axes))                                                                     \
  /* homing and limit search: homing.cpp */                                                                            \
  OP(SetAxisHomeSwitchLogic,      (int32_t, axis), (int32_t, switchLogic))                                             \
  OP(FindAxisHome,                (int32_t, axis), (int32_t, searchCommand), (int32_t, homeCommand),                   \
                                  (int32_t, homeValue), (int32_t, timeoutMs))                                          \
  OP(FindAxisLimit,               (int32_t, axis), (int32_t, direction), (int32_t, velocity), (int32_t, timeoutMs))    \
  /* positions: positions.cpp */                                                                                       \
  OP(GetAxisMotorPosition,        (int32_t, axis), (int32_t*, position))                                               \
  OP(GetAxisEncoderPosition,      (int32_t, axis), (int32_t*, position))                                               \
  OP(GetAllAxisMotorPositions,    (VekValueList, positions))                                                           \
  OP(GetAllAxisEncoderPositions,  (VekValueList, positions))                                                           \
  OP(GetAllAxisPositions,         (VekValueList, motorPositions), (VekValueList, encoderPositions))                    \
  OP(SetAxisMotorPosition,        (int32_t, axis), (int32_t, position))                                                \
  OP(SetMultiAxisMotorPositions,  (int32_t, axes), (int32_t, addressing), (const int32_t*, positions))                 \
  /* velocity, acceleration and ramps: velocity.cpp */                                                                 \
  OP(GetAxisCurrentVelocity,      (int32_t, axis), (int32_t*, velocity))                                               \
  OP(GetAllCurrentVelocities,     (int32_t, addressing), (VekValueList, velocities))                                   \
  OP(GetAxisBaseVelocity,         (int32_t, axis), (int32_t*, velocity))                                               \
  OP(SetAxisBaseVelocity,         (int32_t, axis), (int32_t, velocity))                                                \
  OP(GetAxisMaxVelocity,          (int32_t, axis), (int32_t*, velocity))                                               \
  OP(SetAxisMaxVelocity,          (int32_t, axis), (int32_t, velocity))                                                \
  OP(GetAxisAcceleration,         (int32_t, axis), (int32_t*, acceleration))                                           \
  OP(SetAxisAcceleration,         (int32_t, axis), (int32_t, acceleration))                                            \
  OP(GetAxisCurrentAcceleration,  (int32_t, axis), (int32_t*, acceleration))                                           \
  OP(GetAllCurrentAccelerations,  (int32_t, addressing), (VekValueList, accelerations))                                \
  OP(SetAxisAccelerationCosine,   (int32_t, axis))                                                                     \
  OP(SetAxisAccelerationLinear,   (int32_t, axis))                                                                     \
  OP(SetAxisAccelerationParabolic,(int32_t, axis), (int32_t, rampParameter))                                           \
  OP(SetAxisAccelerationSCurve,   (int32_t, axis), (int32_t, rampParameter))                                           \
  /* status flags and command errors: flags.cpp */                                                                     \
  OP(GetAxisDoneFlag,             (int32_t, axisBit), (uint32_t*, flag))                                               \
  OP(GetAllDoneFlags,             (uint32_t*, flags))                                                                  \
  OP(ClearMultiAxisDoneFlags,     (int32_t, axes))                                                                     \
  OP(GetAxisOvertravelFlag,       (int32_t, axisBit), (uint32_t*, flag))                                               \
  OP(GetAllOvertravelFlags,       (uint32_t*, flags))                                                                  \
  OP(ClearMultiAxisOvertravelFlags,(int32_t, axes))                                                                    \
  OP(GetCommandErrorFlag,         (uint32_t*, flag))                                                                   \
  OP(ClearCommandErrorFlag)                                                                                            \
  OP(GetIllegalCommand,           (char*, text), (int32_t, textSize), (int32_t*, textLength))                          \
  OP(EnableAxisSlipDectection,    (int32_t, axis))                                                                     \
  OP(GetAxisSlipFlag,             (int32_t, axisBit), (uint32_t*, flag))                                               \
  OP(GetAllAxesSlipFlag,          (uint32_t*, flags))                                                                  \
  OP(ClearMultiAxisSlipFlag,      (int32_t, axes))                                                                     \
  /* servo and encoder: servo.cpp */                                                                                   \
  OP(GetAxisEncoderStatus,        (int32_t, axis), (VekEncoderStatus, status))                                         \
  OP(SetAxisPID,                  (int32_t, axis), (int32_t, selector))                                                \
  OP(SetAxisEncoderRatio,         (int32_t, axis), (int32_t, firstTerm), (int32_t, secondTerm))                        \
  OP(SetAxisHoldDeadBand,         (int32_t, axis), (int32_t, deadBand), (int32_t, secondValue),                        \
                                  (int32_t, thirdValue))                                                               \
  OP(SetAxisEncoderSlipTolerance, (int32_t, axis), (int32_t, tolerance))                                               \
  OP(SetAxisHoldGain,             (int32_t, axis), (int32_t, gain))                                                    \
  OP(SetAxisHoldVelocity,         (int32_t, axis), (int32_t, velocity))                                                \
  /* overtravel and travel limits: overtravel.cpp */                                                                   \
  OP(SetAxisOvertravelDetect,     (int32_t, axis), (uint32_t, selector))                                               \
  OP(SetAxisOvertravelSense,      (int32_t, axis), (uint32_t, selector))                                               \
  OP(SetAxisOvertravelStopMode,   (int32_t, axis), (uint32_t, selector))                                               \
  OP(SetAxisSoftwareTravelLimits, (int32_t, axis), (int32_t, firstLimit), (int32_t, secondLimit))                      \
  /* general-purpose I/O: io.cpp */                                                                                    \
  OP(GetIOBitsDirection,          (uint32_t*, direction))                                                              \
  OP(SetIOBitsDirection,          (uint32_t, direction))                                                               \
  OP(GetIOBitsState,              (uint32_t*, state))                                                                  \
  OP(SetOutputBitsState,          (uint32_t, outputs))                                                                 \
  OP(GetIOBitState,               (uint32_t, bitMask), (uint32_t*, state))                                             \
  OP(SetOutputBitState,           (int32_t, bitMask), (int32_t, level))                                                \
  /* auxiliary outputs: auxiliary.cpp */                                                                               \
  OP(EnableAxisAux,               (int32_t, axis), (int32_t, selector))                                                \
  OP(SetAxisAuxSettleTime,        (int32_t, axis), (int32_t, settleTime))                                              \
  OP(SetAxisAuxDefaultState,      (int32_t, axis), (uint32_t, selector))                                               \
  OP(SetAxisAuxBit,               (int32_t, axis), (uint32_t, selector))

// The exchange of each transport, written by the transport itself
// (ethernet/exchange.cpp, serial/exchange.cpp) with the same signature on
// both, in the same shape as the rows above.
#define VEK_EXCHANGE_OPERATIONS(OP)                                                                                    \
  OP(SendCommand,                 (const char*, command))                                                              \
  OP(Query,                       (const char*, command), (char*, answer), (int32_t, lLen))

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

// Two spellings of pointer parameters that hold more than one value, so that
// a binding can tell them from a single result: the header's types.
using VekValueList = int32_t*;      // the caller's ten values, slot i for axis i
using VekEncoderStatus = uint32_t*;  // the caller's five encoder status flags

// ---- Turning a row's (type, name) pairs into lists ----
// VEK_LIST(F, (int32_t, axis), (double, velocity)) is "F (int32_t, axis),
// F (double, velocity)": with VEK_PAIR_DECL a parameter list, with
// VEK_PAIR_NAME the argument list, with VEK_PAIR_TYPE the types; no pairs
// give nothing.
#define VEK_PAIR_DECL(type, name) type name
#define VEK_PAIR_NAME(type, name) name
#define VEK_PAIR_TYPE(type, name) type
#define VEK_CAT(a, b) VEK_CAT_(a, b)
#define VEK_CAT_(a, b) a##b
#define VEK_COUNT(...) VEK_COUNT_(__VA_ARGS__ __VA_OPT__(, ) 7, 6, 5, 4, 3, 2, 1, 0)
#define VEK_COUNT_(a1, a2, a3, a4, a5, a6, a7, n, ...) n
#define VEK_LIST(F, ...) VEK_CAT(VEK_LIST_, VEK_COUNT(__VA_ARGS__))(F, __VA_ARGS__)
#define VEK_LIST_0(F, ...)
#define VEK_LIST_1(F, p1) F p1
#define VEK_LIST_2(F, p1, p2) F p1, F p2
#define VEK_LIST_3(F, p1, p2, p3) F p1, F p2, F p3
#define VEK_LIST_4(F, p1, p2, p3, p4) F p1, F p2, F p3, F p4
#define VEK_LIST_5(F, p1, p2, p3, p4, p5) F p1, F p2, F p3, F p4, F p5
#define VEK_LIST_6(F, p1, p2, p3, p4, p5, p6) F p1, F p2, F p3, F p4, F p5, F p6
#define VEK_PARAMS(...) VEK_LIST(VEK_PAIR_DECL, __VA_ARGS__)
#define VEK_ARGS(...) VEK_LIST(VEK_PAIR_NAME, __VA_ARGS__)
#define VEK_TYPES(...) VEK_LIST(VEK_PAIR_TYPE, __VA_ARGS__)

namespace vek {

// One transport's twin of every operation, the exchange first: the type of
// the tables that commands/exports.cpp fills with the VEKnet_ and the VEKser_
// exports.
struct Exports {
#define VEK_EXPORT_POINTER(Name, ...) uint32_t(VEK_CALL* Name)(uint32_t* __VA_OPT__(, ) VEK_TYPES(__VA_ARGS__));
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
