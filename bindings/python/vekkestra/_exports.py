"""The library's exports and their C signatures, for ctypes, and its result
codes.

Written by vek_export_list from the library's operation table; do not
edit. Every operation of the command set exists twice, as ``VEKnet_<Name>``
and ``VEKser_<Name>`` with the same arguments, so those are listed once.
"""

import ctypes
from typing import Any, Iterator, Optional, Sequence, Tuple

U32 = ctypes.c_uint32
I32 = ctypes.c_int32
F64 = ctypes.c_double
CSTR = ctypes.c_char_p  # NUL-terminated text the library reads
CHARP = ctypes.c_char_p  # a caller's buffer the library writes
PU32 = ctypes.POINTER(ctypes.c_uint32)
PI32 = ctypes.POINTER(ctypes.c_int32)
VOID = None

# (name without prefix, argument types after the handle); all return a result.
OPERATIONS = (
    ("SendCommand", (CSTR,)),
    ("Query", (CSTR, CHARP, I32)),
    ("MoveAxis", (I32, I32, I32, I32, I32)),
    ("JogAxis", (I32, I32, F64)),
    ("MoveAxisOneStep", (I32, I32)),
    ("Move", (I32, I32, I32, PI32, I32, I32)),
    ("Jog", (I32, I32, PI32)),
    ("StopMotion", (I32,)),
    ("KillMotion", (I32,)),
    ("SetAxisHomeSwitchLogic", (I32, I32)),
    ("FindAxisHome", (I32, I32, I32, I32, I32)),
    ("FindAxisLimit", (I32, I32, I32, I32)),
    ("GetAxisMotorPosition", (I32, PI32)),
    ("GetAxisEncoderPosition", (I32, PI32)),
    ("GetAllAxisMotorPositions", (PI32,)),
    ("GetAllAxisEncoderPositions", (PI32,)),
    ("GetAllAxisPositions", (PI32, PI32)),
    ("SetAxisMotorPosition", (I32, I32)),
    ("SetMultiAxisMotorPositions", (I32, I32, PI32)),
    ("GetAxisCurrentVelocity", (I32, PI32)),
    ("GetAllCurrentVelocities", (I32, PI32)),
    ("GetAxisBaseVelocity", (I32, PI32)),
    ("SetAxisBaseVelocity", (I32, I32)),
    ("GetAxisMaxVelocity", (I32, PI32)),
    ("SetAxisMaxVelocity", (I32, I32)),
    ("GetAxisAcceleration", (I32, PI32)),
    ("SetAxisAcceleration", (I32, I32)),
    ("GetAxisCurrentAcceleration", (I32, PI32)),
    ("GetAllCurrentAccelerations", (I32, PI32)),
    ("SetAxisAccelerationCosine", (I32,)),
    ("SetAxisAccelerationLinear", (I32,)),
    ("SetAxisAccelerationParabolic", (I32, I32)),
    ("SetAxisAccelerationSCurve", (I32, I32)),
    ("GetAxisDoneFlag", (I32, PU32)),
    ("GetAllDoneFlags", (PU32,)),
    ("ClearMultiAxisDoneFlags", (I32,)),
    ("GetAxisOvertravelFlag", (I32, PU32)),
    ("GetAllOvertravelFlags", (PU32,)),
    ("ClearMultiAxisOvertravelFlags", (I32,)),
    ("GetCommandErrorFlag", (PU32,)),
    ("ClearCommandErrorFlag", ()),
    ("GetIllegalCommand", (CHARP, I32, PI32)),
    ("EnableAxisSlipDectection", (I32,)),
    ("GetAxisSlipFlag", (I32, PU32)),
    ("GetAllAxesSlipFlag", (PU32,)),
    ("ClearMultiAxisSlipFlag", (I32,)),
    ("GetAxisEncoderStatus", (I32, PU32)),
    ("SetAxisPID", (I32, I32)),
    ("SetAxisEncoderRatio", (I32, I32, I32)),
    ("SetAxisHoldDeadBand", (I32, I32, I32, I32)),
    ("SetAxisEncoderSlipTolerance", (I32, I32)),
    ("SetAxisHoldGain", (I32, I32)),
    ("SetAxisHoldVelocity", (I32, I32)),
    ("SetAxisOvertravelDetect", (I32, U32)),
    ("SetAxisOvertravelSense", (I32, U32)),
    ("SetAxisOvertravelStopMode", (I32, U32)),
    ("SetAxisSoftwareTravelLimits", (I32, I32, I32)),
    ("GetIOBitsDirection", (PU32,)),
    ("SetIOBitsDirection", (U32,)),
    ("GetIOBitsState", (PU32,)),
    ("SetOutputBitsState", (U32,)),
    ("GetIOBitState", (U32, PU32)),
    ("SetOutputBitState", (I32, I32)),
    ("EnableAxisAux", (I32, I32)),
    ("SetAxisAuxSettleTime", (I32, I32)),
    ("SetAxisAuxDefaultState", (I32, U32)),
    ("SetAxisAuxBit", (I32, U32)),
)

