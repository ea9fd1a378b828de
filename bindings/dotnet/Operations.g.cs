// VekKestra for .NET: every operation of the command set as a typed method of Controller. Each calls the
// motion core's vekm_call_<Name> (lock, transport, recovery from lost replies) and throws the exception of
// its VekmError's kind; what the call fills in is returned. The operations that set axes moving or stop them
// are here only as Raw<Name>: Move, Jog, Home, FindLimit, Stop and Kill are their safe forms. Written by
// vek_export_list from the library's operation table and the briefs of vekkestra.h; do not edit.
using System;
using System.Collections.Generic;
using System.Threading;

namespace VekKestra
{
    public sealed partial class Controller
    {
        /// <summary>Moves one axis to a position or by a distance, and can wait until it reports done.</summary>
        /// <remarks>VEKnet_MoveAxis or VEKser_MoveAxis through the motion core. Raw: the library's own motion command,
        /// outside the motion core's tracking and waits; Move, MoveAxis, Jog, Home, FindLimit, Stop and Kill keep the
        /// safe-motion promise.</remarks>
        public void RawMoveAxis(Axis axis, int moveKind, int value, int suffix, int timeoutMs)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_MoveAxis(c, Axes.Bit(axis), moveKind, value,
                    suffix, timeoutMs, out e));
        }

        /// <summary>Starts one axis running at a velocity until it is stopped.</summary>
        /// <remarks>VEKnet_JogAxis or VEKser_JogAxis through the motion core. Raw: the library's own motion command,
        /// outside the motion core's tracking and waits; Move, MoveAxis, Jog, Home, FindLimit, Stop and Kill keep the
        /// safe-motion promise.</remarks>
        public void RawJogAxis(Axis axis, int jogKind, double velocity)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_JogAxis(c, Axes.Bit(axis), jogKind, velocity,
                    out e));
        }

        /// <summary>Moves one axis by one step in either direction.</summary>
        /// <remarks>VEKnet_MoveAxisOneStep or VEKser_MoveAxisOneStep through the motion core. Raw: the library's own
        /// motion command, outside the motion core's tracking and waits; Move, MoveAxis, Jog, Home, FindLimit, Stop and
        /// Kill keep the safe-motion promise.</remarks>
        public void RawMoveAxisOneStep(Axis axis, int direction)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_MoveAxisOneStep(c, Axes.Bit(axis), direction,
                    out e));
        }

        /// <summary>Moves several axes at once and waits until all of them report done.</summary>
        /// <remarks>VEKnet_Move or VEKser_Move through the motion core. Raw: the library's own motion command, outside
        /// the motion core's tracking and waits; Move, MoveAxis, Jog, Home, FindLimit, Stop and Kill keep the
        /// safe-motion promise.</remarks>
        public void RawMove(IEnumerable<Axis> axes, int addressing, int moveKind, int[] targets, int suffix,
            int timeoutMs)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_Move(c, Axes.Mask(axes), addressing, moveKind,
                    Axes.Ten(targets, "targets"), suffix, timeoutMs, out e));
        }

        /// <summary>Starts several axes running, each at its own velocity, until they are stopped.</summary>
        /// <remarks>VEKnet_Jog or VEKser_Jog through the motion core. Raw: the library's own motion command, outside
        /// the motion core's tracking and waits; Move, MoveAxis, Jog, Home, FindLimit, Stop and Kill keep the
        /// safe-motion promise.</remarks>
        public void RawJog(IEnumerable<Axis> axes, int addressing, int[] velocities)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_Jog(c, Axes.Mask(axes), addressing,
                    Axes.Ten(velocities, "velocities"), out e));
        }

        /// <summary>Stops the motion of a set of axes (decelerating), without waiting for them to come to
        /// rest.</summary>
        /// <remarks>VEKnet_StopMotion or VEKser_StopMotion through the motion core. Raw: the library's own motion
        /// command, outside the motion core's tracking and waits; Move, MoveAxis, Jog, Home, FindLimit, Stop and Kill
        /// keep the safe-motion promise.</remarks>
        public void RawStopMotion(IEnumerable<Axis> axes)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_StopMotion(c, Axes.Mask(axes), out e));
        }

        /// <summary>Kills the motion of a set of axes at once, without waiting for them to come to rest.</summary>
        /// <remarks>VEKnet_KillMotion or VEKser_KillMotion through the motion core. Raw: the library's own motion
        /// command, outside the motion core's tracking and waits; Move, MoveAxis, Jog, Home, FindLimit, Stop and Kill
        /// keep the safe-motion promise.</remarks>
        public void RawKillMotion(IEnumerable<Axis> axes)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_KillMotion(c, Axes.Mask(axes), out e));
        }

        /// <summary>Sets the logic of an axis's home switch.</summary>
        /// <remarks>VEKnet_SetAxisHomeSwitchLogic or VEKser_SetAxisHomeSwitchLogic through the motion core.</remarks>
        public void SetAxisHomeSwitchLogic(Axis axis, int switchLogic)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisHomeSwitchLogic(c, Axes.Bit(axis),
                    switchLogic, out e));
        }

        /// <summary>Starts a home search on one axis and can wait until the axis reports done.</summary>
        /// <remarks>VEKnet_FindAxisHome or VEKser_FindAxisHome through the motion core. Raw: the library's own motion
        /// command, outside the motion core's tracking and waits; Move, MoveAxis, Jog, Home, FindLimit, Stop and Kill
        /// keep the safe-motion promise.</remarks>
        public void RawFindAxisHome(Axis axis, int searchCommand, int homeCommand, int homeValue, int timeoutMs)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_FindAxisHome(c, Axes.Bit(axis), searchCommand,
                    homeCommand, homeValue, timeoutMs, out e));
        }

        /// <summary>Jogs one axis toward a limit switch and can wait until its limit flag is reported.</summary>
        /// <remarks>VEKnet_FindAxisLimit or VEKser_FindAxisLimit through the motion core. Raw: the library's own motion
        /// command, outside the motion core's tracking and waits; Move, MoveAxis, Jog, Home, FindLimit, Stop and Kill
        /// keep the safe-motion promise.</remarks>
        public void RawFindAxisLimit(Axis axis, int direction, int velocity, int timeoutMs)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_FindAxisLimit(c, Axes.Bit(axis), direction,
                    velocity, timeoutMs, out e));
        }

        /// <summary>Reads the motor position of one axis.</summary>
        /// <remarks>VEKnet_GetAxisMotorPosition or VEKser_GetAxisMotorPosition through the motion core.</remarks>
        public int GetAxisMotorPosition(Axis axis)
        {
            int position = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisMotorPosition(c, Axes.Bit(axis),
                    out position, out e));
            return position;
        }

        /// <summary>Reads the encoder position of one axis.</summary>
        /// <remarks>VEKnet_GetAxisEncoderPosition or VEKser_GetAxisEncoderPosition through the motion core.</remarks>
        public int GetAxisEncoderPosition(Axis axis)
        {
            int position = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisEncoderPosition(c, Axes.Bit(axis),
                    out position, out e));
            return position;
        }

        /// <summary>Reads the motor positions of all axes.</summary>
        /// <remarks>VEKnet_GetAllAxisMotorPositions or VEKser_GetAllAxisMotorPositions through the motion
        /// core.</remarks>
        public int[] GetAllAxisMotorPositions()
        {
            var positions = new int[NativeMotion.VEK_AXIS_COUNT];
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAllAxisMotorPositions(c, positions, out e));
            return positions;
        }

        /// <summary>Reads the encoder positions of all axes.</summary>
        /// <remarks>VEKnet_GetAllAxisEncoderPositions or VEKser_GetAllAxisEncoderPositions through the motion
        /// core.</remarks>
        public int[] GetAllAxisEncoderPositions()
        {
            var positions = new int[NativeMotion.VEK_AXIS_COUNT];
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAllAxisEncoderPositions(c, positions, out e));
            return positions;
        }

        /// <summary>Reads the motor and the encoder positions of all axes, with two queries.</summary>
        /// <remarks>VEKnet_GetAllAxisPositions or VEKser_GetAllAxisPositions through the motion core. Returns a Tuple:
        /// Item1 is motorPositions, Item2 is encoderPositions.</remarks>
        public Tuple<int[], int[]> GetAllAxisPositions()
        {
            var motorPositions = new int[NativeMotion.VEK_AXIS_COUNT];
            var encoderPositions = new int[NativeMotion.VEK_AXIS_COUNT];
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAllAxisPositions(c, motorPositions,
                    encoderPositions, out e));
            return Tuple.Create(motorPositions, encoderPositions);
        }

        /// <summary>Redefines the motor position of one axis (no motion).</summary>
        /// <remarks>VEKnet_SetAxisMotorPosition or VEKser_SetAxisMotorPosition through the motion core.</remarks>
        public void SetAxisMotorPosition(Axis axis, int position)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisMotorPosition(c, Axes.Bit(axis),
                    position, out e));
        }

        /// <summary>Redefines the motor positions of several axes at once (no motion).</summary>
        /// <remarks>VEKnet_SetMultiAxisMotorPositions or VEKser_SetMultiAxisMotorPositions through the motion
        /// core.</remarks>
        public void SetMultiAxisMotorPositions(IEnumerable<Axis> axes, int addressing, int[] positions)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetMultiAxisMotorPositions(c, Axes.Mask(axes),
                    addressing, Axes.Ten(positions, "positions"), out e));
        }

        /// <summary>Reads the current velocity of one axis.</summary>
        /// <remarks>VEKnet_GetAxisCurrentVelocity or VEKser_GetAxisCurrentVelocity through the motion core.</remarks>
        public int GetAxisCurrentVelocity(Axis axis)
        {
            int velocity = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisCurrentVelocity(c, Axes.Bit(axis),
                    out velocity, out e));
            return velocity;
        }

        /// <summary>Reads the current velocities of all axes.</summary>
        /// <remarks>VEKnet_GetAllCurrentVelocities or VEKser_GetAllCurrentVelocities through the motion core.</remarks>
        public int[] GetAllCurrentVelocities(int addressing)
        {
            var velocities = new int[NativeMotion.VEK_AXIS_COUNT];
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAllCurrentVelocities(c, addressing,
                    velocities, out e));
            return velocities;
        }

        /// <summary>Reads the base (start) velocity setting of one axis.</summary>
        /// <remarks>VEKnet_GetAxisBaseVelocity or VEKser_GetAxisBaseVelocity through the motion core.</remarks>
        public int GetAxisBaseVelocity(Axis axis)
        {
            int velocity = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisBaseVelocity(c, Axes.Bit(axis),
                    out velocity, out e));
            return velocity;
        }

        /// <summary>Sets the base (start) velocity of one axis.</summary>
        /// <remarks>VEKnet_SetAxisBaseVelocity or VEKser_SetAxisBaseVelocity through the motion core.</remarks>
        public void SetAxisBaseVelocity(Axis axis, int velocity)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisBaseVelocity(c, Axes.Bit(axis), velocity,
                    out e));
        }

        /// <summary>Reads the maximum velocity setting of one axis.</summary>
        /// <remarks>VEKnet_GetAxisMaxVelocity or VEKser_GetAxisMaxVelocity through the motion core.</remarks>
        public int GetAxisMaxVelocity(Axis axis)
        {
            int velocity = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisMaxVelocity(c, Axes.Bit(axis),
                    out velocity, out e));
            return velocity;
        }

        /// <summary>Sets the maximum velocity of one axis.</summary>
        /// <remarks>VEKnet_SetAxisMaxVelocity or VEKser_SetAxisMaxVelocity through the motion core.</remarks>
        public void SetAxisMaxVelocity(Axis axis, int velocity)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisMaxVelocity(c, Axes.Bit(axis), velocity,
                    out e));
        }

        /// <summary>Reads the acceleration setting of one axis.</summary>
        /// <remarks>VEKnet_GetAxisAcceleration or VEKser_GetAxisAcceleration through the motion core.</remarks>
        public int GetAxisAcceleration(Axis axis)
        {
            int acceleration = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisAcceleration(c, Axes.Bit(axis),
                    out acceleration, out e));
            return acceleration;
        }

        /// <summary>Sets the acceleration of one axis.</summary>
        /// <remarks>VEKnet_SetAxisAcceleration or VEKser_SetAxisAcceleration through the motion core.</remarks>
        public void SetAxisAcceleration(Axis axis, int acceleration)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisAcceleration(c, Axes.Bit(axis),
                    acceleration, out e));
        }

        /// <summary>Reads the current acceleration of one axis.</summary>
        /// <remarks>VEKnet_GetAxisCurrentAcceleration or VEKser_GetAxisCurrentAcceleration through the motion
        /// core.</remarks>
        public int GetAxisCurrentAcceleration(Axis axis)
        {
            int acceleration = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisCurrentAcceleration(c, Axes.Bit(axis),
                    out acceleration, out e));
            return acceleration;
        }

        /// <summary>Reads the current accelerations of all axes.</summary>
        /// <remarks>VEKnet_GetAllCurrentAccelerations or VEKser_GetAllCurrentAccelerations through the motion
        /// core.</remarks>
        public int[] GetAllCurrentAccelerations(int addressing)
        {
            var accelerations = new int[NativeMotion.VEK_AXIS_COUNT];
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAllCurrentAccelerations(c, addressing,
                    accelerations, out e));
            return accelerations;
        }

        /// <summary>Gives one axis a cosine acceleration ramp.</summary>
        /// <remarks>VEKnet_SetAxisAccelerationCosine or VEKser_SetAxisAccelerationCosine through the motion
        /// core.</remarks>
        public void SetAxisAccelerationCosine(Axis axis)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisAccelerationCosine(c, Axes.Bit(axis),
                    out e));
        }

        /// <summary>Gives one axis a linear acceleration ramp.</summary>
        /// <remarks>VEKnet_SetAxisAccelerationLinear or VEKser_SetAxisAccelerationLinear through the motion
        /// core.</remarks>
        public void SetAxisAccelerationLinear(Axis axis)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisAccelerationLinear(c, Axes.Bit(axis),
                    out e));
        }

        /// <summary>Gives one axis a parabolic acceleration ramp.</summary>
        /// <remarks>VEKnet_SetAxisAccelerationParabolic or VEKser_SetAxisAccelerationParabolic through the motion
        /// core.</remarks>
        public void SetAxisAccelerationParabolic(Axis axis, int rampParameter)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisAccelerationParabolic(c, Axes.Bit(axis),
                    rampParameter, out e));
        }

        /// <summary>Gives one axis an S-curve acceleration ramp.</summary>
        /// <remarks>VEKnet_SetAxisAccelerationSCurve or VEKser_SetAxisAccelerationSCurve through the motion
        /// core.</remarks>
        public void SetAxisAccelerationSCurve(Axis axis, int rampParameter)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisAccelerationSCurve(c, Axes.Bit(axis),
                    rampParameter, out e));
        }

        /// <summary>Tells whether one axis (or every axis of a mask) has reported done.</summary>
        /// <remarks>VEKnet_GetAxisDoneFlag or VEKser_GetAxisDoneFlag through the motion core.</remarks>
        public bool GetAxisDoneFlag(IEnumerable<Axis> axisBit)
        {
            uint flag = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisDoneFlag(c, Axes.Mask(axisBit), out flag,
                    out e));
            return flag != 0;
        }

        /// <summary>Reads the whole status word of the transport.</summary>
        /// <remarks>VEKnet_GetAllDoneFlags or VEKser_GetAllDoneFlags through the motion core.</remarks>
        public uint GetAllDoneFlags()
        {
            uint flags = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAllDoneFlags(c, out flags, out e));
            return flags;
        }

        /// <summary>Clears the done flags of a set of axes in the transport's status word.</summary>
        /// <remarks>VEKnet_ClearMultiAxisDoneFlags or VEKser_ClearMultiAxisDoneFlags through the motion core.</remarks>
        public void ClearMultiAxisDoneFlags(IEnumerable<Axis> axes)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_ClearMultiAxisDoneFlags(c, Axes.Mask(axes),
                    out e));
        }

        /// <summary>Tells whether one axis (or every axis of a mask) has met a limit.</summary>
        /// <remarks>VEKnet_GetAxisOvertravelFlag or VEKser_GetAxisOvertravelFlag through the motion core.</remarks>
        public bool GetAxisOvertravelFlag(IEnumerable<Axis> axisBit)
        {
            uint flag = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisOvertravelFlag(c, Axes.Mask(axisBit),
                    out flag, out e));
            return flag != 0;
        }

        /// <summary>Reads the limit flags of all axes.</summary>
        /// <remarks>VEKnet_GetAllOvertravelFlags or VEKser_GetAllOvertravelFlags through the motion core.</remarks>
        public uint GetAllOvertravelFlags()
        {
            uint flags = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAllOvertravelFlags(c, out flags, out e));
            return flags;
        }

        /// <summary>Clears the limit flags of a set of axes in the transport's status word.</summary>
        /// <remarks>VEKnet_ClearMultiAxisOvertravelFlags or VEKser_ClearMultiAxisOvertravelFlags through the motion
        /// core.</remarks>
        public void ClearMultiAxisOvertravelFlags(IEnumerable<Axis> axes)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_ClearMultiAxisOvertravelFlags(c,
                    Axes.Mask(axes), out e));
        }

        /// <summary>Tells whether the controller has reported a rejected command.</summary>
        /// <remarks>VEKnet_GetCommandErrorFlag or VEKser_GetCommandErrorFlag through the motion core.</remarks>
        public bool GetCommandErrorFlag()
        {
            uint flag = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetCommandErrorFlag(c, out flag, out e));
            return flag != 0;
        }

        /// <summary>Clears the command-error flag in the transport's status word.</summary>
        /// <remarks>VEKnet_ClearCommandErrorFlag or VEKser_ClearCommandErrorFlag through the motion core.</remarks>
        public void ClearCommandErrorFlag()
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_ClearCommandErrorFlag(c, out e));
        }

        /// <summary>Fetches the controller's record of the last command it rejected.</summary>
        /// <remarks>VEKnet_GetIllegalCommand or VEKser_GetIllegalCommand through the motion core.</remarks>
        public string GetIllegalCommand()
        {
            var text = new byte[AnswerSize];
            int textLength = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetIllegalCommand(c, text, text.Length,
                    out textLength, out e));
            return Text(text, textLength);
        }

        /// <summary>Switches on slip detection for one axis.</summary>
        /// <remarks>VEKnet_EnableAxisSlipDectection or VEKser_EnableAxisSlipDectection through the motion
        /// core.</remarks>
        public void EnableAxisSlipDectection(Axis axis)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_EnableAxisSlipDectection(c, Axes.Bit(axis),
                    out e));
        }

        /// <summary>Tells whether one axis (or every axis of a mask) has slipped.</summary>
        /// <remarks>VEKnet_GetAxisSlipFlag or VEKser_GetAxisSlipFlag through the motion core.</remarks>
        public bool GetAxisSlipFlag(IEnumerable<Axis> axisBit)
        {
            uint flag = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisSlipFlag(c, Axes.Mask(axisBit), out flag,
                    out e));
            return flag != 0;
        }

        /// <summary>Reads the slip flags of all axes.</summary>
        /// <remarks>VEKnet_GetAllAxesSlipFlag or VEKser_GetAllAxesSlipFlag through the motion core.</remarks>
        public uint GetAllAxesSlipFlag()
        {
            uint flags = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAllAxesSlipFlag(c, out flags, out e));
            return flags;
        }

        /// <summary>Clears the slip flags of a set of axes in the transport's status word.</summary>
        /// <remarks>VEKnet_ClearMultiAxisSlipFlag or VEKser_ClearMultiAxisSlipFlag through the motion core.</remarks>
        public void ClearMultiAxisSlipFlag(IEnumerable<Axis> axes)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_ClearMultiAxisSlipFlag(c, Axes.Mask(axes),
                    out e));
        }

        /// <summary>Reads the five encoder status flags of one axis.</summary>
        /// <remarks>VEKnet_GetAxisEncoderStatus or VEKser_GetAxisEncoderStatus through the motion core.</remarks>
        public bool[] GetAxisEncoderStatus(Axis axis)
        {
            var status = new uint[5];
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisEncoderStatus(c, Axes.Bit(axis), status,
                    out e));
            return Array.ConvertAll(status, flag => flag != 0);
        }

        /// <summary>Selects one of the two PID settings of an axis.</summary>
        /// <remarks>VEKnet_SetAxisPID or VEKser_SetAxisPID through the motion core.</remarks>
        public void SetAxisPID(Axis axis, int selector)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisPID(c, Axes.Bit(axis), selector, out e));
        }

        /// <summary>Sets the encoder ratio of one axis.</summary>
        /// <remarks>VEKnet_SetAxisEncoderRatio or VEKser_SetAxisEncoderRatio through the motion core.</remarks>
        public void SetAxisEncoderRatio(Axis axis, int firstTerm, int secondTerm)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisEncoderRatio(c, Axes.Bit(axis),
                    firstTerm, secondTerm, out e));
        }

        /// <summary>Sets the hold dead band of one axis and its two optional values.</summary>
        /// <remarks>VEKnet_SetAxisHoldDeadBand or VEKser_SetAxisHoldDeadBand through the motion core.</remarks>
        public void SetAxisHoldDeadBand(Axis axis, int deadBand, int secondValue, int thirdValue)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisHoldDeadBand(c, Axes.Bit(axis), deadBand,
                    secondValue, thirdValue, out e));
        }

        /// <summary>Sets the encoder slip tolerance of one axis.</summary>
        /// <remarks>VEKnet_SetAxisEncoderSlipTolerance or VEKser_SetAxisEncoderSlipTolerance through the motion
        /// core.</remarks>
        public void SetAxisEncoderSlipTolerance(Axis axis, int tolerance)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisEncoderSlipTolerance(c, Axes.Bit(axis),
                    tolerance, out e));
        }

        /// <summary>Sets the hold gain of one axis.</summary>
        /// <remarks>VEKnet_SetAxisHoldGain or VEKser_SetAxisHoldGain through the motion core.</remarks>
        public void SetAxisHoldGain(Axis axis, int gain)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisHoldGain(c, Axes.Bit(axis), gain, out e));
        }

        /// <summary>Sets the hold velocity of one axis.</summary>
        /// <remarks>VEKnet_SetAxisHoldVelocity or VEKser_SetAxisHoldVelocity through the motion core.</remarks>
        public void SetAxisHoldVelocity(Axis axis, int velocity)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisHoldVelocity(c, Axes.Bit(axis), velocity,
                    out e));
        }

        /// <summary>Switches overtravel (limit input) detection of one axis on or off.</summary>
        /// <remarks>VEKnet_SetAxisOvertravelDetect or VEKser_SetAxisOvertravelDetect through the motion core.</remarks>
        public void SetAxisOvertravelDetect(Axis axis, uint selector)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisOvertravelDetect(c, Axes.Bit(axis),
                    selector, out e));
        }

        /// <summary>Sets which level of an axis's limit inputs counts as active.</summary>
        /// <remarks>VEKnet_SetAxisOvertravelSense or VEKser_SetAxisOvertravelSense through the motion core.</remarks>
        public void SetAxisOvertravelSense(Axis axis, uint selector)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisOvertravelSense(c, Axes.Bit(axis),
                    selector, out e));
        }

        /// <summary>Sets how an axis stops when it meets a limit.</summary>
        /// <remarks>VEKnet_SetAxisOvertravelStopMode or VEKser_SetAxisOvertravelStopMode through the motion
        /// core.</remarks>
        public void SetAxisOvertravelStopMode(Axis axis, uint selector)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisOvertravelStopMode(c, Axes.Bit(axis),
                    selector, out e));
        }

        /// <summary>Sets the two software travel limits of one axis.</summary>
        /// <remarks>VEKnet_SetAxisSoftwareTravelLimits or VEKser_SetAxisSoftwareTravelLimits through the motion
        /// core.</remarks>
        public void SetAxisSoftwareTravelLimits(Axis axis, int firstLimit, int secondLimit)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisSoftwareTravelLimits(c, Axes.Bit(axis),
                    firstLimit, secondLimit, out e));
        }

        /// <summary>Reads the direction word of the general-purpose I/O lines.</summary>
        /// <remarks>VEKnet_GetIOBitsDirection or VEKser_GetIOBitsDirection through the motion core.</remarks>
        public uint GetIOBitsDirection()
        {
            uint direction = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetIOBitsDirection(c, out direction, out e));
            return direction;
        }

        /// <summary>Sets the direction word of the general-purpose I/O lines.</summary>
        /// <remarks>VEKnet_SetIOBitsDirection or VEKser_SetIOBitsDirection through the motion core.</remarks>
        public void SetIOBitsDirection(uint direction)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetIOBitsDirection(c, direction, out e));
        }

        /// <summary>Reads the state word of the general-purpose I/O lines.</summary>
        /// <remarks>VEKnet_GetIOBitsState or VEKser_GetIOBitsState through the motion core.</remarks>
        public uint GetIOBitsState()
        {
            uint state = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetIOBitsState(c, out state, out e));
            return state;
        }

        /// <summary>Sets the state word of the output lines.</summary>
        /// <remarks>VEKnet_SetOutputBitsState or VEKser_SetOutputBitsState through the motion core.</remarks>
        public void SetOutputBitsState(uint outputs)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetOutputBitsState(c, outputs, out e));
        }

        /// <summary>Tells whether the I/O lines of a mask are all set.</summary>
        /// <remarks>VEKnet_GetIOBitState or VEKser_GetIOBitState through the motion core.</remarks>
        public bool GetIOBitState(uint bitMask)
        {
            uint state = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetIOBitState(c, bitMask, out state, out e));
            return state != 0;
        }

        /// <summary>Sets one output line high or low.</summary>
        /// <remarks>VEKnet_SetOutputBitState or VEKser_SetOutputBitState through the motion core.</remarks>
        public void SetOutputBitState(int bitMask, int level)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetOutputBitState(c, bitMask, level, out e));
        }

        /// <summary>Enables or disables the auxiliary output of one axis.</summary>
        /// <remarks>VEKnet_EnableAxisAux or VEKser_EnableAxisAux through the motion core.</remarks>
        public void EnableAxisAux(Axis axis, int selector)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_EnableAxisAux(c, Axes.Bit(axis), selector,
                    out e));
        }

        /// <summary>Sets the settle time of one axis's auxiliary output.</summary>
        /// <remarks>VEKnet_SetAxisAuxSettleTime or VEKser_SetAxisAuxSettleTime through the motion core.</remarks>
        public void SetAxisAuxSettleTime(Axis axis, int settleTime)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisAuxSettleTime(c, Axes.Bit(axis),
                    settleTime, out e));
        }

        /// <summary>Sets the default state of one axis's auxiliary output.</summary>
        /// <remarks>VEKnet_SetAxisAuxDefaultState or VEKser_SetAxisAuxDefaultState through the motion core.</remarks>
        public void SetAxisAuxDefaultState(Axis axis, uint selector)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisAuxDefaultState(c, Axes.Bit(axis),
                    selector, out e));
        }

        /// <summary>Switches one axis's auxiliary output bit off or on.</summary>
        /// <remarks>VEKnet_SetAxisAuxBit or VEKser_SetAxisAuxBit through the motion core.</remarks>
        public void SetAxisAuxBit(Axis axis, uint selector)
        {
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_SetAxisAuxBit(c, Axes.Bit(axis), selector,
                    out e));
        }
    }
}
