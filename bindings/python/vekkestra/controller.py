"""``Controller``: one connection to a controller through the motion core.

Every method is one call of the core (include/vekkestra_motion.h): the core
decides when a move has ended, stops what it must, recovers after a lost
reply and names what went wrong; a method turns Python values into C ones
and a failure into the exception of its kind, with the core's message.
"""

from __future__ import annotations

import ctypes
import logging
from types import TracebackType
from typing import Any, Callable, List, Mapping, NamedTuple, Optional, Tuple, Type, Union

from . import _signals
from ._core import (AXIS_ENDED, AXIS_HAS_TARGET, AXIS_HOME_SWITCH, AXIS_OURS, AXIS_PID, AXIS_SHORT,
                    AXIS_SLIP_DETECTION, DEFAULT_TIMEOUT_MS, HOME_EDGE, HOME_RESET, IN_POSITION, KEEP_MOVING,
                    RELATIVE, STATE_TEXTS, VekmAxisState, VekmError, core, error_from)
from ._exports import OPERATIONS
from ._values import (ALL_AXES, AXES, AXIS_COUNT, Axes, Axis, axis_bit, axis_mask, int32, integer, letter, letters,
                      number, uint32, value_list, velocity_list)

log = logging.getLogger("vekkestra")

#: The argument types of each operation that call() can reach, by name.
_ROWS = dict(OPERATIONS)
#: The ranges of the integer parameter types, for call()'s checks.
_RANGES = {ctypes.c_int32: (-(2 ** 31), 2 ** 31 - 1), ctypes.c_uint32: (0, 2 ** 32 - 1)}


class AxisState(NamedTuple):
    """One axis as ``Controller.poll()`` saw it."""

    axis: str
    #: "at rest", "moving", "limit" (ended at a limit switch), "slip" or
    #: "refused" (serial: its motion command was refused).
    state: str
    motor: int
    encoder: int
    home_switch: bool
    pid: bool
    slip_detection: bool
    #: This controller set it moving and has not seen it end.
    ours: bool
    #: It came to rest since the previous poll.
    ended: bool
    #: It ended short of the target this controller gave it.
    short: bool
    #: The target of this controller's motion, or None.
    target: Optional[int]
    #: +1 or -1, the way it last moved; 0 before it was seen moving.
    direction: int


def _axis_state(index: int, s: VekmAxisState) -> AxisState:
    state = STATE_TEXTS[s.state] if 0 <= s.state < len(STATE_TEXTS) else "state %d" % s.state
    return AxisState(AXES[index], state, s.motor, s.encoder, bool(s.flags & AXIS_HOME_SWITCH), bool(s.flags & AXIS_PID),
                     bool(s.flags & AXIS_SLIP_DETECTION), bool(s.flags & AXIS_OURS), bool(s.flags & AXIS_ENDED),
                     bool(s.flags & AXIS_SHORT), s.target if s.flags & AXIS_HAS_TARGET else None, s.direction)


def _options(**chosen: bool) -> int:
    bits = {"relative": RELATIVE, "keep_moving": KEEP_MOVING, "in_position": IN_POSITION, "edge": HOME_EDGE,
            "reset": HOME_RESET}
    return sum(bits[name] for name, on in chosen.items() if on)


def _time(timeout_ms: Any) -> int:
    return int32(timeout_ms, "timeout_ms")


