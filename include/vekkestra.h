/* VekKestra: host library for a ten-axis motion controller reached over TCP
 * or a serial port in its ASCII command language.
 *
 * Every operation is a plain C function. Connections live in a 32-bit
 * variable that the application owns; its address is the handle that every
 * operation takes. Results are VEK_SUCCESS (0) or one of the VEK_ERROR_*
 * codes below. See README.md and docs/ for the full contract. */
#ifndef VEKKESTRA_H
#define VEKKESTRA_H

#include <stdint.h>

/* VEK_API marks an export (or an import, for users of the Windows DLL).
 * VEK_CALL is the calling convention: callee-cleans (stdcall) on 32-bit
 * Windows, the platform default elsewhere. */
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

/* Result codes. */
#define VEK_SUCCESS                      0u
#define VEK_ERROR_INVALID_AXIS           2u
#define VEK_ERROR_INVALID_PARAMETER      3u
#define VEK_ERROR_COMMAND_TOO_LONG       5u
#define VEK_ERROR_WAIT_TIMEOUT           6u
#define VEK_ERROR_ANSWER_TOO_LONG        7u
#define VEK_ERROR_LOG_FILE               50u
#define VEK_ERROR_POLL_TIMEOUT           101u
#define VEK_ERROR_INVALID_IP_ADDRESS     201u
#define VEK_ERROR_ETHERNET_CONNECT       202u
#define VEK_ERROR_SOCKET_SEND            211u
#define VEK_ERROR_SOCKET_RECEIVE         212u
#define VEK_ERROR_SOCKET_RECEIVE_TIMEOUT 213u
#define VEK_ERROR_ACK_NAK_TIMEOUT        214u
#define VEK_ERROR_BAD_RESPONSE           215u
#define VEK_ERROR_COMMAND_NAK            216u
#define VEK_ERROR_NO_COMMAND_ACK         217u
#define VEK_ERROR_SERIAL_OPEN            301u
#define VEK_ERROR_SERIAL_WRITE           350u
#define VEK_ERROR_SERIAL_READ            351u
#define VEK_ERROR_SERIAL_READ_TIMEOUT    352u

/* Axis bits: one bit per axis, in the controller's axis order. An axis mask
 * is any combination of them; value lists hold one slot per axis, X first. */
#define VEK_AXIS_X     0x001
#define VEK_AXIS_Y     0x002
#define VEK_AXIS_Z     0x004
#define VEK_AXIS_T     0x008
#define VEK_AXIS_U     0x010
#define VEK_AXIS_V     0x020
#define VEK_AXIS_R     0x040
#define VEK_AXIS_S     0x080
#define VEK_AXIS_W     0x100
#define VEK_AXIS_K     0x200
#define VEK_ALL_AXES   0x3FF
#define VEK_AXIS_COUNT 10

/* One declaration a line, so that the exports can be read (and grepped) as a list. */
/* clang-format off */

/* ---- Utilities ---------------------------------------------------------- */

VEK_API void VEK_CALL VEK_Pause(int32_t milliseconds);
VEK_API char* VEK_CALL VEK_GetDLLVersion(char* buffer, uint32_t size);
VEK_API uint32_t VEK_CALL VEK_StartDllLogger(const char* path, int32_t mask);
VEK_API uint32_t VEK_CALL VEK_StopDllLogger(void);
VEK_API uint32_t VEK_CALL VEK_DllLoggerLineMarker(const char* text);

/* ==== Ethernet (TCP) transport ==== */

/* -- Connection and raw exchange -- */
VEK_API uint32_t VEK_CALL VEKnet_Initialize(const char* ipAddress, uint32_t port, uint32_t* handle);
VEK_API void VEK_CALL VEKnet_Close(uint32_t* handle);
VEK_API int32_t VEK_CALL VEKnet_GetLastError(void);
VEK_API uint32_t VEK_CALL VEKnet_SendCommand(uint32_t* handle, const char* command);
VEK_API uint32_t VEK_CALL VEKnet_Query(uint32_t* handle, const char* command, char* answer, int32_t lLen);

