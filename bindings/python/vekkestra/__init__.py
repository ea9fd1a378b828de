"""Python access to the VekKestra motion-controller library.

Two layers:

* ``library()`` gives the loaded shared library with every one of its 145
  exports typed, to be called exactly as from C.
* ``Controller`` wraps one connection (TCP or serial) in methods that take
  Python values, raise ``VekError`` for a failed result and return what the
  operation read.

The library is found through the ``VEKKESTRA_LIBRARY`` environment variable
(a path to ``libvekkestra.so`` or ``VekKestra.dll``), else by the system's
usual search.
"""

import ctypes
import ctypes.util
import enum
import os
import sys

from ._exports import all_signatures

__all__ = [
    "AXES", "ALL_AXES", "AXIS_COUNT", "Result", "VekError", "Controller",
    "library", "version", "axis_bit", "axis_mask", "start_logger",
    "stop_logger", "log_marker",
]

AXES = "XYZTUVRSWK"
AXIS_COUNT = 10
ALL_AXES = 0x3FF


class Result(enum.IntEnum):
    """The library's result codes."""

    VEK_SUCCESS = 0
    VEK_ERROR_INVALID_AXIS = 2
    VEK_ERROR_INVALID_PARAMETER = 3
    VEK_ERROR_COMMAND_TOO_LONG = 5
    VEK_ERROR_WAIT_TIMEOUT = 6
    VEK_ERROR_ANSWER_TOO_LONG = 7
    VEK_ERROR_LOG_FILE = 50
    VEK_ERROR_POLL_TIMEOUT = 101
    VEK_ERROR_INVALID_IP_ADDRESS = 201
    VEK_ERROR_ETHERNET_CONNECT = 202
    VEK_ERROR_SOCKET_SEND = 211
    VEK_ERROR_SOCKET_RECEIVE = 212
    VEK_ERROR_SOCKET_RECEIVE_TIMEOUT = 213
    VEK_ERROR_ACK_NAK_TIMEOUT = 214
    VEK_ERROR_BAD_RESPONSE = 215
    VEK_ERROR_COMMAND_NAK = 216
    VEK_ERROR_NO_COMMAND_ACK = 217
    VEK_ERROR_SERIAL_OPEN = 301
    VEK_ERROR_SERIAL_WRITE = 350
    VEK_ERROR_SERIAL_READ = 351
    VEK_ERROR_SERIAL_READ_TIMEOUT = 352


def result_text(code):
    """'VEK_ERROR_WAIT_TIMEOUT (6)', or 'unknown result (N)'."""
    try:
        return "%s (%d)" % (Result(code).name, code)
    except ValueError:
        return "unknown result (%d)" % code


class VekError(Exception):
    """A library operation returned a result other than VEK_SUCCESS."""

    def __init__(self, code, operation=""):
        self.code = int(code)
        self.operation = operation
        text = result_text(self.code)
        super().__init__("%s: %s" % (operation, text) if operation else text)

    @property
    def result(self):
        """The code as a ``Result`` member, or the plain number if unknown."""
        try:
            return Result(self.code)
        except ValueError:
            return self.code


_library = None


def _find_library():
    path = os.environ.get("VEKKESTRA_LIBRARY")
    if path:
        return path
    found = ctypes.util.find_library("vekkestra") or ctypes.util.find_library("VekKestra")
    if found:
        return found
    return "VekKestra.dll" if sys.platform == "win32" else "libvekkestra.so"


def library():
    """The loaded library, every export typed; loaded on first use."""
    global _library
    if _library is None:
        path = _find_library()
        # 32-bit Windows builds use the callee-cleans convention.
        if sys.platform == "win32" and ctypes.sizeof(ctypes.c_void_p) == 4:
            lib = ctypes.WinDLL(path)
        else:
            lib = ctypes.CDLL(path)
        for name, restype, argtypes in all_signatures():
            # An export this build lacks stays missing: calling it raises
            # AttributeError instead of guessing its types.
            function = getattr(lib, name, None)
            if function is not None:
                function.restype = restype
                function.argtypes = list(argtypes)
        _library = lib
    return _library


def _check(code, operation):
    if code != 0:
        raise VekError(code, operation)


def axis_bit(axis):
    """The axis bit of a letter ('X'..'K') or of an axis bit given as a number."""
    if isinstance(axis, str):
        index = AXES.find(axis.upper())
        if len(axis) != 1 or index < 0:
            raise ValueError("no axis named %r (axes %s)" % (axis, AXES))
        return 1 << index
    return int(axis)


def axis_mask(axes):
    """A mask from letters ('XY'), an iterable of letters or bits, or a number."""
    if isinstance(axes, int):
        return axes
    mask = 0
    for axis in axes:
        if axis in (",", " "):
            continue
        mask |= axis_bit(axis)
    return mask


def _value_list(values):
    """(mask, ten-slot int32 array) from a mapping of axes to values."""
    slots = (ctypes.c_int32 * AXIS_COUNT)()
    mask = 0
    for axis, value in values.items():
        bit = axis_bit(axis)
        index = bit.bit_length() - 1
        if bit <= 0 or bit & (bit - 1) or index >= AXIS_COUNT:
            raise ValueError("%r is not one axis" % (axis,))
        slots[index] = int(value)
        mask |= bit
    return mask, slots


def version():
    """The library's version text."""
    buffer = ctypes.create_string_buffer(80)
    library().VEK_GetDLLVersion(buffer, len(buffer))
    return buffer.value.decode("ascii", "replace")