class Controller:
    """One connection to a controller, over TCP or a serial port.

    Open it with ``Controller.tcp(host, port)`` or ``Controller.serial(com,
    baud)``. As a context manager it closes the connection when the block
    ends; a block left by an exception first stops the axes this controller
    set moving (a block left normally stops nothing).

    The motions (``move``, ``move_by``, ``move_axis``, ``home``,
    ``find_limit``) wait by default, up to ``timeout_ms`` (one minute), and
    return only with every moved axis at rest at its target; a limit, a
    slip or an end short of the target raises ``LimitError``,
    ``SlipError`` or ``MoveInterruptedError`` (the other moved axes
    stopped); running out of time stops the axes (unless ``keep_moving``)
    and raises ``VekTimeoutError``. ``timeout_ms=0`` starts the motion and
    returns; ``wait()`` or ``poll()`` follow it. ``cancel()`` from another
    thread, or Ctrl-C, SIGTERM, SIGHUP, end a wait with its axes stopped
    (see ``vekkestra.handle_signals``).

    One object may be shared by threads: the core holds a lock for each
    call, and a wait takes it one slice at a time.
    """

    def __init__(self, pointer: ctypes.c_void_p) -> None:
        """Use ``tcp()`` or ``serial()``."""
        self._core = core()
        self._pointer = pointer
        #: The status word as the last ``poll()`` left it (done bits 0-9,
        #: limit 10-19, slip 20-29, command error 30).
        self.polled_word = 0
        self._where = self._describe()
        log.info("opened %s", self._where)
        _signals.opened(self)

    # -- opening and closing ---------------------------------------------------

    @classmethod
    def tcp(cls, host: str, port: int = 5001) -> "Controller":
        """Connects to ``host`` (a name or a dotted IPv4 address; each IPv4
        address of a name is tried in turn) at TCP ``port``. A failed open
        leaves nothing open and raises ``VekConnectionError``."""
        if not isinstance(host, str):
            raise TypeError("host must be a str, not %s" % type(host).__name__)
        port = int32(port, "port")
        return cls._open(lambda p, e: core().vekm_open_tcp(host.encode("utf-8"), port, p, e))

    @classmethod
    def serial(cls, com: int, baud: int = 115200) -> "Controller":
        """Opens COM port ``com`` (1-32) at ``baud`` (9600 to 115200). On
        POSIX systems the environment variable ``VEKKESTRA_COM<com>`` names
        the device, else /dev/ttyS<com-1>."""
        com, baud = int32(com, "com"), int32(baud, "baud")
        return cls._open(lambda p, e: core().vekm_open_serial(com, baud, p, e))

    @classmethod
    def _open(cls, open_one: Callable[[Any, Any], int]) -> "Controller":
        pointer, error = ctypes.c_void_p(), VekmError()
        if open_one(ctypes.byref(pointer), ctypes.byref(error)):
            failure = error_from(error)
            log.warning("%s", failure)
            raise failure
        return cls(pointer)

    def _describe(self) -> str:
        text = ctypes.create_string_buffer(160)
        self._core.vekm_describe(self._pointer, text, len(text))
        return text.value.decode("utf-8", "replace")

    def close(self) -> None:
        """Closes the connection; later calls raise ``ClosedError``. Stops
        nothing; closing a closed controller does nothing."""
        if self.is_open:
            log.info("closed %s", self._where)
        self._core.vekm_close(self._pointer)
        _signals.closed(self)

    def __del__(self) -> None:
        pointer = getattr(self, "_pointer", None)
        if pointer:
            self._core.vekm_free(pointer)

    def __enter__(self) -> "Controller":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        try:
            if kind is not None:
                self._stop_left_behind("leaving the controller's block by %s" % kind.__name__)
        finally:
            self.close()

    def _stop_left_behind(self, why: str, mask: Optional[int] = None) -> None:
        """Stops what this controller set moving (or ``mask`` of it); a
        failed stop is logged, not raised, so that the error being handled
        goes on."""
        moving = self._core.vekm_moving(self._pointer) if mask is None else mask
        if not moving:
            return
        log.warning("stopping %s after %s", letters(moving), why)
        error = VekmError()
        if self._core.vekm_stop(self._pointer, moving, ctypes.byref(error)):
            log.error("the stop of %s failed: %s", letters(moving), error_from(error))

    def __repr__(self) -> str:
        return "<vekkestra.Controller %s%s>" % (self._where, "" if self.is_open else " (closed)")

    @property
    def is_open(self) -> bool:
        """Whether the connection is open (or is to be opened again after a
        lost reply)."""
        return bool(self._core.vekm_is_open(self._pointer))

    @property
    def is_serial(self) -> bool:
        """True for a serial connection, False for TCP."""
        return bool(self._core.vekm_is_serial(self._pointer))

    @property
    def where(self) -> str:
        """Where the controller is: "127.0.0.1:5001", "COM3 at 115200 baud"."""
        return self._where

    # -- calls -----------------------------------------------------------------

    def _run(self, function: str, *args: Any, level: int = logging.DEBUG, what: str = "") -> None:
        """One call of the core; a failure raises the exception of its kind."""
        if what:
            log.log(level, "%s", what)
        error = VekmError()
        code = getattr(self._core, function)(self._pointer, *args, ctypes.byref(error))
        if code:
            failure = error_from(error)
            log.warning("%s", failure)
            raise failure

    def _motion(self, function: str, *args: Any, waits: bool, what: str) -> None:
        if waits:
            _signals.arm()  # a handler installed since goes behind the core's again
        self._run(function, *args, level=logging.INFO, what=what)

    def call(self, operation: str, *args: Any) -> None:
        """Calls the operation ``operation`` of the command set on this
        controller's transport, with the core's lock and recovery:
        ``call("SetAxisPID", axis_bit, selector)``. The arguments are those
        of the library's export after its handle (vekkestra.h): integers as
        ints, outputs as ctypes objects (``ctypes.byref(value)``, arrays).
        The wrong number of arguments or a wrong type raises ``TypeError``,
        an integer outside its C type ``ValueError``. No safe-motion rule
        applies: a motion operation called so is the library's own."""
        if not isinstance(operation, str):
            raise TypeError("operation must be a str, not %s" % type(operation).__name__)
        function = getattr(self._core, "vekm_call_" + operation, None)
        if function is None:
            what = " (use send() or query())" if operation in _ROWS else ""
            raise ValueError("no operation %r%s" % (operation, what))
        types = _ROWS[operation]
        if len(args) != len(types):
            raise TypeError("%s takes %d arguments, not %d" % (operation, len(types), len(args)))
        for index, (value, kind) in enumerate(zip(args, types)):
            if kind in _RANGES:
                integer(value, *_RANGES[kind], "argument %d of %s" % (index + 1, operation))
        try:
            self._run("vekm_call_" + operation, *args, what="%s(%s)" % (operation, ", ".join(map(_shown, args))))
        except ctypes.ArgumentError as error:
            raise TypeError("%s: %s" % (operation, error)) from None

    def send(self, text: str) -> None:
        """Sends a command text as it is ("AXLP0;")."""
        self._run("vekm_send", text.encode("ascii"), what="send %r" % text)

    def query(self, text: str) -> str:
        """Sends a query text ("AXRP;") and returns the controller's answer."""
        answer = ctypes.create_string_buffer(256)
        self._run("vekm_query", text.encode("ascii"), answer, len(answer), what="query %r" % text)
        return answer.value.decode("ascii", "replace")

    # -- motion ------------------------------------------------------------------

    def move(self, targets: Mapping[Axis, int], timeout_ms: int = DEFAULT_TIMEOUT_MS, *, keep_moving: bool = False,
             relative: bool = False, in_position: bool = False) -> None:
        """Moves the axes of ``targets`` (axis -> steps) as one synchronised
        move and waits up to ``timeout_ms`` until every one is at rest at its
        target (0: starts the move and returns). ``relative``: the values
        are distances; ``in_position``: done is the end of the profile;
        ``keep_moving``: a wait that runs out leaves the axes moving."""
        mask, slots = value_list(targets, "target")
        timeout_ms = _time(timeout_ms)
        what = " ".join("%s%s%d" % (a, "+" if relative and slots[i] >= 0 else "=", slots[i])
                        for i, a in enumerate(AXES) if mask >> i & 1)
        self._motion("vekm_move", mask, slots, _options(relative=relative, keep_moving=keep_moving,
                                                           in_position=in_position), timeout_ms,
                        waits=timeout_ms != 0, what="move " + what)

    def move_by(self, distances: Mapping[Axis, int], timeout_ms: int = DEFAULT_TIMEOUT_MS, *,
                keep_moving: bool = False, in_position: bool = False) -> None:
        """Moves the axes by ``distances`` (steps); otherwise as ``move``."""
        self.move(distances, timeout_ms, keep_moving=keep_moving, relative=True, in_position=in_position)

    def move_axis(self, axis: Axis, target: int, timeout_ms: int = DEFAULT_TIMEOUT_MS, *, relative: bool = False,
                  in_position: bool = False, keep_moving: bool = False) -> None:
        """Moves one axis to ``target`` (by ``target`` with ``relative``);
        otherwise as ``move``."""
        bit, target, timeout_ms = axis_bit(axis), int32(target, "target"), _time(timeout_ms)
        what = "move %s %s %d" % (letter(bit), "by" if relative else "to", target)
        self._motion("vekm_move_axis", bit, target, _options(relative=relative, keep_moving=keep_moving,
                                                                in_position=in_position), timeout_ms,
                        waits=timeout_ms != 0, what=what)

    def home(self, axis: Axis, timeout_ms: int = DEFAULT_TIMEOUT_MS, *, value: int = 0, edge: bool = False,
             reset: bool = False, keep_moving: bool = False) -> None:
        """Searches the home switch of one axis ("HS", the switch edge "HE"
        with ``edge``); there its position becomes ``value`` ("HM", or "HR"
        with ``reset``, which also re-references the encoder). Waits as a
        move does and ends with the axis at rest at ``value``."""
        bit, value, timeout_ms = axis_bit(axis), int32(value, "value"), _time(timeout_ms)
        self._motion("vekm_home", bit, value, _options(edge=edge, reset=reset, keep_moving=keep_moving),
                        timeout_ms, waits=timeout_ms != 0, what="home search of %s" % letter(bit))

    def find_home(self, axis: Axis, edge: bool = False, reset: bool = False, value: int = 0,
                  timeout_ms: int = DEFAULT_TIMEOUT_MS, *, keep_moving: bool = False) -> None:
        """``home()`` with the arguments in their earlier order."""
        self.home(axis, timeout_ms, value=value, edge=edge, reset=reset, keep_moving=keep_moving)

    def find_limit(self, axis: Axis, velocity: int = 2000, timeout_ms: int = DEFAULT_TIMEOUT_MS, *,
                   negative: bool = False, keep_moving: bool = False) -> None:
        """Runs one axis at ``velocity`` steps/s (its sign, or ``negative``,
        gives the side) until it meets that side's limit switch, and stops
        it there. A slip or any other end raises."""
        bit, velocity, timeout_ms = axis_bit(axis), int32(velocity, "velocity"), _time(timeout_ms)
        if negative:
            velocity = -velocity
        self._motion("vekm_find_limit", bit, velocity, _options(keep_moving=keep_moving), timeout_ms,
                        waits=timeout_ms != 0, what="limit search of %s at %d" % (letter(bit), velocity))

    def jog(self, axis: Union[Axis, Mapping[Axis, float]], velocity: Optional[float] = None) -> None:
        """Starts axes running until they are stopped: ``jog("X", 2000)`` or
        ``jog({"X": 2000, "Y": -500})`` (steps/s, signed). One axis may jog at
        a fraction of a step per second; several take whole numbers."""
        if isinstance(axis, Mapping):
            if velocity is not None:
                raise TypeError("jog(mapping) takes no velocity")
            mask, slots = velocity_list(axis)
        else:
            if velocity is None:
                raise TypeError("jog(axis, velocity) needs the velocity")
            mask, slots = velocity_list({axis: number(velocity, "velocity")})
        what = "jog " + " ".join("%s=%g" % (a, slots[i]) for i, a in enumerate(AXES) if mask >> i & 1)
        self._run("vekm_jog", mask, slots, level=logging.INFO, what=what)

    def jog_axis(self, axis: Axis, velocity: float) -> None:
        """``jog(axis, velocity)``."""
        self.jog(axis, velocity)

    def stop(self, axes: Axes = ALL_AXES) -> None:
        """Decelerating stop of the axes (all by default); a wait on them
        ends with ``MoveInterruptedError``."""
        mask = axis_mask(axes)
        self._run("vekm_stop", mask, level=logging.INFO, what="stop %s" % letters(mask))

    def kill(self, axes: Axes = ALL_AXES) -> None:
        """Abrupt stop of the axes (all by default)."""
        mask = axis_mask(axes)
        self._run("vekm_kill", mask, level=logging.INFO, what="kill %s" % letters(mask))

    def wait(self, axes: Optional[Axes] = None, timeout_ms: int = DEFAULT_TIMEOUT_MS, *,
             keep_moving: bool = False) -> None:
        """Waits until the axes (by default all) that this controller set
        moving have ended, as a move's wait does (``timeout_ms`` 0: one
        minute). Returns at once when none of them moves."""
        mask = 0 if axes is None else axis_mask(axes)
        timeout_ms = _time(timeout_ms)
        self._motion("vekm_wait", mask, _options(keep_moving=keep_moving), timeout_ms, waits=True,
                        what="wait for %s" % (letters(mask) or "the axes set moving"))

    def cancel(self) -> None:
        """Ends the waits running on this controller now, from any thread:
        their axes are stopped and they raise ``CancelledError``."""
        log.info("cancel the waits on %s", self._where)
        self._core.vekm_cancel(self._pointer)

    @property
    def moving(self) -> str:
        """The letters of the axes this controller set moving and has not
        seen end."""
        return letters(self._core.vekm_moving(self._pointer))

    def guard(self) -> "MotionGuard":
        """A block that stops the axes the calling thread set moving in it
        when it is left by an exception; left normally, a jog started in it
        goes on::

            with ctl.guard():
                ctl.jog("Z", 2000)
                measure()          # an exception here stops Z
        """
        return MotionGuard(self)

    # -- looking at the controller ---------------------------------------------------

    def poll(self) -> List[AxisState]:
        """One look at every axis (status letters, motor and encoder positions
        from one exchange): ten ``AxisState``, X first. An axis this
        controller set moving that is seen at a limit or slipped has the
        other axes of its motion stopped, as a wait would. The status word
        as this look left it is then ``polled_word``."""
        states = (VekmAxisState * AXIS_COUNT)()
        word = ctypes.c_uint32(0)
        self._run("vekm_poll", states, ctypes.byref(word))
        self.polled_word = word.value
        return [_axis_state(i, s) for i, s in enumerate(states)]

    def status_word(self) -> int:
        """The transport's status word after reading what has arrived: done
        bits 0-9, limit 10-19, slip 20-29, command error 30."""
        word = ctypes.c_uint32(0)
        self._run("vekm_status_word", ctypes.byref(word))
        return word.value

    def positions(self) -> Tuple[List[int], List[int]]:
        """(motor positions, encoder positions), ten of each, X first."""
        motor, encoder = (ctypes.c_int32 * AXIS_COUNT)(), (ctypes.c_int32 * AXIS_COUNT)()
        self._run("vekm_positions", motor, encoder)
        return list(motor), list(encoder)

    def enable_slip_detection(self, axes: Axes, tolerance: int = 0) -> None:
        """Turns slip detection on for the axes, with ``tolerance`` encoder
        counts (0 keeps the controller's). A slip ends a move only there."""
        mask = axis_mask(axes)
        self._run("vekm_enable_slip_detection", mask, int32(tolerance, "tolerance"), level=logging.INFO,
                  what="slip detection on for %s" % letters(mask))

    def _read(self, operation: str, *args: Any, kind: Any = ctypes.c_int32) -> int:
        value = kind(0)
        self.call(operation, *args, ctypes.byref(value))
        return int(value.value)

    def motor_position(self, axis: Axis) -> int:
        """The motor (commanded) position of one axis, in steps."""
        return self._read("GetAxisMotorPosition", axis_bit(axis))

    position = motor_position

    def encoder_position(self, axis: Axis) -> int:
        """The encoder position of one axis, in encoder counts."""
        return self._read("GetAxisEncoderPosition", axis_bit(axis))

    def set_motor_position(self, axis: Axis, position: int) -> None:
        """Sets the motor position of one (stopped) axis to ``position`` steps."""
        self.call("SetAxisMotorPosition", axis_bit(axis), int32(position, "position"))

    def velocity(self, axis: Axis) -> int:
        """The current velocity of one axis, steps/s."""
        return self._read("GetAxisCurrentVelocity", axis_bit(axis))

    def max_velocity(self, axis: Axis) -> int:
        """The maximum (slew) velocity of one axis, steps/s."""
        return self._read("GetAxisMaxVelocity", axis_bit(axis))

    def set_max_velocity(self, axis: Axis, velocity: int) -> None:
        """Sets the maximum (slew) velocity of one axis, steps/s."""
        self.call("SetAxisMaxVelocity", axis_bit(axis), int32(velocity, "velocity"))

    def acceleration(self, axis: Axis) -> int:
        """The acceleration of one axis, steps/s^2."""
        return self._read("GetAxisAcceleration", axis_bit(axis))

    def set_acceleration(self, axis: Axis, acceleration: int) -> None:
        """Sets the acceleration of one axis, steps/s^2."""
        self.call("SetAxisAcceleration", axis_bit(axis), int32(acceleration, "acceleration"))

    def is_done(self, axis: Axis) -> bool:
        """Whether the done flag of one axis is set (it stays set until cleared)."""
        return bool(self._read("GetAxisDoneFlag", axis_bit(axis), kind=ctypes.c_uint32))

    def clear_done(self, axes: Axes = ALL_AXES) -> None:
        """Forgets the done flags of the axes (the motions clear their own)."""
        self.call("ClearMultiAxisDoneFlags", axis_mask(axes))

    def clear_limits(self, axes: Axes = ALL_AXES) -> None:
        """Forgets the limit (overtravel) flags of the axes."""
        self.call("ClearMultiAxisOvertravelFlags", axis_mask(axes))

    def illegal_command(self) -> str:
        """The controller's record of the last command it refused."""
        text, length = ctypes.create_string_buffer(256), ctypes.c_int32(0)
        self.call("GetIllegalCommand", text, len(text), ctypes.byref(length))
        return text.raw[: length.value].decode("ascii", "replace")

    def io_direction(self) -> int:
        """The direction word of the I/O lines: bit i set when line i is an output."""
        return self._read("GetIOBitsDirection", kind=ctypes.c_uint32)

    def io_state(self) -> int:
        """The levels of the I/O lines, bit i for line i."""
        return self._read("GetIOBitsState", kind=ctypes.c_uint32)

    def set_io_direction(self, word: int) -> None:
        """Sets the direction of the I/O lines: bit i set makes line i an output."""
        self.call("SetIOBitsDirection", uint32(word, "word"))

    def set_output_bit(self, bit: int, level: bool) -> None:
        """Drives output line ``bit`` (0-15) high (``level`` true) or low."""
        self.call("SetOutputBitState", 1 << integer(bit, 0, 15, "bit"), 1 if level else 0)


def _shown(value: Any) -> str:
    """An argument as a debug line shows it: numbers and texts as they are."""
    return repr(value) if isinstance(value, (int, float, bytes, str)) else type(value).__name__


class MotionGuard:
    """A block that stops the axes the calling thread set moving in it when
    it is left by an exception (``Controller.guard()``); left normally it
    stops nothing. Guards may be nested."""

    def __init__(self, controller: Controller) -> None:
        self._controller = controller
        self._marks: List[int] = []

    def __enter__(self) -> "MotionGuard":
        self._marks.append(self._controller._core.vekm_mark(self._controller._pointer))
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        mark = self._marks.pop()
        if kind is None:
            return
        c = self._controller
        started = c._core.vekm_moving_since(c._pointer, mark, 1)
        c._stop_left_behind("leaving a guarded block by %s" % kind.__name__, started)


__all__ = ["Controller", "MotionGuard", "AxisState"]
