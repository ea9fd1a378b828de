// VekKestra for .NET, its native part: the P/Invoke declarations of the library's exports (Native) and of
// the motion core (NativeMotion), the core's structs and constants, the axes and the result codes. Written by
// vek_export_list from the library's operation table and the motion core's header; do not edit.
//
// CallingConvention.Winapi is stdcall on 32-bit Windows, as the DLLs are built, and the platform's only
// convention elsewhere.
using System;
using System.Runtime.InteropServices;

namespace VekKestra
{
    /// <summary>The 145 exports of vekkestra.h, one to a line, with the header's parameter names. A handle is
    /// the application's connection variable, passed by reference; answer buffers are byte arrays with their
    /// size.</summary>
    public static class Native
    {
        public const string Library = "vekkestra";

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
    }

    /// <summary>The ten axes in the controller's order; each value is the axis bit of vekkestra.h.</summary>
    public enum Axis
    {
        X = 1,
        Y = 2,
        Z = 4,
        T = 8,
        U = 16,
        V = 32,
        R = 64,
        S = 128,
        W = 256,
        K = 512,
    }

    /// <summary>The result codes: the library's (vekkestra.h), then the motion core's
    /// (vekkestra_motion.h).</summary>
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
        VEK_ERROR_SERIAL_READ_TIMEOUT = 352,
        VEKM_LIMIT = 1001,
        VEKM_SLIP = 1002,
        VEKM_INTERRUPTED = 1003,
        VEKM_CANCELLED = 1004,
        VEKM_CLOSED = 1005,
        VEKM_BAD_ARGUMENT = 1006,
    }

    /// <summary>What went wrong, as vekkestra_motion.h describes it: filled by every function of the core
    /// that takes one.</summary>
    [StructLayout(LayoutKind.Sequential, CharSet = CharSet.Ansi)]
    public struct VekmError
    {
        public uint code;
        public int kind;
        public int axis;
        public int axis_index;
        public int position;
        public int position_read;
        public int signal;
        public int stopped;
        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 64)] public string operation;
        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 40)] public string name;
        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 256)] public string detail;
        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 256)] public string hint;
        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 640)] public string message;
    }

    /// <summary>One axis as vekm_poll() saw it.</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct VekmAxisState
    {
        public int state;
        public int flags;
        public int motor;
        public int encoder;
        public int target;
        public int direction;
    }

    /// <summary>The function vekm_with_handle() runs under the controller's lock.</summary>
    [UnmanagedFunctionPointer(CallingConvention.Winapi)]
    public delegate uint VekmHandleCall(ref uint handle, IntPtr context);

    /// <summary>The functions of vekkestra_motion.h and vekkestra_motion_calls.h, and the constants the
    /// layers use. "VekKestraMotion" is VekKestraMotion.dll on Windows; elsewhere the dll map beside the
    /// assembly names libvekkestra-motion.so.</summary>
    public static class NativeMotion
    {
        public const string Library = "VekKestraMotion";

        public const int VEK_AXIS_COUNT = 10;
        public const int VEK_ALL_AXES = 1023;
        public const int VEKM_DEFAULT_TIMEOUT_MS = 60000;
        public const int VEKM_KIND_NONE = 0;
        public const int VEKM_KIND_OTHER = 1;
        public const int VEKM_KIND_TIMEOUT = 2;
        public const int VEKM_KIND_CONNECTION = 3;
        public const int VEKM_KIND_CLOSED = 4;
        public const int VEKM_KIND_LIMIT = 5;
        public const int VEKM_KIND_SLIP = 6;
        public const int VEKM_KIND_INTERRUPTED = 7;
        public const int VEKM_KIND_CANCELLED = 8;
        public const int VEKM_KIND_ARGUMENT = 9;
        public const int VEKM_RELATIVE = 1;
        public const int VEKM_KEEP_MOVING = 2;
        public const int VEKM_IN_POSITION = 4;
        public const int VEKM_HOME_EDGE = 8;
        public const int VEKM_HOME_RESET = 16;
        public const int VEKM_STATE_AT_REST = 0;
        public const int VEKM_STATE_MOVING = 1;
        public const int VEKM_STATE_LIMIT = 2;
        public const int VEKM_STATE_SLIP = 3;
        public const int VEKM_STATE_REFUSED = 4;
        public const int VEKM_AXIS_HOME_SWITCH = 1;
        public const int VEKM_AXIS_PID = 2;
        public const int VEKM_AXIS_SLIP_DETECTION = 4;
        public const int VEKM_AXIS_OURS = 8;
        public const int VEKM_AXIS_ENDED = 16;
        public const int VEKM_AXIS_SHORT = 32;
        public const int VEKM_AXIS_HAS_TARGET = 64;

        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern IntPtr vekm_version();
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern IntPtr vekm_result_name(uint code);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern int vekm_result_kind(uint code);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern IntPtr vekm_result_text(uint code);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern IntPtr vekm_kind_name(int kind);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern int vekm_result_count();
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_result_at(int index);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_open_tcp(string host, int port, out IntPtr controller, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_open_serial(int com, int baud, out IntPtr controller, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern void vekm_close(IntPtr controller);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern void vekm_free(IntPtr controller);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern int vekm_is_open(IntPtr controller);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern int vekm_is_serial(IntPtr controller);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern void vekm_describe(IntPtr controller, byte[] text, int size);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_move(IntPtr controller, int axes, int[] targets, int options, int timeout_ms, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_move_axis(IntPtr controller, int axis, int target, int options, int timeout_ms, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_home(IntPtr controller, int axis, int value, int options, int timeout_ms, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_find_limit(IntPtr controller, int axis, int velocity, int options, int timeout_ms, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_jog(IntPtr controller, int axes, double[] velocities, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_stop(IntPtr controller, int axes, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_kill(IntPtr controller, int axes, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_wait(IntPtr controller, int axes, int options, int timeout_ms, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern int vekm_moving(IntPtr controller);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern ulong vekm_mark(IntPtr controller);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern int vekm_moving_since(IntPtr controller, ulong mark, int this_thread_only);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern void vekm_cancel(IntPtr controller);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern void vekm_interrupt(int signal_number);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_interrupt_count();
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_catch_signals();
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_poll(IntPtr controller, VekmAxisState[] states, out uint word, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_status_word(IntPtr controller, out uint word, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_positions(IntPtr controller, int[] motor, int[] encoder, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_enable_slip_detection(IntPtr controller, int axes, int tolerance, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_send(IntPtr controller, string text, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_query(IntPtr controller, string text, byte[] answer, int size, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_with_handle(IntPtr controller, string operation, VekmHandleCall call, IntPtr context, out VekmError error);

        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_MoveAxis(IntPtr controller, int axis, int moveKind, int value, int suffix, int timeoutMs, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_JogAxis(IntPtr controller, int axis, int jogKind, double velocity, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_MoveAxisOneStep(IntPtr controller, int axis, int direction, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_Move(IntPtr controller, int axes, int addressing, int moveKind, int[] targets, int suffix, int timeoutMs, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_Jog(IntPtr controller, int axes, int addressing, int[] velocities, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_StopMotion(IntPtr controller, int axes, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_KillMotion(IntPtr controller, int axes, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisHomeSwitchLogic(IntPtr controller, int axis, int switchLogic, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_FindAxisHome(IntPtr controller, int axis, int searchCommand, int homeCommand, int homeValue, int timeoutMs, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_FindAxisLimit(IntPtr controller, int axis, int direction, int velocity, int timeoutMs, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisMotorPosition(IntPtr controller, int axis, out int position, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisEncoderPosition(IntPtr controller, int axis, out int position, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAllAxisMotorPositions(IntPtr controller, int[] positions, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAllAxisEncoderPositions(IntPtr controller, int[] positions, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAllAxisPositions(IntPtr controller, int[] motorPositions, int[] encoderPositions, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisMotorPosition(IntPtr controller, int axis, int position, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetMultiAxisMotorPositions(IntPtr controller, int axes, int addressing, int[] positions, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisCurrentVelocity(IntPtr controller, int axis, out int velocity, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAllCurrentVelocities(IntPtr controller, int addressing, int[] velocities, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisBaseVelocity(IntPtr controller, int axis, out int velocity, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisBaseVelocity(IntPtr controller, int axis, int velocity, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisMaxVelocity(IntPtr controller, int axis, out int velocity, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisMaxVelocity(IntPtr controller, int axis, int velocity, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisAcceleration(IntPtr controller, int axis, out int acceleration, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisAcceleration(IntPtr controller, int axis, int acceleration, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisCurrentAcceleration(IntPtr controller, int axis, out int acceleration, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAllCurrentAccelerations(IntPtr controller, int addressing, int[] accelerations, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisAccelerationCosine(IntPtr controller, int axis, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisAccelerationLinear(IntPtr controller, int axis, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisAccelerationParabolic(IntPtr controller, int axis, int rampParameter, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisAccelerationSCurve(IntPtr controller, int axis, int rampParameter, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisDoneFlag(IntPtr controller, int axisBit, out uint flag, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAllDoneFlags(IntPtr controller, out uint flags, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_ClearMultiAxisDoneFlags(IntPtr controller, int axes, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisOvertravelFlag(IntPtr controller, int axisBit, out uint flag, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAllOvertravelFlags(IntPtr controller, out uint flags, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_ClearMultiAxisOvertravelFlags(IntPtr controller, int axes, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetCommandErrorFlag(IntPtr controller, out uint flag, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_ClearCommandErrorFlag(IntPtr controller, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetIllegalCommand(IntPtr controller, byte[] text, int textSize, out int textLength, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_EnableAxisSlipDectection(IntPtr controller, int axis, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisSlipFlag(IntPtr controller, int axisBit, out uint flag, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAllAxesSlipFlag(IntPtr controller, out uint flags, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_ClearMultiAxisSlipFlag(IntPtr controller, int axes, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetAxisEncoderStatus(IntPtr controller, int axis, uint[] status, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisPID(IntPtr controller, int axis, int selector, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisEncoderRatio(IntPtr controller, int axis, int firstTerm, int secondTerm, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisHoldDeadBand(IntPtr controller, int axis, int deadBand, int secondValue, int thirdValue, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisEncoderSlipTolerance(IntPtr controller, int axis, int tolerance, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisHoldGain(IntPtr controller, int axis, int gain, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisHoldVelocity(IntPtr controller, int axis, int velocity, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisOvertravelDetect(IntPtr controller, int axis, uint selector, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisOvertravelSense(IntPtr controller, int axis, uint selector, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisOvertravelStopMode(IntPtr controller, int axis, uint selector, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisSoftwareTravelLimits(IntPtr controller, int axis, int firstLimit, int secondLimit, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetIOBitsDirection(IntPtr controller, out uint direction, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetIOBitsDirection(IntPtr controller, uint direction, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetIOBitsState(IntPtr controller, out uint state, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetOutputBitsState(IntPtr controller, uint outputs, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_GetIOBitState(IntPtr controller, uint bitMask, out uint state, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetOutputBitState(IntPtr controller, int bitMask, int level, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_EnableAxisAux(IntPtr controller, int axis, int selector, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisAuxSettleTime(IntPtr controller, int axis, int settleTime, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisAuxDefaultState(IntPtr controller, int axis, uint selector, out VekmError error);
        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] public static extern uint vekm_call_SetAxisAuxBit(IntPtr controller, int axis, uint selector, out VekmError error);
    }
}
