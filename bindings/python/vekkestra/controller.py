"""``Controller``: one connection to a controller, over TCP or a serial port."""

from __future__ import annotations

import ctypes
import logging
import select
import socket
import sys
import threading
import time
from types import TracebackType
from typing import Any, List, Mapping, Optional, Tuple, Type

from ._library import ARGUMENT_RANGES, library
from ._motion import Motion, MotionGuard
from ._values import (ALL_AXES, AXIS_COUNT, Axes, Axis, axis_bit, axis_mask, flag, int32, integer, letter, letters,
                      listed, timeout, uint32, value_list)
from .errors import ClosedError, VekConnectionError, error_for

log = logging.getLogger("vekkestra")

#: Results after which the controller's reply may still be on its way: the
#: Ethernet reply and answer waits (2.5 s), a reply without an ACK (what
#: came may have been a stale answer), and the serial answer's silence.
_NET_REPLY_TIMEOUTS = frozenset((213, 214, 217))
_SER_REPLY_TIMEOUTS = frozenset((352,))

#: Operations that only read or change the library's flag word: they send
#: nothing, so no reply can be left behind by them.
_FLAG_OPERATIONS = frozenset((
    "GetAxisDoneFlag", "GetAllDoneFlags", "ClearMultiAxisDoneFlags", "GetAxisOvertravelFlag",
    "GetAllOvertravelFlags", "ClearMultiAxisOvertravelFlags", "GetCommandErrorFlag", "ClearCommandErrorFlag",
    "GetAxisSlipFlag", "GetAllAxesSlipFlag", "ClearMultiAxisSlipFlag",
))

_BAUD_RATES = (9600, 19200, 38400, 57600, 115200)


class _HandOverLock:
    """A reentrant lock whose long holder (a wait) can let waiting threads in
    between its slices: a plain lock released and taken again at once would
    mostly go back to the thread that released it."""

    def __init__(self) -> None:
        self._lock = threading.RLock()
        self._count_lock = threading.Lock()
        self._waiting = 0

    def __enter__(self) -> "_HandOverLock":
        if not self._lock.acquire(blocking=False):
            with self._count_lock:
                self._waiting += 1
            try:
                self._lock.acquire()
            finally:
                with self._count_lock:
                    self._waiting -= 1
        return self

    def __exit__(self, *exc: object) -> None:
        self._lock.release()

    def let_others_in(self, limit_s: float = 0.02) -> None:
        """Gives a thread that waits for the lock up to ``limit_s`` to take it."""
        deadline = time.monotonic() + limit_s
        while self._waiting and time.monotonic() < deadline:
            time.sleep(0.0005)


