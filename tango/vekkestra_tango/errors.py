"""The server's one view of the vekkestra package's errors.

Everything else in the server asks this module whether a failure means that
the link to the controller is gone, and how to name it to a user; so a change
in the package's error kinds touches this file only.
"""

from vekkestra import ClosedError, VekConnectionError, VekError, VekTimeoutError


def is_link_lost(error: BaseException) -> bool:
    """Whether ``error`` means the controller cannot be reached now: the
    core's time-out, connection and closed-controller kinds. The core has
    already made the connection safe for the next call (reopened, or to be
    read empty); the devices show FAULT until a poll succeeds again."""
    return isinstance(error, (VekTimeoutError, VekConnectionError, ClosedError))


def describe(error: BaseException) -> str:
    """One line naming the failure: the core's message for its errors
    ("VEKnet_Query: VEK_ERROR_ACK_NAK_TIMEOUT (214): ...; hint: ..."), else
    the exception's type and text."""
    text = "; ".join(line.strip() for line in str(error).splitlines() if line.strip())
    if isinstance(error, VekError):
        return text
    return "%s: %s" % (type(error).__name__, text) if text else type(error).__name__
