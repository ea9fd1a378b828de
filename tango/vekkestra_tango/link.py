"""One controller link: the connection, the thread that owns it, and the cache.

The poll thread is the only user of the connection. It opens it (again and
again, with back-off, when it is lost), reads every axis's positions and
status once per poll period, runs the commands that device calls hand it,
and is the only place where an axis's or the link's state changes. Every
change is handed once, in order, to a listener; device calls read the cached
views and never touch the connection.

Motion state comes from the controller's axis status ("EA": its fifth letter
says whether the axis moves), never from the done notifications, so a lost
notification cannot leave an axis moving for ever. Limit and slip come from
the library's status word, which this process's one connection owns: one
server process serves one controller for that reason.

No Tango here: states and texts are plain strings, so that the thread can be
reasoned about without the device layer.
"""

import collections
import dataclasses
import logging
import socket
import threading
import time
from typing import Callable, Dict, Iterable, List, NamedTuple, Optional, Sequence, Set, Tuple

import vekkestra

from . import errors

AXES = "XYZTUVRSWK"
AXIS_COUNT = len(AXES)
ALL_AXES = (1 << AXIS_COUNT) - 1

#: The longest a device call waits for the poll thread.
CLIENT_WAIT_S = 0.9
#: Waits before the next connection attempt, the last one repeating.
BACKOFF_S = (0.1, 0.2, 0.5, 1.0, 2.0)
#: Poll periods between reads of the status word while no motion ends.
WORD_EVERY = 10
#: Above this many characters of position text the poll asks in two queries,
#: so that a reply with a notification behind it still fits one 256-byte
#: chunk (a notification cut at the chunk's end would be lost).
COMBINED_LIMIT = 180

_LIMIT_SHIFT = 10
_SLIP_SHIFT = 20
# "EA": PID, slip detection, slipped, on the home switch, moving.
_AXIS_STATUS = frozenset(a + b + c + d + e for a in "ED" for b in "ED" for c in "SN" for d in "PN" for e in "PN")
# Every axis's status, then its motor and its encoder position: the poll's one query.
_POLL_PARTS = ("AAEA", "AARP", "AARE")
_MOVING_TEXT = tuple("Axis %s is moving." % letter for letter in AXES)
_REST_TEXT = tuple("Axis %s is at rest." % letter for letter in AXES)
_NO_FIELDS: frozenset = frozenset()

log = logging.getLogger("vekkestra_tango")


class Refused(Exception):
    """A command that was not carried out; ``reason`` names why in one word
    (the DevFailed reason), the message says what to do."""

    def __init__(self, reason: str, text: str) -> None:
        super().__init__(text)
        self.reason = reason


@dataclasses.dataclass(frozen=True)
class Endpoint:
    """Where the controller is: TCP ``host``:``port`` or serial ``com_port`` at ``baud``."""

    host: str = ""
    port: int = 5001
    com_port: int = 0
    baud: int = 115200

    def __str__(self) -> str:
        if self.host:
            return "%s:%d" % (self.host, self.port)
        return "COM%d at %d baud" % (self.com_port, self.baud)

    def open(self) -> vekkestra.Controller:
        if self.host:
            try:
                address = socket.gethostbyname(self.host)
            except OSError as error:
                raise Refused("BadProperty", "property Host: %r is not a known host (%s)" % (self.host, error))
            return vekkestra.Controller.tcp(address, self.port)
        return vekkestra.Controller.serial(self.com_port, self.baud)


class AxisView(NamedTuple):
    """What clients see of one axis; steps and steps/s, as the controller counts.
    A tuple: a poll builds one per moving axis, and compares it with the last."""

    state: str = "INIT"  # INIT, ON, MOVING, ALARM, FAULT
    status: str = ""
    steps: int = 0
    encoder: int = 0
    home: bool = False
    upper: bool = False
    lower: bool = False
    slipped: bool = False
    velocity: int = 0
    base_rate: int = 0
    acceleration: int = 0


_VIEW_FIELDS = AxisView._fields


class LinkView(NamedTuple):
    state: str = "INIT"  # INIT, ON, FAULT
    status: str = ""
    motor: Tuple[int, ...] = (0,) * AXIS_COUNT
    encoder: Tuple[int, ...] = (0,) * AXIS_COUNT
    word: int = 0