class Controller:
    """One connection to a controller, over TCP or a serial port.

    Open it with ``Controller.tcp(host, port)`` or ``Controller.serial(port,
    baud)``. As a context manager it closes the connection when the block
    ends; when the block is left by an exception it first stops the axes
    that this object set moving.

    Arguments are checked before anything is sent: ``ValueError`` or
    ``TypeError`` for an unknown axis, a value outside its C type, a
    negative time-out. Failures raise ``VekError`` or one of its kinds
    (``vekkestra.errors``); a call on a closed controller raises
    ``ClosedError`` and sends nothing.

    Motion (``move``, ``move_by``, ``move_axis``, ``find_home``,
    ``find_limit``; docs/motion.md): the moved axes' done, limit and slip
    flags are cleared first; with a time-out the call waits until every
    moved axis is done, raises ``LimitError`` or ``SlipError`` at once when
    one meets a limit or slips (the others are stopped), and on running out
    of time stops the axes and raises ``VekTimeoutError``. Ctrl-C during a
    wait stops the moved axes within 100 ms and the KeyboardInterrupt goes
    on. A time-out of 0 starts the motion and returns; ``wait()`` or
    ``poll()`` follow it later.

    Threads: one object may be shared by threads. Every call holds the
    object's lock; a wait holds it for one slice (about 10 ms) at a time,
    so a ``stop()`` from another thread gets through and the stopped axes'
    wait ends as done.

    After a reply time-out (213, 214, 217 on TCP; 352 on serial) no later
    call sees the late reply: a TCP connection is closed at once and opened
    again to the same address before the next call (which resets the
    library's Ethernet flag word); a serial port is read and discarded
    before the next call until it has been quiet for ``quiet_s``, waiting up
    to ``resync_window_s`` after the time-out for the reply to start.
    """

    #: Serial: how long after a time-out a late reply is waited for (seconds).
    resync_window_s: float = 3.0
    #: Serial: the silence that ends a drain once something has arrived (seconds).
    quiet_s: float = 0.05
    #: While a moved axis's done flag is missing, how often its motion is
    #: confirmed with the controller's axis status (seconds).
    confirm_interval_s: float = 0.25

    def __init__(self, prefix: str) -> None:
        """An unopened controller of one transport (``"VEKnet_"`` or
        ``"VEKser_"``); use ``tcp()`` or ``serial()`` to get an open one."""
        if prefix not in ("VEKnet_", "VEKser_"):
            raise ValueError("prefix must be 'VEKnet_' or 'VEKser_'")
        self._prefix = prefix
        self._handle = ctypes.c_uint32(0)
        self._lib = library()
        self._lock = _HandOverLock()
        self._where = ""
        self._address: Optional[Tuple[str, int]] = None
        self._closed = False
        self._reopen_pending = False
        self._stale_since: Optional[float] = None
        self._motion = Motion(self)

    # -- opening and closing ---------------------------------------------------

    @classmethod
    def tcp(cls, host: str, port: int = 5001) -> "Controller":
        """Connects to the controller at ``host`` (a host name or a dotted
        IPv4 address) and TCP ``port``. Each IPv4 address of the name is
        tried in turn; a failed open leaves nothing open."""
        if not isinstance(host, str):
            raise TypeError("host must be a str, not %s" % type(host).__name__)
        port = integer(port, 0, 65535, "port")
        controller = cls("VEKnet_")
        controller._open_tcp(host, port)
        return controller

    @classmethod
    def serial(cls, port: int, baud: int = 115200) -> "Controller":
        """Opens COM port number ``port`` (1-32) at ``baud`` bits per second
        (9600, 19200, 38400, 57600 or 115200). On POSIX systems the
        environment variable ``VEKKESTRA_COM<port>`` names the device to
        open. A failed open leaves nothing open."""
        port = integer(port, 1, 32, "port")
        baud = int32(baud, "baud")
        if baud not in _BAUD_RATES:
            raise ValueError("baud must be one of %s, not %d" % (", ".join(map(str, _BAUD_RATES)), baud))
        controller = cls("VEKser_")
        lib = controller._lib
        code = lib.VEKser_Initialize(port, baud, ctypes.byref(controller._handle))
        if code:
            # A port whose configuration failed stays open in the variable.
            if controller._handle.value:
                lib.VEKser_Close(ctypes.byref(controller._handle))
            raise error_for(code, "VEKser_Initialize", "COM%d" % port)
        controller._where = "COM%d at %d baud" % (port, baud)
        log.info("opened %s", controller._where)
        return controller

    def _open_tcp(self, host: str, port: int) -> None:
        try:
            found = socket.getaddrinfo(host, port, socket.AF_INET, socket.SOCK_STREAM)
        except (socket.gaierror, UnicodeError) as error:
            raise VekConnectionError(201, "VEKnet_Initialize", "no IPv4 address for %r: %s" % (host, error)) from None
        addresses: List[str] = []
        for _family, _kind, _protocol, _name, sockaddr in found:
            if sockaddr[0] not in addresses:
                addresses.append(sockaddr[0])
        code = 0
        for address in addresses:
            code = self._connect(address, port)
            if code == 0:
                self._address = (address, port)
                self._where = "%s:%d" % (address, port) if address == host else "%s (%s):%d" % (host, address, port)
                log.info("connected to %s", self._where)
                return
            log.info("connecting to %s:%d failed: %s", address, port, error_for(code))
        raise error_for(code, "VEKnet_Initialize", "%s port %d" % (host, port))

    def _connect(self, address: str, port: int) -> int:
        code: int = self._lib.VEKnet_Initialize(address.encode("ascii"), port, ctypes.byref(self._handle))
        if code and self._handle.value:
            # An address the library refused leaves its socket in the variable.
            self._lib.VEKnet_Close(ctypes.byref(self._handle))
        return code

    def close(self) -> None:
        """Closes the connection; closing a closed one does nothing. Axes
        that are moving keep moving."""
        with self._lock:
            if self._handle.value:
                getattr(self._lib, self._prefix + "Close")(ctypes.byref(self._handle))
            if not self._closed and self._where:
                log.info("closed %s", self._where)
            self._closed = True
            self._reopen_pending = False
            self._stale_since = None

    def __enter__(self) -> "Controller":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        try:
            if kind is not None and self.is_open:
                self._motion.stop_left_behind(ALL_AXES, "leaving the controller's block by %s" % kind.__name__)
        finally:
            self.close()

    @property
    def is_open(self) -> bool:
        """Whether the connection is open (or is to be opened again before
        the next call, after a reply time-out)."""
        return not self._closed and (self._handle.value != 0 or self._reopen_pending)

    @property
    def is_serial(self) -> bool:
        """True for a serial connection, False for TCP."""
        return self._prefix == "VEKser_"

    @property
    def handle(self) -> ctypes.c_uint32:
        """The connection's handle variable, for calling ``library()``
        directly. Its value changes when a TCP connection is opened again."""
        return self._handle

    # -- calls -----------------------------------------------------------------

    def call(self, operation: str, *args: Any) -> None:
        """Calls ``<prefix><operation>(handle, *args)``, e.g.
        ``call("SetAxisPID", axis_bit, selector)``; raises ``VekError`` (of
        its kind) on failure. Integer arguments are checked against their C
        types first."""
        name = self._prefix + operation
        function = getattr(self._lib, name)
        for index, (value, argtype) in enumerate(zip(args, function.argtypes[1:])):
            limits = ARGUMENT_RANGES.get(argtype.__mro__[1])
            if limits is not None:
                integer(value, limits[0], limits[1], "argument %d of %s" % (index + 1, name))
        self._call(operation, *args)

    def _call(self, operation: str, *args: Any, quiet: bool = False) -> None:
        """The call itself, holding the lock: refuses a closed controller,
        opens or drains the connection after a reply time-out, and raises
        the error of the result's kind."""
        name = self._prefix + operation
        function = getattr(self._lib, name)
        with self._lock:
            self._ready(name)
            seen = False
            try:
                code: int = function(ctypes.byref(self._handle), *args)
                seen = True
            finally:
                if not seen and operation not in _FLAG_OPERATIONS:
                    # An interrupt came before the result was looked at:
                    # the reply may still be on its way.
                    self._reply_lost(name, None)
            if code in (_SER_REPLY_TIMEOUTS if self.is_serial else _NET_REPLY_TIMEOUTS):
                self._reply_lost(name, code)
            if code:
                error = error_for(code, name)
                log.warning("%s", error)
                raise error
            if not quiet and log.isEnabledFor(logging.DEBUG):
                log.debug("%s%r: success", name, tuple(_shown(a) for a in args))

    def _ready(self, name: str) -> None:
        if not self.is_open:
            raise ClosedError(name, "the controller is closed" if self._closed else "the controller was never opened")
        if self._reopen_pending:
            self._reopen()
        elif self._stale_since is not None:
            self._drain()

    def _reply_lost(self, name: str, code: Optional[int]) -> None:
        why = "no result seen" if code is None else "result %d" % code
        if self.is_serial:
            log.warning("%s: %s; the port is drained before the next call", name, why)
            self._stale_since = time.monotonic()
            return
        # Closing the socket is the one sure way to keep its late reply
        # from being read as the next call's answer.
        log.warning("%s: %s; the connection is opened again before the next call", name, why)
        if self._handle.value:
            self._lib.VEKnet_Close(ctypes.byref(self._handle))
        self._reopen_pending = True

    def _reopen(self) -> None:
        assert self._address is not None
        address, port = self._address
        code = self._connect(address, port)
        if code:
            raise error_for(code, "VEKnet_Initialize", "opening %s again after a reply time-out" % self._where)
        self._reopen_pending = False
        log.warning("opened %s again after a reply time-out", self._where)

    # -- serial drain ------------------------------------------------------------

    def _drain(self) -> None:
        """Reads and discards until a late reply has come and gone quiet, or
        the window after the time-out has passed in silence."""
        since, self._stale_since = self._stale_since, None
        if since is None or not self._handle.value:
            return
        start = time.monotonic()
        give_up = max(since + self.resync_window_s, start)  # nothing came by then: none is coming
        hard_stop = start + self.resync_window_s + self.quiet_s  # a controller that never falls silent
        reply_seen = False
        word = ctypes.c_uint32(0)
        refresh = getattr(self._lib, self._prefix + "GetAllDoneFlags")
        while True:
            now = time.monotonic()
            wait = min(self.quiet_s if reply_seen else give_up - now, hard_stop - now)
            if not self._pending(max(wait, 0.0)):
                if self._can_select():
                    break  # quiet
                # A port that cannot be polled: drain blindly until the window ends.
                if now >= (give_up if not reply_seen else hard_stop):
                    break
            else:
                reply_seen = True
            # The library's flag refresh reads every waiting line and folds
            # their notifications.
            refresh(ctypes.byref(self._handle), ctypes.byref(word))
            if time.monotonic() >= hard_stop:
                break
        log.info("drained the port for %.3f s after a reply time-out", time.monotonic() - start)

    def _can_select(self) -> bool:
        return sys.platform != "win32"

    def _pending(self, wait: float) -> bool:
        """Whether bytes are waiting, after waiting up to ``wait`` seconds."""
        if not self._can_select():
            time.sleep(min(wait, 0.005))
            return False
        try:
            readable, _, _ = select.select([self._handle.value], [], [], wait)
        except (OSError, ValueError):
            return False
        return bool(readable)

    # -- raw exchange ------------------------------------------------------------

    def send(self, text: str) -> None:
        """Sends one command text as it is (ASCII, at most 127 characters
        with the library's own commands; the controller's ";" separators
        included)."""
        self._call("SendCommand", text.encode("ascii"))

    def query(self, text: str, size: int = 256) -> str:
        """Sends a command text and returns the controller's answer text."""
        size = integer(size, 2, 65536, "size")
        answer = ctypes.create_string_buffer(size)
        self._call("Query", text.encode("ascii"), answer, size - 1)
        return answer.value.decode("ascii", "replace")

    # -- motion ------------------------------------------------------------------

    def _run(self, operation: str, mask: int, args: Tuple[Any, ...], what: str, timeout_ms: int,
             stop_on_timeout: bool, seeks_limit: bool = False) -> None:
        name = self._prefix + operation
        self._motion.start(name, mask, lambda: self._call(operation, *args), what, seeks_limit)
        if timeout_ms:
            self._motion.wait(mask, timeout_ms, stop_on_timeout)

    def move_axis(self, axis: Axis, value: int, relative: bool = False, in_position: bool = False,
                  timeout_ms: int = 0, *, stop_on_timeout: bool = True) -> None:
        """Moves one axis to the absolute position ``value`` (steps), or by
        ``value`` with ``relative``. With ``timeout_ms`` above 0 waits until
        the axis is done (see the class: limit, slip, time-out, Ctrl-C).
        ``in_position`` asks for the in-position completion ("IP") instead
        of done ("ID")."""
        bit = axis_bit(axis)
        args = (bit, flag(relative, "relative"), int32(value, "value"), flag(in_position, "in_position"), 0)
        what = "%s %s %d" % (letter(bit), "by" if relative else "to", args[2])
        self._run("MoveAxis", bit, args, what, timeout(timeout_ms), stop_on_timeout)

    def move(self, targets: Mapping[Axis, int], kind: int = 0, am: bool = False, in_position: bool = False,
             timeout_ms: int = 0, *, stop_on_timeout: bool = True) -> None:
        """Moves several axes as one synchronised move: ``targets`` maps
        axes to values (steps); ``kind`` 0 absolute (MA), 1 relative (MR),
        2 MT, 3 ML; ``am`` the "AM" addressing instead of "AA". With
        ``timeout_ms`` above 0 waits until every moved axis is done."""
        mask, slots = value_list(targets, "target")
        args = (mask, flag(am, "am"), integer(kind, 0, 3, "kind"), slots, flag(in_position, "in_position"), 0)
        what = " ".join("%s=%d" % (letter(1 << i), slots[i]) for i in range(AXIS_COUNT) if mask >> i & 1)
        what += " (%s)" % ("MA", "MR", "MT", "ML")[args[2]]
        self._run("Move", mask, args, what, timeout(timeout_ms), stop_on_timeout)

    def move_by(self, distances: Mapping[Axis, int], timeout_ms: int = 0, *, am: bool = False,
                in_position: bool = False, stop_on_timeout: bool = True) -> None:
        """Moves several axes by ``distances`` (steps) as one synchronised
        relative move; otherwise as ``move``."""
        self.move(distances, 1, am, in_position, timeout_ms, stop_on_timeout=stop_on_timeout)

    def find_home(self, axis: Axis, edge: bool = False, reset: bool = False, value: int = 0,
                  timeout_ms: int = 0, *, stop_on_timeout: bool = True) -> None:
        """Searches the home switch of one axis ("HS", or "HE" with
        ``edge``); there the position becomes ``value`` ("HM", or "HR" with
        ``reset``, which also re-references the encoder). With
        ``timeout_ms`` above 0 waits until the search is done."""
        bit = axis_bit(axis)
        args = (bit, flag(edge, "edge"), flag(reset, "reset"), int32(value, "value"), 0)
        self._run("FindAxisHome", bit, args, "home search of %s" % letter(bit), timeout(timeout_ms),
                  stop_on_timeout)

    def find_limit(self, axis: Axis, negative: bool = False, velocity: int = 2000, timeout_ms: int = 0, *,
                   stop_on_timeout: bool = True) -> None:
        """Runs one axis at ``velocity`` steps/s toward its positive (or
        ``negative``) limit switch. With ``timeout_ms`` above 0 waits until
        it meets the limit (a slip raises ``SlipError``) and then stops it,
        as it does when the time runs out."""
        bit = axis_bit(axis)
        args = (bit, flag(negative, "negative"), int32(velocity, "velocity"), 0)
        what = "limit search of %s, %s" % (letter(bit), "negative" if negative else "positive")
        self._run("FindAxisLimit", bit, args, what, timeout(timeout_ms), stop_on_timeout, seeks_limit=True)
        if timeout_ms:
            self.stop(bit)

    def jog_axis(self, axis: Axis, velocity: float) -> None:
        """Jogs one axis at ``velocity`` steps/s (signed); a whole number goes
        out as a whole number, anything else with six decimals. A stop
        (``stop``) ends the jog."""
        bit = axis_bit(axis)
        if isinstance(velocity, bool) or not isinstance(velocity, (int, float)):
            raise TypeError("velocity must be a number, not %s" % type(velocity).__name__)
        speed = float(velocity)
        if speed != speed or speed in (float("inf"), float("-inf")):
            raise ValueError("velocity must be finite")
        kind = 0 if speed.is_integer() else 1
        if kind == 0:
            int32(int(speed), "velocity")
        self._motion.start(self._prefix + "JogAxis", bit, lambda: self._call("JogAxis", bit, kind, speed),
                           "jog %s at %g" % (letter(bit), speed))

    def jog(self, velocities: Mapping[Axis, int], am: bool = False) -> None:
        """Jogs several axes: ``velocities`` maps axes to steps/s."""
        mask, slots = value_list(velocities, "velocity")
        selector = flag(am, "am")
        what = "jog " + " ".join("%s=%d" % (letter(1 << i), slots[i]) for i in range(AXIS_COUNT) if mask >> i & 1)
        self._motion.start(self._prefix + "Jog", mask, lambda: self._call("Jog", mask, selector, slots), what)

    def wait(self, axes: Optional[Axes] = None, timeout_ms: int = 10000, *, stop_on_timeout: bool = True) -> None:
        """Waits until the axes (by default all that this object set moving)
        have ended, as a move with a time-out does; ``timeout_ms`` at least 1."""
        mask = self._motion.mask if axes is None else axis_mask(axes)
        self._motion.wait(mask, integer(timeout_ms, 1, 2 ** 31 - 1, "timeout_ms"), stop_on_timeout)

    def poll(self, axes: Optional[Axes] = None) -> str:
        """One look at the controller without waiting: returns the letters of
        the axes (by default all that this object set moving) still moving.
        Raises ``LimitError`` or ``SlipError`` as a wait does."""
        mask = ALL_AXES if axes is None else axis_mask(axes)
        return letters(self._motion.poll(mask))

    @property
    def moving(self) -> str:
        """The letters of the axes this object set moving and has not yet
        seen end (a look at the controller: ``poll()``)."""
        return letters(self._motion.mask)

    def guard(self) -> MotionGuard:
        """A block that stops the axes it set moving when it is left by an
        exception; left normally, a jog started in it goes on::

            with ctl.guard():
                ctl.jog_axis("Z", 2000)
                measure()          # an exception here stops Z
        """
        return MotionGuard(self._motion)

    def stop(self, axes: Axes = ALL_AXES) -> None:
        """Stops the axes with their deceleration ramp (all by default).
        They report done once at rest, which ends a wait on them."""
        mask = axis_mask(axes)
        log.info("stop %s", listed(mask))
        self._call("StopMotion", mask)
        self._motion.stopping(mask)

    def kill(self, axes: Axes = ALL_AXES) -> None:
        """Stops the axes at once, without a ramp (all by default)."""
        mask = axis_mask(axes)
        log.info("kill %s", listed(mask))
        self._call("KillMotion", mask)
        self._motion.stopping(mask)

    def _refresh(self) -> int:
        word = ctypes.c_uint32(0)
        self._call("GetAllDoneFlags", ctypes.byref(word), quiet=True)
        return word.value

    def _axis_moving(self, bit: int) -> bool:
        status = (ctypes.c_uint32 * 5)()
        self._call("GetAxisEncoderStatus", bit, status, quiet=True)
        # The fifth letter of the axis status: P while the axis moves.
        return bool(status[4])

    # -- positions ---------------------------------------------------------------

    def _read_one(self, operation: str, axis: Axis) -> int:
        value = ctypes.c_int32(0)
        self._call(operation, axis_bit(axis), ctypes.byref(value))
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
        self._call("GetAllAxisPositions", motor, encoder)
        return list(motor), list(encoder)

    def set_motor_position(self, axis: Axis, position: int) -> None:
        """Sets the motor position of one (stopped) axis to ``position`` steps."""
        self._call("SetAxisMotorPosition", axis_bit(axis), int32(position, "position"))

    # -- velocity ----------------------------------------------------------------

    def velocity(self, axis: Axis) -> int:
        """The current velocity of one axis, steps/s."""
        return self._read_one("GetAxisCurrentVelocity", axis)

    def max_velocity(self, axis: Axis) -> int:
        """The maximum (slew) velocity of one axis, steps/s."""
        return self._read_one("GetAxisMaxVelocity", axis)

    def set_max_velocity(self, axis: Axis, velocity: int) -> None:
        """Sets the maximum (slew) velocity of one axis, steps/s."""
        self._call("SetAxisMaxVelocity", axis_bit(axis), int32(velocity, "velocity"))

    def acceleration(self, axis: Axis) -> int:
        """The acceleration of one axis, steps/s^2."""
        return self._read_one("GetAxisAcceleration", axis)

    def set_acceleration(self, axis: Axis, acceleration: int) -> None:
        """Sets the acceleration of one axis, steps/s^2."""
        self._call("SetAxisAcceleration", axis_bit(axis), int32(acceleration, "acceleration"))

    # -- flags -------------------------------------------------------------------

    def status_word(self) -> int:
        """The transport's whole status word after reading what is waiting:
        done bits 0-9, limit bits 10-19, slip bits 20-29, command error bit
        30, bit i of a group for the axis AXES[i]."""
        return self._refresh()

    def is_done(self, axis: Axis) -> bool:
        """Whether the done flag of one axis is set (it stays set until cleared)."""
        value = ctypes.c_uint32(0)
        self._call("GetAxisDoneFlag", axis_bit(axis), ctypes.byref(value))
        return bool(value.value)

    def clear_done(self, axes: Axes = ALL_AXES) -> None:
        """Forgets the done flags of the axes (all by default). The motion
        calls clear their axes' flags themselves."""
        self._call("ClearMultiAxisDoneFlags", axis_mask(axes))

    def clear_limits(self, axes: Axes = ALL_AXES) -> None:
        """Forgets the limit (overtravel) flags of the axes (all by default)."""
        self._call("ClearMultiAxisOvertravelFlags", axis_mask(axes))

    def illegal_command(self, size: int = 128) -> str:
        """The controller's record of the last command it rejected."""
        size = integer(size, 1, 65536, "size")
        text = ctypes.create_string_buffer(size)
        length = ctypes.c_int32(0)
        self._call("GetIllegalCommand", text, size, ctypes.byref(length))
        return text.raw[: length.value].decode("ascii", "replace")

    # -- I/O ---------------------------------------------------------------------

    def _read_word(self, operation: str) -> int:
        word = ctypes.c_uint32(0)
        self._call(operation, ctypes.byref(word))
        return word.value

    def io_direction(self) -> int:
        """The direction word of the I/O lines: bit i set when line i is an output."""
        return self._read_word("GetIOBitsDirection")

    def io_state(self) -> int:
        """The levels of the I/O lines, bit i for line i."""
        return self._read_word("GetIOBitsState")

    def set_io_direction(self, word: int) -> None:
        """Sets the direction of the I/O lines: bit i set makes line i an output."""
        self._call("SetIOBitsDirection", uint32(word, "word"))

    def set_output_bit(self, bit: int, level: bool) -> None:
        """Drives output line ``bit`` (0-15) high (``level`` true) or low."""
        self._call("SetOutputBitState", 1 << integer(bit, 0, 15, "bit"), flag(level, "level"))


def _shown(value: Any) -> Any:
    """An argument as a debug line shows it: numbers and texts as they are."""
    if isinstance(value, ctypes._SimpleCData):
        return value.value
    if isinstance(value, ctypes.Array):
        return list(value)
    return value if isinstance(value, (int, float, bytes, str)) else type(value).__name__
