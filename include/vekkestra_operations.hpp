/**
 * @file vekkestra_operations.hpp
 * @brief Every operation of the command set as a typed method of vek::Controller: vek::Operations, which
 *        vekkestra.hpp includes (include that one).
 *
 * Each method calls the motion core's vekm_call_<Name>, which picks the controller's transport, holds its
 * lock and recovers from lost replies; a failure throws the class of its VekmError's kind (vek::Error and
 * the others of vekkestra.hpp). What the call fills in is returned. The operations that set axes moving or
 * stop them are here only as raw_<name>: the controller's move(), jog(), home(), find_limit(), stop() and
 * kill() are their safe forms. Written by vek_export_list from the library's operation table and the
 * briefs of vekkestra.h; do not edit.
 */
#ifndef VEKKESTRA_OPERATIONS_HPP
#define VEKKESTRA_OPERATIONS_HPP

#ifndef VEKKESTRA_HPP
#error "include vekkestra.hpp, which includes vekkestra_operations.hpp"
#endif

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>

#include "vekkestra_motion_calls.h"

namespace vek {

/**
 * @brief The operations of the command set, typed; vek::Controller is one.
 * @tparam Self The class that holds the core's controller (native_handle()).
 */
template <class Self>
class Operations {
 public:
  /**
   * @brief Moves one axis to a position or by a distance, and can wait until it reports done.
   *
   * VEKnet_MoveAxis() or VEKser_MoveAxis() on the controller's transport, through vekm_call_MoveAxis().
   * Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
   * home(), find_limit(), stop() and kill() keep the safe-motion promise.
   * @param axis The axis (`axis` of VEKnet_MoveAxis()).
   * @param move_kind The value (`moveKind` of VEKnet_MoveAxis()).
   * @param value The value (`value` of VEKnet_MoveAxis()).
   * @param suffix The value (`suffix` of VEKnet_MoveAxis()).
   * @param timeout_ms The value (`timeoutMs` of VEKnet_MoveAxis()).
   */
  void raw_move_axis(Axis axis, int32_t move_kind, int32_t value, int32_t suffix, int32_t timeout_ms) {
    VekmError error;
    check(vekm_call_MoveAxis(core(), bit_of(axis), move_kind, value, suffix, timeout_ms, &error), error);
  }
  /**
   * @brief Starts one axis running at a velocity until it is stopped.
   *
   * VEKnet_JogAxis() or VEKser_JogAxis() on the controller's transport, through vekm_call_JogAxis().
   * Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
   * home(), find_limit(), stop() and kill() keep the safe-motion promise.
   * @param axis The axis (`axis` of VEKnet_JogAxis()).
   * @param jog_kind The value (`jogKind` of VEKnet_JogAxis()).
   * @param velocity The value (`velocity` of VEKnet_JogAxis()).
   */
  void raw_jog_axis(Axis axis, int32_t jog_kind, double velocity) {
    VekmError error;
    check(vekm_call_JogAxis(core(), bit_of(axis), jog_kind, velocity, &error), error);
  }
  /**
   * @brief Moves one axis by one step in either direction.
   *
   * VEKnet_MoveAxisOneStep() or VEKser_MoveAxisOneStep() on the controller's transport, through
   * vekm_call_MoveAxisOneStep().
   * Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
   * home(), find_limit(), stop() and kill() keep the safe-motion promise.
   * @param axis The axis (`axis` of VEKnet_MoveAxisOneStep()).
   * @param direction The value (`direction` of VEKnet_MoveAxisOneStep()).
   */
  void raw_move_axis_one_step(Axis axis, int32_t direction) {
    VekmError error;
    check(vekm_call_MoveAxisOneStep(core(), bit_of(axis), direction, &error), error);
  }
  /**
   * @brief Moves several axes at once and waits until all of them report done.
   *
   * VEKnet_Move() or VEKser_Move() on the controller's transport, through vekm_call_Move().
   * Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
   * home(), find_limit(), stop() and kill() keep the safe-motion promise.
   * @param axes The axes (`axes` of VEKnet_Move()).
   * @param addressing The value (`addressing` of VEKnet_Move()).
   * @param move_kind The value (`moveKind` of VEKnet_Move()).
   * @param targets Ten values, slot 0 for X to slot 9 for K (`targets` of VEKnet_Move()).
   * @param suffix The value (`suffix` of VEKnet_Move()).
   * @param timeout_ms The value (`timeoutMs` of VEKnet_Move()).
   */
  void raw_move(Axes axes, int32_t addressing, int32_t move_kind, const std::array<int32_t, VEK_AXIS_COUNT>& targets,
      int32_t suffix, int32_t timeout_ms) {
    VekmError error;
    check(vekm_call_Move(core(), axes.mask(), addressing, move_kind, targets.data(), suffix, timeout_ms, &error),
          error);
  }
  /**
   * @brief Starts several axes running, each at its own velocity, until they are stopped.
   *
   * VEKnet_Jog() or VEKser_Jog() on the controller's transport, through vekm_call_Jog().
   * Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
   * home(), find_limit(), stop() and kill() keep the safe-motion promise.
   * @param axes The axes (`axes` of VEKnet_Jog()).
   * @param addressing The value (`addressing` of VEKnet_Jog()).
   * @param velocities Ten values, slot 0 for X to slot 9 for K (`velocities` of VEKnet_Jog()).
   */
  void raw_jog(Axes axes, int32_t addressing, const std::array<int32_t, VEK_AXIS_COUNT>& velocities) {
    VekmError error;
    check(vekm_call_Jog(core(), axes.mask(), addressing, velocities.data(), &error), error);
  }
  /**
   * @brief Stops the motion of a set of axes (decelerating), without waiting for them to come to rest.
   *
   * VEKnet_StopMotion() or VEKser_StopMotion() on the controller's transport, through vekm_call_StopMotion().
   * Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
   * home(), find_limit(), stop() and kill() keep the safe-motion promise.
   * @param axes The axes (`axes` of VEKnet_StopMotion()).
   */
  void raw_stop_motion(Axes axes) {
    VekmError error;
    check(vekm_call_StopMotion(core(), axes.mask(), &error), error);
  }
  /**
   * @brief Kills the motion of a set of axes at once, without waiting for them to come to rest.
   *
   * VEKnet_KillMotion() or VEKser_KillMotion() on the controller's transport, through vekm_call_KillMotion().
   * Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
   * home(), find_limit(), stop() and kill() keep the safe-motion promise.
   * @param axes The axes (`axes` of VEKnet_KillMotion()).
   */
  void raw_kill_motion(Axes axes) {
    VekmError error;
    check(vekm_call_KillMotion(core(), axes.mask(), &error), error);
  }
  /**
   * @brief Sets the logic of an axis's home switch.
   *
   * VEKnet_SetAxisHomeSwitchLogic() or VEKser_SetAxisHomeSwitchLogic() on the controller's transport, through
   * vekm_call_SetAxisHomeSwitchLogic().
   * @param axis The axis (`axis` of VEKnet_SetAxisHomeSwitchLogic()).
   * @param switch_logic The value (`switchLogic` of VEKnet_SetAxisHomeSwitchLogic()).
   */
  void set_axis_home_switch_logic(Axis axis, int32_t switch_logic) {
    VekmError error;
    check(vekm_call_SetAxisHomeSwitchLogic(core(), bit_of(axis), switch_logic, &error), error);
  }
  /**
   * @brief Starts a home search on one axis and can wait until the axis reports done.
   *
   * VEKnet_FindAxisHome() or VEKser_FindAxisHome() on the controller's transport, through vekm_call_FindAxisHome().
   * Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
   * home(), find_limit(), stop() and kill() keep the safe-motion promise.
   * @param axis The axis (`axis` of VEKnet_FindAxisHome()).
   * @param search_command The value (`searchCommand` of VEKnet_FindAxisHome()).
   * @param home_command The value (`homeCommand` of VEKnet_FindAxisHome()).
   * @param home_value The value (`homeValue` of VEKnet_FindAxisHome()).
   * @param timeout_ms The value (`timeoutMs` of VEKnet_FindAxisHome()).
   */
  void raw_find_axis_home(Axis axis, int32_t search_command, int32_t home_command, int32_t home_value,
      int32_t timeout_ms) {
    VekmError error;
    check(vekm_call_FindAxisHome(core(), bit_of(axis), search_command, home_command, home_value, timeout_ms, &error),
          error);
  }
  /**
   * @brief Jogs one axis toward a limit switch and can wait until its limit flag is reported.
   *
   * VEKnet_FindAxisLimit() or VEKser_FindAxisLimit() on the controller's transport, through vekm_call_FindAxisLimit().
   * Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
   * home(), find_limit(), stop() and kill() keep the safe-motion promise.
   * @param axis The axis (`axis` of VEKnet_FindAxisLimit()).
   * @param direction The value (`direction` of VEKnet_FindAxisLimit()).
   * @param velocity The value (`velocity` of VEKnet_FindAxisLimit()).
   * @param timeout_ms The value (`timeoutMs` of VEKnet_FindAxisLimit()).
   */
  void raw_find_axis_limit(Axis axis, int32_t direction, int32_t velocity, int32_t timeout_ms) {
    VekmError error;
    check(vekm_call_FindAxisLimit(core(), bit_of(axis), direction, velocity, timeout_ms, &error), error);
  }
  /**
   * @brief Reads the motor position of one axis.
   *
   * VEKnet_GetAxisMotorPosition() or VEKser_GetAxisMotorPosition() on the controller's transport, through
   * vekm_call_GetAxisMotorPosition().
   * @param axis The axis (`axis` of VEKnet_GetAxisMotorPosition()).
   * @return What the call filled in: `position`.
   */
  int32_t get_axis_motor_position(Axis axis) {
    int32_t position = 0;
    VekmError error;
    check(vekm_call_GetAxisMotorPosition(core(), bit_of(axis), &position, &error), error);
    return position;
  }
  /**
   * @brief Reads the encoder position of one axis.
   *
   * VEKnet_GetAxisEncoderPosition() or VEKser_GetAxisEncoderPosition() on the controller's transport, through
   * vekm_call_GetAxisEncoderPosition().
   * @param axis The axis (`axis` of VEKnet_GetAxisEncoderPosition()).
   * @return What the call filled in: `position`.
   */
  int32_t get_axis_encoder_position(Axis axis) {
    int32_t position = 0;
    VekmError error;
    check(vekm_call_GetAxisEncoderPosition(core(), bit_of(axis), &position, &error), error);
    return position;
  }
  /**
   * @brief Reads the motor positions of all axes.
   *
   * VEKnet_GetAllAxisMotorPositions() or VEKser_GetAllAxisMotorPositions() on the controller's transport, through
   * vekm_call_GetAllAxisMotorPositions().
   * @return What the call filled in: `positions`.
   */
  std::array<int32_t, VEK_AXIS_COUNT> get_all_axis_motor_positions() {
    std::array<int32_t, VEK_AXIS_COUNT> positions{};
    VekmError error;
    check(vekm_call_GetAllAxisMotorPositions(core(), positions.data(), &error), error);
    return positions;
  }
  /**
   * @brief Reads the encoder positions of all axes.
   *
   * VEKnet_GetAllAxisEncoderPositions() or VEKser_GetAllAxisEncoderPositions() on the controller's transport, through
   * vekm_call_GetAllAxisEncoderPositions().
   * @return What the call filled in: `positions`.
   */
  std::array<int32_t, VEK_AXIS_COUNT> get_all_axis_encoder_positions() {
    std::array<int32_t, VEK_AXIS_COUNT> positions{};
    VekmError error;
    check(vekm_call_GetAllAxisEncoderPositions(core(), positions.data(), &error), error);
    return positions;
  }
  /**
   * @brief Reads the motor and the encoder positions of all axes, with two queries.
   *
   * VEKnet_GetAllAxisPositions() or VEKser_GetAllAxisPositions() on the controller's transport, through
   * vekm_call_GetAllAxisPositions().
   * @return What the call filled in: `motorPositions`, `encoderPositions`.
   */
  std::pair<std::array<int32_t, VEK_AXIS_COUNT>, std::array<int32_t, VEK_AXIS_COUNT>> get_all_axis_positions() {
    std::array<int32_t, VEK_AXIS_COUNT> motor_positions{};
    std::array<int32_t, VEK_AXIS_COUNT> encoder_positions{};
    VekmError error;
    check(vekm_call_GetAllAxisPositions(core(), motor_positions.data(), encoder_positions.data(), &error), error);
    return {motor_positions, encoder_positions};
  }
  /**
   * @brief Redefines the motor position of one axis (no motion).
   *
   * VEKnet_SetAxisMotorPosition() or VEKser_SetAxisMotorPosition() on the controller's transport, through
   * vekm_call_SetAxisMotorPosition().
   * @param axis The axis (`axis` of VEKnet_SetAxisMotorPosition()).
   * @param position The value (`position` of VEKnet_SetAxisMotorPosition()).
   */
  void set_axis_motor_position(Axis axis, int32_t position) {
    VekmError error;
    check(vekm_call_SetAxisMotorPosition(core(), bit_of(axis), position, &error), error);
  }
  /**
   * @brief Redefines the motor positions of several axes at once (no motion).
   *
   * VEKnet_SetMultiAxisMotorPositions() or VEKser_SetMultiAxisMotorPositions() on the controller's transport, through
   * vekm_call_SetMultiAxisMotorPositions().
   * @param axes The axes (`axes` of VEKnet_SetMultiAxisMotorPositions()).
   * @param addressing The value (`addressing` of VEKnet_SetMultiAxisMotorPositions()).
   * @param positions Ten values, slot 0 for X to slot 9 for K (`positions` of VEKnet_SetMultiAxisMotorPositions()).
   */
  void set_multi_axis_motor_positions(Axes axes, int32_t addressing,
      const std::array<int32_t, VEK_AXIS_COUNT>& positions) {
    VekmError error;
    check(vekm_call_SetMultiAxisMotorPositions(core(), axes.mask(), addressing, positions.data(), &error), error);
  }
  /**
   * @brief Reads the current velocity of one axis.
   *
   * VEKnet_GetAxisCurrentVelocity() or VEKser_GetAxisCurrentVelocity() on the controller's transport, through
   * vekm_call_GetAxisCurrentVelocity().
   * @param axis The axis (`axis` of VEKnet_GetAxisCurrentVelocity()).
   * @return What the call filled in: `velocity`.
   */
  int32_t get_axis_current_velocity(Axis axis) {
    int32_t velocity = 0;
    VekmError error;
    check(vekm_call_GetAxisCurrentVelocity(core(), bit_of(axis), &velocity, &error), error);
    return velocity;
  }
  /**
   * @brief Reads the current velocities of all axes.
   *
   * VEKnet_GetAllCurrentVelocities() or VEKser_GetAllCurrentVelocities() on the controller's transport, through
   * vekm_call_GetAllCurrentVelocities().
   * @param addressing The value (`addressing` of VEKnet_GetAllCurrentVelocities()).
   * @return What the call filled in: `velocities`.
   */
  std::array<int32_t, VEK_AXIS_COUNT> get_all_current_velocities(int32_t addressing) {
    std::array<int32_t, VEK_AXIS_COUNT> velocities{};
    VekmError error;
    check(vekm_call_GetAllCurrentVelocities(core(), addressing, velocities.data(), &error), error);
    return velocities;
  }
  /**
   * @brief Reads the base (start) velocity setting of one axis.
   *
   * VEKnet_GetAxisBaseVelocity() or VEKser_GetAxisBaseVelocity() on the controller's transport, through
   * vekm_call_GetAxisBaseVelocity().
   * @param axis The axis (`axis` of VEKnet_GetAxisBaseVelocity()).
   * @return What the call filled in: `velocity`.
   */
  int32_t get_axis_base_velocity(Axis axis) {
    int32_t velocity = 0;
    VekmError error;
    check(vekm_call_GetAxisBaseVelocity(core(), bit_of(axis), &velocity, &error), error);
    return velocity;
  }
  /**
   * @brief Sets the base (start) velocity of one axis.
   *
   * VEKnet_SetAxisBaseVelocity() or VEKser_SetAxisBaseVelocity() on the controller's transport, through
   * vekm_call_SetAxisBaseVelocity().
   * @param axis The axis (`axis` of VEKnet_SetAxisBaseVelocity()).
   * @param velocity The value (`velocity` of VEKnet_SetAxisBaseVelocity()).
   */
  void set_axis_base_velocity(Axis axis, int32_t velocity) {
    VekmError error;
    check(vekm_call_SetAxisBaseVelocity(core(), bit_of(axis), velocity, &error), error);
  }
  /**
   * @brief Reads the maximum velocity setting of one axis.
   *
   * VEKnet_GetAxisMaxVelocity() or VEKser_GetAxisMaxVelocity() on the controller's transport, through
   * vekm_call_GetAxisMaxVelocity().
   * @param axis The axis (`axis` of VEKnet_GetAxisMaxVelocity()).
   * @return What the call filled in: `velocity`.
   */
  int32_t get_axis_max_velocity(Axis axis) {
    int32_t velocity = 0;
    VekmError error;
    check(vekm_call_GetAxisMaxVelocity(core(), bit_of(axis), &velocity, &error), error);
    return velocity;
  }
  /**
   * @brief Sets the maximum velocity of one axis.
   *
   * VEKnet_SetAxisMaxVelocity() or VEKser_SetAxisMaxVelocity() on the controller's transport, through
   * vekm_call_SetAxisMaxVelocity().
   * @param axis The axis (`axis` of VEKnet_SetAxisMaxVelocity()).
   * @param velocity The value (`velocity` of VEKnet_SetAxisMaxVelocity()).
   */
  void set_axis_max_velocity(Axis axis, int32_t velocity) {
    VekmError error;
    check(vekm_call_SetAxisMaxVelocity(core(), bit_of(axis), velocity, &error), error);
  }
  /**
   * @brief Reads the acceleration setting of one axis.
   *
   * VEKnet_GetAxisAcceleration() or VEKser_GetAxisAcceleration() on the controller's transport, through
   * vekm_call_GetAxisAcceleration().
   * @param axis The axis (`axis` of VEKnet_GetAxisAcceleration()).
   * @return What the call filled in: `acceleration`.
   */
  int32_t get_axis_acceleration(Axis axis) {
    int32_t acceleration = 0;
    VekmError error;
    check(vekm_call_GetAxisAcceleration(core(), bit_of(axis), &acceleration, &error), error);
    return acceleration;
  }
  /**
   * @brief Sets the acceleration of one axis.
   *
   * VEKnet_SetAxisAcceleration() or VEKser_SetAxisAcceleration() on the controller's transport, through
   * vekm_call_SetAxisAcceleration().
   * @param axis The axis (`axis` of VEKnet_SetAxisAcceleration()).
   * @param acceleration The value (`acceleration` of VEKnet_SetAxisAcceleration()).
   */
  void set_axis_acceleration(Axis axis, int32_t acceleration) {
    VekmError error;
    check(vekm_call_SetAxisAcceleration(core(), bit_of(axis), acceleration, &error), error);
  }
  /**
   * @brief Reads the current acceleration of one axis.
   *
   * VEKnet_GetAxisCurrentAcceleration() or VEKser_GetAxisCurrentAcceleration() on the controller's transport, through
   * vekm_call_GetAxisCurrentAcceleration().
   * @param axis The axis (`axis` of VEKnet_GetAxisCurrentAcceleration()).
   * @return What the call filled in: `acceleration`.
   */
  int32_t get_axis_current_acceleration(Axis axis) {
    int32_t acceleration = 0;
    VekmError error;
    check(vekm_call_GetAxisCurrentAcceleration(core(), bit_of(axis), &acceleration, &error), error);
    return acceleration;
  }
  /**
   * @brief Reads the current accelerations of all axes.
   *
   * VEKnet_GetAllCurrentAccelerations() or VEKser_GetAllCurrentAccelerations() on the controller's transport, through
   * vekm_call_GetAllCurrentAccelerations().
   * @param addressing The value (`addressing` of VEKnet_GetAllCurrentAccelerations()).
   * @return What the call filled in: `accelerations`.
   */
  std::array<int32_t, VEK_AXIS_COUNT> get_all_current_accelerations(int32_t addressing) {
    std::array<int32_t, VEK_AXIS_COUNT> accelerations{};
    VekmError error;
    check(vekm_call_GetAllCurrentAccelerations(core(), addressing, accelerations.data(), &error), error);
    return accelerations;
  }
  /**
   * @brief Gives one axis a cosine acceleration ramp.
   *
   * VEKnet_SetAxisAccelerationCosine() or VEKser_SetAxisAccelerationCosine() on the controller's transport, through
   * vekm_call_SetAxisAccelerationCosine().
   * @param axis The axis (`axis` of VEKnet_SetAxisAccelerationCosine()).
   */
  void set_axis_acceleration_cosine(Axis axis) {
    VekmError error;
    check(vekm_call_SetAxisAccelerationCosine(core(), bit_of(axis), &error), error);
  }
  /**
   * @brief Gives one axis a linear acceleration ramp.
   *
   * VEKnet_SetAxisAccelerationLinear() or VEKser_SetAxisAccelerationLinear() on the controller's transport, through
   * vekm_call_SetAxisAccelerationLinear().
   * @param axis The axis (`axis` of VEKnet_SetAxisAccelerationLinear()).
   */
  void set_axis_acceleration_linear(Axis axis) {
    VekmError error;
    check(vekm_call_SetAxisAccelerationLinear(core(), bit_of(axis), &error), error);
  }
  /**
   * @brief Gives one axis a parabolic acceleration ramp.
   *
   * VEKnet_SetAxisAccelerationParabolic() or VEKser_SetAxisAccelerationParabolic() on the controller's transport,
   * through vekm_call_SetAxisAccelerationParabolic().
   * @param axis The axis (`axis` of VEKnet_SetAxisAccelerationParabolic()).
   * @param ramp_parameter The value (`rampParameter` of VEKnet_SetAxisAccelerationParabolic()).
   */
  void set_axis_acceleration_parabolic(Axis axis, int32_t ramp_parameter) {
    VekmError error;
    check(vekm_call_SetAxisAccelerationParabolic(core(), bit_of(axis), ramp_parameter, &error), error);
  }
  /**
   * @brief Gives one axis an S-curve acceleration ramp.
   *
   * VEKnet_SetAxisAccelerationSCurve() or VEKser_SetAxisAccelerationSCurve() on the controller's transport, through
   * vekm_call_SetAxisAccelerationSCurve().
   * @param axis The axis (`axis` of VEKnet_SetAxisAccelerationSCurve()).
   * @param ramp_parameter The value (`rampParameter` of VEKnet_SetAxisAccelerationSCurve()).
   */
  void set_axis_acceleration_s_curve(Axis axis, int32_t ramp_parameter) {
    VekmError error;
    check(vekm_call_SetAxisAccelerationSCurve(core(), bit_of(axis), ramp_parameter, &error), error);
  }
  /**
   * @brief Tells whether one axis (or every axis of a mask) has reported done.
   *
   * VEKnet_GetAxisDoneFlag() or VEKser_GetAxisDoneFlag() on the controller's transport, through
   * vekm_call_GetAxisDoneFlag().
   * @param axis_bit The axes (`axisBit` of VEKnet_GetAxisDoneFlag()).
   * @return What the call filled in: `flag`.
   */
  bool get_axis_done_flag(Axes axis_bit) {
    uint32_t flag = 0;
    VekmError error;
    check(vekm_call_GetAxisDoneFlag(core(), axis_bit.mask(), &flag, &error), error);
    return flag != 0;
  }
  /**
   * @brief Reads the whole status word of the transport.
   *
   * VEKnet_GetAllDoneFlags() or VEKser_GetAllDoneFlags() on the controller's transport, through
   * vekm_call_GetAllDoneFlags().
   * @return What the call filled in: `flags`.
   */
  uint32_t get_all_done_flags() {
    uint32_t flags = 0;
    VekmError error;
    check(vekm_call_GetAllDoneFlags(core(), &flags, &error), error);
    return flags;
  }
  /**
   * @brief Clears the done flags of a set of axes in the transport's status word.
   *
   * VEKnet_ClearMultiAxisDoneFlags() or VEKser_ClearMultiAxisDoneFlags() on the controller's transport, through
   * vekm_call_ClearMultiAxisDoneFlags().
   * @param axes The axes (`axes` of VEKnet_ClearMultiAxisDoneFlags()).
   */
  void clear_multi_axis_done_flags(Axes axes) {
    VekmError error;
    check(vekm_call_ClearMultiAxisDoneFlags(core(), axes.mask(), &error), error);
  }
  /**
   * @brief Tells whether one axis (or every axis of a mask) has met a limit.
   *
   * VEKnet_GetAxisOvertravelFlag() or VEKser_GetAxisOvertravelFlag() on the controller's transport, through
   * vekm_call_GetAxisOvertravelFlag().
   * @param axis_bit The axes (`axisBit` of VEKnet_GetAxisOvertravelFlag()).
   * @return What the call filled in: `flag`.
   */
  bool get_axis_overtravel_flag(Axes axis_bit) {
    uint32_t flag = 0;
    VekmError error;
    check(vekm_call_GetAxisOvertravelFlag(core(), axis_bit.mask(), &flag, &error), error);
    return flag != 0;
  }
  /**
   * @brief Reads the limit flags of all axes.
   *
   * VEKnet_GetAllOvertravelFlags() or VEKser_GetAllOvertravelFlags() on the controller's transport, through
   * vekm_call_GetAllOvertravelFlags().
   * @return What the call filled in: `flags`.
   */
  uint32_t get_all_overtravel_flags() {
    uint32_t flags = 0;
    VekmError error;
    check(vekm_call_GetAllOvertravelFlags(core(), &flags, &error), error);
    return flags;
  }
  /**
   * @brief Clears the limit flags of a set of axes in the transport's status word.
   *
   * VEKnet_ClearMultiAxisOvertravelFlags() or VEKser_ClearMultiAxisOvertravelFlags() on the controller's transport,
   * through vekm_call_ClearMultiAxisOvertravelFlags().
   * @param axes The axes (`axes` of VEKnet_ClearMultiAxisOvertravelFlags()).
   */
  void clear_multi_axis_overtravel_flags(Axes axes) {
    VekmError error;
    check(vekm_call_ClearMultiAxisOvertravelFlags(core(), axes.mask(), &error), error);
  }
  /**
   * @brief Tells whether the controller has reported a rejected command.
   *
   * VEKnet_GetCommandErrorFlag() or VEKser_GetCommandErrorFlag() on the controller's transport, through
   * vekm_call_GetCommandErrorFlag().
   * @return What the call filled in: `flag`.
   */
  bool get_command_error_flag() {
    uint32_t flag = 0;
    VekmError error;
    check(vekm_call_GetCommandErrorFlag(core(), &flag, &error), error);
    return flag != 0;
  }
  /**
   * @brief Clears the command-error flag in the transport's status word.
   *
   * VEKnet_ClearCommandErrorFlag() or VEKser_ClearCommandErrorFlag() on the controller's transport, through
   * vekm_call_ClearCommandErrorFlag().
   */
  void clear_command_error_flag() {
    VekmError error;
    check(vekm_call_ClearCommandErrorFlag(core(), &error), error);
  }
  /**
   * @brief Fetches the controller's record of the last command it rejected.
   *
   * VEKnet_GetIllegalCommand() or VEKser_GetIllegalCommand() on the controller's transport, through
   * vekm_call_GetIllegalCommand().
   * @return What the call filled in: `text`.
   */
  std::string get_illegal_command() {
    char text[256] = {};
    int32_t text_length = 0;
    VekmError error;
    check(vekm_call_GetIllegalCommand(core(), text, static_cast<int32_t>(sizeof text), &text_length, &error), error);
    return text_of(text, sizeof text, text_length);
  }
  /**
   * @brief Switches on slip detection for one axis.
   *
   * VEKnet_EnableAxisSlipDectection() or VEKser_EnableAxisSlipDectection() on the controller's transport, through
   * vekm_call_EnableAxisSlipDectection().
   * @param axis The axis (`axis` of VEKnet_EnableAxisSlipDectection()).
   */
  void enable_axis_slip_dectection(Axis axis) {
    VekmError error;
    check(vekm_call_EnableAxisSlipDectection(core(), bit_of(axis), &error), error);
  }
  /**
   * @brief Tells whether one axis (or every axis of a mask) has slipped.
   *
   * VEKnet_GetAxisSlipFlag() or VEKser_GetAxisSlipFlag() on the controller's transport, through
   * vekm_call_GetAxisSlipFlag().
   * @param axis_bit The axes (`axisBit` of VEKnet_GetAxisSlipFlag()).
   * @return What the call filled in: `flag`.
   */
  bool get_axis_slip_flag(Axes axis_bit) {
    uint32_t flag = 0;
    VekmError error;
    check(vekm_call_GetAxisSlipFlag(core(), axis_bit.mask(), &flag, &error), error);
    return flag != 0;
  }
  /**
   * @brief Reads the slip flags of all axes.
   *
   * VEKnet_GetAllAxesSlipFlag() or VEKser_GetAllAxesSlipFlag() on the controller's transport, through
   * vekm_call_GetAllAxesSlipFlag().
   * @return What the call filled in: `flags`.
   */
  uint32_t get_all_axes_slip_flag() {
    uint32_t flags = 0;
    VekmError error;
    check(vekm_call_GetAllAxesSlipFlag(core(), &flags, &error), error);
    return flags;
  }
  /**
   * @brief Clears the slip flags of a set of axes in the transport's status word.
   *
   * VEKnet_ClearMultiAxisSlipFlag() or VEKser_ClearMultiAxisSlipFlag() on the controller's transport, through
   * vekm_call_ClearMultiAxisSlipFlag().
   * @param axes The axes (`axes` of VEKnet_ClearMultiAxisSlipFlag()).
   */
  void clear_multi_axis_slip_flag(Axes axes) {
    VekmError error;
    check(vekm_call_ClearMultiAxisSlipFlag(core(), axes.mask(), &error), error);
  }
  /**
   * @brief Reads the five encoder status flags of one axis.
   *
   * VEKnet_GetAxisEncoderStatus() or VEKser_GetAxisEncoderStatus() on the controller's transport, through
   * vekm_call_GetAxisEncoderStatus().
   * @param axis The axis (`axis` of VEKnet_GetAxisEncoderStatus()).
   * @return What the call filled in: `status`.
   */
  std::array<bool, 5> get_axis_encoder_status(Axis axis) {
    std::array<uint32_t, 5> status{};
    VekmError error;
    check(vekm_call_GetAxisEncoderStatus(core(), bit_of(axis), status.data(), &error), error);
    return flags_of(status);
  }
  /**
   * @brief Selects one of the two PID settings of an axis.
   *
   * VEKnet_SetAxisPID() or VEKser_SetAxisPID() on the controller's transport, through vekm_call_SetAxisPID().
   * @param axis The axis (`axis` of VEKnet_SetAxisPID()).
   * @param selector The value (`selector` of VEKnet_SetAxisPID()).
   */
  void set_axis_pid(Axis axis, int32_t selector) {
    VekmError error;
    check(vekm_call_SetAxisPID(core(), bit_of(axis), selector, &error), error);
  }
  /**
   * @brief Sets the encoder ratio of one axis.
   *
   * VEKnet_SetAxisEncoderRatio() or VEKser_SetAxisEncoderRatio() on the controller's transport, through
   * vekm_call_SetAxisEncoderRatio().
   * @param axis The axis (`axis` of VEKnet_SetAxisEncoderRatio()).
   * @param first_term The value (`firstTerm` of VEKnet_SetAxisEncoderRatio()).
   * @param second_term The value (`secondTerm` of VEKnet_SetAxisEncoderRatio()).
   */
  void set_axis_encoder_ratio(Axis axis, int32_t first_term, int32_t second_term) {
    VekmError error;
    check(vekm_call_SetAxisEncoderRatio(core(), bit_of(axis), first_term, second_term, &error), error);
  }
  /**
   * @brief Sets the hold dead band of one axis and its two optional values.
   *
   * VEKnet_SetAxisHoldDeadBand() or VEKser_SetAxisHoldDeadBand() on the controller's transport, through
   * vekm_call_SetAxisHoldDeadBand().
   * @param axis The axis (`axis` of VEKnet_SetAxisHoldDeadBand()).
   * @param dead_band The value (`deadBand` of VEKnet_SetAxisHoldDeadBand()).
   * @param second_value The value (`secondValue` of VEKnet_SetAxisHoldDeadBand()).
   * @param third_value The value (`thirdValue` of VEKnet_SetAxisHoldDeadBand()).
   */
  void set_axis_hold_dead_band(Axis axis, int32_t dead_band, int32_t second_value, int32_t third_value) {
    VekmError error;
    check(vekm_call_SetAxisHoldDeadBand(core(), bit_of(axis), dead_band, second_value, third_value, &error), error);
  }
  /**
   * @brief Sets the encoder slip tolerance of one axis.
   *
   * VEKnet_SetAxisEncoderSlipTolerance() or VEKser_SetAxisEncoderSlipTolerance() on the controller's transport, through
   * vekm_call_SetAxisEncoderSlipTolerance().
   * @param axis The axis (`axis` of VEKnet_SetAxisEncoderSlipTolerance()).
   * @param tolerance The value (`tolerance` of VEKnet_SetAxisEncoderSlipTolerance()).
   */
  void set_axis_encoder_slip_tolerance(Axis axis, int32_t tolerance) {
    VekmError error;
    check(vekm_call_SetAxisEncoderSlipTolerance(core(), bit_of(axis), tolerance, &error), error);
  }
  /**
   * @brief Sets the hold gain of one axis.
   *
   * VEKnet_SetAxisHoldGain() or VEKser_SetAxisHoldGain() on the controller's transport, through
   * vekm_call_SetAxisHoldGain().
   * @param axis The axis (`axis` of VEKnet_SetAxisHoldGain()).
   * @param gain The value (`gain` of VEKnet_SetAxisHoldGain()).
   */
  void set_axis_hold_gain(Axis axis, int32_t gain) {
    VekmError error;
    check(vekm_call_SetAxisHoldGain(core(), bit_of(axis), gain, &error), error);
  }
  /**
   * @brief Sets the hold velocity of one axis.
   *
   * VEKnet_SetAxisHoldVelocity() or VEKser_SetAxisHoldVelocity() on the controller's transport, through
   * vekm_call_SetAxisHoldVelocity().
   * @param axis The axis (`axis` of VEKnet_SetAxisHoldVelocity()).
   * @param velocity The value (`velocity` of VEKnet_SetAxisHoldVelocity()).
   */
  void set_axis_hold_velocity(Axis axis, int32_t velocity) {
    VekmError error;
    check(vekm_call_SetAxisHoldVelocity(core(), bit_of(axis), velocity, &error), error);
  }
  /**
   * @brief Switches overtravel (limit input) detection of one axis on or off.
   *
   * VEKnet_SetAxisOvertravelDetect() or VEKser_SetAxisOvertravelDetect() on the controller's transport, through
   * vekm_call_SetAxisOvertravelDetect().
   * @param axis The axis (`axis` of VEKnet_SetAxisOvertravelDetect()).
   * @param selector The value (`selector` of VEKnet_SetAxisOvertravelDetect()).
   */
  void set_axis_overtravel_detect(Axis axis, uint32_t selector) {
    VekmError error;
    check(vekm_call_SetAxisOvertravelDetect(core(), bit_of(axis), selector, &error), error);
  }
  /**
   * @brief Sets which level of an axis's limit inputs counts as active.
   *
   * VEKnet_SetAxisOvertravelSense() or VEKser_SetAxisOvertravelSense() on the controller's transport, through
   * vekm_call_SetAxisOvertravelSense().
   * @param axis The axis (`axis` of VEKnet_SetAxisOvertravelSense()).
   * @param selector The value (`selector` of VEKnet_SetAxisOvertravelSense()).
   */
  void set_axis_overtravel_sense(Axis axis, uint32_t selector) {
    VekmError error;
    check(vekm_call_SetAxisOvertravelSense(core(), bit_of(axis), selector, &error), error);
  }
  /**
   * @brief Sets how an axis stops when it meets a limit.
   *
   * VEKnet_SetAxisOvertravelStopMode() or VEKser_SetAxisOvertravelStopMode() on the controller's transport, through
   * vekm_call_SetAxisOvertravelStopMode().
   * @param axis The axis (`axis` of VEKnet_SetAxisOvertravelStopMode()).
   * @param selector The value (`selector` of VEKnet_SetAxisOvertravelStopMode()).
   */
  void set_axis_overtravel_stop_mode(Axis axis, uint32_t selector) {
    VekmError error;
    check(vekm_call_SetAxisOvertravelStopMode(core(), bit_of(axis), selector, &error), error);
  }
  /**
   * @brief Sets the two software travel limits of one axis.
   *
   * VEKnet_SetAxisSoftwareTravelLimits() or VEKser_SetAxisSoftwareTravelLimits() on the controller's transport, through
   * vekm_call_SetAxisSoftwareTravelLimits().
   * @param axis The axis (`axis` of VEKnet_SetAxisSoftwareTravelLimits()).
   * @param first_limit The value (`firstLimit` of VEKnet_SetAxisSoftwareTravelLimits()).
   * @param second_limit The value (`secondLimit` of VEKnet_SetAxisSoftwareTravelLimits()).
   */
  void set_axis_software_travel_limits(Axis axis, int32_t first_limit, int32_t second_limit) {
    VekmError error;
    check(vekm_call_SetAxisSoftwareTravelLimits(core(), bit_of(axis), first_limit, second_limit, &error), error);
  }
  /**
   * @brief Reads the direction word of the general-purpose I/O lines.
   *
   * VEKnet_GetIOBitsDirection() or VEKser_GetIOBitsDirection() on the controller's transport, through
   * vekm_call_GetIOBitsDirection().
   * @return What the call filled in: `direction`.
   */
  uint32_t get_io_bits_direction() {
    uint32_t direction = 0;
    VekmError error;
    check(vekm_call_GetIOBitsDirection(core(), &direction, &error), error);
    return direction;
  }
  /**
   * @brief Sets the direction word of the general-purpose I/O lines.
   *
   * VEKnet_SetIOBitsDirection() or VEKser_SetIOBitsDirection() on the controller's transport, through
   * vekm_call_SetIOBitsDirection().
   * @param direction The value (`direction` of VEKnet_SetIOBitsDirection()).
   */
  void set_io_bits_direction(uint32_t direction) {
    VekmError error;
    check(vekm_call_SetIOBitsDirection(core(), direction, &error), error);
  }
  /**
   * @brief Reads the state word of the general-purpose I/O lines.
   *
   * VEKnet_GetIOBitsState() or VEKser_GetIOBitsState() on the controller's transport, through
   * vekm_call_GetIOBitsState().
   * @return What the call filled in: `state`.
   */
  uint32_t get_io_bits_state() {
    uint32_t state = 0;
    VekmError error;
    check(vekm_call_GetIOBitsState(core(), &state, &error), error);
    return state;
  }
  /**
   * @brief Sets the state word of the output lines.
   *
   * VEKnet_SetOutputBitsState() or VEKser_SetOutputBitsState() on the controller's transport, through
   * vekm_call_SetOutputBitsState().
   * @param outputs The value (`outputs` of VEKnet_SetOutputBitsState()).
   */
  void set_output_bits_state(uint32_t outputs) {
    VekmError error;
    check(vekm_call_SetOutputBitsState(core(), outputs, &error), error);
  }
  /**
   * @brief Tells whether the I/O lines of a mask are all set.
   *
   * VEKnet_GetIOBitState() or VEKser_GetIOBitState() on the controller's transport, through vekm_call_GetIOBitState().
   * @param bit_mask The value (`bitMask` of VEKnet_GetIOBitState()).
   * @return What the call filled in: `state`.
   */
  bool get_io_bit_state(uint32_t bit_mask) {
    uint32_t state = 0;
    VekmError error;
    check(vekm_call_GetIOBitState(core(), bit_mask, &state, &error), error);
    return state != 0;
  }
  /**
   * @brief Sets one output line high or low.
   *
   * VEKnet_SetOutputBitState() or VEKser_SetOutputBitState() on the controller's transport, through
   * vekm_call_SetOutputBitState().
   * @param bit_mask The value (`bitMask` of VEKnet_SetOutputBitState()).
   * @param level The value (`level` of VEKnet_SetOutputBitState()).
   */
  void set_output_bit_state(int32_t bit_mask, int32_t level) {
    VekmError error;
    check(vekm_call_SetOutputBitState(core(), bit_mask, level, &error), error);
  }
  /**
   * @brief Enables or disables the auxiliary output of one axis.
   *
   * VEKnet_EnableAxisAux() or VEKser_EnableAxisAux() on the controller's transport, through vekm_call_EnableAxisAux().
   * @param axis The axis (`axis` of VEKnet_EnableAxisAux()).
   * @param selector The value (`selector` of VEKnet_EnableAxisAux()).
   */
  void enable_axis_aux(Axis axis, int32_t selector) {
    VekmError error;
    check(vekm_call_EnableAxisAux(core(), bit_of(axis), selector, &error), error);
  }
  /**
   * @brief Sets the settle time of one axis's auxiliary output.
   *
   * VEKnet_SetAxisAuxSettleTime() or VEKser_SetAxisAuxSettleTime() on the controller's transport, through
   * vekm_call_SetAxisAuxSettleTime().
   * @param axis The axis (`axis` of VEKnet_SetAxisAuxSettleTime()).
   * @param settle_time The value (`settleTime` of VEKnet_SetAxisAuxSettleTime()).
   */
  void set_axis_aux_settle_time(Axis axis, int32_t settle_time) {
    VekmError error;
    check(vekm_call_SetAxisAuxSettleTime(core(), bit_of(axis), settle_time, &error), error);
  }
  /**
   * @brief Sets the default state of one axis's auxiliary output.
   *
   * VEKnet_SetAxisAuxDefaultState() or VEKser_SetAxisAuxDefaultState() on the controller's transport, through
   * vekm_call_SetAxisAuxDefaultState().
   * @param axis The axis (`axis` of VEKnet_SetAxisAuxDefaultState()).
   * @param selector The value (`selector` of VEKnet_SetAxisAuxDefaultState()).
   */
  void set_axis_aux_default_state(Axis axis, uint32_t selector) {
    VekmError error;
    check(vekm_call_SetAxisAuxDefaultState(core(), bit_of(axis), selector, &error), error);
  }
  /**
   * @brief Switches one axis's auxiliary output bit off or on.
   *
   * VEKnet_SetAxisAuxBit() or VEKser_SetAxisAuxBit() on the controller's transport, through vekm_call_SetAxisAuxBit().
   * @param axis The axis (`axis` of VEKnet_SetAxisAuxBit()).
   * @param selector The value (`selector` of VEKnet_SetAxisAuxBit()).
   */
  void set_axis_aux_bit(Axis axis, uint32_t selector) {
    VekmError error;
    check(vekm_call_SetAxisAuxBit(core(), bit_of(axis), selector, &error), error);
  }

 protected:
  /** @brief Made only as a part of Self. */
  Operations() = default;
  /** @brief Destroyed only as a part of Self. */
  ~Operations() = default;

 private:
  VekmController* core() const noexcept { return static_cast<const Self*>(this)->native_handle(); }

  // An axis outside the ten throws std::invalid_argument before anything is sent.
  static int32_t bit_of(Axis axis) { return static_cast<int32_t>(1 << index_of(axis)); }

  static std::array<bool, 5> flags_of(const std::array<uint32_t, 5>& flags) noexcept {
    return {flags[0] != 0, flags[1] != 0, flags[2] != 0, flags[3] != 0, flags[4] != 0};
  }

  // The library never counts past the buffer; a length outside it is cut to it.
  static std::string text_of(const char* text, std::size_t size, int32_t length) {
    const std::size_t used = length < 0 ? 0 : static_cast<std::size_t>(length);
    return std::string(text, used < size ? used : size);
  }
};

}  // namespace vek

#endif  // VEKKESTRA_OPERATIONS_HPP
