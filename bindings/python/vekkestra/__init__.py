"""Python access to the VekKestra motion controllers.

``Controller`` is one connection (TCP or serial) through the motion core
(libvekkestra-motion, ``include/vekkestra_motion.h``), which keeps the
safe-motion rules for every language: a move returns only with its axes at
rest at their targets, a limit or slip ends it at once with the other moved
axes stopped, a time-out, ``cancel()`` or Ctrl-C stops what the wait moved,
and a reply that came too late is never a later call's answer. The package
translates: Python values in, the exception of the core's kind out (its
text is the core's message), context managers, logging.

``library()`` gives the C library itself with every one of its exports
typed, to be called exactly as from C; integer arguments that do not fit
their C parameter raise ``ctypes.ArgumentError``.

Axes are named by letter (``"X"``, ``"Y"``, ``"Z"``, ``"T"``, ``"U"``,
``"V"``, ``"R"``, ``"S"``, ``"W"``, ``"K"``) or by axis bit (1 for X up to
512 for K). Positions, distances and velocities are in the controller's own
units (steps, steps/s, steps/s^2); time-outs are in milliseconds.

Signals: once a controller is open, Ctrl-C during a wait stops the wait's
axes and raises ``KeyboardInterrupt``; SIGTERM and SIGHUP, where the program
kept their default, stop what every open controller set moving and end the
program with status 128 + the signal (``SystemExit``). ``VEKKESTRA_SIGNALS=0``
in the environment or ``handle_signals(False)`` leaves signals to the
program (then a wait ends only on its own terms or by ``cancel()``).

What the package does (connections, moves, stops, failures) is logged
through the standard ``logging`` module under the logger ``"vekkestra"``;
it adds no handler beyond a ``NullHandler``.

The C library is looked for, in this order: the path in
``VEKKESTRA_LIBRARY``; beside this package or in the ``lib`` directories of
the installation prefix it sits in (``<prefix>/share/vekkestra/python/
vekkestra`` next to ``<prefix>/lib/libvekkestra.so.1``); the system's search
for ``libvekkestra.so.1`` (``VekKestra.dll`` on Windows). The motion core
(``libvekkestra-motion.so.1``, ``VekKestraMotion.dll``): the path in
``VEKKESTRA_MOTION_LIBRARY``; beside the C library; then the same places.
Importing the package loads neither: the first call that needs one does.
"""

import logging
from typing import Any

from ._core import (DEFAULT_TIMEOUT_MS, core_path, core_version, log_marker, result_enum, result_text,
                    start_logger, stop_logger, version)
from ._library import library, library_path
from ._signals import handle_signals
from ._values import (ALL_AXES, AXES, AXIS_COUNT, INT32_MAX, INT32_MIN, UINT32_MAX, Axes, Axis, axis_bit,
                      axis_mask)
from ._version import __version__
from .controller import AxisState, Controller, MotionGuard
from .errors import (CancelledError, ClosedError, LibraryNotFoundError, LimitError, MoveInterruptedError,
                     SlipError, VekArgumentError, VekConnectionError, VekError, VekTimeoutError)

logging.getLogger("vekkestra").addHandler(logging.NullHandler())


def __getattr__(name: str) -> Any:
    # Result is the core's table of codes: made when first asked for.
    if name == "Result":
        return result_enum()
    raise AttributeError("module 'vekkestra' has no attribute %r" % name)


__all__ = [
    "AXES", "ALL_AXES", "AXIS_COUNT", "INT32_MIN", "INT32_MAX", "UINT32_MAX", "DEFAULT_TIMEOUT_MS", "Axis",
    "Axes", "Result", "VekError", "VekTimeoutError", "VekConnectionError", "ClosedError", "LimitError",
    "SlipError", "MoveInterruptedError", "CancelledError", "VekArgumentError", "LibraryNotFoundError",
    "Controller", "MotionGuard", "AxisState", "library", "library_path", "core_path", "version", "core_version",
    "axis_bit", "axis_mask", "result_text", "start_logger", "stop_logger", "log_marker", "handle_signals",
    "__version__",
]
