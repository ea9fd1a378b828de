/**
 * @file vekkestra_motion_calls.h
 * @brief Every operation of the command set through the motion core: vekm_call_<Name> calls VEKnet_<Name> or
 *        VEKser_<Name> on the controller's transport, under its lock and with its recovery from lost replies.
 *
 * The parameters are those of the library's export after its handle (vekkestra.h documents each); the
 * result is the export's, or VEKM_CLOSED, VEKM_CANCELLED; `error` (may be NULL) is filled as by every call of
 * the core. These carry no safe-motion promise: a motion operation called so is the library's own. Written
 * by vek_export_list from the library's operation table; do not edit.
 */
#ifndef VEKKESTRA_MOTION_CALLS_H
#define VEKKESTRA_MOTION_CALLS_H

#include "vekkestra_motion.h"

#ifdef __cplusplus
extern "C" {
#endif

/** @brief VEKnet_MoveAxis() or VEKser_MoveAxis() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_MoveAxis(VekmController* controller, int32_t axis, int32_t moveKind, int32_t value, int32_t suffix, int32_t timeoutMs, VekmError* error);
/** @brief VEKnet_JogAxis() or VEKser_JogAxis() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_JogAxis(VekmController* controller, int32_t axis, int32_t jogKind, double velocity, VekmError* error);
/** @brief VEKnet_MoveAxisOneStep() or VEKser_MoveAxisOneStep() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_MoveAxisOneStep(VekmController* controller, int32_t axis, int32_t direction, VekmError* error);
/** @brief VEKnet_Move() or VEKser_Move() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_Move(VekmController* controller, int32_t axes, int32_t addressing, int32_t moveKind, const int32_t* targets, int32_t suffix, int32_t timeoutMs, VekmError* error);
/** @brief VEKnet_Jog() or VEKser_Jog() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_Jog(VekmController* controller, int32_t axes, int32_t addressing, const int32_t* velocities, VekmError* error);
/** @brief VEKnet_StopMotion() or VEKser_StopMotion() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_StopMotion(VekmController* controller, int32_t axes, VekmError* error);
/** @brief VEKnet_KillMotion() or VEKser_KillMotion() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_KillMotion(VekmController* controller, int32_t axes, VekmError* error);
/** @brief VEKnet_SetAxisHomeSwitchLogic() or VEKser_SetAxisHomeSwitchLogic() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisHomeSwitchLogic(VekmController* controller, int32_t axis, int32_t switchLogic, VekmError* error);
/** @brief VEKnet_FindAxisHome() or VEKser_FindAxisHome() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_FindAxisHome(VekmController* controller, int32_t axis, int32_t searchCommand, int32_t homeCommand, int32_t homeValue, int32_t timeoutMs, VekmError* error);
/** @brief VEKnet_FindAxisLimit() or VEKser_FindAxisLimit() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_FindAxisLimit(VekmController* controller, int32_t axis, int32_t direction, int32_t velocity, int32_t timeoutMs, VekmError* error);
/** @brief VEKnet_GetAxisMotorPosition() or VEKser_GetAxisMotorPosition() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisMotorPosition(VekmController* controller, int32_t axis, int32_t* position, VekmError* error);
/** @brief VEKnet_GetAxisEncoderPosition() or VEKser_GetAxisEncoderPosition() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisEncoderPosition(VekmController* controller, int32_t axis, int32_t* position, VekmError* error);
/** @brief VEKnet_GetAllAxisMotorPositions() or VEKser_GetAllAxisMotorPositions() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAllAxisMotorPositions(VekmController* controller, int32_t* positions, VekmError* error);
/** @brief VEKnet_GetAllAxisEncoderPositions() or VEKser_GetAllAxisEncoderPositions() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAllAxisEncoderPositions(VekmController* controller, int32_t* positions, VekmError* error);
/** @brief VEKnet_GetAllAxisPositions() or VEKser_GetAllAxisPositions() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAllAxisPositions(VekmController* controller, int32_t* motorPositions, int32_t* encoderPositions, VekmError* error);
/** @brief VEKnet_SetAxisMotorPosition() or VEKser_SetAxisMotorPosition() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisMotorPosition(VekmController* controller, int32_t axis, int32_t position, VekmError* error);
/** @brief VEKnet_SetMultiAxisMotorPositions() or VEKser_SetMultiAxisMotorPositions() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetMultiAxisMotorPositions(VekmController* controller, int32_t axes, int32_t addressing, const int32_t* positions, VekmError* error);
/** @brief VEKnet_GetAxisCurrentVelocity() or VEKser_GetAxisCurrentVelocity() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisCurrentVelocity(VekmController* controller, int32_t axis, int32_t* velocity, VekmError* error);
/** @brief VEKnet_GetAllCurrentVelocities() or VEKser_GetAllCurrentVelocities() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAllCurrentVelocities(VekmController* controller, int32_t addressing, int32_t* velocities, VekmError* error);
/** @brief VEKnet_GetAxisBaseVelocity() or VEKser_GetAxisBaseVelocity() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisBaseVelocity(VekmController* controller, int32_t axis, int32_t* velocity, VekmError* error);
/** @brief VEKnet_SetAxisBaseVelocity() or VEKser_SetAxisBaseVelocity() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisBaseVelocity(VekmController* controller, int32_t axis, int32_t velocity, VekmError* error);
/** @brief VEKnet_GetAxisMaxVelocity() or VEKser_GetAxisMaxVelocity() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisMaxVelocity(VekmController* controller, int32_t axis, int32_t* velocity, VekmError* error);
/** @brief VEKnet_SetAxisMaxVelocity() or VEKser_SetAxisMaxVelocity() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisMaxVelocity(VekmController* controller, int32_t axis, int32_t velocity, VekmError* error);
/** @brief VEKnet_GetAxisAcceleration() or VEKser_GetAxisAcceleration() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisAcceleration(VekmController* controller, int32_t axis, int32_t* acceleration, VekmError* error);
/** @brief VEKnet_SetAxisAcceleration() or VEKser_SetAxisAcceleration() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisAcceleration(VekmController* controller, int32_t axis, int32_t acceleration, VekmError* error);
/** @brief VEKnet_GetAxisCurrentAcceleration() or VEKser_GetAxisCurrentAcceleration() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisCurrentAcceleration(VekmController* controller, int32_t axis, int32_t* acceleration, VekmError* error);
/** @brief VEKnet_GetAllCurrentAccelerations() or VEKser_GetAllCurrentAccelerations() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAllCurrentAccelerations(VekmController* controller, int32_t addressing, int32_t* accelerations, VekmError* error);
/** @brief VEKnet_SetAxisAccelerationCosine() or VEKser_SetAxisAccelerationCosine() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisAccelerationCosine(VekmController* controller, int32_t axis, VekmError* error);
/** @brief VEKnet_SetAxisAccelerationLinear() or VEKser_SetAxisAccelerationLinear() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisAccelerationLinear(VekmController* controller, int32_t axis, VekmError* error);
/** @brief VEKnet_SetAxisAccelerationParabolic() or VEKser_SetAxisAccelerationParabolic() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisAccelerationParabolic(VekmController* controller, int32_t axis, int32_t rampParameter, VekmError* error);
/** @brief VEKnet_SetAxisAccelerationSCurve() or VEKser_SetAxisAccelerationSCurve() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisAccelerationSCurve(VekmController* controller, int32_t axis, int32_t rampParameter, VekmError* error);
/** @brief VEKnet_GetAxisDoneFlag() or VEKser_GetAxisDoneFlag() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisDoneFlag(VekmController* controller, int32_t axisBit, uint32_t* flag, VekmError* error);
/** @brief VEKnet_GetAllDoneFlags() or VEKser_GetAllDoneFlags() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAllDoneFlags(VekmController* controller, uint32_t* flags, VekmError* error);
/** @brief VEKnet_ClearMultiAxisDoneFlags() or VEKser_ClearMultiAxisDoneFlags() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_ClearMultiAxisDoneFlags(VekmController* controller, int32_t axes, VekmError* error);
/** @brief VEKnet_GetAxisOvertravelFlag() or VEKser_GetAxisOvertravelFlag() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisOvertravelFlag(VekmController* controller, int32_t axisBit, uint32_t* flag, VekmError* error);
/** @brief VEKnet_GetAllOvertravelFlags() or VEKser_GetAllOvertravelFlags() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAllOvertravelFlags(VekmController* controller, uint32_t* flags, VekmError* error);
/** @brief VEKnet_ClearMultiAxisOvertravelFlags() or VEKser_ClearMultiAxisOvertravelFlags() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_ClearMultiAxisOvertravelFlags(VekmController* controller, int32_t axes, VekmError* error);
/** @brief VEKnet_GetCommandErrorFlag() or VEKser_GetCommandErrorFlag() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetCommandErrorFlag(VekmController* controller, uint32_t* flag, VekmError* error);
/** @brief VEKnet_ClearCommandErrorFlag() or VEKser_ClearCommandErrorFlag() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_ClearCommandErrorFlag(VekmController* controller, VekmError* error);
/** @brief VEKnet_GetIllegalCommand() or VEKser_GetIllegalCommand() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetIllegalCommand(VekmController* controller, char* text, int32_t textSize, int32_t* textLength, VekmError* error);
/** @brief VEKnet_EnableAxisSlipDectection() or VEKser_EnableAxisSlipDectection() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_EnableAxisSlipDectection(VekmController* controller, int32_t axis, VekmError* error);
/** @brief VEKnet_GetAxisSlipFlag() or VEKser_GetAxisSlipFlag() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisSlipFlag(VekmController* controller, int32_t axisBit, uint32_t* flag, VekmError* error);
/** @brief VEKnet_GetAllAxesSlipFlag() or VEKser_GetAllAxesSlipFlag() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAllAxesSlipFlag(VekmController* controller, uint32_t* flags, VekmError* error);
/** @brief VEKnet_ClearMultiAxisSlipFlag() or VEKser_ClearMultiAxisSlipFlag() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_ClearMultiAxisSlipFlag(VekmController* controller, int32_t axes, VekmError* error);
/** @brief VEKnet_GetAxisEncoderStatus() or VEKser_GetAxisEncoderStatus() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetAxisEncoderStatus(VekmController* controller, int32_t axis, uint32_t* status, VekmError* error);
/** @brief VEKnet_SetAxisPID() or VEKser_SetAxisPID() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisPID(VekmController* controller, int32_t axis, int32_t selector, VekmError* error);
/** @brief VEKnet_SetAxisEncoderRatio() or VEKser_SetAxisEncoderRatio() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisEncoderRatio(VekmController* controller, int32_t axis, int32_t firstTerm, int32_t secondTerm, VekmError* error);
/** @brief VEKnet_SetAxisHoldDeadBand() or VEKser_SetAxisHoldDeadBand() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisHoldDeadBand(VekmController* controller, int32_t axis, int32_t deadBand, int32_t secondValue, int32_t thirdValue, VekmError* error);
/** @brief VEKnet_SetAxisEncoderSlipTolerance() or VEKser_SetAxisEncoderSlipTolerance() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisEncoderSlipTolerance(VekmController* controller, int32_t axis, int32_t tolerance, VekmError* error);
/** @brief VEKnet_SetAxisHoldGain() or VEKser_SetAxisHoldGain() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisHoldGain(VekmController* controller, int32_t axis, int32_t gain, VekmError* error);
/** @brief VEKnet_SetAxisHoldVelocity() or VEKser_SetAxisHoldVelocity() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisHoldVelocity(VekmController* controller, int32_t axis, int32_t velocity, VekmError* error);
/** @brief VEKnet_SetAxisOvertravelDetect() or VEKser_SetAxisOvertravelDetect() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisOvertravelDetect(VekmController* controller, int32_t axis, uint32_t selector, VekmError* error);
/** @brief VEKnet_SetAxisOvertravelSense() or VEKser_SetAxisOvertravelSense() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisOvertravelSense(VekmController* controller, int32_t axis, uint32_t selector, VekmError* error);
/** @brief VEKnet_SetAxisOvertravelStopMode() or VEKser_SetAxisOvertravelStopMode() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisOvertravelStopMode(VekmController* controller, int32_t axis, uint32_t selector, VekmError* error);
/** @brief VEKnet_SetAxisSoftwareTravelLimits() or VEKser_SetAxisSoftwareTravelLimits() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisSoftwareTravelLimits(VekmController* controller, int32_t axis, int32_t firstLimit, int32_t secondLimit, VekmError* error);
/** @brief VEKnet_GetIOBitsDirection() or VEKser_GetIOBitsDirection() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetIOBitsDirection(VekmController* controller, uint32_t* direction, VekmError* error);
/** @brief VEKnet_SetIOBitsDirection() or VEKser_SetIOBitsDirection() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetIOBitsDirection(VekmController* controller, uint32_t direction, VekmError* error);
/** @brief VEKnet_GetIOBitsState() or VEKser_GetIOBitsState() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetIOBitsState(VekmController* controller, uint32_t* state, VekmError* error);
/** @brief VEKnet_SetOutputBitsState() or VEKser_SetOutputBitsState() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetOutputBitsState(VekmController* controller, uint32_t outputs, VekmError* error);
/** @brief VEKnet_GetIOBitState() or VEKser_GetIOBitState() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_GetIOBitState(VekmController* controller, uint32_t bitMask, uint32_t* state, VekmError* error);
/** @brief VEKnet_SetOutputBitState() or VEKser_SetOutputBitState() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetOutputBitState(VekmController* controller, int32_t bitMask, int32_t level, VekmError* error);
/** @brief VEKnet_EnableAxisAux() or VEKser_EnableAxisAux() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_EnableAxisAux(VekmController* controller, int32_t axis, int32_t selector, VekmError* error);
/** @brief VEKnet_SetAxisAuxSettleTime() or VEKser_SetAxisAuxSettleTime() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisAuxSettleTime(VekmController* controller, int32_t axis, int32_t settleTime, VekmError* error);
/** @brief VEKnet_SetAxisAuxDefaultState() or VEKser_SetAxisAuxDefaultState() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisAuxDefaultState(VekmController* controller, int32_t axis, uint32_t selector, VekmError* error);
/** @brief VEKnet_SetAxisAuxBit() or VEKser_SetAxisAuxBit() on the controller's transport. */
VEKM_API uint32_t VEKM_CALL vekm_call_SetAxisAuxBit(VekmController* controller, int32_t axis, uint32_t selector, VekmError* error);

#ifdef __cplusplus
}
#endif

#endif /* VEKKESTRA_MOTION_CALLS_H */
