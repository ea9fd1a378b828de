"""Python access to the VekKestra motion-controller library.

Two layers:

* ``library()`` gives the loaded shared library with every one of its 145
  exports typed, to be called exactly as from C. Integer arguments are
  range-checked on the way in: a value that does not fit its C parameter
  (``int32_t`` or ``uint32_t``) raises ``ctypes.ArgumentError`` instead of
  being wrapped silently.
* ``Controller`` wraps one connection (TCP or serial) in methods that take
  Python values, check them (``ValueError``/``TypeError`` before anything is
  sent), raise ``VekError`` for a failed result and return what the
  operation read. After a call that timed out it drains the connection
  before the next one, so that a reply arriving late is not taken for the
  next call's answer.

Axes are named by letter (``"X"``, ``"Y"``, ``"Z"``, ``"T"``, ``"U"``,
``"V"``, ``"R"``, ``"S"``, ``"W"``, ``"K"``) or by axis bit (1 for X up to
512 for K). Positions, distances and velocities are signed 32-bit integers
in the controller's own units (steps, steps/s, steps/s^2); time-outs are in
milliseconds, 0 meaning no wait.

The library is looked for, in this order: the path in the
``VEKKESTRA_LIBRARY`` environment variable; a library beside this package
or in the ``lib`` directories of the installation prefix it sits in
(``<prefix>/share/vekkestra/python/vekkestra`` next to
``<prefix>/lib/libvekkestra.so.1``); the system's search for
``libvekkestra.so.1``, ``libvekkestra.so`` (``VekKestra.dll`` on Windows).
"""

from __future__ import annotations

import ctypes
import ctypes.util
import enum
import glob
import operator
import os
import re
import select
import socket
import sys
import time
from typing import Any, Callable, Dict, Iterable, List, Mapping, Optional, Tuple, Type, Union

from ._exports import RESULT_CODES, all_signatures
from ._version import __version__

__all__ = [
    "AXES", "ALL_AXES", "AXIS_COUNT", "INT32_MIN", "INT32_MAX", "UINT32_MAX", "Result", "VekError",
    "LibraryNotFoundError", "Controller", "library", "library_path", "version", "axis_bit", "axis_mask",
    "result_text", "start_logger", "stop_logger", "log_marker",
]

#: The axis letters in axis order: the letter at index i has the axis bit 1 << i.
AXES = "XYZTUVRSWK"
AXIS_COUNT = 10
#: The mask of all ten axes.
ALL_AXES = 0x3FF
INT32_MIN = -(2 ** 31)
INT32_MAX = 2 ** 31 - 1
UINT32_MAX = 2 ** 32 - 1

#: One axis: a letter of ``AXES`` (either case) or its axis bit.
Axis = Union[str, int]
#: Several axes: letters ("XZ", "X,Z"), an iterable of letters or bits, or a mask.
Axes = Union[str, int, Iterable[Axis]]


Result = enum.IntEnum("Result", RESULT_CODES)  # type: ignore[misc]
Result.__doc__ = "The library's result codes."


def result_text(code: int) -> str:
    """The name and number of a result code: ``'VEK_ERROR_WAIT_TIMEOUT (6)'``,
    or ``'unknown result (N)'`` for a number the library does not define."""
    try:
        return "%s (%d)" % (Result(code).name, code)
    except ValueError:
        return "unknown result (%d)" % code


class VekError(Exception):
    """A library operation returned a result other than ``VEK_SUCCESS``.

    ``code`` is the number, ``result`` the ``Result`` member, ``operation``
    the export that returned it (``"VEKnet_MoveAxis"``).
    """

    def __init__(self, code: int, operation: str = "") -> None:
        self.code = int(code)
        self.operation = operation
        text = result_text(self.code)
        super().__init__("%s: %s" % (operation, text) if operation else text)

    @property
    def result(self) -> Union[Result, int]:
        """The code as a ``Result`` member, or the plain number if unknown."""
        try:
            return Result(self.code)
        except ValueError:
            return self.code


class LibraryNotFoundError(ImportError):
    """No VekKestra shared library could be loaded; the message lists every
    place that was tried."""