# The exports whose twins differ, and the utilities: (name, result, argument types).
OTHERS = (
    ("VEKnet_Initialize", U32, (CSTR, U32, PU32)),
    ("VEKnet_Close", VOID, (PU32,)),
    ("VEKnet_GetLastError", I32, ()),
    ("VEKser_Initialize", U32, (I32, I32, PU32)),
    ("VEKser_Close", VOID, (PU32,)),
    ("VEKser_GetLastError", U32, ()),
    ("VEK_Pause", VOID, (I32,)),
    ("VEK_GetDLLVersion", CHARP, (CHARP, U32)),
    ("VEK_StartDllLogger", U32, (CSTR, I32)),
    ("VEK_StopDllLogger", U32, ()),
    ("VEK_DllLoggerLineMarker", U32, (CSTR,)),
)

# The result codes, name and number, in the header's order.
RESULT_CODES = (
    ("VEK_SUCCESS", 0),
    ("VEK_ERROR_INVALID_AXIS", 2),
    ("VEK_ERROR_INVALID_PARAMETER", 3),
    ("VEK_ERROR_COMMAND_TOO_LONG", 5),
    ("VEK_ERROR_WAIT_TIMEOUT", 6),
    ("VEK_ERROR_ANSWER_TOO_LONG", 7),
    ("VEK_ERROR_LOG_FILE", 50),
    ("VEK_ERROR_POLL_TIMEOUT", 101),
    ("VEK_ERROR_INVALID_IP_ADDRESS", 201),
    ("VEK_ERROR_ETHERNET_CONNECT", 202),
    ("VEK_ERROR_SOCKET_SEND", 211),
    ("VEK_ERROR_SOCKET_RECEIVE", 212),
    ("VEK_ERROR_SOCKET_RECEIVE_TIMEOUT", 213),
    ("VEK_ERROR_ACK_NAK_TIMEOUT", 214),
    ("VEK_ERROR_BAD_RESPONSE", 215),
    ("VEK_ERROR_COMMAND_NAK", 216),
    ("VEK_ERROR_NO_COMMAND_ACK", 217),
    ("VEK_ERROR_SERIAL_OPEN", 301),
    ("VEK_ERROR_SERIAL_WRITE", 350),
    ("VEK_ERROR_SERIAL_READ", 351),
    ("VEK_ERROR_SERIAL_READ_TIMEOUT", 352),
)


def all_signatures() -> Iterator[Tuple[str, Optional[Any], Sequence[Any]]]:
    """Yields (export name, result type, argument types) for all 145 exports."""
    yield from OTHERS
    for prefix in ("VEKnet_", "VEKser_"):
        for name, args in OPERATIONS:
            yield prefix + name, U32, (PU32,) + args
