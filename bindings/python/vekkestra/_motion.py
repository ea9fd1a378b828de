"""How a controller object moves axes safely (docs/motion.md): fresh flags
before each motion, a wait in short slices that ends at once at a limit or a
slip, confirms motion with the controller when a done flag is missing,
stops what it set moving when it runs out of time or is interrupted, and
the record of the axes set moving that scopes stop when left early."""

from __future__ import annotations

import logging
import threading
import time
from dataclasses import dataclass
from types import TracebackType
from typing import TYPE_CHECKING, Callable, Dict, List, Optional, Type, Union

from ._values import ALL_AXES, bits, letter, listed
from .errors import LimitError, SlipError, VekError, VekTimeoutError

if TYPE_CHECKING:
    from .controller import Controller

log = logging.getLogger("vekkestra")

_LIMIT_SHIFT = 10
_SLIP_SHIFT = 20
_COMMAND_ERROR = 1 << 30
_COMMAND_NAK = 216


@dataclass
class _Record:
    """One axis set moving and not yet seen to end."""

    operation: str
    #: A limit search: its limit flag is its end, not an error.
    seeks_limit: bool
    #: When to ask the controller whether the axis still moves, if its flag is still missing.
    confirm_at: float
    #: On serial nothing acknowledges a command: a refused one shows only as
    #: the command-error flag, until the controller is seen moving the axis.
    may_be_refused: bool
    #: The application asked for a stop: a scope left early need not stop it again.
    stopping: bool = False