# -- integer arguments ------------------------------------------------------

def _integer(value: Any, low: int, high: int, what: str) -> int:
    """``value`` as an int in [low, high], else TypeError/ValueError naming ``what``."""
    if isinstance(value, ctypes._SimpleCData):  # a ctypes number passed through
        value = value.value
    if isinstance(value, float) or not hasattr(value, "__index__"):
        raise TypeError("%s must be an integer, not %s" % (what, type(value).__name__))
    number = operator.index(value)
    if not low <= number <= high:
        raise ValueError("%s must be in [%d, %d], not %d" % (what, low, high, number))
    return number


def _int32(value: Any, what: str) -> int:
    return _integer(value, INT32_MIN, INT32_MAX, what)


def _uint32(value: Any, what: str) -> int:
    return _integer(value, 0, UINT32_MAX, what)


def _checked_type(base: Type[Any], low: int, high: int) -> Type[Any]:
    """A ctypes argument type that refuses values outside [low, high]; ctypes
    itself would cut them to the parameter's width without a word."""

    class Checked(base):  # type: ignore[misc]
        @classmethod
        def from_param(cls, value: Any) -> Any:
            return base(_integer(value, low, high, "a %s argument" % base.__name__))

    Checked.__name__ = "checked_" + base.__name__
    return Checked


_CHECKED_ARGUMENTS = {
    ctypes.c_int32: _checked_type(ctypes.c_int32, INT32_MIN, INT32_MAX),
    ctypes.c_uint32: _checked_type(ctypes.c_uint32, 0, UINT32_MAX),
}
_ARGUMENT_RANGES = {ctypes.c_int32: (INT32_MIN, INT32_MAX), ctypes.c_uint32: (0, UINT32_MAX)}


# -- loading ----------------------------------------------------------------

_library: Optional[ctypes.CDLL] = None
_library_path: Optional[str] = None


def _library_names() -> List[str]:
    if sys.platform == "win32":
        return ["VekKestra.dll"]
    if sys.platform == "darwin":
        return ["libvekkestra.1.dylib", "libvekkestra.dylib"]
    return ["libvekkestra.so.1", "libvekkestra.so"]


def _candidates() -> List[str]:
    """Where to look, in order, after VEKKESTRA_LIBRARY: beside the package,
    then the lib directories of the prefix it is installed under."""
    package = os.path.dirname(os.path.abspath(__file__))
    # <prefix>/share/vekkestra/python/vekkestra: the prefix is four levels up.
    prefix = os.path.normpath(os.path.join(package, "..", "..", "..", ".."))
    # <prefix>/lib is named even when missing, so that the error says where
    # the library was expected; lib64 and lib/<multiarch> where they exist.
    directories = [package, os.path.join(prefix, "lib")]
    for pattern in ("lib?*", os.path.join("lib*", "*-*"), "bin"):
        directories += sorted(d for d in glob.glob(os.path.join(prefix, pattern)) if os.path.isdir(d))
    return [os.path.join(d, name) for d in directories for name in _library_names()]


def _open(path: str) -> ctypes.CDLL:
    # 32-bit Windows builds use the callee-cleans convention.
    if sys.platform == "win32" and ctypes.sizeof(ctypes.c_void_p) == 4:
        return ctypes.WinDLL(path)
    return ctypes.CDLL(path)


def _load() -> Tuple[ctypes.CDLL, str]:
    tried: List[str] = []
    path = os.environ.get("VEKKESTRA_LIBRARY")
    if path:
        # An explicit choice is not second-guessed: if it fails, say so.
        try:
            return _open(path), path
        except OSError as error:
            raise LibraryNotFoundError("VEKKESTRA_LIBRARY=%s cannot be loaded: %s" % (path, error)) from error
    for candidate in _candidates():
        if os.path.isfile(candidate):
            try:
                return _open(candidate), candidate
            except OSError as error:
                tried.append("%s (%s)" % (candidate, error))
        else:
            tried.append(candidate)
    for name in _library_names() + [ctypes.util.find_library("vekkestra") or "",
                                     ctypes.util.find_library("VekKestra") or ""]:
        if not name:
            continue
        try:
            return _open(name), name
        except OSError:
            tried.append("%s (system search)" % name)
    raise LibraryNotFoundError(
        "the VekKestra library was not found; set VEKKESTRA_LIBRARY to its path. Tried:\n  " + "\n  ".join(tried))