/* -- Point-to-point and jog motion -- */
VEK_API uint32_t VEK_CALL VEKnet_MoveAxis(uint32_t* handle, int32_t axis, int32_t moveKind, int32_t value, int32_t suffix, int32_t timeoutMs);
VEK_API uint32_t VEK_CALL VEKnet_JogAxis(uint32_t* handle, int32_t axis, int32_t jogKind, double velocity);
VEK_API uint32_t VEK_CALL VEKnet_MoveAxisOneStep(uint32_t* handle, int32_t axis, int32_t direction);
VEK_API uint32_t VEK_CALL VEKnet_Move(uint32_t* handle, int32_t axes, int32_t addressing, int32_t moveKind, const int32_t* targets, int32_t suffix, int32_t timeoutMs);
VEK_API uint32_t VEK_CALL VEKnet_Jog(uint32_t* handle, int32_t axes, int32_t addressing, const int32_t* velocities);

/* -- Stopping motion -- */
VEK_API uint32_t VEK_CALL VEKnet_StopMotion(uint32_t* handle, int32_t axes);
VEK_API uint32_t VEK_CALL VEKnet_KillMotion(uint32_t* handle, int32_t axes);

/* -- Homing and limit search -- */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisHomeSwitchLogic(uint32_t* handle, int32_t axis, int32_t switchLogic);
VEK_API uint32_t VEK_CALL VEKnet_FindAxisHome(uint32_t* handle, int32_t axis, int32_t searchCommand, int32_t homeCommand, int32_t homeValue, int32_t timeoutMs);
VEK_API uint32_t VEK_CALL VEKnet_FindAxisLimit(uint32_t* handle, int32_t axis, int32_t direction, int32_t velocity, int32_t timeoutMs);

/* -- Position reporting and setting -- */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t* position);
VEK_API uint32_t VEK_CALL VEKnet_GetAxisEncoderPosition(uint32_t* handle, int32_t axis, int32_t* position);
VEK_API uint32_t VEK_CALL VEKnet_GetAllAxisMotorPositions(uint32_t* handle, int32_t* positions);
VEK_API uint32_t VEK_CALL VEKnet_GetAllAxisEncoderPositions(uint32_t* handle, int32_t* positions);
VEK_API uint32_t VEK_CALL VEKnet_GetAllAxisPositions(uint32_t* handle, int32_t* motorPositions, int32_t* encoderPositions);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t position);
VEK_API uint32_t VEK_CALL VEKnet_SetMultiAxisMotorPositions(uint32_t* handle, int32_t axes, int32_t addressing, const int32_t* positions);

/* -- Velocity and acceleration -- */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisCurrentVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
VEK_API uint32_t VEK_CALL VEKnet_GetAllCurrentVelocities(uint32_t* handle, int32_t addressing, int32_t* velocities);
VEK_API uint32_t VEK_CALL VEKnet_GetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t velocity);
VEK_API uint32_t VEK_CALL VEKnet_GetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t velocity);
VEK_API uint32_t VEK_CALL VEKnet_GetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t acceleration);
VEK_API uint32_t VEK_CALL VEKnet_GetAxisCurrentAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration);
VEK_API uint32_t VEK_CALL VEKnet_GetAllCurrentAccelerations(uint32_t* handle, int32_t addressing, int32_t* accelerations);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationCosine(uint32_t* handle, int32_t axis);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationLinear(uint32_t* handle, int32_t axis);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationParabolic(uint32_t* handle, int32_t axis, int32_t rampParameter);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationSCurve(uint32_t* handle, int32_t axis, int32_t rampParameter);

/* -- Status flags and command errors -- */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisDoneFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
VEK_API uint32_t VEK_CALL VEKnet_GetAllDoneFlags(uint32_t* handle, uint32_t* flags);
VEK_API uint32_t VEK_CALL VEKnet_ClearMultiAxisDoneFlags(uint32_t* handle, int32_t axes);
VEK_API uint32_t VEK_CALL VEKnet_GetAxisOvertravelFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
VEK_API uint32_t VEK_CALL VEKnet_GetAllOvertravelFlags(uint32_t* handle, uint32_t* flags);
VEK_API uint32_t VEK_CALL VEKnet_ClearMultiAxisOvertravelFlags(uint32_t* handle, int32_t axes);
VEK_API uint32_t VEK_CALL VEKnet_GetCommandErrorFlag(uint32_t* handle, uint32_t* flag);
VEK_API uint32_t VEK_CALL VEKnet_ClearCommandErrorFlag(uint32_t* handle);
VEK_API uint32_t VEK_CALL VEKnet_GetIllegalCommand(uint32_t* handle, char* text, int32_t textSize, int32_t* textLength);
VEK_API uint32_t VEK_CALL VEKnet_EnableAxisSlipDectection(uint32_t* handle, int32_t axis);
VEK_API uint32_t VEK_CALL VEKnet_GetAxisSlipFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
VEK_API uint32_t VEK_CALL VEKnet_GetAllAxesSlipFlag(uint32_t* handle, uint32_t* flags);
VEK_API uint32_t VEK_CALL VEKnet_ClearMultiAxisSlipFlag(uint32_t* handle, int32_t axes);

