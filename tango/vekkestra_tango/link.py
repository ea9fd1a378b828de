"""One controller link: the connection, the thread that owns it, and the cache.

The poll thread is the only user of the connection. It opens it (again, with
back-off, while it cannot), looks at every axis once per poll period, runs
the commands that device calls hand it, and is the only place where an
axis's or the link's state changes. Every change is handed once, in order,
to a listener; device calls read the cached views and never touch the
connection.

What an axis does comes from the motion core's tracker (``Controller.poll()``:
status, motor and encoder positions in one exchange): moving, at rest, ended
at a limit, slipped or refused, the end of a motion and the way it went. The
motions this server starts are started without a wait and ended by the
tracker, which also stops the other axes of a multi-axis move when one of
them meets a limit, slips or is stopped short. A reply that comes too late
is the core's business as well: it reconnects or drains before the next
call. This module only turns what the tracker says into the devices' states
and texts. The library's status word is one per transport and process: one
server process serves one controller for that reason.

No Tango here: states and texts are plain strings, so that the thread can be
reasoned about without the device layer.
"""

import collections
import dataclasses
import logging
import threading
import time
from typing import Callable, Dict, Iterable, List, NamedTuple, Optional, Sequence, Tuple

import vekkestra

from . import errors

AXES = "XYZTUVRSWK"
AXIS_COUNT = len(AXES)
ALL_AXES = (1 << AXIS_COUNT) - 1

#: The longest a device call waits for the poll thread.
CLIENT_WAIT_S = 0.9
#: Waits before the next try to reach the controller, the last one repeating.
BACKOFF_S = (0.1, 0.2, 0.5, 1.0, 2.0)

_MOVING_TEXT = tuple("Axis %s is moving." % letter for letter in AXES)
_REST_TEXT = tuple("Axis %s is at rest." % letter for letter in AXES)
_REFUSED_TEXT = tuple("Axis %s is at rest: the controller refused its last motion command." % letter
                      for letter in AXES)
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
            return vekkestra.Controller.tcp(self.host, self.port)
        return vekkestra.Controller.serial(self.com_port, self.baud)


class AxisView(NamedTuple):
    """What clients see of one axis; steps and steps/s, as the controller counts.
    A tuple: a poll builds one per axis that changed, and compares it with the last."""

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
    """The poll thread's record of one axis: what the tracker said last, and
    what the devices add to it."""

    def __init__(self, letter: str) -> None:
        self.seen = vekkestra.AxisState(letter, "at rest", 0, 0, False, False, False, False, False, False, None, 0)
        # Set moving by this server since the last look: MOVING until the
        # tracker has seen the motion (it then reports it as its own).
        self.started = False
        # DefinePosition gave the axis a new reference after a slip: the
        # tracker still reports the slip until the axis moves again.
        self.slip_accepted = False
        self.refused = False  # its last motion command was refused (serial)
        self.velocity = self.base_rate = self.acceleration = 0

    @property
    def moving(self) -> bool:
        return self.started or self.seen.ours or self.seen.state == "moving"

    @property
    def limit_side(self) -> int:
        """+1 for the upper switch, -1 for the lower, 0 when not at a limit:
        the way the axis went when it met it."""
        s = self.seen
        if s.state != "limit":
            return 0
        return s.direction or (1 if s.motor >= 0 else -1)

    @property
    def slipped(self) -> bool:
        return self.seen.state == "slip" and not self.slip_accepted


class _Unreadable(Exception):
    """An answer to the server's own query that it cannot read."""


