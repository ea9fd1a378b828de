"""Axes and argument checks: every value is checked here before anything is
sent, so that a bad argument raises ValueError or TypeError and the
controller never sees it."""

from __future__ import annotations

import ctypes
import operator
from typing import Any, Iterable, Mapping, Tuple, Union

#: The axis letters in axis order: the letter at index i has the axis bit 1 << i.
AXES = "XYZTUVRSWK"
AXIS_COUNT = 10
#: The mask of all ten axes.
ALL_AXES = 0x3FF
INT32_MIN = -(2 ** 31)
INT32_MAX = 2 ** 31 - 1
UINT32_MAX = 2 ** 32 - 1

#: One axis: a letter of ``AXES`` (either case) or its axis bit.
Axis = Union[str, int]
#: Several axes: letters ("XZ", "X,Z"), an iterable of letters or bits, or a mask.
Axes = Union[str, int, Iterable[Axis]]


def integer(value: Any, low: int, high: int, what: str) -> int:
    """``value`` as an int in [low, high], else TypeError/ValueError naming ``what``."""
    if isinstance(value, ctypes._SimpleCData):  # a ctypes number passed through
        value = value.value
    if isinstance(value, float) or not hasattr(value, "__index__"):
        raise TypeError("%s must be an integer, not %s" % (what, type(value).__name__))
    number = operator.index(value)
    if not low <= number <= high:
        raise ValueError("%s must be in [%d, %d], not %d" % (what, low, high, number))
    return number


def int32(value: Any, what: str) -> int:
    return integer(value, INT32_MIN, INT32_MAX, what)


def uint32(value: Any, what: str) -> int:
    return integer(value, 0, UINT32_MAX, what)


def flag(value: Any, what: str) -> int:
    """A 0/1 selector from a bool or 0/1."""
    return integer(int(value) if isinstance(value, bool) else value, 0, 1, what)


def timeout(value: Any) -> int:
    """A time-out in milliseconds, 0 or more."""
    return integer(value, 0, INT32_MAX, "timeout_ms")


def axis_bit(axis: Axis) -> int:
    """The axis bit (1 for X up to 512 for K) of a letter or of an axis bit.

    Raises ``ValueError`` for anything that names no single axis.
    """
    if isinstance(axis, str):
        index = AXES.find(axis.upper())
        if len(axis) != 1 or index < 0:
            raise ValueError("no axis named %r (axes %s)" % (axis, AXES))
        return 1 << index
    bit = integer(axis, 1, 1 << (AXIS_COUNT - 1), "an axis bit")
    if bit & (bit - 1):
        raise ValueError("an axis bit has one bit set (1 for X up to 512 for K), not %d" % bit)
    return bit


def axis_mask(axes: Axes) -> int:
    """A mask of axes (bit i for the axis AXES[i], 0 to 1023) from letters
    ("XY", "X,Y"), an iterable of letters or axis bits, or a mask as a number.

    Raises ``ValueError`` for an unknown letter or a mask above 1023.
    """
    if not isinstance(axes, (str, bytes)) and hasattr(axes, "__index__"):
        return integer(axes, 0, ALL_AXES, "an axis mask")
    mask = 0
    for axis in axes:
        if axis in (",", " "):
            continue
        mask |= axis_bit(axis)
    return mask


def letter(bit: int) -> str:
    """The letter of one axis bit."""
    return AXES[bit.bit_length() - 1]


def letters(mask: int) -> str:
    """The letters of the axes in a mask, in axis order ("XZ")."""
    return "".join(a for i, a in enumerate(AXES) if mask >> i & 1)


def listed(mask: int) -> str:
    """The letters of a mask for a message ("X, Z"), or "no axis"."""
    return ", ".join(letters(mask)) or "no axis"


def bits(mask: int) -> Iterable[int]:
    """The axis bits of a mask, X first."""
    return (1 << i for i in range(AXIS_COUNT) if mask >> i & 1)


def value_list(values: Mapping[Axis, Any], what: str) -> Tuple[int, "ctypes.Array[ctypes.c_int32]"]:
    """(mask, ten-slot int32 array) from a mapping of axes to values; at least one axis."""
    if not isinstance(values, Mapping):
        raise TypeError("%ss must be a mapping of axes to values, not %s" % (what, type(values).__name__))
    slots = (ctypes.c_int32 * AXIS_COUNT)()
    mask = 0
    for axis, value in values.items():
        bit = axis_bit(axis)
        if mask & bit:
            raise ValueError("axis %s given twice" % letter(bit))
        slots[bit.bit_length() - 1] = int32(value, "%s of %s" % (what, letter(bit)))
        mask |= bit
    if not mask:
        raise ValueError("no axis given")
    return mask, slots