/* -- Servo and encoder settings -- */
VEK_API uint32_t VEK_CALL VEKnet_GetAxisEncoderStatus(uint32_t* handle, int32_t axis, uint32_t* status);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisPID(uint32_t* handle, int32_t axis, int32_t selector);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisEncoderRatio(uint32_t* handle, int32_t axis, int32_t firstTerm, int32_t secondTerm);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisHoldDeadBand(uint32_t* handle, int32_t axis, int32_t deadBand, int32_t secondValue, int32_t thirdValue);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisEncoderSlipTolerance(uint32_t* handle, int32_t axis, int32_t tolerance);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisHoldGain(uint32_t* handle, int32_t axis, int32_t gain);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisHoldVelocity(uint32_t* handle, int32_t axis, int32_t velocity);

/* -- Overtravel and travel limits -- */
VEK_API uint32_t VEK_CALL VEKnet_SetAxisOvertravelDetect(uint32_t* handle, int32_t axis, uint32_t selector);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisOvertravelSense(uint32_t* handle, int32_t axis, uint32_t selector);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisOvertravelStopMode(uint32_t* handle, int32_t axis, uint32_t selector);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisSoftwareTravelLimits(uint32_t* handle, int32_t axis, int32_t firstLimit, int32_t secondLimit);

/* -- General-purpose I/O bits -- */
VEK_API uint32_t VEK_CALL VEKnet_GetIOBitsDirection(uint32_t* handle, uint32_t* direction);
VEK_API uint32_t VEK_CALL VEKnet_SetIOBitsDirection(uint32_t* handle, uint32_t direction);
VEK_API uint32_t VEK_CALL VEKnet_GetIOBitsState(uint32_t* handle, uint32_t* state);
VEK_API uint32_t VEK_CALL VEKnet_SetOutputBitsState(uint32_t* handle, uint32_t outputs);
VEK_API uint32_t VEK_CALL VEKnet_GetIOBitState(uint32_t* handle, uint32_t bitMask, uint32_t* state);
VEK_API uint32_t VEK_CALL VEKnet_SetOutputBitState(uint32_t* handle, int32_t bitMask, int32_t level);

/* -- Auxiliary outputs -- */
VEK_API uint32_t VEK_CALL VEKnet_EnableAxisAux(uint32_t* handle, int32_t axis, int32_t selector);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAuxSettleTime(uint32_t* handle, int32_t axis, int32_t settleTime);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAuxDefaultState(uint32_t* handle, int32_t axis, uint32_t selector);
VEK_API uint32_t VEK_CALL VEKnet_SetAxisAuxBit(uint32_t* handle, int32_t axis, uint32_t selector);

/* ==== Serial transport ==== */

/* -- Connection and raw exchange -- */
VEK_API uint32_t VEK_CALL VEKser_Initialize(int32_t port, int32_t baudRate, uint32_t* handle);
VEK_API void VEK_CALL VEKser_Close(uint32_t* handle);
VEK_API uint32_t VEK_CALL VEKser_GetLastError(void);
VEK_API uint32_t VEK_CALL VEKser_SendCommand(uint32_t* handle, const char* command);
VEK_API uint32_t VEK_CALL VEKser_Query(uint32_t* handle, const char* command, char* answer, int32_t lLen);

/* -- Point-to-point and jog motion -- */
VEK_API uint32_t VEK_CALL VEKser_MoveAxis(uint32_t* handle, int32_t axis, int32_t moveKind, int32_t value, int32_t suffix, int32_t timeoutMs);
VEK_API uint32_t VEK_CALL VEKser_JogAxis(uint32_t* handle, int32_t axis, int32_t jogKind, double velocity);
VEK_API uint32_t VEK_CALL VEKser_MoveAxisOneStep(uint32_t* handle, int32_t axis, int32_t direction);
VEK_API uint32_t VEK_CALL VEKser_Move(uint32_t* handle, int32_t axes, int32_t addressing, int32_t moveKind, const int32_t* targets, int32_t suffix, int32_t timeoutMs);
VEK_API uint32_t VEK_CALL VEKser_Jog(uint32_t* handle, int32_t axes, int32_t addressing, const int32_t* velocities);