def library() -> ctypes.CDLL:
    """The loaded library with every export typed; loaded on first use.

    Raises ``LibraryNotFoundError`` (an ``ImportError``) when no library can
    be loaded, listing the places it tried.
    """
    global _library, _library_path
    if _library is None:
        lib, path = _load()
        for name, restype, argtypes in all_signatures():
            # An export this build lacks stays missing: calling it raises
            # AttributeError instead of guessing its types.
            function = getattr(lib, name, None)
            if function is not None:
                function.restype = restype
                function.argtypes = [_CHECKED_ARGUMENTS.get(t, t) for t in argtypes]
        _library, _library_path = lib, path
    return _library


def library_path() -> str:
    """The path or name the library was loaded from (loading it if needed)."""
    library()
    assert _library_path is not None
    return _library_path


def _check(code: int, operation: str) -> None:
    if code != 0:
        raise VekError(code, operation)


# -- axes -------------------------------------------------------------------

def axis_bit(axis: Axis) -> int:
    """The axis bit (1 for X up to 512 for K) of a letter or of an axis bit.

    Raises ``ValueError`` for anything that names no single axis.
    """
    if isinstance(axis, str):
        index = AXES.find(axis.upper())
        if len(axis) != 1 or index < 0:
            raise ValueError("no axis named %r (axes %s)" % (axis, AXES))
        return 1 << index
    bit = _integer(axis, 1, 1 << (AXIS_COUNT - 1), "an axis bit")
    if bit & (bit - 1):
        raise ValueError("an axis bit has one bit set (1 for X up to 512 for K), not %d" % bit)
    return bit


def axis_mask(axes: Axes) -> int:
    """A mask of axes (bit i for the axis AXES[i], 0 to 1023) from letters
    ("XY", "X,Y"), an iterable of letters or axis bits, or a mask as a number.

    Raises ``ValueError`` for an unknown letter or a mask above 1023.
    """
    if not isinstance(axes, (str, bytes)) and hasattr(axes, "__index__"):
        return _integer(axes, 0, ALL_AXES, "an axis mask")
    mask = 0
    for axis in axes:
        if axis in (",", " "):
            continue
        mask |= axis_bit(axis)
    return mask


def _value_list(values: Mapping[Axis, int], what: str) -> Tuple[int, "ctypes.Array[ctypes.c_int32]"]:
    """(mask, ten-slot int32 array) from a mapping of axes to values."""
    slots = (ctypes.c_int32 * AXIS_COUNT)()
    mask = 0
    for axis, value in values.items():
        bit = axis_bit(axis)
        if mask & bit:
            raise ValueError("axis %s given twice" % AXES[bit.bit_length() - 1])
        slots[bit.bit_length() - 1] = _int32(value, "%s of %s" % (what, AXES[bit.bit_length() - 1]))
        mask |= bit
    return mask, slots


def _flag(value: Any, what: str) -> int:
    """A 0/1 selector from a bool or 0/1."""
    return _integer(int(value) if isinstance(value, bool) else value, 0, 1, what)


def _timeout(value: Any) -> int:
    # A negative time-out is refused by the library only after the motion
    # command has gone out; refuse it before.
    return _integer(value, 0, INT32_MAX, "timeout_ms")


# -- utilities --------------------------------------------------------------

def version() -> str:
    """The library's version text ("VekKestra DLL v1.03.02 - ...")."""
    buffer = ctypes.create_string_buffer(80)
    library().VEK_GetDLLVersion(buffer, len(buffer))
    return buffer.value.decode("ascii", "replace")


def start_logger(path: Union[str, "os.PathLike[str]"], mask: int = 0xA70007) -> None:
    """Starts the library's log file at ``path`` with the category ``mask``
    (a signed 32-bit value; 0xA70007 is every category)."""
    _check(library().VEK_StartDllLogger(os.fsencode(path), _int32(mask, "mask")), "VEK_StartDllLogger")


