"""The link to the controller: one thread owns the connection.

That thread opens the controller, polls it (``Controller.poll()``: every
axis's state and positions from one exchange) and runs the commands the
pages hand it, one at a time, stops first. Every poll goes to a listener as
a ``Snapshot``; every change of the link's state as a ``LinkState``. The
motion core decides when a motion ends, stops the other axes of a move that
met a limit and opens a TCP connection again after a lost reply; the link
only paces the polls: back to back while anything moves, every
``REST_PERIOD_S`` at rest, and after a failed poll at the back-off pace.
"""

from __future__ import annotations

import collections
import concurrent.futures
import dataclasses
import logging
import threading
import time
from typing import Any, Callable, Deque, Dict, List, NamedTuple, Optional, Set

import vekkestra

log = logging.getLogger("vekkestra_panel")

AXES = "XYZTUVRSWK"
#: Start to start while an axis moves: a TCP poll takes about 21 ms (the
#: library's 10 ms drain and its 10 ms look for more answer), so the polls
#: run back to back, about 45 a second.
MOVING_PERIOD_S = 0.02
#: Start to start while every axis rests. A command is never held back by
#: it: it runs at once and a poll follows it.
REST_PERIOD_S = 0.1
#: Waits before the next try after a failed open or poll, the last repeating.
BACKOFF_S = (0.1, 0.2, 0.5, 1.0, 2.0)
#: How long a thread waits for the link to take a command before it says so.
CALL_WAIT_S = 5.0


class Refused(Exception):
    """A command that was not carried out; the message says why."""


@dataclasses.dataclass(frozen=True)
class Endpoint:
    """Where the controller is: TCP ``host``:``port`` or serial ``com`` at ``baud``."""

    host: str = ""
    port: int = 5001
    com: int = 0
    baud: int = 115200
    simulator: bool = False

    def __str__(self) -> str:
        if self.host:
            where = "%s:%d" % (self.host, self.port)
            return "simulator veksim on %s" % where if self.simulator else where
        return "COM%d at %d baud" % (self.com, self.baud)

    def open(self) -> vekkestra.Controller:
        if self.host:
            return vekkestra.Controller.tcp(self.host, self.port)
        return vekkestra.Controller.serial(self.com, self.baud)


class LinkState(NamedTuple):
    #: "connecting", "up", "lost" or "closed"
    state: str
    message: str
    #: wall-clock time of the change
    since: float


class Snapshot(NamedTuple):
    """One poll: when (wall clock), the ten axes, the axes whose position
    was set since the poll before, with why (for the plot's breaks), and
    whether anything differs from the poll before."""

    time: float
    axes: List[vekkestra.AxisState]
    resets: Dict[str, str]
    changed: bool


class _Job:
    def __init__(self, action: Callable[[vekkestra.Controller], Any], what: str, motion: bool) -> None:
        self.action = action
        self.what = what
        self.motion = motion
        self.future: "concurrent.futures.Future[Any]" = concurrent.futures.Future()


SnapshotListener = Callable[[Snapshot], None]
StateListener = Callable[[LinkState], None]