class Motion:
    """The motions one controller object has set going, and the waits on them."""

    def __init__(self, controller: "Controller") -> None:
        self._controller = controller
        self._records: Dict[int, _Record] = {}
        self._scopes = threading.local()

    # The records change under the controller's lock only, so that a wait
    # on one thread and a stop on another see them whole.

    @property
    def mask(self) -> int:
        """The axes set moving and not yet seen to end."""
        with self._controller._lock:
            return sum(self._records)

    def operation(self, mask: int) -> str:
        """The operation that set the first of these axes moving."""
        with self._controller._lock:
            for bit in bits(mask):
                if bit in self._records:
                    return self._records[bit].operation
        return self._controller._prefix + "GetAllDoneFlags"

    def forget(self, mask: int) -> None:
        with self._controller._lock:
            for bit in bits(mask):
                self._records.pop(bit, None)

    def stopping(self, mask: int) -> None:
        with self._controller._lock:
            for bit in bits(mask):
                if bit in self._records:
                    self._records[bit].stopping = True

    # -- scopes ----------------------------------------------------------------

    def _scope_stack(self) -> List["MotionGuard"]:
        stack: Optional[List[MotionGuard]] = getattr(self._scopes, "stack", None)
        if stack is None:
            stack = self._scopes.stack = []
        return stack

    def _record(self, mask: int, operation: str, seeks_limit: bool) -> None:
        """Called holding the lock."""
        confirm_at = time.monotonic() + self._controller.confirm_interval_s
        for bit in bits(mask):
            self._records[bit] = _Record(operation, seeks_limit, confirm_at, self._controller.is_serial)
        for scope in self._scope_stack():
            scope.mask |= mask

    # -- starting --------------------------------------------------------------

    def start(self, operation: str, mask: int, send: Callable[[], None], what: str,
              seeks_limit: bool = False) -> None:
        """Clears the axes' done, limit and slip flags, records them as set
        moving and sends the motion command (``send``, a call whose own wait
        is 0). A refused command leaves nothing recorded; any other failure
        or an interrupt stops the axes, since they may have started."""
        c = self._controller
        with c._lock:
            c._call("ClearMultiAxisDoneFlags", mask, quiet=True)
            c._call("ClearMultiAxisOvertravelFlags", mask, quiet=True)
            c._call("ClearMultiAxisSlipFlag", mask, quiet=True)
            if c.is_serial:
                c._call("ClearCommandErrorFlag", quiet=True)
            # Recorded before the command goes out, so that an interrupt
            # during the send still stops the axes.
            self._record(mask, operation, seeks_limit)
            log.info("%s: %s", operation, what)
            try:
                send()
            except VekError as error:
                if error.code == _COMMAND_NAK:
                    self.forget(mask)  # refused: nothing moves
                else:
                    self.stop_quietly(mask, "%s after the motion command" % error)
                raise
            except BaseException as error:
                self.stop_quietly(mask, "%s while sending the motion command" % type(error).__name__)
                raise

    # -- watching ----------------------------------------------------------------

    def poll(self, mask: int) -> int:
        """One look at the controller, holding the lock for it: folds the
        notifications that have arrived, ends at once at a limit or a slip
        of an axis in ``mask`` (stopping the other axes of ``mask`` and
        raising), and forgets the axes that have ended. Returns the axes of
        ``mask`` still moving."""
        c = self._controller
        with c._lock:
            word = c._refresh()
            watched = mask & self.mask
            searches = self._limit_searches(watched)
            limited = (word >> _LIMIT_SHIFT) & watched & ~searches
            slipped = (word >> _SLIP_SHIFT) & watched
            # The controller reports a slip kill as done too: look at limit
            # and slip first.
            if limited:
                self._ended_early(LimitError, limited, mask)
            if slipped:
                self._ended_early(SlipError, slipped, mask)
            self.forget((word & watched) | ((word >> _LIMIT_SHIFT) & searches))
            self._confirm_one(mask & self.mask, word)
            return mask & self.mask

    def _limit_searches(self, mask: int) -> int:
        return sum(bit for bit in bits(mask) if self._records[bit].seeks_limit)

    def _confirm_one(self, missing: int, word: int) -> None:
        """Asks the controller about the axis whose confirmation is most
        overdue: a notification can be lost (the Ethernet reader drops one
        cut at its 256-byte chunk boundary), and an axis at rest has ended
        whatever the flags say. One axis per slice keeps each slice short."""
        now = time.monotonic()
        due = [bit for bit in bits(missing) if self._records[bit].confirm_at <= now]
        if not due:
            return
        bit = min(due, key=lambda b: self._records[b].confirm_at)
        record = self._records[bit]
        c = self._controller
        if c._axis_moving(bit):
            record.confirm_at = time.monotonic() + c.confirm_interval_s
            record.may_be_refused = False
            return
        if record.may_be_refused and word & _COMMAND_ERROR:
            self.forget(bit)
            raise VekError(_COMMAND_NAK, record.operation, "the controller refused the command (command-error flag)")
        log.info("%s: %s at rest by its status, its done flag missing", record.operation, letter(bit))
        self.forget(bit)

    def _ended_early(self, kind: Union[Type[LimitError], Type[SlipError]], axes: int, mask: int) -> None:
        """A limit or slip of ``axes``: stops the other moved axes and raises
        for the first of them with its position after the stop."""
        c = self._controller
        bit = next(iter(bits(axes)))
        operation = self._records[bit].operation
        others = mask & self.mask & ~axes
        self.forget(mask)
        what = "met a limit switch" if kind is LimitError else "slipped"
        log.warning("%s: %s %s; stopping %s", operation, listed(axes), what, listed(others) if others else "nothing")
        if others:
            try:
                c._call("StopMotion", others)
            except VekError as error:
                log.error("%s: the stop of %s failed: %s", operation, listed(others), error)
        raise kind(letter(bit), c.motor_position(bit), operation)

    def wait(self, mask: int, timeout_ms: int, stop_on_timeout: bool) -> None:
        """Waits in slices until every axis of ``mask`` has ended (see
        ``poll``), handing the lock to other threads between slices. Runs
        out after ``timeout_ms``: stops the axes still moving (unless told
        not to) and raises VekTimeoutError. Any other way out of the wait
        (an interrupt, a failed call) stops them before it goes on."""
        operation = self.operation(mask)
        start = time.monotonic()
        deadline = start + timeout_ms / 1000.0
        try:
            while True:
                remaining = self.poll(mask)
                if not remaining:
                    log.info("%s: %s ended after %.3f s", operation, listed(mask), time.monotonic() - start)
                    return
                if time.monotonic() >= deadline:
                    break
                self._controller._lock.let_others_in()
        except (LimitError, SlipError):
            raise
        except BaseException as error:
            self.stop_quietly(mask & self.mask, "%s during the wait" % type(error).__name__)
            raise
        detail = "%s still moving after %d ms" % (listed(remaining), timeout_ms)
        log.warning("%s: %s", operation, detail)
        if stop_on_timeout:
            self.stop_quietly(remaining, "the time-out")
            detail += ", stopped"
        raise VekTimeoutError(6, operation, detail)

    def stop_quietly(self, mask: int, why: str) -> None:
        """Stops the axes (decelerating stop) and forgets them; a failed
        stop is logged, not raised, so that the error being handled goes on."""
        if not mask:
            return
        log.warning("stopping %s after %s", listed(mask), why)
        self.forget(mask)
        try:
            self._controller._call("StopMotion", mask)
        except Exception as error:
            log.error("the stop of %s after %s failed: %s", listed(mask), why, error)

    def stop_left_behind(self, mask: int, why: str) -> None:
        """Stops the axes of ``mask`` still recorded as moving and not
        already being stopped at the application's request."""
        with self._controller._lock:
            moving = sum(bit for bit, record in self._records.items() if mask & bit and not record.stopping)
            self.stop_quietly(moving & ALL_AXES, why)


class MotionGuard:
    """A block that stops the axes it set moving if it is left by an
    exception (``Controller.guard()``); left normally, it stops nothing.
    Guards belong to the thread that entered them and may be nested."""

    def __init__(self, motion: Motion) -> None:
        self._motion = motion
        #: The axes set moving inside the block so far.
        self.mask = 0

    def __enter__(self) -> "MotionGuard":
        self._motion._scope_stack().append(self)
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self._motion._scope_stack().remove(self)
        if kind is not None:
            self._motion.stop_left_behind(self.mask, "leaving a guarded block by %s" % kind.__name__)