/* -- Stopping motion -- */
VEK_API uint32_t VEK_CALL VEKser_StopMotion(uint32_t* handle, int32_t axes);
VEK_API uint32_t VEK_CALL VEKser_KillMotion(uint32_t* handle, int32_t axes);

/* -- Homing and limit search -- */
VEK_API uint32_t VEK_CALL VEKser_SetAxisHomeSwitchLogic(uint32_t* handle, int32_t axis, int32_t switchLogic);
VEK_API uint32_t VEK_CALL VEKser_FindAxisHome(uint32_t* handle, int32_t axis, int32_t searchCommand, int32_t homeCommand, int32_t homeValue, int32_t timeoutMs);
VEK_API uint32_t VEK_CALL VEKser_FindAxisLimit(uint32_t* handle, int32_t axis, int32_t direction, int32_t velocity, int32_t timeoutMs);

/* -- Position reporting and setting -- */
VEK_API uint32_t VEK_CALL VEKser_GetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t* position);
VEK_API uint32_t VEK_CALL VEKser_GetAxisEncoderPosition(uint32_t* handle, int32_t axis, int32_t* position);
VEK_API uint32_t VEK_CALL VEKser_GetAllAxisMotorPositions(uint32_t* handle, int32_t* positions);
VEK_API uint32_t VEK_CALL VEKser_GetAllAxisEncoderPositions(uint32_t* handle, int32_t* positions);
VEK_API uint32_t VEK_CALL VEKser_GetAllAxisPositions(uint32_t* handle, int32_t* motorPositions, int32_t* encoderPositions);
VEK_API uint32_t VEK_CALL VEKser_SetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t position);
VEK_API uint32_t VEK_CALL VEKser_SetMultiAxisMotorPositions(uint32_t* handle, int32_t axes, int32_t addressing, const int32_t* positions);

/* -- Velocity and acceleration -- */
VEK_API uint32_t VEK_CALL VEKser_GetAxisCurrentVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
VEK_API uint32_t VEK_CALL VEKser_GetAllCurrentVelocities(uint32_t* handle, int32_t addressing, int32_t* velocities);
VEK_API uint32_t VEK_CALL VEKser_GetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
VEK_API uint32_t VEK_CALL VEKser_SetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t velocity);
VEK_API uint32_t VEK_CALL VEKser_GetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t* velocity);
VEK_API uint32_t VEK_CALL VEKser_SetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t velocity);
VEK_API uint32_t VEK_CALL VEKser_GetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration);
VEK_API uint32_t VEK_CALL VEKser_SetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t acceleration);
VEK_API uint32_t VEK_CALL VEKser_GetAxisCurrentAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration);
VEK_API uint32_t VEK_CALL VEKser_GetAllCurrentAccelerations(uint32_t* handle, int32_t addressing, int32_t* accelerations);
VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationCosine(uint32_t* handle, int32_t axis);
VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationLinear(uint32_t* handle, int32_t axis);
VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationParabolic(uint32_t* handle, int32_t axis, int32_t rampParameter);
VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationSCurve(uint32_t* handle, int32_t axis, int32_t rampParameter);