class _Request:
    def __init__(self, action: Callable[[], object], must_run: bool) -> None:
        self.action = action
        self.must_run = must_run
        self.done = threading.Event()
        self.started = False
        self.result: object = None
        self.error: Optional[BaseException] = None


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
        self._axes = [_Axis(letter) for letter in AXES]
        self._word = 0
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
        core ends within its own time-outs (2.5 s for a reply)."""
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
            if self._state != "ON":
                if self._reach():
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
        if self._ctl is not None:
            self._ctl.close()

    def _reach(self) -> bool:
        """Opens the connection if there is none, reads the speeds and
        polls: ON when that worked. A connection that lost a reply is opened
        again by the core itself, within these calls."""
        opening = self._ctl is None
        try:
            if opening:
                self._ctl = self.endpoint.open()
            self._read_speeds(range(AXIS_COUNT))
            self._poll()
        except Exception as error:  # noqa: BLE001
            what = "cannot reach the controller at %s" if opening else "link to %s lost"
            self._set_link("FAULT", "%s: %s" % (what % self.endpoint, errors.describe(error)))
            return False
        return True

    def _lose(self, error: BaseException) -> None:
        log.warning("%s: link lost: %s", self.name, errors.describe(error))
        self._set_link("FAULT", "link to %s lost: %s" % (self.endpoint, errors.describe(error)))
        self._fail_queued()

    def _fail_queued(self) -> None:
        with self._queue_lock:
            pending = list(self._queue)
            self._queue.clear()
        for request in pending:
            request.error = Refused("LinkLost", self._status_text())
            request.done.set()

    def _serve(self) -> bool:
        """Runs the queued requests; whether there were any. A request that
        fails because the link is gone fails, and so do those behind it."""
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
                if errors.is_link_lost(error):
                    lost = error
                    text = "link to %s lost: %s" % (self.endpoint, errors.describe(error))
                    request.error = Refused("LinkLost", text)
                else:
                    request.error = Refused("CommandFailed", errors.describe(error))
            request.done.set()
            if lost is not None:
                raise lost

    # -- reading the controller ------------------------------------------------------

    def _read_speeds(self, indices: Sequence[int]) -> None:
        """The maximum and base velocities and the acceleration of the axes,
        a few axes per query (TCP: one text; serial: one query each)."""
        assert self._ctl is not None
        indices = list(indices)
        for first in range(0, len(indices), 5):  # about 120 characters of answer per query
            group = indices[first:first + 5]
            parts = ["A%s?%s" % (AXES[i], what) for i in group for what in ("VL", "VB", "AC")]
            if self._ctl.is_serial:
                fields = [self._ctl.query(part) for part in parts]
            else:
                fields = self._ctl.query(";".join(parts)).split(",")
            try:
                values = [int(f.lstrip("=")) for f in fields]
            except ValueError:
                values = []
            if len(values) != len(parts):
                raise _Unreadable("unreadable answer %r to %s" % (",".join(fields), ";".join(parts)))
            for n, i in enumerate(group):
                a = self._axes[i]
                a.velocity, a.base_rate, a.acceleration = values[3 * n:3 * n + 3]

    def _poll(self) -> None:
        """One look through the tracker; publishes the axes that changed."""
        assert self._ctl is not None
        seen = self._ctl.poll()
        self._word = self._ctl.polled_word
        ended, changed = set(), set()
        for i, (a, s) in enumerate(zip(self._axes, seen)):
            if s.ended:
                ended.add(i)
            if s.state == "moving":
                a.slip_accepted = a.refused = False
            elif s.state == "refused":
                a.refused = True
            if s != a.seen or a.started:
                changed.add(i)
            a.seen, a.started = s, False
        if self._state == "ON":
            self._publish(ended, changed)
        else:
            self._set_state("ON", "")
            self._publish(ended)

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
        side = a.limit_side
        if side and _sign(target - a.seen.motor) == side:
            where = "upper" if side > 0 else "lower"
            raise Refused("At%sLimit" % where.capitalize(),
                          "axis %s stands at its %s limit switch; only a move back toward %s steps is allowed"
                          % (AXES[index], where, "negative" if side > 0 else "positive"))

    def _started(self, indices: Iterable[int]) -> None:
        """Axes just set moving: MOVING at once, a new motion's notes gone."""
        for index in indices:
            a = self._axes[index]
            a.started = True
            a.slip_accepted = a.refused = False
        self._publish(())

    def _move(self, targets: Dict[int, int]) -> None:
        assert self._ctl is not None
        if not targets:
            raise Refused("BadValue", "no axis to move")
        for index, target in targets.items():
            self._check_target(index, target)
        if len(targets) == 1:
            ((index, target),) = targets.items()
            self._ctl.move_axis(AXES[index], target, timeout_ms=0)
        else:
            self._ctl.move({AXES[i]: t for i, t in targets.items()}, timeout_ms=0)
        self._started(targets)

    def _home(self, index: int) -> None:
        assert self._ctl is not None
        self._check_at_rest(index)
        # Search the home switch; the motor and the encoder read 0 there.
        self._ctl.home(AXES[index], timeout_ms=0, value=0, reset=True)
        self._started((index,))

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
        a = self._axes[index]
        a.slip_accepted = a.seen.state == "slip"
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
        except vekkestra.VekTimeoutError as error:
            # The core has already made the line safe for the next call; the
            # next poll tells whether the link is still up.
            raise Refused("NoAnswer", "no answer came (WriteRead needs a query in the text; State tells "
                                      "whether the link is still up): %s" % errors.describe(error))

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
        s = a.seen
        letter = AXES[index]
        side = a.limit_side
        if self._state != "ON":
            state, status = self._state, "Axis %s: %s" % (letter, self._status)
        elif a.moving:
            state, status = "MOVING", _MOVING_TEXT[index]
        elif side:
            where = "upper" if side > 0 else "lower"
            state = "ALARM"
            status = ("Axis %s met its %s limit switch and stopped at %d steps. A move back toward %s steps "
                      "leaves the ALARM; moves further toward the switch are refused."
                      % (letter, where, s.motor, "negative" if side > 0 else "positive"))
        elif a.slipped:
            state = "ALARM"
            status = ("Axis %s slipped: its encoder fell behind the motor and the controller stopped it at %d steps. "
                      "The next move, Home or DefinePosition leaves the ALARM." % (letter, s.motor))
        else:
            state, status = "ON", (_REFUSED_TEXT if a.refused else _REST_TEXT)[index]
        return AxisView(state, status, s.motor, s.encoder, s.home_switch, side > 0, side < 0, a.slipped,
                        a.velocity, a.base_rate, a.acceleration)

    def _publish(self, ended: Iterable[int], axes: Optional[Iterable[int]] = None) -> None:
        """Builds the views (of ``axes``, or of all), keeps them for the
        device calls, and hands what changed to the listener; a motion that
        ended always reports its position once more."""
        ended = set(ended)
        every = self._axes
        view = LinkView(self._state, self._status, tuple([a.seen.motor for a in every]),
                        tuple([a.seen.encoder for a in every]), self._word)
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
