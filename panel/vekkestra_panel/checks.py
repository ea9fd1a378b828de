"""What the pages and scripts send, checked before anything reaches the
controller. Every check raises ``BadInput`` with a sentence a technician can
act on; nothing else leaves this module."""

from __future__ import annotations

from typing import Any, Dict, Mapping, Optional

AXES = "XYZTUVRSWK"
INT32_MIN, INT32_MAX = -(2 ** 31), 2 ** 31 - 1
#: The longest command text the library sends in one piece.
TEXT_MAX = 127
#: Jog speeds the panel accepts, steps/s.
JOG_MAX = 10_000_000


class BadInput(ValueError):
    """Input that cannot be used; the message says what is wrong."""


def axis(value: Any, shown: str, what: str = "axis") -> str:
    """One axis letter among those the panel shows (either case)."""
    if not isinstance(value, str) or len(value) != 1 or value.upper() not in AXES:
        raise BadInput("%s: %r is not an axis letter (%s)" % (what, value, ", ".join(AXES)))
    letter = value.upper()
    if letter not in shown:
        raise BadInput("axis %s is not one of this panel's axes (%s)" % (letter, shown))
    return letter


def axes(value: Any, shown: str) -> str:
    """Axis letters ("XY", "x,y"); absent or empty means every shown axis."""
    if value is None or value == "":
        return shown
    if not isinstance(value, str):
        raise BadInput("axes: give letters such as \"XY\", not %s" % type(value).__name__)
    letters = ""
    for c in value.replace(",", "").replace(" ", ""):
        letter = axis(c, shown, "axes")
        if letter not in letters:
            letters += letter
    if not letters:
        raise BadInput("axes: no axis letter in %r" % value)
    return letters


def whole(value: Any, what: str, low: int = INT32_MIN, high: int = INT32_MAX) -> int:
    """A whole number from ``low`` to ``high``: a JSON number or its text."""
    if isinstance(value, bool) or value is None:
        raise BadInput("%s is missing" % what if value is None else "%s must be a number" % what)
    if isinstance(value, str):
        text = value.strip()
        if not text:
            raise BadInput("%s is missing" % what)
        try:
            value = int(text, 10)
        except ValueError:
            raise BadInput("%s: %r is not a whole number" % (what, value)) from None
    if isinstance(value, float):
        if value != value or value in (float("inf"), float("-inf")) or not value.is_integer():
            raise BadInput("%s: %r is not a whole number" % (what, value))
        value = int(value)
    if not isinstance(value, int):
        raise BadInput("%s must be a number, not %s" % (what, type(value).__name__))
    if not low <= value <= high:
        raise BadInput("%s: %d is outside %d to %d" % (what, value, low, high))
    return value


def flag(value: Any, what: str) -> bool:
    if value is None:
        return False
    if not isinstance(value, bool):
        raise BadInput("%s must be true or false" % what)
    return value


def text(value: Any) -> str:
    """A command text for the expert console: printable ASCII, at most
    TEXT_MAX characters."""
    if not isinstance(value, str) or not value.strip():
        raise BadInput("the command text is empty")
    if len(value) > TEXT_MAX:
        raise BadInput("the command text has %d characters; the controller takes at most %d"
                       % (len(value), TEXT_MAX))
    for c in value:
        if not " " <= c <= "~":
            raise BadInput("the command text holds %r: only printable ASCII characters go to the controller" % c)
    return value


def targets(value: Any, shown: str) -> Dict[str, int]:
    """``{"X": 1000, "Y": -50}``: one value per axis."""
    if not isinstance(value, Mapping) or not value:
        raise BadInput("targets: give an object of axis letters and steps, such as {\"X\": 1000}")
    out: Dict[str, int] = {}
    for key, steps in value.items():
        letter = axis(key, shown, "targets")
        if letter in out:
            raise BadInput("targets: axis %s is given twice" % letter)
        out[letter] = whole(steps, "target of %s" % letter)
    return out


def speeds(message: Mapping[str, Any]) -> Dict[str, Optional[int]]:
    """The settings of one axis that a page changes: velocity and base rate
    (steps/s), acceleration (steps/s^2); absent ones stay as they are."""
    out: Dict[str, Optional[int]] = {}
    for name, low in (("velocity", 1), ("base", 0), ("acceleration", 1)):
        value = message.get(name)
        out[name] = None if value in (None, "") else whole(value, name.replace("base", "base rate"), low)
    if not any(v is not None for v in out.values()):
        raise BadInput("give a velocity, a base rate or an acceleration")
    if out["velocity"] is not None and out["base"] is not None and out["base"] > out["velocity"]:
        raise BadInput("the base rate (%d) must not be above the velocity (%d)" % (out["base"], out["velocity"]))
    return out


def jog_speed(value: Any, what: str) -> int:
    return whole(value, what, 1, JOG_MAX)


def direction(value: Any) -> int:
    if value not in (1, -1) or isinstance(value, bool):
        raise BadInput("direction must be 1 or -1")
    return int(value)
