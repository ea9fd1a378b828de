"""Signals that end a program (SIGINT, SIGTERM, SIGHUP) and the axes it set
moving.

The motion core's handlers (``vekm_catch_signals``) go in front of whatever
handles these signals: a wait in progress stops its axes and returns within
about 20 ms, whichever thread waits. Python then does what the signal means
to it: Ctrl-C raises ``KeyboardInterrupt`` in the main thread. Where the
program left SIGTERM or SIGHUP at their default (which ends the process
without a word), the package puts in a Python handler that stops what every
open controller set moving and raises ``SystemExit(128 + signal)``, so that
``with`` blocks and ``finally`` clauses run on the way out; the same signal
again ends the process at once, as its default does.

The core's handlers are put in when a controller is opened and again before
each wait (a handler the program installed since is then behind them);
Python handlers only from the main thread. ``VEKKESTRA_SIGNALS=0`` in the
environment, or ``handle_signals(False)``, leaves every handler to the
program; a wait then ends on its own terms only (or by ``cancel()``).
"""

from __future__ import annotations

import logging
import os
import signal
import threading
import weakref
from types import FrameType
from typing import TYPE_CHECKING, Any, List, Optional

from ._core import core

if TYPE_CHECKING:
    from .controller import Controller

log = logging.getLogger("vekkestra")

#: The signals whose default the package takes over (where they exist).
_ENDING = [getattr(signal, name) for name in ("SIGTERM", "SIGHUP") if hasattr(signal, name)]

_enabled = os.environ.get("VEKKESTRA_SIGNALS", "1").strip() not in ("0", "no", "off", "false")
_installed: List[int] = []
_ended: List[int] = []
#: Open controllers, for the handler to stop what they set moving.
_open: "weakref.WeakSet[Controller]" = weakref.WeakSet()


def _on_main_thread() -> bool:
    return threading.current_thread() is threading.main_thread()


def _end_program(number: int, frame: Optional[FrameType]) -> None:
    """SIGTERM or SIGHUP where the program kept the default."""
    for controller in list(_open):
        controller._stop_left_behind("signal %d" % number)
    if number in _ended:
        # Asked again: end as the default action does, whatever runs.
        signal.signal(number, signal.SIG_DFL)
        os.kill(os.getpid(), number)
        return
    _ended.append(number)
    log.warning("signal %d: ending the program", number)
    raise SystemExit(128 + number)


def arm() -> None:
    """Puts the core's handlers in front (again) and, from the main thread,
    the package's where SIGTERM or SIGHUP still have their default."""
    if not _enabled:
        return
    if _on_main_thread():
        for number in _ENDING:
            if signal.getsignal(number) == signal.SIG_DFL:
                signal.signal(number, _end_program)
                if number not in _installed:
                    _installed.append(number)
    core().vekm_catch_signals()


def opened(controller: "Controller") -> None:
    _open.add(controller)
    arm()


def closed(controller: "Controller") -> None:
    _open.discard(controller)


def handle_signals(enabled: bool = True) -> None:
    """Whether the package takes part in SIGINT, SIGTERM and SIGHUP (see the
    module). ``False`` gives them back to Python as the program left them:
    the package's own SIGTERM/SIGHUP handlers go back to the default, and
    the core's are taken out of the way of Python's (main thread only)."""
    global _enabled
    _enabled = bool(enabled)
    if _enabled:
        arm()
        return
    if not _on_main_thread():
        raise RuntimeError("handle_signals(False) works only in the main thread")
    for number in _all_signals():
        current: Any = signal.getsignal(number)
        if number in _installed and current is _end_program:
            signal.signal(number, signal.SIG_DFL)
        elif current is not None:
            # Installing Python's handler again takes the core's off the signal.
            signal.signal(number, current)
    _installed.clear()


def _all_signals() -> List[int]:
    return [signal.SIGINT] + _ENDING