class Link:
    """The controller's thread; ``start()`` runs it, ``close()`` ends it
    after stopping what the panel set moving."""

    def __init__(self, endpoint: Endpoint, on_snapshot: SnapshotListener, on_state: StateListener,
                 on_started: Callable[[str], None] = lambda letters: None) -> None:
        self.endpoint = endpoint
        self._on_snapshot = on_snapshot
        self._on_state = on_state
        self._on_started = on_started
        self._ctl: Optional[vekkestra.Controller] = None
        self._state = LinkState("connecting", "connecting to %s" % endpoint, time.time())
        self._jobs: Deque[_Job] = collections.deque()
        self._lock = threading.Lock()
        self._wake = threading.Event()
        self._closing = threading.Event()
        self._last: Optional[List[vekkestra.AxisState]] = None
        self._pending_resets: Dict[str, str] = {}
        self._homing: Set[str] = set()  # axes whose home search the panel started
        self._keep_fast = 0  # polls still to come at the moving pace
        #: When the thread began the call it is in (monotonic), else None.
        self.busy_since: Optional[float] = None
        self._stopped_on_close = ""
        self._thread = threading.Thread(target=self._run, name="controller link", daemon=True)

    # -- other threads -----------------------------------------------------------

    @property
    def state(self) -> LinkState:
        return self._state

    @property
    def last(self) -> Optional[List[vekkestra.AxisState]]:
        return self._last

    def start(self) -> None:
        self._thread.start()

    def submit(self, action: Callable[[vekkestra.Controller], Any], what: str, first: bool = False,
               motion: bool = False) -> "concurrent.futures.Future[Any]":
        """Hands ``action(controller)`` to the link's thread; ``first`` puts it
        before the others (stops); ``motion``: it sets axes moving. Refused at
        once while the link is down."""
        job = _Job(action, what, motion)
        if self._state.state != "up":
            job.future.set_exception(Refused("the link to the controller is %s: %s; nothing was sent"
                                             % (self._state.state, self._state.message)))
            return job.future
        with self._lock:
            if first:
                self._jobs.appendleft(job)
            else:
                self._jobs.append(job)
        self._wake.set()
        return job.future

    def mark_reset(self, axis: str, why: str) -> None:
        """The position of ``axis`` was set (called on the link's thread)."""
        self._pending_resets[axis] = why

    def homing(self, axis: str) -> None:
        """A home search of ``axis`` was started (on the link's thread): the
        position it takes at the switch breaks the plot's line."""
        self._homing.add(axis)

    def close(self, timeout_s: float = 8.0) -> str:
        """Ends the thread: stops what the panel set moving, closes the
        connection. Returns the letters stopped."""
        self._closing.set()
        self._wake.set()
        if self._thread.is_alive():
            self._thread.join(timeout_s)
        return self._stopped_on_close

    # -- the link's thread -----------------------------------------------------------

    def _run(self) -> None:
        tries = 0
        next_poll = 0.0
        while not self._closing.is_set():
            if self._ctl is None and not self._open():
                self._wait(BACKOFF_S[min(tries, len(BACKOFF_S) - 1)])
                tries += 1
                continue
            try:
                if self._serve() or time.monotonic() >= next_poll:
                    started = time.monotonic()
                    self._poll()
                    next_poll = started + (MOVING_PERIOD_S if self._active() else REST_PERIOD_S)
                tries = 0
            except vekkestra.VekError as error:
                self._lose(error)
                self._wait(BACKOFF_S[min(tries, len(BACKOFF_S) - 1)])
                tries += 1
                next_poll = 0.0
                continue
            self._wait(next_poll - time.monotonic())
        self._finish()

    def _wait(self, seconds: float) -> None:
        if seconds > 0:
            self._wake.wait(seconds)
        self._wake.clear()

    def _call(self, action: Callable[[], Any]) -> Any:
        self.busy_since = time.monotonic()
        try:
            return action()
        finally:
            self.busy_since = None

    def _open(self) -> bool:
        try:
            self._ctl = self._call(self.endpoint.open)
        except vekkestra.VekError as error:
            self._set_state("lost", str(error))
            return False
        try:
            self._poll()
        except vekkestra.VekError as error:
            self._lose(error)
            return True  # open: the core connects again before its next call
        return True

    def _lose(self, error: vekkestra.VekError) -> None:
        log.warning("link to %s lost: %s", self.endpoint, error)
        self._set_state("lost", str(error))
        self._fail_jobs()

    def _set_state(self, state: str, message: str) -> None:
        if (state, message) == self._state[:2]:
            return
        self._state = LinkState(state, message, time.time())
        self._on_state(self._state)

    def _fail_jobs(self) -> None:
        with self._lock:
            jobs = list(self._jobs)
            self._jobs.clear()
        for job in jobs:
            job.future.set_exception(Refused("the link to the controller is %s: %s; nothing was sent"
                                             % (self._state.state, self._state.message)))

    def _serve(self) -> bool:
        """Runs the queued commands; whether there were any. A command that
        fails hands its error to its caller; a failure of the link itself
        is raised after that, to end in the back-off."""
        served = False
        while True:
            with self._lock:
                if not self._jobs:
                    return served
                job = self._jobs.popleft()
            served = True
            if not job.future.set_running_or_notify_cancel():
                continue
            ctl = self._ctl
            assert ctl is not None
            try:
                job.future.set_result(self._call(lambda: job.action(ctl)))
                if job.motion:
                    # The core counts them as set moving from here on: the
                    # pages show it now, the poll that follows confirms it.
                    self._on_started(ctl.moving)
            except vekkestra.VekError as error:
                job.future.set_exception(error)
                if error.kind in ("connection", "timeout", "closed"):
                    raise
            except Exception as error:  # noqa: BLE001 - the caller's argument errors go back to it
                job.future.set_exception(error)
            self._keep_fast = 3

    def _poll(self) -> None:
        assert self._ctl is not None
        axes = self._call(self._ctl.poll)
        now = time.time()
        resets = self._resets(axes)
        changed = axes != self._last or bool(resets)
        self._last = axes
        if self._keep_fast:
            self._keep_fast -= 1
        self._set_state("up", "connected to %s" % self.endpoint)
        self._on_snapshot(Snapshot(now, axes, resets, changed))

    def _resets(self, axes: List[vekkestra.AxisState]) -> Dict[str, str]:
        """The axes whose position was set since the last poll: by the
        panel's "define position", at the end of a home search it started,
        or while the axis stood still (another program set it)."""
        resets, self._pending_resets = self._pending_resets, {}
        before = self._last
        for a in axes:
            if a.axis in self._homing and a.state != "moving" and (a.ended or not a.ours):
                self._homing.discard(a.axis)
                resets[a.axis] = "home search"
            elif before is not None and a.axis not in resets:
                b = before[AXES.index(a.axis)]
                if b.state != "moving" and a.state != "moving" and not a.ended and b.motor != a.motor:
                    resets[a.axis] = "set while at rest"
        return resets

    def _active(self) -> bool:
        last = self._last or []
        return self._keep_fast > 0 or any(a.state == "moving" or a.ours for a in last)

    def _finish(self) -> None:
        """Stops what the panel set moving, then closes the connection."""
        self._fail_jobs()
        ctl, self._ctl = self._ctl, None
        if ctl is None:
            self._set_state("closed", "the panel has ended")
            return
        moving = ctl.moving
        seen = "".join(a.axis for a in (self._last or []) if a.ours)
        mask = "".join(x for x in AXES if x in moving or x in seen)
        if mask:
            try:
                ctl.stop(mask)
                self._stopped_on_close = mask
            except vekkestra.VekError as error:
                log.error("could not stop %s on the way out: %s", mask, error)
        ctl.close()
        self._set_state("closed", "the panel has ended")


def describe(error: BaseException) -> str:
    """An error as a page shows it: the core's message, or the argument check's."""
    return str(error) or type(error).__name__


__all__ = ["AXES", "Endpoint", "Link", "LinkState", "Refused", "Snapshot", "describe"]
