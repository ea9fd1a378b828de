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
// returning a result code and taking the handle, then these parameter types.
// Each twin writes its entry trace and calls the worker vek::ops::<Name> with
// its transport's link (commands/link.h) and the parameters.
#define VEK_OPERATIONS(OP)                                                                 \
  /* point-to-point and jog motion: motion.cpp */                                          \
  OP(MoveAxis,                      int32_t, int32_t, int32_t, int32_t, int32_t)           \
  OP(JogAxis,                       int32_t, int32_t, double)                              \
  OP(MoveAxisOneStep,               int32_t, int32_t)                                      \
  OP(Move,                          int32_t, int32_t, int32_t, const int32_t*, int32_t, int32_t) \
  OP(Jog,                           int32_t, int32_t, const int32_t*)                      \
  /* stopping: stopping.cpp */                                                             \
  OP(StopMotion,                    int32_t)                                               \
  OP(KillMotion,                    int32_t)                                               \
  /* homing and limit search: homing.cpp */                                                \
  OP(SetAxisHomeSwitchLogic,        int32_t, int32_t)                                      \
  OP(FindAxisHome,                  int32_t, int32_t, int32_t, int32_t, int32_t)           \
  OP(FindAxisLimit,                 int32_t, int32_t, int32_t, int32_t)                    \
  /* positions: positions.cpp */                                                           \
  OP(GetAxisMotorPosition,          int32_t, int32_t*)                                     \
  OP(GetAxisEncoderPosition,        int32_t, int32_t*)                                     \
  OP(GetAllAxisMotorPositions,      int32_t*)                                              \
  OP(GetAllAxisEncoderPositions,    int32_t*)                                              \
  OP(GetAllAxisPositions,           int32_t*, int32_t*)                                    \
  OP(SetAxisMotorPosition,          int32_t, int32_t)                                      \
  OP(SetMultiAxisMotorPositions,    int32_t, int32_t, const int32_t*)                      \
  /* velocity, acceleration and ramps: velocity.cpp */                                     \
  OP(GetAxisCurrentVelocity,        int32_t, int32_t*)                                     \
  OP(GetAllCurrentVelocities,       int32_t, int32_t*)                                     \
  OP(GetAxisBaseVelocity,           int32_t, int32_t*)                                     \
  OP(SetAxisBaseVelocity,           int32_t, int32_t)                                      \
  OP(GetAxisMaxVelocity,            int32_t, int32_t*)                                     \
  OP(SetAxisMaxVelocity,            int32_t, int32_t)                                      \
  OP(GetAxisAcceleration,           int32_t, int32_t*)                                     \
  OP(SetAxisAcceleration,           int32_t, int32_t)                                      \
  OP(GetAxisCurrentAcceleration,    int32_t, int32_t*)                                     \
  OP(GetAllCurrentAccelerations,    int32_t, int32_t*)                                     \
  OP(SetAxisAccelerationCosine,     int32_t)                                               \
  OP(SetAxisAccelerationLinear,     int32_t)                                               \
  OP(SetAxisAccelerationParabolic,  int32_t, int32_t)                                      \
  OP(SetAxisAccelerationSCurve,     int32_t, int32_t)                                      \
  /* status flags and command errors: flags.cpp */                                         \
  OP(GetAxisDoneFlag,               int32_t, uint32_t*)                                    \
  OP(GetAllDoneFlags,               uint32_t*)                                             \
  OP(ClearMultiAxisDoneFlags,       int32_t)                                               \
  OP(GetAxisOvertravelFlag,         int32_t, uint32_t*)                                    \
  OP(GetAllOvertravelFlags,         uint32_t*)                                             \
  OP(ClearMultiAxisOvertravelFlags, int32_t)                                               \
  OP(GetCommandErrorFlag,           uint32_t*)                                             \
  OP(ClearCommandErrorFlag)                                                                \
  OP(GetIllegalCommand,             char*, int32_t, int32_t*)                              \
  OP(EnableAxisSlipDectection,      int32_t)                                               \
  OP(GetAxisSlipFlag,               int32_t, uint32_t*)                                    \
  OP(GetAllAxesSlipFlag,            uint32_t*)                                             \
  OP(ClearMultiAxisSlipFlag,        int32_t)                                               \
  /* servo and encoder: servo.cpp */                                                       \
  OP(GetAxisEncoderStatus,          int32_t, uint32_t*)                                    \
  OP(SetAxisPID,                    int32_t, int32_t)                                      \
  OP(SetAxisEncoderRatio,           int32_t, int32_t, int32_t)                             \
  OP(SetAxisHoldDeadBand,           int32_t, int32_t, int32_t, int32_t)                    \
  OP(SetAxisEncoderSlipTolerance,   int32_t, int32_t)                                      \
  OP(SetAxisHoldGain,               int32_t, int32_t)                                      \
  OP(SetAxisHoldVelocity,           int32_t, int32_t)                                      \
  /* overtravel and travel limits: overtravel.cpp */                                       \
  OP(SetAxisOvertravelDetect,       int32_t, uint32_t)                                     \
  OP(SetAxisOvertravelSense,        int32_t, uint32_t)                                     \
  OP(SetAxisOvertravelStopMode,     int32_t, uint32_t)                                     \
  OP(SetAxisSoftwareTravelLimits,   int32_t, int32_t, int32_t)                             \
  /* general-purpose I/O: io.cpp */                                                        \
  OP(GetIOBitsDirection,            uint32_t*)                                             \
  OP(SetIOBitsDirection,            uint32_t)                                              \
  OP(GetIOBitsState,                uint32_t*)                                             \
  OP(SetOutputBitsState,            uint32_t)                                              \
  OP(GetIOBitState,                 uint32_t, uint32_t*)                                   \
  OP(SetOutputBitState,             int32_t, int32_t)                                      \
  /* auxiliary outputs: auxiliary.cpp */                                                   \
  OP(EnableAxisAux,                 int32_t, int32_t)                                      \
  OP(SetAxisAuxSettleTime,          int32_t, int32_t)                                      \
  OP(SetAxisAuxDefaultState,        int32_t, uint32_t)                                     \
  OP(SetAxisAuxBit,                 int32_t, uint32_t)