#: listener(link view or None when unchanged, [(axis index, view, changed field names, motion ended)])
Listener = Callable[[Optional[LinkView], List[Tuple[int, AxisView, frozenset, bool]]], None]


class _Axis:
    """The poll thread's own record of one axis."""

    def __init__(self) -> None:
        self.steps = 0
        self.encoder = 0
        self.moving = False
        self.home = False
        self.direction = 0  # of the last motion: +1 toward positive steps, -1 negative
        self.limit_side = 0  # which switch the limit flag stands for
        self.velocity = self.base_rate = self.acceleration = 0


class _Request:
    def __init__(self, action: Callable[[], object], must_run: bool) -> None:
        self.action = action
        self.must_run = must_run
        self.done = threading.Event()
        self.started = False
        self.result: object = None
        self.error: Optional[BaseException] = None


class _BadAnswer(Exception):
    """An answer that cannot be read: the link is not to be trusted."""

    def __str__(self) -> str:
        return "unreadable answer (%s)" % self.args[0]


def _describe(error: BaseException) -> str:
    return str(error) if isinstance(error, _BadAnswer) else errors.describe(error)


def _sign(value: int) -> int:
    return (value > 0) - (value < 0)


class Link:
    """The link to one controller; ``start()`` runs its poll thread."""

    def __init__(self, name: str, endpoint: Endpoint, period_s: float, listener: Listener,
                 rest_period_s: float = 0.0) -> None:
        """Polls every ``period_s`` while an axis moves, every
        ``rest_period_s`` (never more often) while all are at rest."""
        self.name = name
        self.endpoint = endpoint
        self._period = period_s
        self._rest_period = max(period_s, rest_period_s)
        self._listener = listener
        self._ctl: Optional[vekkestra.Controller] = None
        self._state, self._fault = "INIT", ""
        self._status = self._status_text()  # of the state and fault above, kept for the views
        self._axes = [_Axis() for _ in range(AXIS_COUNT)]
        self._word = 0
        self._word_due = 0.0  # when the status word is to be read again
        self._last_read: Tuple[List[str], List[int], List[int]] = ([], [], [])
        self._position_chars = 0  # of the positions in the last answer
        self._views = [AxisView() for _ in range(AXIS_COUNT)]
        self._view = LinkView(status=self._status)
        self._queue: "collections.deque[_Request]" = collections.deque()
        self._queue_lock = threading.Lock()
        self._wake = threading.Event()
        self._stopping = threading.Event()
        self._busy_since: Optional[float] = None  # when the poll thread began its current round
        self._thread = threading.Thread(target=self._run, name="poll %s" % name, daemon=True)

    # -- device side -----------------------------------------------------------

    def start(self) -> None:
        self._thread.start()

    def close(self, timeout_s: float = 5.0) -> None:
        """Stops the poll thread, which closes the connection. A call in the
        library ends within its own time-outs (2.5 s for a reply)."""
        self._stopping.set()
        self._wake.set()
        if self._thread.is_alive() and threading.current_thread() is not self._thread:
            self._thread.join(timeout_s)

    def view(self) -> LinkView:
        return self._view

    def axis(self, index: int) -> AxisView:
        return self._views[index]

    def move(self, targets: Dict[int, int]) -> None:
        """Starts one synchronised move of the axes to the step targets."""
        self._call(lambda: self._move(targets))

    def home(self, index: int) -> None:
        self._call(lambda: self._home(index))

    def stop(self, mask: int = ALL_AXES) -> None:
        self._call(lambda: self._stop(mask, kill=False), must_run=True)

    def kill(self, mask: int = ALL_AXES) -> None:
        self._call(lambda: self._stop(mask, kill=True), must_run=True)

    def define(self, index: int, steps: int) -> None:
        self._call(lambda: self._define(index, steps))

    def set_speed(self, index: int, velocity: Optional[int] = None, base_rate: Optional[int] = None,
                  acceleration: Optional[int] = None) -> None:
        self._call(lambda: self._set_speed(index, velocity, base_rate, acceleration))

    def write_read(self, text: str) -> str:
        return str(self._call(lambda: self._write_read(text)))

    def _call(self, action: Callable[[], object], must_run: bool = False) -> object:
        """Hands ``action`` to the poll thread and waits for it, never longer
        than CLIENT_WAIT_S. An action that has not started by then is dropped,
        except a stop, which still goes out when the link is free.

        Calls on one device come one after the other (Tango's device
        monitor), so the wait also ends CLIENT_WAIT_S after the poll thread
        began what it is still doing: a call queued behind another that
        waited its full time is answered at once, not a second later."""
        if self._state != "ON":
            raise Refused("Connecting" if self._state == "INIT" else "LinkLost", self._status_text())
        request = _Request(action, must_run)
        with self._queue_lock:
            if must_run:
                self._queue.appendleft(request)
            else:
                self._queue.append(request)
        self._wake.set()
        now = time.monotonic()
        busy_since = self._busy_since
        wait = CLIENT_WAIT_S if busy_since is None else min(CLIENT_WAIT_S, busy_since + CLIENT_WAIT_S - now)
        if not request.done.wait(max(wait, 0.0)):
            dropped = False
            with self._queue_lock:
                if not request.started and not must_run and request in self._queue:
                    self._queue.remove(request)
                    dropped = True
            if dropped or not (request.done.is_set() or request.started or must_run):
                raise Refused("Busy", "the link to the controller is busy waiting for the controller; "
                                      "nothing was sent")
            if not request.done.is_set():  # else it finished just now
                if not request.started:
                    raise Refused("Busy", "the link to the controller is busy; the stop goes out as soon as it is "
                                          "free")
                raise Refused("NoAnswer", "the command went out, but the controller has not confirmed it within "
                                          "1 s; State tells what followed")
        if request.error is not None:
            raise request.error
        return request.result

    # -- poll thread -------------------------------------------------------------

    def _run(self) -> None:
        tries = 0
        next_poll = 0.0
        while not self._stopping.is_set():
            if self._ctl is None:
                if self._connect():
                    tries = 0
                    next_poll = time.monotonic() + self._period
                else:
                    self._fail_queued()
                    self._stopping.wait(BACKOFF_S[min(tries, len(BACKOFF_S) - 1)])
                    tries += 1
                continue
            self._busy_since = time.monotonic()
            try:
                if self._serve():
                    # A command may have set an axis moving, or may be followed by one.
                    next_poll = min(next_poll, time.monotonic() + self._period)
                now = time.monotonic()
                if now >= next_poll:
                    self._poll()
                    next_poll = now + (self._period if self._active() else self._rest_period)
            except Exception as error:  # noqa: BLE001 - any failure of the link ends in FAULT and a new try
                self._lose(error)
                continue
            finally:
                self._busy_since = None
            self._wake.wait(max(0.0, next_poll - time.monotonic()))
            self._wake.clear()
        self._fail_queued()
        self._close_connection()

    def _connect(self) -> bool:
        try:
            self._ctl = self.endpoint.open()
            self._read_speeds(range(AXIS_COUNT))
            self._word = 0
            self._poll()
        except Refused as refusal:
            self._close_connection()
            self._set_link("FAULT", str(refusal))
            return False
        except Exception as error:  # noqa: BLE001
            self._close_connection()
            self._set_link("FAULT", "cannot reach the controller at %s: %s" % (self.endpoint, _describe(error)))
            return False
        return True

    def _lose(self, error: BaseException) -> None:
        log.warning("%s: link lost: %s", self.name, _describe(error))
        self._close_connection()
        self._set_link("FAULT", "link to %s lost: %s" % (self.endpoint, _describe(error)))
        self._fail_queued()

    def _close_connection(self) -> None:
        if self._ctl is not None:
            try:
                self._ctl.close()
            except Exception:  # noqa: BLE001 - a close that fails leaves nothing to do
                pass
            self._ctl = None

    def _fail_queued(self) -> None:
        with self._queue_lock:
            pending = list(self._queue)
            self._queue.clear()
        for request in pending:
            request.error = Refused("LinkLost", self._status_text())
            request.done.set()

    def _serve(self) -> bool:
        """Runs the queued requests; whether there were any."""
        served = False
        while True:
            with self._queue_lock:
                if not self._queue:
                    return served
                served = True
                request = self._queue.popleft()
                request.started = True
            lost: Optional[BaseException] = None
            try:
                request.result = request.action()
            except Refused as refusal:
                request.error = refusal
            except (ValueError, TypeError) as error:
                request.error = Refused("BadValue", str(error))
            except Exception as error:  # noqa: BLE001
                if isinstance(error, _BadAnswer) or errors.is_link_lost(error):
                    lost = error
                    request.error = Refused("LinkLost", "link to %s lost: %s" % (self.endpoint, _describe(error)))
                else:
                    request.error = Refused("CommandFailed", errors.describe(error))
            request.done.set()
            if lost is not None:
                raise lost

    # -- reading the controller ------------------------------------------------------

    def _ask(self, parts: Sequence[str], count: int) -> List[str]:
        """The answers of several queries, split at their commas: ``count``
        fields in all. TCP takes them in one text (answers joined by ","),
        a serial line one query at a time."""
        assert self._ctl is not None
        if self._ctl.is_serial:
            fields = [field for part in parts for field in self._ctl.query(part).split(",")]
        else:
            fields = self._ctl.query(";".join(parts)).split(",")
        if len(fields) != count:
            raise _BadAnswer("%d fields instead of %d in the answer to %s" % (len(fields), count, ";".join(parts)))
        return fields

    def _read_axes(self) -> Tuple[List[str], List[int], List[int]]:
        """(axis status, motor positions, encoder positions). The status is
        asked first: positions read after an axis is seen at rest are final."""
        fields: List[str] = []
        if self._position_chars <= COMBINED_LIMIT:
            try:
                fields = self._ask(_POLL_PARTS, 3 * AXIS_COUNT)
            except _BadAnswer:
                pass  # cut at 255 characters: positions grown since the last poll
        if not fields:
            fields = self._ask(_POLL_PARTS[:1], AXIS_COUNT) + self._ask(_POLL_PARTS[1:], 2 * AXIS_COUNT)
        status = fields[:AXIS_COUNT]
        if status != self._last_read[0]:
            for letters in status:
                if letters not in _AXIS_STATUS:
                    raise _BadAnswer("unreadable axis status %r" % letters)
        positions = fields[AXIS_COUNT:]
        try:
            motor = list(map(int, positions[:AXIS_COUNT]))
            encoder = list(map(int, positions[AXIS_COUNT:]))
        except ValueError as error:
            raise _BadAnswer("unreadable positions: %s" % error) from None
        self._position_chars = sum(map(len, positions)) + len(positions) - 1
        return status, motor, encoder

    def _read_speeds(self, indices: Sequence[int]) -> None:
        indices = list(indices)
        for first in range(0, len(indices), 5):  # about 120 characters of answer per query
            group = indices[first:first + 5]
            parts = ["A%s?%s" % (AXES[i], what) for i in group for what in ("VL", "VB", "AC")]
            fields = self._ask(parts, 3 * len(group))
            try:
                values = [int(f.lstrip("=")) for f in fields]
            except ValueError:
                raise _BadAnswer("unreadable speeds %r" % fields) from None
            for n, i in enumerate(group):
                a = self._axes[i]
                a.velocity, a.base_rate, a.acceleration = values[3 * n:3 * n + 3]

    def _read_word(self) -> None:
        assert self._ctl is not None
        word = self._ctl.status_word()
        self._word_due = time.monotonic() + WORD_EVERY * self._period
        # A limit or slip flag that appears is the end of the axis's last
        # motion: the side it stands for is that motion's direction.
        for i, a in enumerate(self._axes):
            bit = 1 << (_LIMIT_SHIFT + i)
            if word & bit and not self._word & bit:
                a.limit_side = a.direction or (1 if a.steps >= 0 else -1)
        self._word = word

    def _poll(self) -> None:
        status, motor, encoder = self._read_axes()
        word_due = time.monotonic() >= self._word_due
        last_status, last_motor, last_encoder = self._last_read
        self._last_read = (status, motor, encoder)
        unchanged = (status, motor, encoder) == (last_status, last_motor, last_encoder)
        if unchanged and self._state == "ON" and not any(a.moving for a in self._axes):
            # All at rest as before: only the status word can bring news.
            if word_due:
                word = self._word
                self._read_word()
                if self._word != word:
                    self._publish(())
            return
        ended = set()
        for i, a in enumerate(self._axes):
            moving = status[i][4] == "P"
            if (a.moving or moving) and motor[i] != a.steps:
                a.direction = _sign(motor[i] - a.steps)
            if a.moving and not moving:
                ended.add(i)
            elif moving and not a.moving:
                # Set moving by someone else: the flags of its last motion no longer hold.
                self._clear_flags(1 << i, done=False)
            a.steps, a.encoder, a.moving = motor[i], encoder[i], moving
            a.home = status[i][3] == "P"
            if status[i][2] == "S" and i in ended:
                # The controller's own record of a slip, should its notification be lost.
                self._word |= 1 << (_SLIP_SHIFT + i)
        word = self._word
        if ended or word_due:
            self._read_word()
        changed: Optional[Set[int]] = None  # every axis
        if self._state != "ON":
            self._set_state("ON", "")
        elif word == self._word and last_status:
            changed = {i for i in range(AXIS_COUNT) if status[i] != last_status[i] or motor[i] != last_motor[i]
                       or encoder[i] != last_encoder[i] or self._axes[i].moving} | ended
        self._publish(ended, changed)

    def _active(self) -> bool:
        """Whether the next poll is to come at the moving pace."""
        return self._state != "ON" or any(a.moving for a in self._axes)

    # -- commands (poll thread) ------------------------------------------------------

    def _check_at_rest(self, index: int) -> None:
        if self._axes[index].moving:
            raise Refused("AxisMoving", "axis %s is moving; Stop or Abort it, or wait until it is at rest"
                          % AXES[index])

    def _check_target(self, index: int, target: int) -> None:
        self._check_at_rest(index)
        a = self._axes[index]
        if self._word & (1 << (_LIMIT_SHIFT + index)) and _sign(target - a.steps) == a.limit_side:
            side = "upper" if a.limit_side > 0 else "lower"
            raise Refused("At%sLimit" % side.capitalize(),
                          "axis %s stands at its %s limit switch; only a move back toward %s steps is allowed"
                          % (AXES[index], side, "negative" if a.limit_side > 0 else "positive"))

    def _clear_flags(self, mask: int, done: bool = True) -> None:
        assert self._ctl is not None
        if done:
            self._ctl.clear_done(mask)
        self._ctl.clear_limits(mask)
        self._ctl.call("ClearMultiAxisSlipFlag", mask)
        self._word &= ~((mask << _LIMIT_SHIFT) | (mask << _SLIP_SHIFT) | (mask if done else 0))

    def _move(self, targets: Dict[int, int]) -> None:
        assert self._ctl is not None
        if not targets:
            raise Refused("BadValue", "no axis to move")
        for index, target in targets.items():
            self._check_target(index, target)
        mask = sum(1 << i for i in targets)
        self._clear_flags(mask)
        if len(targets) == 1:
            ((index, target),) = targets.items()
            self._ctl.move_axis(AXES[index], target, timeout_ms=0)
        else:
            self._ctl.move({AXES[i]: t for i, t in targets.items()}, timeout_ms=0)
        for index, target in targets.items():
            a = self._axes[index]
            a.moving = True
            a.direction = _sign(target - a.steps) or a.direction
        self._publish(())

    def _home(self, index: int) -> None:
        assert self._ctl is not None
        self._check_at_rest(index)
        self._clear_flags(1 << index)
        # Search the home switch; the motor and the encoder read 0 there.
        self._ctl.find_home(AXES[index], edge=False, reset=True, value=0, timeout_ms=0)
        a = self._axes[index]
        a.moving = True
        a.direction = -_sign(a.steps)
        self._publish(())

    def _stop(self, mask: int, kill: bool) -> None:
        assert self._ctl is not None
        if kill:
            self._ctl.kill(mask)
        else:
            self._ctl.stop(mask)

    def _define(self, index: int, steps: int) -> None:
        assert self._ctl is not None
        self._check_at_rest(index)
        self._ctl.set_motor_position(AXES[index], steps)
        # A new reference ends a slip alarm; a limit switch stays where it is.
        self._ctl.call("ClearMultiAxisSlipFlag", 1 << index)
        self._word &= ~(1 << (_SLIP_SHIFT + index))
        self._poll()

    def _set_speed(self, index: int, velocity: Optional[int], base_rate: Optional[int],
                   acceleration: Optional[int]) -> None:
        assert self._ctl is not None
        a = self._axes[index]
        if velocity is not None:
            if velocity <= 0 or velocity < a.base_rate:
                raise Refused("BadValue", "Velocity must be above 0 and not below Base_rate")
            self._ctl.set_max_velocity(AXES[index], velocity)
        if base_rate is not None:
            if base_rate < 0 or base_rate > a.velocity:
                raise Refused("BadValue", "Base_rate must be at least 0 and not above Velocity")
            self._ctl.call("SetAxisBaseVelocity", 1 << index, base_rate)
        if acceleration is not None:
            if acceleration <= 0:
                raise Refused("BadValue", "the acceleration must be above 0")
            self._ctl.set_acceleration(AXES[index], acceleration)
        self._read_speeds((index,))
        self._publish(())

    def _write_read(self, text: str) -> str:
        assert self._ctl is not None
        try:
            return self._ctl.query(text)
        except Exception as error:  # noqa: BLE001
            if errors.is_missing_answer(error):
                # Acknowledged but never answered: a text without a query.
                # Nothing more can come, but a fresh connection is cheap insurance.
                self._close_connection()
                self._ctl = self.endpoint.open()
                raise Refused("NoAnswer", "the controller sent no answer: WriteRead needs a query in the text")
            raise

    # -- views -----------------------------------------------------------------------

    def _status_text(self) -> str:
        if self._state == "INIT":
            return "Connecting to the controller at %s." % self.endpoint
        if self._state == "FAULT":
            return "%s. The server tries again by itself, at most 2 s apart." % self._fault.rstrip(".")
        return "Connected to the controller at %s." % self.endpoint

    def _set_state(self, state: str, fault: str) -> None:
        self._state, self._fault = state, fault
        self._status = self._status_text()

    def _set_link(self, state: str, fault: str) -> None:
        self._set_state(state, fault)
        self._publish(())

    def _axis_view(self, index: int) -> AxisView:
        a = self._axes[index]
        letter = AXES[index]
        limit = bool(self._word & (1 << (_LIMIT_SHIFT + index)))
        slipped = bool(self._word & (1 << (_SLIP_SHIFT + index)))
        if self._state != "ON":
            state, status = self._state, "Axis %s: %s" % (letter, self._status)
        elif a.moving:
            state, status = "MOVING", _MOVING_TEXT[index]
        elif limit:
            side = "upper" if a.limit_side > 0 else "lower"
            state = "ALARM"
            status = ("Axis %s met its %s limit switch and stopped at %d steps. A move back toward %s steps "
                      "leaves the ALARM; moves further toward the switch are refused."
                      % (letter, side, a.steps, "negative" if a.limit_side > 0 else "positive"))
        elif slipped:
            state = "ALARM"
            status = ("Axis %s slipped: its encoder fell behind the motor and the controller stopped it at %d steps. "
                      "The next move, Home or DefinePosition leaves the ALARM." % (letter, a.steps))
        else:
            state, status = "ON", _REST_TEXT[index]
        return AxisView(state, status, a.steps, a.encoder, a.home, limit and a.limit_side > 0,
                        limit and a.limit_side < 0, slipped, a.velocity, a.base_rate, a.acceleration)

    def _publish(self, ended: Iterable[int], axes: Optional[Iterable[int]] = None) -> None:
        """Builds the views (of ``axes``, or of all), keeps them for the
        device calls, and hands what changed to the listener; a motion that
        ended always reports its position once more."""
        ended = set(ended)
        every = self._axes
        view = LinkView(self._state, self._status, tuple([a.steps for a in every]),
                        tuple([a.encoder for a in every]), self._word)
        changed_link = view if view != self._view else None
        updates = []
        views = self._views
        for i in sorted(axes) if axes is not None else range(AXIS_COUNT):
            new, old = self._axis_view(i), views[i]
            if new != old:
                views[i] = new
                fields = frozenset([name for name, value, was in zip(_VIEW_FIELDS, new, old) if value != was])
                updates.append((i, new, fields, i in ended))
            elif i in ended:
                updates.append((i, new, _NO_FIELDS, True))
        self._view = view
        if changed_link is not None or updates:
            try:
                self._listener(changed_link, updates)
            except Exception:  # noqa: BLE001 - a listener's fault must not stop the poll
                log.exception("%s: listener failed", self.name)