def start_logger(path, mask=0xA70007):
    _check(library().VEK_StartDllLogger(os.fsencode(path), mask), "VEK_StartDllLogger")


def stop_logger():
    _check(library().VEK_StopDllLogger(), "VEK_StopDllLogger")


def log_marker(text):
    _check(library().VEK_DllLoggerLineMarker(text.encode()), "VEK_DllLoggerLineMarker")


class Controller:
    """One connection to a controller, over TCP or a serial port.

    Use ``Controller.tcp(host, port)`` or ``Controller.serial(port, baud)``;
    the object closes its connection when used as a context manager.
    """

    def __init__(self, prefix):
        self._prefix = prefix
        self._handle = ctypes.c_uint32(0)
        self._lib = library()

    @classmethod
    def tcp(cls, host, port):
        controller = cls("VEKnet_")
        lib = controller._lib
        _check(lib.VEKnet_Initialize(host.encode(), port, ctypes.byref(controller._handle)), "VEKnet_Initialize")
        return controller

    @classmethod
    def serial(cls, port, baud=115200):
        controller = cls("VEKser_")
        lib = controller._lib
        _check(lib.VEKser_Initialize(port, baud, ctypes.byref(controller._handle)), "VEKser_Initialize")
        return controller

    def close(self):
        if self._handle.value:
            getattr(self._lib, self._prefix + "Close")(ctypes.byref(self._handle))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    @property
    def is_open(self):
        return self._handle.value != 0

    def call(self, operation, *args):
        """Calls ``<prefix><operation>(handle, *args)``; raises on failure."""
        name = self._prefix + operation
        _check(getattr(self._lib, name)(ctypes.byref(self._handle), *args), name)

    # -- raw exchange --------------------------------------------------------

    def send(self, text):
        self.call("SendCommand", text.encode())

    def query(self, text, size=256):
        answer = ctypes.create_string_buffer(size)
        self.call("Query", text.encode(), answer, size - 1)
        return answer.value.decode("ascii", "replace")

    # -- motion --------------------------------------------------------------

    def move_axis(self, axis, value, relative=False, in_position=False, timeout_ms=0):
        self.call("MoveAxis", axis_bit(axis), int(relative), value, int(in_position), timeout_ms)

    def move(self, targets, kind=0, am=False, in_position=False, timeout_ms=0):
        """Moves several axes: ``targets`` maps axes to values; kind 0 MA, 1 MR, 2 MT, 3 ML."""
        mask, slots = _value_list(targets)
        self.call("Move", mask, int(am), kind, slots, int(in_position), timeout_ms)

    def jog_axis(self, axis, velocity):
        kind = 0 if float(velocity).is_integer() else 1
        self.call("JogAxis", axis_bit(axis), kind, float(velocity))

    def jog(self, velocities, am=False):
        mask, slots = _value_list(velocities)
        self.call("Jog", mask, int(am), slots)

    def stop(self, axes=ALL_AXES):
        self.call("StopMotion", axis_mask(axes))

    def kill(self, axes=ALL_AXES):
        self.call("KillMotion", axis_mask(axes))

    def find_home(self, axis, edge=False, reset=False, value=0, timeout_ms=0):
        self.call("FindAxisHome", axis_bit(axis), int(edge), int(reset), value, timeout_ms)

    def find_limit(self, axis, negative=False, velocity=2000, timeout_ms=0):
        self.call("FindAxisLimit", axis_bit(axis), int(negative), velocity, timeout_ms)

    # -- positions -----------------------------------------------------------

    def _read_one(self, operation, axis):
        value = ctypes.c_int32(0)
        self.call(operation, axis_bit(axis), ctypes.byref(value))
        return value.value

    def motor_position(self, axis):
        return self._read_one("GetAxisMotorPosition", axis)

    def encoder_position(self, axis):
        return self._read_one("GetAxisEncoderPosition", axis)

    def positions(self):
        """(motor positions, encoder positions), ten of each, X first."""
        motor = (ctypes.c_int32 * AXIS_COUNT)()
        encoder = (ctypes.c_int32 * AXIS_COUNT)()
        self.call("GetAllAxisPositions", motor, encoder)
        return list(motor), list(encoder)

    def set_motor_position(self, axis, position):
        self.call("SetAxisMotorPosition", axis_bit(axis), position)

    # -- flags ---------------------------------------------------------------

    def status_word(self):
        """The transport's whole status word: done bits 0-9, limit 10-19, slip 20-29, error 30."""
        word = ctypes.c_uint32(0)
        self.call("GetAllDoneFlags", ctypes.byref(word))
        return word.value

    def clear_done(self, axes=ALL_AXES):
        self.call("ClearMultiAxisDoneFlags", axis_mask(axes))

    def illegal_command(self, size=128):
        text = ctypes.create_string_buffer(size)
        length = ctypes.c_int32(0)
        self.call("GetIllegalCommand", text, size, ctypes.byref(length))
        return text.raw[: length.value].decode("ascii", "replace")

    # -- I/O -----------------------------------------------------------------

    def _read_word(self, operation):
        word = ctypes.c_uint32(0)
        self.call(operation, ctypes.byref(word))
        return word.value

    def io_direction(self):
        return self._read_word("GetIOBitsDirection")

    def io_state(self):
        return self._read_word("GetIOBitsState")

    def set_io_direction(self, word):
        self.call("SetIOBitsDirection", word)

    def set_output_bit(self, bit, level):
        self.call("SetOutputBitState", 1 << bit, int(level))
