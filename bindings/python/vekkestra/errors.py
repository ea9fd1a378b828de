"""The package's exceptions.

``VekError`` is the base of every error the motion core reports; the kind
the core gives a result code (``vekm_result_kind``) chooses its class::

    VekError                      any failure of no kind below (kind "other")
    ├── VekTimeoutError           a wait that ran out, a reply that did not
    │                             come; also a built-in TimeoutError
    ├── VekConnectionError        connecting, sending or receiving failed;
    │                             also a built-in ConnectionError
    ├── ClosedError               a call on a closed controller; nothing sent
    ├── LimitError                a moved axis met a limit switch
    ├── SlipError                 a moved axis slipped
    ├── MoveInterruptedError      a moved axis came to rest short of its target
    ├── CancelledError            cancel() or a signal ended the wait
    └── VekArgumentError          the core refused an argument; also a ValueError

Every one carries what the core filled in: ``code`` (the result number),
``name`` (``"VEK_ERROR_WAIT_TIMEOUT"``), ``kind`` (``"timeout"``),
``operation``, ``detail``, ``hint``, ``message`` (what ``str()`` gives, the
core's own text), ``axis`` (the letter a limit, slip or interruption is
about, else None), ``position`` (its motor position, None when not read),
``stopped`` (the letters of the axes the core stopped on the way out) and
``signal`` (the signal that cancelled a wait, else 0). Arguments the package
itself cannot pass to C (a text where a number belongs, a number outside
32 bits, an unknown axis letter) raise the built-in ``TypeError`` or
``ValueError`` before anything is sent.
"""

from __future__ import annotations

from typing import Any, Callable, Dict, Optional, Tuple, Type, Union

__all__ = [
    "VekError", "VekTimeoutError", "VekConnectionError", "ClosedError", "LimitError", "SlipError",
    "MoveInterruptedError", "CancelledError", "VekArgumentError", "LibraryNotFoundError", "error_class",
]

#: Turns a code into its ``Result`` member; the core's module puts its own in.
result_member: Callable[[int], Union[int, Any]] = int


class VekError(Exception):
    """A call of the motion core failed; ``str()`` is the core's message."""

    def __init__(self, code: int, message: str, *, name: str = "", kind: str = "other", operation: str = "",
                 detail: str = "", hint: str = "", axis: Optional[str] = None, position: Optional[int] = None,
                 stopped: str = "", signal: int = 0) -> None:
        super().__init__(message)
        self.code = int(code)
        self.message = message
        self.name = name
        self.kind = kind
        self.operation = operation
        self.detail = detail
        self.hint = hint
        self.axis = axis
        self.position = position
        self.stopped = stopped
        self.signal = signal

    def __str__(self) -> str:
        # The built-in bases of the time-out and connection kinds format
        # their arguments their own way; the message is the core's.
        return self.message

    def __reduce__(self) -> Tuple[Any, ...]:
        fields = {k: v for k, v in self.__dict__.items() if k not in ("code", "message")}
        return (_rebuild, (type(self), self.code, self.message, fields))

    @property
    def result(self) -> Union[int, Any]:
        """The code as a ``vekkestra.Result`` member, or the plain number."""
        return result_member(self.code)


def _rebuild(kind: Type[VekError], code: int, message: str, fields: Dict[str, Any]) -> VekError:
    return kind(code, message, **fields)


class VekTimeoutError(VekError, TimeoutError):
    """A wait ran out (its axes were stopped unless kept moving), or the
    controller's reply did not come in time."""


class VekConnectionError(VekError, ConnectionError):
    """The connection could not be opened, or a send or receive on it failed."""


class ClosedError(VekError):
    """A call on a controller that is closed; nothing was sent."""


class LimitError(VekError):
    """A moved axis met a limit switch; the other moved axes were stopped.
    ``axis`` and ``position`` say which and where."""


class SlipError(VekError):
    """A moved axis slipped (slip detection on); the other moved axes were
    stopped. ``axis`` and ``position`` say which and where."""


class MoveInterruptedError(VekError):
    """A moved axis came to rest short of its target: something else stopped
    or killed it. ``axis`` and ``position`` say which and where."""


class CancelledError(VekError):
    """``cancel()`` or a signal (``signal``) ended the wait; its axes were
    stopped."""


class VekArgumentError(VekError, ValueError):
    """The core refused an argument (a mask naming no axis, a negative
    time-out, a port out of range); nothing was sent."""


class LibraryNotFoundError(ImportError):
    """A shared library could not be loaded; the message lists every place
    that was tried."""


#: The class of each kind, by the kind's name as the core gives it.
_CLASSES: Dict[str, Type[VekError]] = {
    "timeout": VekTimeoutError,
    "connection": VekConnectionError,
    "closed": ClosedError,
    "limit": LimitError,
    "slip": SlipError,
    "interrupted": MoveInterruptedError,
    "cancelled": CancelledError,
    "argument": VekArgumentError,
}


def error_class(kind: str) -> Type[VekError]:
    """The exception class of a kind's name (``"timeout"``, ``"limit"`` ...)."""
    return _CLASSES.get(kind, VekError)