/* -- Status flags and command errors -- */
VEK_API uint32_t VEK_CALL VEKser_GetAxisDoneFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
VEK_API uint32_t VEK_CALL VEKser_GetAllDoneFlags(uint32_t* handle, uint32_t* flags);
VEK_API uint32_t VEK_CALL VEKser_ClearMultiAxisDoneFlags(uint32_t* handle, int32_t axes);
VEK_API uint32_t VEK_CALL VEKser_GetAxisOvertravelFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
VEK_API uint32_t VEK_CALL VEKser_GetAllOvertravelFlags(uint32_t* handle, uint32_t* flags);
VEK_API uint32_t VEK_CALL VEKser_ClearMultiAxisOvertravelFlags(uint32_t* handle, int32_t axes);
VEK_API uint32_t VEK_CALL VEKser_GetCommandErrorFlag(uint32_t* handle, uint32_t* flag);
VEK_API uint32_t VEK_CALL VEKser_ClearCommandErrorFlag(uint32_t* handle);
VEK_API uint32_t VEK_CALL VEKser_GetIllegalCommand(uint32_t* handle, char* text, int32_t textSize, int32_t* textLength);
VEK_API uint32_t VEK_CALL VEKser_EnableAxisSlipDectection(uint32_t* handle, int32_t axis);
VEK_API uint32_t VEK_CALL VEKser_GetAxisSlipFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag);
VEK_API uint32_t VEK_CALL VEKser_GetAllAxesSlipFlag(uint32_t* handle, uint32_t* flags);
VEK_API uint32_t VEK_CALL VEKser_ClearMultiAxisSlipFlag(uint32_t* handle, int32_t axes);

/* -- Servo and encoder settings -- */
VEK_API uint32_t VEK_CALL VEKser_GetAxisEncoderStatus(uint32_t* handle, int32_t axis, uint32_t* status);
VEK_API uint32_t VEK_CALL VEKser_SetAxisPID(uint32_t* handle, int32_t axis, int32_t selector);
VEK_API uint32_t VEK_CALL VEKser_SetAxisEncoderRatio(uint32_t* handle, int32_t axis, int32_t firstTerm, int32_t secondTerm);
VEK_API uint32_t VEK_CALL VEKser_SetAxisHoldDeadBand(uint32_t* handle, int32_t axis, int32_t deadBand, int32_t secondValue, int32_t thirdValue);
VEK_API uint32_t VEK_CALL VEKser_SetAxisEncoderSlipTolerance(uint32_t* handle, int32_t axis, int32_t tolerance);
VEK_API uint32_t VEK_CALL VEKser_SetAxisHoldGain(uint32_t* handle, int32_t axis, int32_t gain);
VEK_API uint32_t VEK_CALL VEKser_SetAxisHoldVelocity(uint32_t* handle, int32_t axis, int32_t velocity);

/* -- Overtravel and travel limits -- */
VEK_API uint32_t VEK_CALL VEKser_SetAxisOvertravelDetect(uint32_t* handle, int32_t axis, uint32_t selector);
VEK_API uint32_t VEK_CALL VEKser_SetAxisOvertravelSense(uint32_t* handle, int32_t axis, uint32_t selector);
VEK_API uint32_t VEK_CALL VEKser_SetAxisOvertravelStopMode(uint32_t* handle, int32_t axis, uint32_t selector);
VEK_API uint32_t VEK_CALL VEKser_SetAxisSoftwareTravelLimits(uint32_t* handle, int32_t axis, int32_t firstLimit, int32_t secondLimit);

/* -- General-purpose I/O bits -- */
VEK_API uint32_t VEK_CALL VEKser_GetIOBitsDirection(uint32_t* handle, uint32_t* direction);
VEK_API uint32_t VEK_CALL VEKser_SetIOBitsDirection(uint32_t* handle, uint32_t direction);
VEK_API uint32_t VEK_CALL VEKser_GetIOBitsState(uint32_t* handle, uint32_t* state);
VEK_API uint32_t VEK_CALL VEKser_SetOutputBitsState(uint32_t* handle, uint32_t outputs);
VEK_API uint32_t VEK_CALL VEKser_GetIOBitState(uint32_t* handle, uint32_t bitMask, uint32_t* state);
VEK_API uint32_t VEK_CALL VEKser_SetOutputBitState(uint32_t* handle, int32_t bitMask, int32_t level);

/* -- Auxiliary outputs -- */
VEK_API uint32_t VEK_CALL VEKser_EnableAxisAux(uint32_t* handle, int32_t axis, int32_t selector);
VEK_API uint32_t VEK_CALL VEKser_SetAxisAuxSettleTime(uint32_t* handle, int32_t axis, int32_t settleTime);
VEK_API uint32_t VEK_CALL VEKser_SetAxisAuxDefaultState(uint32_t* handle, int32_t axis, uint32_t selector);
VEK_API uint32_t VEK_CALL VEKser_SetAxisAuxBit(uint32_t* handle, int32_t axis, uint32_t selector);

/* clang-format on */

#ifdef __cplusplus
}
#endif

#endif /* VEKKESTRA_H */