// The exchange of each transport, written by the transport itself
// (ethernet/exchange.cpp, serial/exchange.cpp) with the same signature on
// both, in the same shape as the rows above.
#define VEK_EXCHANGE_OPERATIONS(OP)                                                        \
  OP(SendCommand,                   const char*)                                           \
  OP(Query,                         const char*, char*, int32_t)

// The exports whose twins differ, and the utilities: the result type, the
// full name, the parameter types.
#define VEK_OTHER_EXPORTS(EXPORT)                                                          \
  EXPORT(uint32_t, VEKnet_Initialize,       const char*, uint32_t, uint32_t*)              \
  EXPORT(void,     VEKnet_Close,            uint32_t*)                                     \
  EXPORT(int32_t,  VEKnet_GetLastError)                                                    \
  EXPORT(uint32_t, VEKser_Initialize,       int32_t, int32_t, uint32_t*)                   \
  EXPORT(void,     VEKser_Close,            uint32_t*)                                     \
  EXPORT(uint32_t, VEKser_GetLastError)                                                    \
  EXPORT(void,     VEK_Pause,               int32_t)                                       \
  EXPORT(char*,    VEK_GetDLLVersion,       char*, uint32_t)                               \
  EXPORT(uint32_t, VEK_StartDllLogger,      const char*, int32_t)                          \
  EXPORT(uint32_t, VEK_StopDllLogger)                                                      \
  EXPORT(uint32_t, VEK_DllLoggerLineMarker, const char*)

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

// ---- Turning a row's parameter types into a parameter or argument list ----
// VEK_PARAMS(int32_t, double) is ", int32_t a1, double a2" and VEK_ARGS of
// the same ", a1, a2", to follow the handle; no types give nothing.
#define VEK_CAT(a, b)                                  VEK_CAT_(a, b)
#define VEK_CAT_(a, b)                                 a##b
#define VEK_COUNT(...)                                 VEK_COUNT_(__VA_ARGS__ __VA_OPT__(, ) 7, 6, 5, 4, 3, 2, 1, 0)
#define VEK_COUNT_(a1, a2, a3, a4, a5, a6, a7, n, ...) n
#define VEK_PARAMS(...)                                VEK_CAT(VEK_PARAMS_, VEK_COUNT(__VA_ARGS__))(__VA_ARGS__)
#define VEK_PARAMS_0()
#define VEK_PARAMS_1(t1)                     , t1 a1
#define VEK_PARAMS_2(t1, t2)                 , t1 a1, t2 a2
#define VEK_PARAMS_3(t1, t2, t3)             , t1 a1, t2 a2, t3 a3
#define VEK_PARAMS_4(t1, t2, t3, t4)         , t1 a1, t2 a2, t3 a3, t4 a4
#define VEK_PARAMS_5(t1, t2, t3, t4, t5)     , t1 a1, t2 a2, t3 a3, t4 a4, t5 a5
#define VEK_PARAMS_6(t1, t2, t3, t4, t5, t6) , t1 a1, t2 a2, t3 a3, t4 a4, t5 a5, t6 a6
#define VEK_ARGS(...)                        VEK_CAT(VEK_ARGS_, VEK_COUNT(__VA_ARGS__))
#define VEK_ARGS_0
#define VEK_ARGS_1 , a1
#define VEK_ARGS_2 , a1, a2
#define VEK_ARGS_3 , a1, a2, a3
#define VEK_ARGS_4 , a1, a2, a3, a4
#define VEK_ARGS_5 , a1, a2, a3, a4, a5
#define VEK_ARGS_6 , a1, a2, a3, a4, a5, a6

namespace vek {

// One transport's twin of every operation, the exchange first: the type of
// the tables that commands/exports.cpp fills with the VEKnet_ and the VEKser_
// exports.
struct Exports {
#define VEK_EXPORT_POINTER(Name, ...) uint32_t(VEK_CALL* Name)(uint32_t * __VA_OPT__(, ) __VA_ARGS__);
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
