"""Every operation of the command set as a method of ``Controller``, typed:
the arguments checked and converted (an axis by letter or bit, a set of
axes by letters, a list or a mask), what the call fills in returned.
Each calls the motion core's ``vekm_call_<Name>`` (lock, transport,
recovery from lost replies); a failure raises the exception of its kind.
The operations that set axes moving or stop them are here only as
``raw_<name>``: ``move``, ``jog``, ``home``, ``find_limit``, ``stop`` and
``kill`` are their safe forms.

Written by vek_export_list from the library's operation table and the
briefs of vekkestra.h; do not edit.
"""

from typing import Any, List, Sequence, Tuple

from ._typed import OUT_FLAG, OUT_I32, OUT_STATUS, OUT_TEXT, OUT_U32, OUT_VALUES, ten_values
from ._values import Axes, Axis, axis_bit, axis_mask, int32, number, uint32


class Operations:
    """The operations of the command set; ``Controller`` is one."""

    def _operation(self, operation: str, *arguments: Any) -> Any:
        raise NotImplementedError

    def raw_move_axis(self, axis: Axis, move_kind: int, value: int, suffix: int, timeout_ms: int) -> None:
        """Moves one axis to a position or by a distance, and can wait until it reports done.

        ``VEKnet_MoveAxis`` or ``VEKser_MoveAxis`` through the motion core (vekkestra.h).
        Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
        home(), find_limit(), stop() and kill() keep the safe-motion promise.
        """
        self._operation("MoveAxis", axis_bit(axis), int32(move_kind, "move_kind"), int32(value, "value"),
            int32(suffix, "suffix"), int32(timeout_ms, "timeout_ms"))

    def raw_jog_axis(self, axis: Axis, jog_kind: int, velocity: float) -> None:
        """Starts one axis running at a velocity until it is stopped.

        ``VEKnet_JogAxis`` or ``VEKser_JogAxis`` through the motion core (vekkestra.h).
        Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
        home(), find_limit(), stop() and kill() keep the safe-motion promise.
        """
        self._operation("JogAxis", axis_bit(axis), int32(jog_kind, "jog_kind"), number(velocity, "velocity"))

    def raw_move_axis_one_step(self, axis: Axis, direction: int) -> None:
        """Moves one axis by one step in either direction.

        ``VEKnet_MoveAxisOneStep`` or ``VEKser_MoveAxisOneStep`` through the motion core (vekkestra.h).
        Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
        home(), find_limit(), stop() and kill() keep the safe-motion promise.
        """
        self._operation("MoveAxisOneStep", axis_bit(axis), int32(direction, "direction"))

    def raw_move(self, axes: Axes, addressing: int, move_kind: int, targets: Sequence[int], suffix: int,
            timeout_ms: int) -> None:
        """Moves several axes at once and waits until all of them report done.

        ``VEKnet_Move`` or ``VEKser_Move`` through the motion core (vekkestra.h).
        Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
        home(), find_limit(), stop() and kill() keep the safe-motion promise.
        """
        self._operation("Move", axis_mask(axes), int32(addressing, "addressing"), int32(move_kind, "move_kind"),
            ten_values(targets, "targets"), int32(suffix, "suffix"), int32(timeout_ms, "timeout_ms"))

    def raw_jog(self, axes: Axes, addressing: int, velocities: Sequence[int]) -> None:
        """Starts several axes running, each at its own velocity, until they are stopped.

        ``VEKnet_Jog`` or ``VEKser_Jog`` through the motion core (vekkestra.h).
        Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
        home(), find_limit(), stop() and kill() keep the safe-motion promise.
        """
        self._operation("Jog", axis_mask(axes), int32(addressing, "addressing"), ten_values(velocities, "velocities"))

    def raw_stop_motion(self, axes: Axes) -> None:
        """Stops the motion of a set of axes (decelerating), without waiting for them to come to rest.

        ``VEKnet_StopMotion`` or ``VEKser_StopMotion`` through the motion core (vekkestra.h).
        Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
        home(), find_limit(), stop() and kill() keep the safe-motion promise.
        """
        self._operation("StopMotion", axis_mask(axes))

    def raw_kill_motion(self, axes: Axes) -> None:
        """Kills the motion of a set of axes at once, without waiting for them to come to rest.

        ``VEKnet_KillMotion`` or ``VEKser_KillMotion`` through the motion core (vekkestra.h).
        Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
        home(), find_limit(), stop() and kill() keep the safe-motion promise.
        """
        self._operation("KillMotion", axis_mask(axes))

    def set_axis_home_switch_logic(self, axis: Axis, switch_logic: int) -> None:
        """Sets the logic of an axis's home switch.

        ``VEKnet_SetAxisHomeSwitchLogic`` or ``VEKser_SetAxisHomeSwitchLogic`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisHomeSwitchLogic", axis_bit(axis), int32(switch_logic, "switch_logic"))

    def raw_find_axis_home(self, axis: Axis, search_command: int, home_command: int, home_value: int,
            timeout_ms: int) -> None:
        """Starts a home search on one axis and can wait until the axis reports done.

        ``VEKnet_FindAxisHome`` or ``VEKser_FindAxisHome`` through the motion core (vekkestra.h).
        Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
        home(), find_limit(), stop() and kill() keep the safe-motion promise.
        """
        self._operation("FindAxisHome", axis_bit(axis), int32(search_command, "search_command"),
            int32(home_command, "home_command"), int32(home_value, "home_value"), int32(timeout_ms, "timeout_ms"))

    def raw_find_axis_limit(self, axis: Axis, direction: int, velocity: int, timeout_ms: int) -> None:
        """Jogs one axis toward a limit switch and can wait until its limit flag is reported.

        ``VEKnet_FindAxisLimit`` or ``VEKser_FindAxisLimit`` through the motion core (vekkestra.h).
        Raw: the library's own motion command, outside the motion core's tracking and waits; move(), move_axis(), jog(),
        home(), find_limit(), stop() and kill() keep the safe-motion promise.
        """
        self._operation("FindAxisLimit", axis_bit(axis), int32(direction, "direction"), int32(velocity, "velocity"),
            int32(timeout_ms, "timeout_ms"))

    def get_axis_motor_position(self, axis: Axis) -> int:
        """Reads the motor position of one axis.

        ``VEKnet_GetAxisMotorPosition`` or ``VEKser_GetAxisMotorPosition`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisMotorPosition", axis_bit(axis), OUT_I32)

    def get_axis_encoder_position(self, axis: Axis) -> int:
        """Reads the encoder position of one axis.

        ``VEKnet_GetAxisEncoderPosition`` or ``VEKser_GetAxisEncoderPosition`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisEncoderPosition", axis_bit(axis), OUT_I32)

    def get_all_axis_motor_positions(self) -> List[int]:
        """Reads the motor positions of all axes.

        ``VEKnet_GetAllAxisMotorPositions`` or ``VEKser_GetAllAxisMotorPositions`` through the motion core
        (vekkestra.h).
        """
        return self._operation("GetAllAxisMotorPositions", OUT_VALUES)

    def get_all_axis_encoder_positions(self) -> List[int]:
        """Reads the encoder positions of all axes.

        ``VEKnet_GetAllAxisEncoderPositions`` or ``VEKser_GetAllAxisEncoderPositions`` through the motion core
        (vekkestra.h).
        """
        return self._operation("GetAllAxisEncoderPositions", OUT_VALUES)

    def get_all_axis_positions(self) -> Tuple[List[int], List[int]]:
        """Reads the motor and the encoder positions of all axes, with two queries.

        ``VEKnet_GetAllAxisPositions`` or ``VEKser_GetAllAxisPositions`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAllAxisPositions", OUT_VALUES, OUT_VALUES)

    def set_axis_motor_position(self, axis: Axis, position: int) -> None:
        """Redefines the motor position of one axis (no motion).

        ``VEKnet_SetAxisMotorPosition`` or ``VEKser_SetAxisMotorPosition`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisMotorPosition", axis_bit(axis), int32(position, "position"))

    def set_multi_axis_motor_positions(self, axes: Axes, addressing: int, positions: Sequence[int]) -> None:
        """Redefines the motor positions of several axes at once (no motion).

        ``VEKnet_SetMultiAxisMotorPositions`` or ``VEKser_SetMultiAxisMotorPositions`` through the motion core
        (vekkestra.h).
        """
        self._operation("SetMultiAxisMotorPositions", axis_mask(axes), int32(addressing, "addressing"),
            ten_values(positions, "positions"))

    def get_axis_current_velocity(self, axis: Axis) -> int:
        """Reads the current velocity of one axis.

        ``VEKnet_GetAxisCurrentVelocity`` or ``VEKser_GetAxisCurrentVelocity`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisCurrentVelocity", axis_bit(axis), OUT_I32)

    def get_all_current_velocities(self, addressing: int) -> List[int]:
        """Reads the current velocities of all axes.

        ``VEKnet_GetAllCurrentVelocities`` or ``VEKser_GetAllCurrentVelocities`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAllCurrentVelocities", int32(addressing, "addressing"), OUT_VALUES)

    def get_axis_base_velocity(self, axis: Axis) -> int:
        """Reads the base (start) velocity setting of one axis.

        ``VEKnet_GetAxisBaseVelocity`` or ``VEKser_GetAxisBaseVelocity`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisBaseVelocity", axis_bit(axis), OUT_I32)

    def set_axis_base_velocity(self, axis: Axis, velocity: int) -> None:
        """Sets the base (start) velocity of one axis.

        ``VEKnet_SetAxisBaseVelocity`` or ``VEKser_SetAxisBaseVelocity`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisBaseVelocity", axis_bit(axis), int32(velocity, "velocity"))

    def get_axis_max_velocity(self, axis: Axis) -> int:
        """Reads the maximum velocity setting of one axis.

        ``VEKnet_GetAxisMaxVelocity`` or ``VEKser_GetAxisMaxVelocity`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisMaxVelocity", axis_bit(axis), OUT_I32)

    def set_axis_max_velocity(self, axis: Axis, velocity: int) -> None:
        """Sets the maximum velocity of one axis.

        ``VEKnet_SetAxisMaxVelocity`` or ``VEKser_SetAxisMaxVelocity`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisMaxVelocity", axis_bit(axis), int32(velocity, "velocity"))

    def get_axis_acceleration(self, axis: Axis) -> int:
        """Reads the acceleration setting of one axis.

        ``VEKnet_GetAxisAcceleration`` or ``VEKser_GetAxisAcceleration`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisAcceleration", axis_bit(axis), OUT_I32)

    def set_axis_acceleration(self, axis: Axis, acceleration: int) -> None:
        """Sets the acceleration of one axis.

        ``VEKnet_SetAxisAcceleration`` or ``VEKser_SetAxisAcceleration`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisAcceleration", axis_bit(axis), int32(acceleration, "acceleration"))

    def get_axis_current_acceleration(self, axis: Axis) -> int:
        """Reads the current acceleration of one axis.

        ``VEKnet_GetAxisCurrentAcceleration`` or ``VEKser_GetAxisCurrentAcceleration`` through the motion core
        (vekkestra.h).
        """
        return self._operation("GetAxisCurrentAcceleration", axis_bit(axis), OUT_I32)

    def get_all_current_accelerations(self, addressing: int) -> List[int]:
        """Reads the current accelerations of all axes.

        ``VEKnet_GetAllCurrentAccelerations`` or ``VEKser_GetAllCurrentAccelerations`` through the motion core
        (vekkestra.h).
        """
        return self._operation("GetAllCurrentAccelerations", int32(addressing, "addressing"), OUT_VALUES)

    def set_axis_acceleration_cosine(self, axis: Axis) -> None:
        """Gives one axis a cosine acceleration ramp.

        ``VEKnet_SetAxisAccelerationCosine`` or ``VEKser_SetAxisAccelerationCosine`` through the motion core
        (vekkestra.h).
        """
        self._operation("SetAxisAccelerationCosine", axis_bit(axis))

    def set_axis_acceleration_linear(self, axis: Axis) -> None:
        """Gives one axis a linear acceleration ramp.

        ``VEKnet_SetAxisAccelerationLinear`` or ``VEKser_SetAxisAccelerationLinear`` through the motion core
        (vekkestra.h).
        """
        self._operation("SetAxisAccelerationLinear", axis_bit(axis))

    def set_axis_acceleration_parabolic(self, axis: Axis, ramp_parameter: int) -> None:
        """Gives one axis a parabolic acceleration ramp.

        ``VEKnet_SetAxisAccelerationParabolic`` or ``VEKser_SetAxisAccelerationParabolic`` through the motion core
        (vekkestra.h).
        """
        self._operation("SetAxisAccelerationParabolic", axis_bit(axis), int32(ramp_parameter, "ramp_parameter"))

    def set_axis_acceleration_s_curve(self, axis: Axis, ramp_parameter: int) -> None:
        """Gives one axis an S-curve acceleration ramp.

        ``VEKnet_SetAxisAccelerationSCurve`` or ``VEKser_SetAxisAccelerationSCurve`` through the motion core
        (vekkestra.h).
        """
        self._operation("SetAxisAccelerationSCurve", axis_bit(axis), int32(ramp_parameter, "ramp_parameter"))

    def get_axis_done_flag(self, axis_bit: Axes) -> bool:
        """Tells whether one axis (or every axis of a mask) has reported done.

        ``VEKnet_GetAxisDoneFlag`` or ``VEKser_GetAxisDoneFlag`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisDoneFlag", axis_mask(axis_bit), OUT_FLAG)

    def get_all_done_flags(self) -> int:
        """Reads the whole status word of the transport.

        ``VEKnet_GetAllDoneFlags`` or ``VEKser_GetAllDoneFlags`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAllDoneFlags", OUT_U32)

    def clear_multi_axis_done_flags(self, axes: Axes) -> None:
        """Clears the done flags of a set of axes in the transport's status word.

        ``VEKnet_ClearMultiAxisDoneFlags`` or ``VEKser_ClearMultiAxisDoneFlags`` through the motion core (vekkestra.h).
        """
        self._operation("ClearMultiAxisDoneFlags", axis_mask(axes))

    def get_axis_overtravel_flag(self, axis_bit: Axes) -> bool:
        """Tells whether one axis (or every axis of a mask) has met a limit.

        ``VEKnet_GetAxisOvertravelFlag`` or ``VEKser_GetAxisOvertravelFlag`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisOvertravelFlag", axis_mask(axis_bit), OUT_FLAG)

    def get_all_overtravel_flags(self) -> int:
        """Reads the limit flags of all axes.

        ``VEKnet_GetAllOvertravelFlags`` or ``VEKser_GetAllOvertravelFlags`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAllOvertravelFlags", OUT_U32)

    def clear_multi_axis_overtravel_flags(self, axes: Axes) -> None:
        """Clears the limit flags of a set of axes in the transport's status word.

        ``VEKnet_ClearMultiAxisOvertravelFlags`` or ``VEKser_ClearMultiAxisOvertravelFlags`` through the motion core
        (vekkestra.h).
        """
        self._operation("ClearMultiAxisOvertravelFlags", axis_mask(axes))

    def get_command_error_flag(self) -> bool:
        """Tells whether the controller has reported a rejected command.

        ``VEKnet_GetCommandErrorFlag`` or ``VEKser_GetCommandErrorFlag`` through the motion core (vekkestra.h).
        """
        return self._operation("GetCommandErrorFlag", OUT_FLAG)

    def clear_command_error_flag(self) -> None:
        """Clears the command-error flag in the transport's status word.

        ``VEKnet_ClearCommandErrorFlag`` or ``VEKser_ClearCommandErrorFlag`` through the motion core (vekkestra.h).
        """
        self._operation("ClearCommandErrorFlag")

    def get_illegal_command(self) -> str:
        """Fetches the controller's record of the last command it rejected.

        ``VEKnet_GetIllegalCommand`` or ``VEKser_GetIllegalCommand`` through the motion core (vekkestra.h).
        """
        return self._operation("GetIllegalCommand", OUT_TEXT)

    def enable_axis_slip_dectection(self, axis: Axis) -> None:
        """Switches on slip detection for one axis.

        ``VEKnet_EnableAxisSlipDectection`` or ``VEKser_EnableAxisSlipDectection`` through the motion core
        (vekkestra.h).
        """
        self._operation("EnableAxisSlipDectection", axis_bit(axis))

    def get_axis_slip_flag(self, axis_bit: Axes) -> bool:
        """Tells whether one axis (or every axis of a mask) has slipped.

        ``VEKnet_GetAxisSlipFlag`` or ``VEKser_GetAxisSlipFlag`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisSlipFlag", axis_mask(axis_bit), OUT_FLAG)

    def get_all_axes_slip_flag(self) -> int:
        """Reads the slip flags of all axes.

        ``VEKnet_GetAllAxesSlipFlag`` or ``VEKser_GetAllAxesSlipFlag`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAllAxesSlipFlag", OUT_U32)

    def clear_multi_axis_slip_flag(self, axes: Axes) -> None:
        """Clears the slip flags of a set of axes in the transport's status word.

        ``VEKnet_ClearMultiAxisSlipFlag`` or ``VEKser_ClearMultiAxisSlipFlag`` through the motion core (vekkestra.h).
        """
        self._operation("ClearMultiAxisSlipFlag", axis_mask(axes))

    def get_axis_encoder_status(self, axis: Axis) -> Tuple[bool, bool, bool, bool, bool]:
        """Reads the five encoder status flags of one axis.

        ``VEKnet_GetAxisEncoderStatus`` or ``VEKser_GetAxisEncoderStatus`` through the motion core (vekkestra.h).
        """
        return self._operation("GetAxisEncoderStatus", axis_bit(axis), OUT_STATUS)

    def set_axis_pid(self, axis: Axis, selector: int) -> None:
        """Selects one of the two PID settings of an axis.

        ``VEKnet_SetAxisPID`` or ``VEKser_SetAxisPID`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisPID", axis_bit(axis), int32(selector, "selector"))

    def set_axis_encoder_ratio(self, axis: Axis, first_term: int, second_term: int) -> None:
        """Sets the encoder ratio of one axis.

        ``VEKnet_SetAxisEncoderRatio`` or ``VEKser_SetAxisEncoderRatio`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisEncoderRatio", axis_bit(axis), int32(first_term, "first_term"),
            int32(second_term, "second_term"))

    def set_axis_hold_dead_band(self, axis: Axis, dead_band: int, second_value: int, third_value: int) -> None:
        """Sets the hold dead band of one axis and its two optional values.

        ``VEKnet_SetAxisHoldDeadBand`` or ``VEKser_SetAxisHoldDeadBand`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisHoldDeadBand", axis_bit(axis), int32(dead_band, "dead_band"),
            int32(second_value, "second_value"), int32(third_value, "third_value"))

    def set_axis_encoder_slip_tolerance(self, axis: Axis, tolerance: int) -> None:
        """Sets the encoder slip tolerance of one axis.

        ``VEKnet_SetAxisEncoderSlipTolerance`` or ``VEKser_SetAxisEncoderSlipTolerance`` through the motion core
        (vekkestra.h).
        """
        self._operation("SetAxisEncoderSlipTolerance", axis_bit(axis), int32(tolerance, "tolerance"))

    def set_axis_hold_gain(self, axis: Axis, gain: int) -> None:
        """Sets the hold gain of one axis.

        ``VEKnet_SetAxisHoldGain`` or ``VEKser_SetAxisHoldGain`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisHoldGain", axis_bit(axis), int32(gain, "gain"))

    def set_axis_hold_velocity(self, axis: Axis, velocity: int) -> None:
        """Sets the hold velocity of one axis.

        ``VEKnet_SetAxisHoldVelocity`` or ``VEKser_SetAxisHoldVelocity`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisHoldVelocity", axis_bit(axis), int32(velocity, "velocity"))

    def set_axis_overtravel_detect(self, axis: Axis, selector: int) -> None:
        """Switches overtravel (limit input) detection of one axis on or off.

        ``VEKnet_SetAxisOvertravelDetect`` or ``VEKser_SetAxisOvertravelDetect`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisOvertravelDetect", axis_bit(axis), uint32(selector, "selector"))

    def set_axis_overtravel_sense(self, axis: Axis, selector: int) -> None:
        """Sets which level of an axis's limit inputs counts as active.

        ``VEKnet_SetAxisOvertravelSense`` or ``VEKser_SetAxisOvertravelSense`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisOvertravelSense", axis_bit(axis), uint32(selector, "selector"))

    def set_axis_overtravel_stop_mode(self, axis: Axis, selector: int) -> None:
        """Sets how an axis stops when it meets a limit.

        ``VEKnet_SetAxisOvertravelStopMode`` or ``VEKser_SetAxisOvertravelStopMode`` through the motion core
        (vekkestra.h).
        """
        self._operation("SetAxisOvertravelStopMode", axis_bit(axis), uint32(selector, "selector"))

    def set_axis_software_travel_limits(self, axis: Axis, first_limit: int, second_limit: int) -> None:
        """Sets the two software travel limits of one axis.

        ``VEKnet_SetAxisSoftwareTravelLimits`` or ``VEKser_SetAxisSoftwareTravelLimits`` through the motion core
        (vekkestra.h).
        """
        self._operation("SetAxisSoftwareTravelLimits", axis_bit(axis), int32(first_limit, "first_limit"),
            int32(second_limit, "second_limit"))

    def get_io_bits_direction(self) -> int:
        """Reads the direction word of the general-purpose I/O lines.

        ``VEKnet_GetIOBitsDirection`` or ``VEKser_GetIOBitsDirection`` through the motion core (vekkestra.h).
        """
        return self._operation("GetIOBitsDirection", OUT_U32)

    def set_io_bits_direction(self, direction: int) -> None:
        """Sets the direction word of the general-purpose I/O lines.

        ``VEKnet_SetIOBitsDirection`` or ``VEKser_SetIOBitsDirection`` through the motion core (vekkestra.h).
        """
        self._operation("SetIOBitsDirection", uint32(direction, "direction"))

    def get_io_bits_state(self) -> int:
        """Reads the state word of the general-purpose I/O lines.

        ``VEKnet_GetIOBitsState`` or ``VEKser_GetIOBitsState`` through the motion core (vekkestra.h).
        """
        return self._operation("GetIOBitsState", OUT_U32)

    def set_output_bits_state(self, outputs: int) -> None:
        """Sets the state word of the output lines.

        ``VEKnet_SetOutputBitsState`` or ``VEKser_SetOutputBitsState`` through the motion core (vekkestra.h).
        """
        self._operation("SetOutputBitsState", uint32(outputs, "outputs"))

    def get_io_bit_state(self, bit_mask: int) -> bool:
        """Tells whether the I/O lines of a mask are all set.

        ``VEKnet_GetIOBitState`` or ``VEKser_GetIOBitState`` through the motion core (vekkestra.h).
        """
        return self._operation("GetIOBitState", uint32(bit_mask, "bit_mask"), OUT_FLAG)

    def set_output_bit_state(self, bit_mask: int, level: int) -> None:
        """Sets one output line high or low.

        ``VEKnet_SetOutputBitState`` or ``VEKser_SetOutputBitState`` through the motion core (vekkestra.h).
        """
        self._operation("SetOutputBitState", int32(bit_mask, "bit_mask"), int32(level, "level"))

    def enable_axis_aux(self, axis: Axis, selector: int) -> None:
        """Enables or disables the auxiliary output of one axis.

        ``VEKnet_EnableAxisAux`` or ``VEKser_EnableAxisAux`` through the motion core (vekkestra.h).
        """
        self._operation("EnableAxisAux", axis_bit(axis), int32(selector, "selector"))

    def set_axis_aux_settle_time(self, axis: Axis, settle_time: int) -> None:
        """Sets the settle time of one axis's auxiliary output.

        ``VEKnet_SetAxisAuxSettleTime`` or ``VEKser_SetAxisAuxSettleTime`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisAuxSettleTime", axis_bit(axis), int32(settle_time, "settle_time"))

    def set_axis_aux_default_state(self, axis: Axis, selector: int) -> None:
        """Sets the default state of one axis's auxiliary output.

        ``VEKnet_SetAxisAuxDefaultState`` or ``VEKser_SetAxisAuxDefaultState`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisAuxDefaultState", axis_bit(axis), uint32(selector, "selector"))

    def set_axis_aux_bit(self, axis: Axis, selector: int) -> None:
        """Switches one axis's auxiliary output bit off or on.

        ``VEKnet_SetAxisAuxBit`` or ``VEKser_SetAxisAuxBit`` through the motion core (vekkestra.h).
        """
        self._operation("SetAxisAuxBit", axis_bit(axis), uint32(selector, "selector"))