def stop_logger() -> None:
    """Stops the library's log file."""
    _check(library().VEK_StopDllLogger(), "VEK_StopDllLogger")


def log_marker(text: str) -> None:
    """Writes ``text`` as a line of its own into the running log."""
    _check(library().VEK_DllLoggerLineMarker(text.encode()), "VEK_DllLoggerLineMarker")


# -- connections ------------------------------------------------------------

# Results after which a reply may still be on its way: the Ethernet reply and
# answer waits (2.5 s), a reply without an ACK (the chunk read may have been
# a stale answer), a lone poll, and the serial answer's silence budget.
_NET_TIMEOUTS = frozenset((101, 213, 214, 217))
_SER_TIMEOUTS = frozenset((352,))

# An Ethernet notification: "%000 ", eight hex digits and two more characters.
_NET_NOTIFICATION = re.compile(rb"%000 [\s\S]{10}")


class Controller:
    """One connection to a controller, over TCP or a serial port.

    Open it with ``Controller.tcp(host, port)`` or
    ``Controller.serial(port, baud)``; it closes its connection when used as
    a context manager. One connection is used by one thread at a time.

    Every method raises ``VekError`` when the library reports a failure, and
    ``ValueError`` or ``TypeError`` before anything is sent when an argument
    is out of range (axes, masks, 0/1 selectors, int32 values).

    Resynchronisation: when a call ends in a time-out (Ethernet results 213,
    214, 217 and 101, serial 352), the controller's reply may still come.
    The next call on this object first drains the connection: it reads and
    discards until a reply has arrived and the line has then been quiet for
    ``quiet_s`` seconds, or until ``resync_window_s`` seconds after the
    time-out passed with nothing. The reading is done by the library's own
    flag refresh, so notifications in the discarded bytes still set flags.
    """

    #: How long after a time-out a late reply is waited for (seconds).
    resync_window_s: float = 3.0
    #: The silence that ends a drain once something has arrived (seconds).
    quiet_s: float = 0.05

    def __init__(self, prefix: str) -> None:
        if prefix not in ("VEKnet_", "VEKser_"):
            raise ValueError("prefix must be 'VEKnet_' or 'VEKser_'")
        self._prefix = prefix
        self._handle = ctypes.c_uint32(0)
        self._lib = library()
        self._stale_since: Optional[float] = None

    @classmethod
    def tcp(cls, host: str, port: int) -> "Controller":
        """Connects to the controller at ``host`` (a dotted IPv4 address) and TCP ``port``."""
        controller = cls("VEKnet_")
        port = _uint32(port, "port")
        _check(controller._lib.VEKnet_Initialize(host.encode(), port, ctypes.byref(controller._handle)),
               "VEKnet_Initialize")
        return controller

    @classmethod
    def serial(cls, port: int, baud: int = 115200) -> "Controller":
        """Opens COM port number ``port`` at ``baud`` bits per second (9600,
        19200, 38400, 57600 or 115200). On POSIX systems the environment
        variable ``VEKKESTRA_COM<port>`` names the device to open."""
        controller = cls("VEKser_")
        _check(controller._lib.VEKser_Initialize(_int32(port, "port"), _int32(baud, "baud"),
                                                 ctypes.byref(controller._handle)), "VEKser_Initialize")
        return controller

    def close(self) -> None:
        """Closes the connection; closing a closed one does nothing."""
        if self._handle.value:
            getattr(self._lib, self._prefix + "Close")(ctypes.byref(self._handle))
        self._stale_since = None

    def __enter__(self) -> "Controller":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    @property
    def is_open(self) -> bool:
        """Whether the connection is open."""
        return self._handle.value != 0

    @property
    def is_serial(self) -> bool:
        """True for a serial connection, False for TCP."""
        return self._prefix == "VEKser_"

    @property
    def handle(self) -> ctypes.c_uint32:
        """The connection's handle variable, for calling ``library()`` directly."""
        return self._handle

    def call(self, operation: str, *args: Any) -> None:
        """Calls ``<prefix><operation>(handle, *args)``, e.g.
        ``call("SetAxisPID", axis_bit, selector)``; raises ``VekError`` on
        failure. Integer arguments are checked against their C types first."""
        name = self._prefix + operation
        function = getattr(self._lib, name)
        for index, (value, argtype) in enumerate(zip(args, function.argtypes[1:])):
            limits = _ARGUMENT_RANGES.get(argtype.__mro__[1])
            if limits is not None:
                _integer(value, limits[0], limits[1], "argument %d of %s" % (index + 1, name))
        if self._stale_since is not None:
            self._resync()
        code = function(ctypes.byref(self._handle), *args)
        if code in (_SER_TIMEOUTS if self.is_serial else _NET_TIMEOUTS):
            self._stale_since = time.monotonic()
        _check(code, name)

    # -- resynchronisation ------------------------------------------------------

    def _resync(self) -> None:
        """Reads and discards until a late reply has come and gone quiet, or
        the window after the time-out has passed in silence."""
        since, self._stale_since = self._stale_since, None
        if not self.is_open or since is None:
            return
        start = time.monotonic()
        give_up = max(since + self.resync_window_s, start)  # nothing came by then: none is coming
        hard_stop = start + self.resync_window_s + self.quiet_s  # a controller that never falls silent
        reply_seen = False
        flags = ctypes.c_uint32(0)
        refresh = getattr(self._lib, self._prefix + "GetAllDoneFlags")
        while True:
            now = time.monotonic()
            wait = min(self.quiet_s if reply_seen else give_up - now, hard_stop - now)
            pending = self._pending(max(wait, 0.0))
            if pending is None:
                if self._can_select():
                    return  # quiet
                # A port that cannot be polled: drain blindly until the window ends.
                if now >= (give_up if not reply_seen else hard_stop):
                    return
            elif pending == b"" and not self.is_serial:
                return  # the controller closed the connection; the next call says so
            else:
                # Anything but notifications on TCP, anything on serial, is the reply.
                if self.is_serial or _NET_NOTIFICATION.sub(b"", pending):
                    reply_seen = True
            # The library's flag refresh reads what is waiting (one chunk on
            # TCP, every line on serial) and folds its notifications.
            refresh(ctypes.byref(self._handle), ctypes.byref(flags))
            if time.monotonic() >= hard_stop:
                return

    def _can_select(self) -> bool:
        return not (self.is_serial and sys.platform == "win32")

    def _pending(self, timeout: float) -> Optional[bytes]:
        """What is waiting to be read, after waiting up to ``timeout`` seconds
        for it: None when nothing came, b"" for a closed TCP peer; on serial
        a non-empty marker (the bytes are left for the library to read)."""
        if not self._can_select():
            time.sleep(min(timeout, 0.005))
            return None
        descriptor = self._handle.value
        try:
            readable, _, _ = select.select([descriptor], [], [], timeout)
        except (OSError, ValueError):
            return None
        if not readable:
            return None
        if self.is_serial:
            return b"\n"
        peeker = socket.socket(fileno=descriptor)
        try:
            return peeker.recv(4096, socket.MSG_PEEK)
        except OSError:
            return b""
        finally:
            peeker.detach()  # the socket stays the library's

    # -- raw exchange --------------------------------------------------------

    def send(self, text: str) -> None:
        """Sends one command text as it is (ASCII, at most 127 characters
        with the library's own commands; the controller's ";" separators
        included)."""
        self.call("SendCommand", text.encode("ascii"))

    def query(self, text: str, size: int = 256) -> str:
        """Sends a command text and returns the controller's answer text."""
        size = _integer(size, 2, 65536, "size")
        answer = ctypes.create_string_buffer(size)
        self.call("Query", text.encode("ascii"), answer, size - 1)
        return answer.value.decode("ascii", "replace")

    # -- motion --------------------------------------------------------------

    def move_axis(self, axis: Axis, value: int, relative: bool = False, in_position: bool = False,
                  timeout_ms: int = 0) -> None:
        """Moves one axis to the absolute position ``value`` (steps), or by
        ``value`` with ``relative``; with ``timeout_ms`` above 0 waits that
        long for the axis's done flag (VEK_ERROR_WAIT_TIMEOUT when it does
        not come; the axis keeps moving). ``in_position`` asks for the
        in-position completion instead of done. Clear the done flag first
        (``clear_done``): a flag left set satisfies the wait at once."""
        self.call("MoveAxis", axis_bit(axis), _flag(relative, "relative"), _int32(value, "value"),
                  _flag(in_position, "in_position"), _timeout(timeout_ms))

    def move(self, targets: Mapping[Axis, int], kind: int = 0, am: bool = False, in_position: bool = False,
             timeout_ms: int = 0) -> None:
        """Moves several axes at once: ``targets`` maps axes to values
        (steps); ``kind`` 0 absolute (MA), 1 relative (MR), 2 MT, 3 ML;
        ``am`` the "AM" addressing instead of "AA". With ``timeout_ms`` above
        0 waits for the done flags of all of them."""
        mask, slots = _value_list(targets, "target")
        self.call("Move", mask, _flag(am, "am"), _integer(kind, 0, 3, "kind"), slots,
                  _flag(in_position, "in_position"), _timeout(timeout_ms))

    def jog_axis(self, axis: Axis, velocity: float) -> None:
        """Jogs one axis at ``velocity`` steps/s (signed); a whole number goes
        out as a whole number, anything else with six decimals. A stop
        (``stop``) ends the jog."""
        if isinstance(velocity, bool) or not isinstance(velocity, (int, float)):
            raise TypeError("velocity must be a number, not %s" % type(velocity).__name__)
        velocity = float(velocity)
        if velocity != velocity or velocity in (float("inf"), float("-inf")):
            raise ValueError("velocity must be finite")
        kind = 0 if velocity.is_integer() else 1
        if kind == 0:
            _int32(int(velocity), "velocity")
        self.call("JogAxis", axis_bit(axis), kind, velocity)

    def jog(self, velocities: Mapping[Axis, int], am: bool = False) -> None:
        """Jogs several axes: ``velocities`` maps axes to steps/s."""
        mask, slots = _value_list(velocities, "velocity")
        self.call("Jog", mask, _flag(am, "am"), slots)

    def stop(self, axes: Axes = ALL_AXES) -> None:
        """Stops the axes with their deceleration ramp (all by default)."""
        self.call("StopMotion", axis_mask(axes))

    def kill(self, axes: Axes = ALL_AXES) -> None:
        """Stops the axes at once, without a ramp (all by default)."""
        self.call("KillMotion", axis_mask(axes))

    def find_home(self, axis: Axis, edge: bool = False, reset: bool = False, value: int = 0,
                  timeout_ms: int = 0) -> None:
        """Searches the home switch of one axis; ``reset`` sets the position
        there to ``value``. With ``timeout_ms`` above 0 waits for done, and
        stops the axis when the wait fails."""
        self.call("FindAxisHome", axis_bit(axis), _flag(edge, "edge"), _flag(reset, "reset"),
                  _int32(value, "value"), _timeout(timeout_ms))

    def find_limit(self, axis: Axis, negative: bool = False, velocity: int = 2000, timeout_ms: int = 0) -> None:
        """Runs one axis at ``velocity`` steps/s toward its positive (or
        ``negative``) limit switch and waits up to ``timeout_ms`` for the
        limit flag; the axis is stopped afterwards."""
        self.call("FindAxisLimit", axis_bit(axis), _flag(negative, "negative"), _int32(velocity, "velocity"),
                  _timeout(timeout_ms))

    # -- positions -----------------------------------------------------------

    def _read_one(self, operation: str, axis: Axis) -> int:
        value = ctypes.c_int32(0)
        self.call(operation, axis_bit(axis), ctypes.byref(value))
        return value.value

    def motor_position(self, axis: Axis) -> int:
        """The motor (commanded) position of one axis, in steps."""
        return self._read_one("GetAxisMotorPosition", axis)

    def encoder_position(self, axis: Axis) -> int:
        """The encoder position of one axis, in encoder counts."""
        return self._read_one("GetAxisEncoderPosition", axis)

    def positions(self) -> Tuple[List[int], List[int]]:
        """(motor positions, encoder positions), ten of each, X first."""
        motor = (ctypes.c_int32 * AXIS_COUNT)()
        encoder = (ctypes.c_int32 * AXIS_COUNT)()
        self.call("GetAllAxisPositions", motor, encoder)
        return list(motor), list(encoder)

    def set_motor_position(self, axis: Axis, position: int) -> None:
        """Sets the motor position of one (stopped) axis to ``position`` steps."""
        self.call("SetAxisMotorPosition", axis_bit(axis), _int32(position, "position"))

    # -- velocity ------------------------------------------------------------

    def velocity(self, axis: Axis) -> int:
        """The current velocity of one axis, steps/s."""
        return self._read_one("GetAxisCurrentVelocity", axis)

    def max_velocity(self, axis: Axis) -> int:
        """The maximum (slew) velocity of one axis, steps/s."""
        return self._read_one("GetAxisMaxVelocity", axis)

    def set_max_velocity(self, axis: Axis, velocity: int) -> None:
        """Sets the maximum (slew) velocity of one axis, steps/s."""
        self.call("SetAxisMaxVelocity", axis_bit(axis), _int32(velocity, "velocity"))

    def acceleration(self, axis: Axis) -> int:
        """The acceleration of one axis, steps/s^2."""
        return self._read_one("GetAxisAcceleration", axis)

    def set_acceleration(self, axis: Axis, acceleration: int) -> None:
        """Sets the acceleration of one axis, steps/s^2."""
        self.call("SetAxisAcceleration", axis_bit(axis), _int32(acceleration, "acceleration"))

    # -- flags ---------------------------------------------------------------

    def status_word(self) -> int:
        """The transport's whole status word after reading what is waiting:
        done bits 0-9, limit bits 10-19, slip bits 20-29, command error bit
        30, bit i of a group for the axis AXES[i]."""
        word = ctypes.c_uint32(0)
        self.call("GetAllDoneFlags", ctypes.byref(word))
        return word.value

    def is_done(self, axis: Axis) -> bool:
        """Whether the done flag of one axis is set (it stays set until cleared)."""
        flag = ctypes.c_uint32(0)
        self.call("GetAxisDoneFlag", axis_bit(axis), ctypes.byref(flag))
        return bool(flag.value)

    def clear_done(self, axes: Axes = ALL_AXES) -> None:
        """Forgets the done flags of the axes (all by default)."""
        self.call("ClearMultiAxisDoneFlags", axis_mask(axes))

    def clear_limits(self, axes: Axes = ALL_AXES) -> None:
        """Forgets the limit (overtravel) flags of the axes (all by default)."""
        self.call("ClearMultiAxisOvertravelFlags", axis_mask(axes))

    def illegal_command(self, size: int = 128) -> str:
        """The controller's record of the last command it rejected."""
        size = _integer(size, 1, 65536, "size")
        text = ctypes.create_string_buffer(size)
        length = ctypes.c_int32(0)
        self.call("GetIllegalCommand", text, size, ctypes.byref(length))
        return text.raw[: length.value].decode("ascii", "replace")

    # -- I/O -----------------------------------------------------------------

    def _read_word(self, operation: str) -> int:
        word = ctypes.c_uint32(0)
        self.call(operation, ctypes.byref(word))
        return word.value

    def io_direction(self) -> int:
        """The direction word of the I/O lines: bit i set when line i is an output."""
        return self._read_word("GetIOBitsDirection")

    def io_state(self) -> int:
        """The levels of the I/O lines, bit i for line i."""
        return self._read_word("GetIOBitsState")

    def set_io_direction(self, word: int) -> None:
        """Sets the direction of the I/O lines: bit i set makes line i an output."""
        self.call("SetIOBitsDirection", _uint32(word, "word"))

    def set_output_bit(self, bit: int, level: bool) -> None:
        """Drives output line ``bit`` (0-15) high (``level`` true) or low."""
        self.call("SetOutputBitState", 1 << _integer(bit, 0, 15, "bit"), _flag(level, "level"))
