"""Python access to the VekKestra motion-controller library.

Two layers:

* ``library()`` gives the loaded shared library with every one of its 145
  exports typed, to be called exactly as from C. Integer arguments are
  range-checked on the way in: a value that does not fit its C parameter
  (``int32_t`` or ``uint32_t``) raises ``ctypes.ArgumentError`` instead of
  being wrapped silently.
* ``Controller`` wraps one connection (TCP or serial) in methods that take
  Python values, check them (``ValueError``/``TypeError`` before anything is
  sent), raise ``VekError`` or one of its kinds for a failure, and move axes
  safely: a move clears its flags first, its wait ends at once at a limit
  or a slip, stops the axes when it runs out of time or is interrupted, and
  never hangs on a lost notification. One object may be shared by threads.

Axes are named by letter (``"X"``, ``"Y"``, ``"Z"``, ``"T"``, ``"U"``,
``"V"``, ``"R"``, ``"S"``, ``"W"``, ``"K"``) or by axis bit (1 for X up to
512 for K). Positions, distances and velocities are signed 32-bit integers
in the controller's own units (steps, steps/s, steps/s^2); time-outs are in
milliseconds, 0 meaning no wait.

What the package does (connections, moves, stops, reopened connections,
failed results) is logged through the standard ``logging`` module under the
logger ``"vekkestra"``; it adds no handler beyond a ``NullHandler``.

The library is looked for, in this order: the path in the
``VEKKESTRA_LIBRARY`` environment variable; a library beside this package
or in the ``lib`` directories of the installation prefix it sits in
(``<prefix>/share/vekkestra/python/vekkestra`` next to
``<prefix>/lib/libvekkestra.so.1``); the system's search for
``libvekkestra.so.1``, ``libvekkestra.so`` (``VekKestra.dll`` on Windows).
"""

import logging

from ._library import library, library_path, log_marker, start_logger, stop_logger, version
from ._motion import MotionGuard
from ._values import (ALL_AXES, AXES, AXIS_COUNT, INT32_MAX, INT32_MIN, UINT32_MAX, Axes, Axis, axis_bit,
                      axis_mask)
from ._version import __version__
from .controller import Controller
from .errors import (ClosedError, LibraryNotFoundError, LimitError, Result, SlipError, VekConnectionError,
                     VekError, VekTimeoutError, result_text)

logging.getLogger("vekkestra").addHandler(logging.NullHandler())

__all__ = [
    "AXES", "ALL_AXES", "AXIS_COUNT", "INT32_MIN", "INT32_MAX", "UINT32_MAX", "Axis", "Axes", "Result",
    "VekError", "VekTimeoutError", "VekConnectionError", "LimitError", "SlipError", "ClosedError",
    "LibraryNotFoundError", "Controller", "MotionGuard", "library", "library_path", "version", "axis_bit",
    "axis_mask", "result_text", "start_logger", "stop_logger", "log_marker", "__version__",
]
