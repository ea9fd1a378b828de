"""Axes, and the checks of what C cannot take: a value of the wrong type or
one that does not fit its C type raises TypeError or ValueError here (ctypes
would cut 2**31 to -2**31 without a word). Ranges within those types are the
motion core's to refuse."""

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


def _slots(values: Mapping[Axis, Any], what: str, kind: Any, convert: Any) -> Tuple[int, Any]:
    if not isinstance(values, Mapping):
        raise TypeError("%ss must be a mapping of axes to values, not %s" % (what, type(values).__name__))
    slots = (kind * AXIS_COUNT)()
    mask = 0
    for axis, value in values.items():
        bit = axis_bit(axis)
        if mask & bit:
            raise ValueError("axis %s given twice" % letter(bit))
        slots[bit.bit_length() - 1] = convert(value, "%s of %s" % (what, letter(bit)))
        mask |= bit
    # No axis at all is the core's to refuse.
    return mask, slots


def value_list(values: Mapping[Axis, Any], what: str) -> Tuple[int, "ctypes.Array[ctypes.c_int32]"]:
    """(mask, ten-slot int32 array) from a mapping of axes to values."""
    return _slots(values, what, ctypes.c_int32, int32)


def number(value: Any, what: str) -> float:
    """A velocity as C's double: an int or a float, not a bool or a text."""
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError("%s must be a number, not %s" % (what, type(value).__name__))
    try:
        return float(value)
    except OverflowError:
        raise ValueError("%s is too large for a double" % what) from None


def velocity_list(values: Mapping[Axis, Any]) -> Tuple[int, "ctypes.Array[ctypes.c_double]"]:
    """(mask, ten-slot double array) from a mapping of axes to velocities."""
    return _slots(values, "velocity", ctypes.c_double, number)
