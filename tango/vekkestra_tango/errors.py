"""The server's one view of the vekkestra package's errors.

Everything else in the server asks this module whether a failure means that
the link to the controller is gone, and how to name it to a user; so a change
in the package's error kinds touches this file only.
"""

from typing import Optional

from vekkestra import ClosedError, VekConnectionError, VekError, VekTimeoutError

# Results after which the connection cannot be trusted any more: it failed,
# or a reply did not come in time (and may still arrive late, to be taken
# for the answer of the next command). The poll thread then closes it and
# opens a new one.
_LINK_LOST = frozenset((101, 201, 202, 211, 212, 213, 214, 217, 301, 350, 351, 352))


def code(error: BaseException) -> Optional[int]:
    """The library's result code carried by ``error``, or None."""
    value = getattr(error, "code", None)
    return value if isinstance(error, VekError) and isinstance(value, int) else None


def is_link_lost(error: BaseException) -> bool:
    """Whether ``error`` means the link has to be opened again: the package's
    time-out, connection and closed-controller kinds (which are also the
    standard TimeoutError and ConnectionError), or a result code that says
    the same."""
    if isinstance(error, (VekTimeoutError, VekConnectionError, ClosedError, TimeoutError, ConnectionError)):
        return True
    number = code(error)
    return number is not None and number in _LINK_LOST


def describe(error: BaseException) -> str:
    """A one-line text naming the failure and its result code:
    "VEKnet_Query: VEK_ERROR_ACK_NAK_TIMEOUT (214)"."""
    text = str(error).strip()
    if isinstance(error, VekError):
        return text
    return "%s: %s" % (type(error).__name__, text) if text else type(error).__name__


def is_missing_answer(error: BaseException) -> bool:
    """Whether a query was taken but its answer never came (TCP: ACK alone,
    serial: no line): the text held no query."""
    return code(error) in (213, 352)
