"""The package's exceptions.

``VekError`` is the base of every error the package raises for the
controller or the library; its kinds sit beneath it::

    VekError                      any failed result not listed below
    ├── VekTimeoutError           a wait that ran out (6), a reply that did not
    │                             come (213, 214, 352); also a TimeoutError
    ├── VekConnectionError        connect, send or receive failed (201, 202, 211,
    │                             212, 217, 301, 350, 351); also a ConnectionError
    ├── LimitError                a moved axis met a limit switch
    ├── SlipError                 a moved axis slipped
    └── ClosedError               a call on a closed controller; nothing was sent

Every one carries ``code`` (the library's result number), ``result`` (the
``Result`` member, or the number when the library defines none),
``operation`` (the export concerned, ``"VEKnet_MoveAxis"``) and ``detail``
(what the package adds to the code, possibly empty). Limit, slip and closed
errors are the package's own findings, not a failed library result: their
code is 0. Bad arguments are not ``VekError``: they raise the built-in
``ValueError`` or ``TypeError`` before anything is sent.
"""

from __future__ import annotations

import enum
from typing import Any, Dict, Tuple, Type, Union

from ._exports import RESULT_CODES

__all__ = [
    "Result", "result_text", "VekError", "VekTimeoutError", "VekConnectionError", "LimitError", "SlipError",
    "ClosedError", "LibraryNotFoundError", "error_for",
]

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
    """A library operation failed, or the package found that a motion or a
    call could not go as asked.

    ``str()`` reads ``"VEKnet_MoveAxis: VEK_ERROR_WAIT_TIMEOUT (6)"``, with
    the ``detail`` after a semicolon when there is one.
    """

    def __init__(self, code: int, operation: str = "", detail: str = "") -> None:
        self.code = int(code)
        self.operation = operation
        self.detail = detail
        super().__init__(self._message())

    def _message(self) -> str:
        text = result_text(self.code)
        if self.operation:
            text = "%s: %s" % (self.operation, text)
        return "%s; %s" % (text, self.detail) if self.detail else text

    def __str__(self) -> str:
        # The built-in bases of the time-out and connection kinds format
        # their arguments their own way; the message is ours.
        return self._message()

    def __reduce__(self) -> Tuple[Any, ...]:
        return (type(self), (self.code, self.operation, self.detail))

    @property
    def result(self) -> Union[Result, int]:
        """The code as a ``Result`` member, or the plain number if unknown."""
        try:
            return Result(self.code)
        except ValueError:
            return self.code


class VekTimeoutError(VekError, TimeoutError):
    """A motion did not end within its time-out (code 6; the moved axes have
    been stopped unless the caller said not to), or the controller's reply
    did not come in time (213, 214 on TCP, 352 on serial)."""


class VekConnectionError(VekError, ConnectionError):
    """The connection could not be opened, or a send or receive on it failed
    (201, 202, 211, 212, 217, 301, 350, 351)."""


class _AxisError(VekError):
    """A motion ended early on one axis; ``axis`` is its letter and
    ``position`` its motor position after the stop (steps)."""

    _what = ""

    def __init__(self, axis: str, position: int, operation: str = "") -> None:
        self.axis = axis
        self.position = int(position)
        super().__init__(0, operation, "axis %s %s, stopped at %d" % (axis, self._what, self.position))

    def _message(self) -> str:
        # The code is 0 (the library's calls succeeded): the finding alone says it.
        return "%s: %s" % (self.operation, self.detail) if self.operation else self.detail

    def __reduce__(self) -> Tuple[Any, ...]:
        return (type(self), (self.axis, self.position, self.operation))


class LimitError(_AxisError):
    """A moved axis met a limit switch: the controller stopped it, the
    package stopped the other axes of the motion. ``axis``, ``position``."""

    _what = "met a limit switch"


class SlipError(_AxisError):
    """A moved axis slipped (its encoder fell behind): the controller stopped
    it, the package stopped the other axes of the motion. ``axis``,
    ``position``."""

    _what = "slipped"


class ClosedError(VekError):
    """A call on a controller that is closed (or was never opened); nothing
    was sent. Its code is 0."""

    def __init__(self, operation: str = "", detail: str = "the controller is closed") -> None:
        super().__init__(0, operation, detail)

    def _message(self) -> str:
        return "%s: %s" % (self.operation, self.detail) if self.operation else self.detail

    def __reduce__(self) -> Tuple[Any, ...]:
        return (type(self), (self.operation, self.detail))


class LibraryNotFoundError(ImportError):
    """No VekKestra shared library could be loaded; the message lists every
    place that was tried."""


_KINDS: Dict[int, Type[VekError]] = {
    **dict.fromkeys((6, 213, 214, 352), VekTimeoutError),
    **dict.fromkeys((201, 202, 211, 212, 217, 301, 350, 351), VekConnectionError),
}


def error_for(code: int, operation: str = "", detail: str = "") -> VekError:
    """The exception of the right kind for a failed result ``code``."""
    return _KINDS.get(code, VekError)(code, operation, detail)
