// VekKestra for .NET: the library's 145 exports as P/Invoke declarations (Native), and a Controller that moves
// axes safely on top of them: moves that end at a limit or a slip and stop the other axes, waits that cannot hang,
// recovery after late replies, exceptions, a lock per controller and CancellationToken support. docs/motion.md
// describes the behaviour, which the C++ header and the Python package share.
//
// The library is named "vekkestra": VekKestra.dll on Windows (stdcall on 32-bit, which Winapi gives), and
// libvekkestra.so on Linux, found on the library search path or through a dll map (see README.md).
using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.Net;
using System.Net.Sockets;
using System.Runtime.InteropServices;
using System.Text;
using System.Threading;

namespace VekKestra
{
    /// <summary>The exports of vekkestra.h, one to a line, with the header's parameter names. A handle is the
    /// application's connection variable, passed by reference; answer buffers are byte arrays with their size.</summary>
    public static class Native
    {
        public const string Library = "vekkestra";

        // <exports>
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern void VEK_Pause(int milliseconds);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern IntPtr VEK_GetDLLVersion(byte[] buffer, uint size);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEK_StartDllLogger(string path, int mask);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEK_StopDllLogger();
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEK_DllLoggerLineMarker(string text);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_Initialize(string ipAddress, uint port, ref uint handle);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern void VEKnet_Close(ref uint handle);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern int VEKnet_GetLastError();
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SendCommand(ref uint handle, string command);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_Query(ref uint handle, string command, byte[] answer, int lLen);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_MoveAxis(ref uint handle, int axis, int moveKind, int value, int suffix, int timeoutMs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_JogAxis(ref uint handle, int axis, int jogKind, double velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_MoveAxisOneStep(ref uint handle, int axis, int direction);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_Move(ref uint handle, int axes, int addressing, int moveKind, int[] targets, int suffix, int timeoutMs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_Jog(ref uint handle, int axes, int addressing, int[] velocities);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_StopMotion(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_KillMotion(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisHomeSwitchLogic(ref uint handle, int axis, int switchLogic);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_FindAxisHome(ref uint handle, int axis, int searchCommand, int homeCommand, int homeValue, int timeoutMs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_FindAxisLimit(ref uint handle, int axis, int direction, int velocity, int timeoutMs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisMotorPosition(ref uint handle, int axis, out int position);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisEncoderPosition(ref uint handle, int axis, out int position);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAllAxisMotorPositions(ref uint handle, int[] positions);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAllAxisEncoderPositions(ref uint handle, int[] positions);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAllAxisPositions(ref uint handle, int[] motorPositions, int[] encoderPositions);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisMotorPosition(ref uint handle, int axis, int position);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetMultiAxisMotorPositions(ref uint handle, int axes, int addressing, int[] positions);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisCurrentVelocity(ref uint handle, int axis, out int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAllCurrentVelocities(ref uint handle, int addressing, int[] velocities);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisBaseVelocity(ref uint handle, int axis, out int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisBaseVelocity(ref uint handle, int axis, int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisMaxVelocity(ref uint handle, int axis, out int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisMaxVelocity(ref uint handle, int axis, int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisAcceleration(ref uint handle, int axis, out int acceleration);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisAcceleration(ref uint handle, int axis, int acceleration);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisCurrentAcceleration(ref uint handle, int axis, out int acceleration);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAllCurrentAccelerations(ref uint handle, int addressing, int[] accelerations);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisAccelerationCosine(ref uint handle, int axis);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisAccelerationLinear(ref uint handle, int axis);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisAccelerationParabolic(ref uint handle, int axis, int rampParameter);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisAccelerationSCurve(ref uint handle, int axis, int rampParameter);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisDoneFlag(ref uint handle, int axisBit, out uint flag);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAllDoneFlags(ref uint handle, out uint flags);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_ClearMultiAxisDoneFlags(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisOvertravelFlag(ref uint handle, int axisBit, out uint flag);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAllOvertravelFlags(ref uint handle, out uint flags);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_ClearMultiAxisOvertravelFlags(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetCommandErrorFlag(ref uint handle, out uint flag);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_ClearCommandErrorFlag(ref uint handle);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetIllegalCommand(ref uint handle, byte[] text, int textSize, out int textLength);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_EnableAxisSlipDectection(ref uint handle, int axis);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisSlipFlag(ref uint handle, int axisBit, out uint flag);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAllAxesSlipFlag(ref uint handle, out uint flags);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_ClearMultiAxisSlipFlag(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetAxisEncoderStatus(ref uint handle, int axis, uint[] status);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisPID(ref uint handle, int axis, int selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisEncoderRatio(ref uint handle, int axis, int firstTerm, int secondTerm);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisHoldDeadBand(ref uint handle, int axis, int deadBand, int secondValue, int thirdValue);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisEncoderSlipTolerance(ref uint handle, int axis, int tolerance);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisHoldGain(ref uint handle, int axis, int gain);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisHoldVelocity(ref uint handle, int axis, int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisOvertravelDetect(ref uint handle, int axis, uint selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisOvertravelSense(ref uint handle, int axis, uint selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisOvertravelStopMode(ref uint handle, int axis, uint selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisSoftwareTravelLimits(ref uint handle, int axis, int firstLimit, int secondLimit);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetIOBitsDirection(ref uint handle, out uint direction);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetIOBitsDirection(ref uint handle, uint direction);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetIOBitsState(ref uint handle, out uint state);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetOutputBitsState(ref uint handle, uint outputs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_GetIOBitState(ref uint handle, uint bitMask, out uint state);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetOutputBitState(ref uint handle, int bitMask, int level);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_EnableAxisAux(ref uint handle, int axis, int selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisAuxSettleTime(ref uint handle, int axis, int settleTime);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisAuxDefaultState(ref uint handle, int axis, uint selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKnet_SetAxisAuxBit(ref uint handle, int axis, uint selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_Initialize(int port, int baudRate, ref uint handle);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern void VEKser_Close(ref uint handle);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetLastError();
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SendCommand(ref uint handle, string command);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_Query(ref uint handle, string command, byte[] answer, int lLen);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_MoveAxis(ref uint handle, int axis, int moveKind, int value, int suffix, int timeoutMs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_JogAxis(ref uint handle, int axis, int jogKind, double velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_MoveAxisOneStep(ref uint handle, int axis, int direction);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_Move(ref uint handle, int axes, int addressing, int moveKind, int[] targets, int suffix, int timeoutMs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_Jog(ref uint handle, int axes, int addressing, int[] velocities);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_StopMotion(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_KillMotion(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisHomeSwitchLogic(ref uint handle, int axis, int switchLogic);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_FindAxisHome(ref uint handle, int axis, int searchCommand, int homeCommand, int homeValue, int timeoutMs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_FindAxisLimit(ref uint handle, int axis, int direction, int velocity, int timeoutMs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisMotorPosition(ref uint handle, int axis, out int position);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisEncoderPosition(ref uint handle, int axis, out int position);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAllAxisMotorPositions(ref uint handle, int[] positions);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAllAxisEncoderPositions(ref uint handle, int[] positions);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAllAxisPositions(ref uint handle, int[] motorPositions, int[] encoderPositions);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisMotorPosition(ref uint handle, int axis, int position);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetMultiAxisMotorPositions(ref uint handle, int axes, int addressing, int[] positions);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisCurrentVelocity(ref uint handle, int axis, out int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAllCurrentVelocities(ref uint handle, int addressing, int[] velocities);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisBaseVelocity(ref uint handle, int axis, out int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisBaseVelocity(ref uint handle, int axis, int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisMaxVelocity(ref uint handle, int axis, out int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisMaxVelocity(ref uint handle, int axis, int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisAcceleration(ref uint handle, int axis, out int acceleration);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisAcceleration(ref uint handle, int axis, int acceleration);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisCurrentAcceleration(ref uint handle, int axis, out int acceleration);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAllCurrentAccelerations(ref uint handle, int addressing, int[] accelerations);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisAccelerationCosine(ref uint handle, int axis);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisAccelerationLinear(ref uint handle, int axis);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisAccelerationParabolic(ref uint handle, int axis, int rampParameter);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisAccelerationSCurve(ref uint handle, int axis, int rampParameter);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisDoneFlag(ref uint handle, int axisBit, out uint flag);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAllDoneFlags(ref uint handle, out uint flags);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_ClearMultiAxisDoneFlags(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisOvertravelFlag(ref uint handle, int axisBit, out uint flag);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAllOvertravelFlags(ref uint handle, out uint flags);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_ClearMultiAxisOvertravelFlags(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetCommandErrorFlag(ref uint handle, out uint flag);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_ClearCommandErrorFlag(ref uint handle);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetIllegalCommand(ref uint handle, byte[] text, int textSize, out int textLength);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_EnableAxisSlipDectection(ref uint handle, int axis);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisSlipFlag(ref uint handle, int axisBit, out uint flag);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAllAxesSlipFlag(ref uint handle, out uint flags);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_ClearMultiAxisSlipFlag(ref uint handle, int axes);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetAxisEncoderStatus(ref uint handle, int axis, uint[] status);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisPID(ref uint handle, int axis, int selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisEncoderRatio(ref uint handle, int axis, int firstTerm, int secondTerm);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisHoldDeadBand(ref uint handle, int axis, int deadBand, int secondValue, int thirdValue);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisEncoderSlipTolerance(ref uint handle, int axis, int tolerance);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisHoldGain(ref uint handle, int axis, int gain);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisHoldVelocity(ref uint handle, int axis, int velocity);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisOvertravelDetect(ref uint handle, int axis, uint selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisOvertravelSense(ref uint handle, int axis, uint selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisOvertravelStopMode(ref uint handle, int axis, uint selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisSoftwareTravelLimits(ref uint handle, int axis, int firstLimit, int secondLimit);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetIOBitsDirection(ref uint handle, out uint direction);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetIOBitsDirection(ref uint handle, uint direction);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetIOBitsState(ref uint handle, out uint state);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetOutputBitsState(ref uint handle, uint outputs);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_GetIOBitState(ref uint handle, uint bitMask, out uint state);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetOutputBitState(ref uint handle, int bitMask, int level);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_EnableAxisAux(ref uint handle, int axis, int selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisAuxSettleTime(ref uint handle, int axis, int settleTime);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisAuxDefaultState(ref uint handle, int axis, uint selector);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint VEKser_SetAxisAuxBit(ref uint handle, int axis, uint selector);
        // </exports>
    }

    /// <summary>The ten axes in the controller's order; each value is the axis bit of vekkestra.h.</summary>
    public enum Axis
    {
        X = 1, Y = 2, Z = 4, T = 8, U = 16, V = 32, R = 64, S = 128, W = 256, K = 512
    }

    /// <summary>What a move does with its axes when its time-out runs out.</summary>
    public enum OnTimeout
    {
        Stop,
        KeepMoving
    }

    /// <summary>The result codes of vekkestra.h.</summary>
    public enum Result : uint
    {
        VEK_SUCCESS = 0,
        VEK_ERROR_INVALID_AXIS = 2,
        VEK_ERROR_INVALID_PARAMETER = 3,
        VEK_ERROR_COMMAND_TOO_LONG = 5,
        VEK_ERROR_WAIT_TIMEOUT = 6,
        VEK_ERROR_ANSWER_TOO_LONG = 7,
        VEK_ERROR_LOG_FILE = 50,
        VEK_ERROR_POLL_TIMEOUT = 101,
        VEK_ERROR_INVALID_IP_ADDRESS = 201,
        VEK_ERROR_ETHERNET_CONNECT = 202,
        VEK_ERROR_SOCKET_SEND = 211,
        VEK_ERROR_SOCKET_RECEIVE = 212,
        VEK_ERROR_SOCKET_RECEIVE_TIMEOUT = 213,
        VEK_ERROR_ACK_NAK_TIMEOUT = 214,
        VEK_ERROR_BAD_RESPONSE = 215,
        VEK_ERROR_COMMAND_NAK = 216,
        VEK_ERROR_NO_COMMAND_ACK = 217,
        VEK_ERROR_SERIAL_OPEN = 301,
        VEK_ERROR_SERIAL_WRITE = 350,
        VEK_ERROR_SERIAL_READ = 351,
        VEK_ERROR_SERIAL_READ_TIMEOUT = 352
    }

    /// <summary>Motor and encoder reading of one axis, in the controller's units.</summary>
    public struct AxisPosition
    {
        public int Motor;
        public int Encoder;
    }

    /// <summary>A failed operation. Message: "VEKnet_MoveAxis: VEK_ERROR_WAIT_TIMEOUT (6)". Code is 0 for the
    /// failures that no result code stands for (limit, slip, closed).</summary>
    public class VekException : Exception
    {
        public uint Code { get; private set; }
        public string Operation { get; private set; }

        public VekException(uint code, string operation, string detail = null)
            : base(Describe(code, operation, detail))
        {
            Code = code;
            Operation = operation;
        }

        protected VekException(string operation, string message) : base(operation + ": " + message)
        {
            Operation = operation;
        }

        static string Describe(uint code, string operation, string detail)
        {
            string name = Enum.IsDefined(typeof(Result), code) ? ((Result)code).ToString() : "VEK_ERROR_UNKNOWN";
            return operation + ": " + name + " (" + code + ")" + (string.IsNullOrEmpty(detail) ? "" : ": " + detail);
        }

        /// <summary>The exception kind that a failed result code belongs to.</summary>
        public static VekException For(uint code, string operation, string detail = null)
        {
            switch ((Result)code)
            {
                case Result.VEK_ERROR_WAIT_TIMEOUT:
                case Result.VEK_ERROR_SOCKET_RECEIVE_TIMEOUT:
                case Result.VEK_ERROR_ACK_NAK_TIMEOUT:
                case Result.VEK_ERROR_SERIAL_READ_TIMEOUT:
                    return new VekTimeoutException(code, operation, detail);
                case Result.VEK_ERROR_INVALID_IP_ADDRESS:
                case Result.VEK_ERROR_ETHERNET_CONNECT:
                case Result.VEK_ERROR_SOCKET_SEND:
                case Result.VEK_ERROR_SOCKET_RECEIVE:
                case Result.VEK_ERROR_NO_COMMAND_ACK:
                case Result.VEK_ERROR_SERIAL_OPEN:
                case Result.VEK_ERROR_SERIAL_WRITE:
                case Result.VEK_ERROR_SERIAL_READ:
                    return new VekConnectionException(code, operation, detail);
                default:
                    return new VekException(code, operation, detail);
            }
        }
    }

    /// <summary>A wait that ran out (6) or a reply that did not come (213, 214, 352).</summary>
    public class VekTimeoutException : VekException
    {
        public VekTimeoutException(uint code, string operation, string detail = null) : base(code, operation, detail) { }
    }

    /// <summary>Connecting, sending or receiving failed (201, 202, 211, 212, 217, 301, 350, 351).</summary>
    public class VekConnectionException : VekException
    {
        public VekConnectionException(uint code, string operation, string detail = null)
            : base(code, operation, detail) { }
    }

    /// <summary>A call on a closed controller; nothing was sent.</summary>
    public class ClosedException : VekException
    {
        public ClosedException(string operation) : base(operation, "the controller is closed") { }
    }

    /// <summary>A moved axis reported a limit or a slip; the other moved axes were stopped.</summary>
    public abstract class AxisException : VekException
    {
        public Axis Axis { get; private set; }
        /// <summary>The motor position read after the stop (0 when it could not be read).</summary>
        public int Position { get; private set; }
        public bool PositionRead { get; private set; }

        protected AxisException(string operation, Axis axis, int position, bool read, string happened)
            : base(operation, "axis " + axis + " " + happened +
                              (read ? " at position " + position : ", position not read"))
        {
            Axis = axis;
            Position = position;
            PositionRead = read;
        }
    }

    public sealed class LimitException : AxisException
    {
        public LimitException(string operation, Axis axis, int position, bool read = true)
            : base(operation, axis, position, read, "met a limit") { }
    }

    public sealed class SlipException : AxisException
    {
        public SlipException(string operation, Axis axis, int position, bool read = true)
            : base(operation, axis, position, read, "slipped") { }
    }

    /// <summary>A call on the connection's handle, for WithHandle.</summary>
    public delegate T HandleCall<T>(ref uint handle);

    /// <summary>One connection to a controller; any thread may use it. Dispose() stops the axes it set moving
    /// and has not seen end (.NET cannot tell a using block left by an exception from one left normally, so the
    /// controller takes the safe side), then closes; Close() only closes. Argument errors throw
    /// ArgumentException before anything is sent; failures throw VekException or one of its kinds.</summary>
    public sealed class Controller : IDisposable
    {
        const int AxisCount = 10;
        const int AnswerSize = 256;            // the transports keep at most 255 characters
        const int SliceMs = 10;                // pause between two looks at the status word
        const int ConfirmMs = 250;             // longest a missing done goes unconfirmed
        const int ResyncWindowMs = 3000;       // how long a late serial answer is waited for
        const int LimitShift = 10, SlipShift = 20, AllAxes = 0x3FF;
        const int MovingLetter = 4;            // axis status: the "moving" letter

        readonly object sync = new object();
        readonly bool serial;
        readonly string address;               // TCP: the resolved address and port, for reconnecting
        readonly uint port;
        uint handle;
        bool open;
        bool reconnect;                        // TCP: a reply was lost; the socket may still deliver it
        bool resync;                           // serial: an answer line may still come
        long resyncSince;
        int moving;                            // axes set moving and not seen to end
        long starts;
        readonly long[] started = new long[AxisCount];

        Controller(bool serial, string address, uint port)
        {
            this.serial = serial;
            this.address = address;
            this.port = port;
        }

        /// <summary>Connects over TCP; the host may be a name ("localhost") or a dotted IPv4 address.</summary>
        public static Controller Tcp(string host, int port = 5001)
        {
            if (string.IsNullOrEmpty(host)) throw new ArgumentException("empty host", "host");
            if (port < 0 || port > 65535) throw new ArgumentOutOfRangeException("port");
            string address = Resolve(host);
            var c = new Controller(false, address, (uint)port);
            uint rc = Native.VEKnet_Initialize(address, (uint)port, ref c.handle);
            if (rc != 0)
            {
                if (c.handle != 0) Native.VEKnet_Close(ref c.handle);
                throw VekException.For(rc, "VEKnet_Initialize", host + ":" + port);
            }
            c.open = true;
            return c;
        }

        /// <summary>Opens COM port com (1 to 32) at 9600, 19200, 38400, 57600 or 115200 baud.</summary>
        public static Controller Serial(int com, int baud = 115200)
        {
            if (com < 1 || com > 32) throw new ArgumentOutOfRangeException("com");
            if (Array.IndexOf(new[] { 9600, 19200, 38400, 57600, 115200 }, baud) < 0)
                throw new ArgumentOutOfRangeException("baud");
            var c = new Controller(true, null, 0);
            uint rc = Native.VEKser_Initialize(com, baud, ref c.handle);
            if (rc != 0)
            {
                // A port whose configuration failed stays open in the variable; a failed open leaves all bits set.
                if (c.handle != 0) Native.VEKser_Close(ref c.handle);
                throw VekException.For(rc, "VEKser_Initialize", "COM" + com);
            }
            c.open = true;
            return c;
        }

        static string Resolve(string host)
        {
            try
            {
                foreach (IPAddress a in Dns.GetHostAddresses(host))
                    if (a.AddressFamily == AddressFamily.InterNetwork) return a.ToString();
            }
            catch (SocketException e)
            {
                throw new VekConnectionException((uint)Result.VEK_ERROR_INVALID_IP_ADDRESS, "VEKnet_Initialize",
                                                 "cannot resolve \"" + host + "\": " + e.Message);
            }
            throw new VekConnectionException((uint)Result.VEK_ERROR_INVALID_IP_ADDRESS, "VEKnet_Initialize",
                                             "cannot resolve \"" + host + "\": no IPv4 address");
        }

        public bool IsOpen
        {
            get { lock (sync) return open; }
        }

        /// <summary>The axes set moving by this controller and not seen to end.</summary>
        public Axis[] Moving
        {
            get { lock (sync) return AxesOf(moving); }
        }

        /// <summary>Stops the axes this controller set moving and has not seen end, then closes.</summary>
        public void Dispose()
        {
            lock (sync)
            {
                StopQuietly(moving);
                CloseLink();
            }
        }

        /// <summary>Closes the connection without stopping anything; later calls throw ClosedException.</summary>
        public void Close()
        {
            lock (sync) CloseLink();
        }

        /// <summary>Moves axes to absolute positions (steps) together and waits until all have ended. A time-out
        /// of zero starts the move and returns at once.</summary>
        public void Move(IDictionary<Axis, int> targets, TimeSpan timeout, OnTimeout onTimeout = OnTimeout.Stop,
                         CancellationToken cancel = default(CancellationToken))
        {
            RunMove(targets, 0, "Move", timeout, onTimeout, cancel);
        }

        /// <summary>The same with distances from where the axes are.</summary>
        public void MoveBy(IDictionary<Axis, int> distances, TimeSpan timeout, OnTimeout onTimeout = OnTimeout.Stop,
                           CancellationToken cancel = default(CancellationToken))
        {
            RunMove(distances, 1, "MoveBy", timeout, onTimeout, cancel);
        }

        public void MoveAxis(Axis axis, int target, TimeSpan timeout, OnTimeout onTimeout = OnTimeout.Stop,
                             CancellationToken cancel = default(CancellationToken))
        {
            RunMove(new Dictionary<Axis, int> { { axis, target } }, 0, "MoveAxis", timeout, onTimeout, cancel);
        }

        /// <summary>Searches the home switch of an axis ("HS", the position there becomes 0) and waits as a move
        /// does.</summary>
        public void Home(Axis axis, TimeSpan timeout, OnTimeout onTimeout = OnTimeout.Stop,
                         CancellationToken cancel = default(CancellationToken))
        {
            CheckTimeout(timeout);
            int bit = Bit(axis);
            RunMotion(bit, "FindAxisHome", "Home", timeout, onTimeout, cancel,
                      () => serial ? Native.VEKser_FindAxisHome(ref handle, bit, 0, 0, 0, 0)
                                   : Native.VEKnet_FindAxisHome(ref handle, bit, 0, 0, 0, 0));
        }

        /// <summary>Starts an axis running at a velocity (steps/s, signed) until it is stopped.</summary>
        public void Jog(Axis axis, int velocity)
        {
            int bit = Bit(axis);
            lock (sync)
            {
                Prepare("Jog", false);
                uint rc = serial ? Native.VEKser_JogAxis(ref handle, bit, 0, velocity)
                                 : Native.VEKnet_JogAxis(ref handle, bit, 0, velocity);
                StartedMotion(rc, bit, "JogAxis");
            }
        }

        /// <summary>Decelerating stop of the given axes; with none, of every axis.</summary>
        public void Stop(params Axis[] axes)
        {
            Halt(axes, false);
        }

        /// <summary>Abrupt stop of the given axes; with none, of every axis.</summary>
        public void Kill(params Axis[] axes)
        {
            Halt(axes, true);
        }

        /// <summary>Motor position of one axis.</summary>
        public int Position(Axis axis)
        {
            int bit = Bit(axis);
            lock (sync)
            {
                Prepare("Position", true);
                int value;
                Check(serial ? Native.VEKser_GetAxisMotorPosition(ref handle, bit, out value)
                             : Native.VEKnet_GetAxisMotorPosition(ref handle, bit, out value), "GetAxisMotorPosition");
                return value;
            }
        }

        /// <summary>Motor and encoder positions of all ten axes.</summary>
        public IDictionary<Axis, AxisPosition> Positions()
        {
            var motor = new int[AxisCount];
            var encoder = new int[AxisCount];
            lock (sync)
            {
                Prepare("Positions", true);
                Check(serial ? Native.VEKser_GetAllAxisPositions(ref handle, motor, encoder)
                             : Native.VEKnet_GetAllAxisPositions(ref handle, motor, encoder), "GetAllAxisPositions");
            }
            var all = new SortedDictionary<Axis, AxisPosition>();
            for (int i = 0; i < AxisCount; ++i) all[(Axis)(1 << i)] = new AxisPosition { Motor = motor[i], Encoder = encoder[i] };
            return all;
        }

        /// <summary>Sends a raw query text ("AXRP;") and returns its answer (at most 255 characters).</summary>
        public string Query(string text)
        {
            CheckText(text);
            var answer = new byte[AnswerSize];
            lock (sync)
            {
                Prepare("Query", true);
                Check(serial ? Native.VEKser_Query(ref handle, text, answer, AnswerSize)
                             : Native.VEKnet_Query(ref handle, text, answer, AnswerSize), "Query");
            }
            int length = Array.IndexOf(answer, (byte)0);
            return Encoding.ASCII.GetString(answer, 0, length < 0 ? AnswerSize : length);
        }

        /// <summary>Sends a raw command text ("AXLP0;").</summary>
        public void Send(string text)
        {
            CheckText(text);
            lock (sync)
            {
                Prepare("Send", false);
                Check(serial ? Native.VEKser_SendCommand(ref handle, text) : Native.VEKnet_SendCommand(ref handle, text),
                      "SendCommand");
            }
        }

        /// <summary>Calls an export of the connection's transport on the handle, under the controller's lock. The
        /// result is not checked, and a late reply met there is not recovered from.</summary>
        public T WithHandle<T>(HandleCall<T> call)
        {
            lock (sync)
            {
                Prepare("WithHandle", true);
                return call(ref handle);
            }
        }

        // ---- internals ----

        static long Now
        {
            get { return Stopwatch.GetTimestamp() * 1000 / Stopwatch.Frequency; }
        }

        string Op(string name)
        {
            return (serial ? "VEKser_" : "VEKnet_") + name;
        }

        static int Bit(Axis axis)
        {
            int bit = (int)axis;
            if (bit <= 0 || bit > 512 || (bit & (bit - 1)) != 0)
                throw new ArgumentException(bit + " is not an axis", "axis");
            return bit;
        }

        static int Index(int bit)
        {
            int index = 0;
            while ((bit >>= 1) != 0) ++index;
            return index;
        }

        static Axis[] AxesOf(int mask)
        {
            var axes = new List<Axis>();
            for (int i = 0; i < AxisCount; ++i)
                if ((mask & (1 << i)) != 0) axes.Add((Axis)(1 << i));
            return axes.ToArray();
        }

        static void CheckTimeout(TimeSpan timeout)
        {
            if (timeout < TimeSpan.Zero) throw new ArgumentOutOfRangeException("timeout", "negative time-out");
        }

        static void CheckText(string text)
        {
            if (string.IsNullOrEmpty(text) || text.IndexOf('\0') >= 0)
                throw new ArgumentException("empty text or a NUL in it", "text");
        }

        void Check(uint rc, string name)
        {
            if (rc == 0) return;
            NoteLostReply(rc);
            throw VekException.For(rc, Op(name));
        }

        void NoteLostReply(uint rc)
        {
            var r = (Result)rc;
            if (!serial)
            {
                if (r == Result.VEK_ERROR_SOCKET_SEND || r == Result.VEK_ERROR_SOCKET_RECEIVE ||
                    r == Result.VEK_ERROR_SOCKET_RECEIVE_TIMEOUT || r == Result.VEK_ERROR_ACK_NAK_TIMEOUT ||
                    r == Result.VEK_ERROR_NO_COMMAND_ACK)
                    reconnect = true;
            }
            else if (r == Result.VEK_ERROR_SERIAL_READ_TIMEOUT)
            {
                resync = true;
                resyncSince = Now;
            }
        }

        // Before a call: refuses a closed controller, and makes sure that no late reply can reach the call. A call
        // that reads nothing back (a serial send) needs no serial resync.
        void Prepare(string method, bool reads)
        {
            if (!open) throw new ClosedException("VekKestra.Controller." + method);
            if (reconnect) Reopen();
            if (resync && reads) Drain();
        }

        void Reopen()
        {
            Native.VEKnet_Close(ref handle);
            uint rc = Native.VEKnet_Initialize(address, port, ref handle);
            if (rc != 0)
            {
                if (handle != 0) Native.VEKnet_Close(ref handle);
                handle = 0;
                throw VekException.For(rc, "VEKnet_Initialize", "reconnecting to " + address + ":" + port);
            }
            reconnect = false;
        }

        // Reads serial lines and drops them until the late answer has come and the line is quiet again, or until
        // the window after the time-out has passed. An empty query sends nothing and reads one line; it returns
        // 352 once no line has come for about 100 ms.
        void Drain()
        {
            long deadline = resyncSince + ResyncWindowMs;
            long giveUp = Now + ResyncWindowMs;
            bool heard = false;
            var line = new byte[AnswerSize];
            for (;;)
            {
                Array.Clear(line, 0, AnswerSize);
                var r = (Result)Native.VEKser_Query(ref handle, "", line, AnswerSize);
                if (r != Result.VEK_SUCCESS && r != Result.VEK_ERROR_ANSWER_TOO_LONG &&
                    r != Result.VEK_ERROR_SERIAL_READ_TIMEOUT)
                    throw VekException.For((uint)r, "VEKser_Query", "reading a late answer");
                long now = Now;
                if (r != Result.VEK_ERROR_SERIAL_READ_TIMEOUT || line[0] != 0)
                    heard = true;
                else if (heard || now >= deadline)
                    break;
                if (now >= giveUp) return;  // still talking: try again before the next call
            }
            resync = false;
        }

        void SetMoving(int mask)
        {
            moving |= mask;
            ++starts;
            for (int i = 0; i < AxisCount; ++i)
                if ((mask & (1 << i)) != 0) started[i] = starts;
        }

        internal long StartMark
        {
            get { lock (sync) return starts; }
        }

        internal void StopStartedAfter(long mark)
        {
            lock (sync)
            {
                int mask = 0;
                for (int i = 0; i < AxisCount; ++i)
                    if ((moving & (1 << i)) != 0 && started[i] > mark) mask |= 1 << i;
                StopQuietly(mask);
            }
        }

        // The motion command's result: the axes count as moving unless the command surely did not run.
        void StartedMotion(uint rc, int mask, string name)
        {
            var r = (Result)rc;
            if (r == Result.VEK_SUCCESS || r == Result.VEK_ERROR_SOCKET_RECEIVE ||
                r == Result.VEK_ERROR_SOCKET_RECEIVE_TIMEOUT || r == Result.VEK_ERROR_ACK_NAK_TIMEOUT ||
                r == Result.VEK_ERROR_NO_COMMAND_ACK)
                SetMoving(mask);
            Check(rc, name);
        }

        // A best-effort stop for the paths that are already failing or leaving: never throws.
        void StopQuietly(int mask)
        {
            if (mask == 0 || !open) return;
            try
            {
                Prepare("Stop", false);
                uint rc = serial ? Native.VEKser_StopMotion(ref handle, mask) : Native.VEKnet_StopMotion(ref handle, mask);
                if (rc == 0) moving &= ~mask;
            }
            catch (VekException)
            {
            }
        }

        void CloseLink()
        {
            if (!open) return;
            if (serial)
                Native.VEKser_Close(ref handle);
            else
                Native.VEKnet_Close(ref handle);
            open = false;
        }

        void Halt(Axis[] axes, bool abrupt)
        {
            int mask = 0;
            foreach (Axis axis in axes ?? new Axis[0]) mask |= Bit(axis);
            if (axes == null || axes.Length == 0) mask = AllAxes;
            lock (sync)
            {
                Prepare(abrupt ? "Kill" : "Stop", false);
                if (abrupt)
                    Check(serial ? Native.VEKser_KillMotion(ref handle, mask) : Native.VEKnet_KillMotion(ref handle, mask),
                          "KillMotion");
                else
                    Check(serial ? Native.VEKser_StopMotion(ref handle, mask) : Native.VEKnet_StopMotion(ref handle, mask),
                          "StopMotion");
                moving &= ~mask;
            }
        }

        void RunMove(IDictionary<Axis, int> targets, int kind, string method, TimeSpan timeout, OnTimeout onTimeout,
                     CancellationToken cancel)
        {
            CheckTimeout(timeout);
            if (targets == null || targets.Count == 0) throw new ArgumentException("no axis to move", "targets");
            var values = new int[AxisCount];
            int mask = 0;
            foreach (KeyValuePair<Axis, int> t in targets)
            {
                int bit = Bit(t.Key);
                mask |= bit;
                values[Index(bit)] = t.Value;
            }
            if (targets.Count == 1)
            {
                int value = values[Index(mask)];
                RunMotion(mask, "MoveAxis", method, timeout, onTimeout, cancel,
                          () => serial ? Native.VEKser_MoveAxis(ref handle, mask, kind, value, 0, 0)
                                       : Native.VEKnet_MoveAxis(ref handle, mask, kind, value, 0, 0));
            }
            else
            {
                RunMotion(mask, "Move", method, timeout, onTimeout, cancel,
                          () => serial ? Native.VEKser_Move(ref handle, mask, 0, kind, values, 0, 0)
                                       : Native.VEKnet_Move(ref handle, mask, 0, kind, values, 0, 0));
            }
        }

        // Clears the axes' flags, sends the motion command (whose own wait is 0) and waits as docs/motion.md says.
        void RunMotion(int mask, string name, string method, TimeSpan timeout, OnTimeout onTimeout,
                       CancellationToken cancel, Func<uint> command)
        {
            lock (sync)
            {
                Prepare(method, true);
                ClearFlags(mask);
                StartedMotion(command(), mask, name);
            }
            if (timeout > TimeSpan.Zero) Wait(mask, Op(name), method, timeout, onTimeout, cancel);
        }

        // Fresh flags for the axes about to move: what has already arrived is folded first, so that a notification
        // of an earlier motion cannot set a flag after the clear.
        void ClearFlags(int mask)
        {
            uint flags;
            if (serial)
            {
                Check(Native.VEKser_GetAllDoneFlags(ref handle, out flags), "GetAllDoneFlags");
                Check(Native.VEKser_ClearMultiAxisDoneFlags(ref handle, mask), "ClearMultiAxisDoneFlags");
                Check(Native.VEKser_ClearMultiAxisOvertravelFlags(ref handle, mask), "ClearMultiAxisOvertravelFlags");
                Check(Native.VEKser_ClearMultiAxisSlipFlag(ref handle, mask), "ClearMultiAxisSlipFlag");
            }
            else
            {
                Check(Native.VEKnet_GetAllDoneFlags(ref handle, out flags), "GetAllDoneFlags");
                Check(Native.VEKnet_ClearMultiAxisDoneFlags(ref handle, mask), "ClearMultiAxisDoneFlags");
                Check(Native.VEKnet_ClearMultiAxisOvertravelFlags(ref handle, mask), "ClearMultiAxisOvertravelFlags");
                Check(Native.VEKnet_ClearMultiAxisSlipFlag(ref handle, mask), "ClearMultiAxisSlipFlag");
            }
        }

        void Wait(int mask, string operation, string method, TimeSpan timeout, OnTimeout onTimeout,
                  CancellationToken cancel)
        {
            long deadline = Now + (long)Math.Min(timeout.TotalMilliseconds, long.MaxValue / 4);
            long confirmAt = Now + ConfirmMs;
            int pending = mask;
            for (;;)
            {
                lock (sync)
                {
                    Prepare(method, true);
                    if (cancel.IsCancellationRequested)
                    {
                        StopQuietly(mask);
                        throw new OperationCanceledException(operation + ": the wait was cancelled", cancel);
                    }
                    try
                    {
                        if (Look(mask, ref pending, ref confirmAt, operation)) return;
                    }
                    catch (AxisException)
                    {
                        throw;
                    }
                    catch (Exception)
                    {
                        StopQuietly(mask);  // a wait that cannot go on leaves nothing running
                        throw;
                    }
                    if (Now >= deadline)
                    {
                        if (onTimeout == OnTimeout.Stop) StopQuietly(mask);
                        throw new VekTimeoutException((uint)Result.VEK_ERROR_WAIT_TIMEOUT, operation);
                    }
                }
                int pause = (int)Math.Max(0, Math.Min(SliceMs, deadline - Now));
                if (cancel.CanBeCanceled)
                    cancel.WaitHandle.WaitOne(pause);
                else
                    Thread.Sleep(pause);
            }
        }

        // One slice of a wait: true when every moved axis has ended.
        bool Look(int mask, ref int pending, ref long confirmAt, string operation)
        {
            uint flags;
            Check(serial ? Native.VEKser_GetAllDoneFlags(ref handle, out flags)
                         : Native.VEKnet_GetAllDoneFlags(ref handle, out flags), "GetAllDoneFlags");
            EndOnTrip(flags, mask, operation);
            pending &= ~(int)(flags & AllAxes);
            if (pending != 0 && Now >= confirmAt)
            {
                ConfirmAtRest(ref pending);
                confirmAt = Now + ConfirmMs;
            }
            if (pending != 0) return false;
            moving &= ~mask;
            return true;
        }

        // A moved axis that reported a limit or a slip ends the wait: the other moved axes are stopped first.
        void EndOnTrip(uint flags, int mask, string operation)
        {
            int limit = (int)(flags >> LimitShift) & mask;
            int slip = (int)(flags >> SlipShift) & mask;
            if (limit == 0 && slip == 0) return;
            int tripped = limit != 0 ? limit : slip;
            StopQuietly(mask & ~tripped);
            moving &= ~mask;
            Axis axis = AxesOf(tripped)[0];
            int position;
            bool read = (serial ? Native.VEKser_GetAxisMotorPosition(ref handle, (int)axis, out position)
                                : Native.VEKnet_GetAxisMotorPosition(ref handle, (int)axis, out position)) == 0;
            if (limit != 0) throw new LimitException(operation, axis, position, read);
            throw new SlipException(operation, axis, position, read);
        }

        // Asks the axes still missing their done report whether they move; those at rest count as done.
        void ConfirmAtRest(ref int pending)
        {
            for (int i = 0; i < AxisCount; ++i)
            {
                int bit = 1 << i;
                if ((pending & bit) == 0) continue;
                var status = new uint[5];
                Check(serial ? Native.VEKser_GetAxisEncoderStatus(ref handle, bit, status)
                             : Native.VEKnet_GetAxisEncoderStatus(ref handle, bit, status), "GetAxisEncoderStatus");
                if (status[MovingLetter] == 0) pending &= ~bit;
            }
        }
    }

    /// <summary>The axes that a controller sets moving inside a using block are stopped when the block is left
    /// without Complete(): that is, by an exception.</summary>
    public sealed class MotionScope : IDisposable
    {
        readonly Controller controller;
        readonly long mark;
        bool completed;

        public MotionScope(Controller controller)
        {
            if (controller == null) throw new ArgumentNullException("controller");
            this.controller = controller;
            mark = controller.StartMark;
        }

        /// <summary>The block reached its end: leave what it set moving alone.</summary>
        public void Complete()
        {
            completed = true;
        }

        public void Dispose()
        {
            if (!completed) controller.StopStartedAfter(mark);
            completed = true;
        }
    }
}
