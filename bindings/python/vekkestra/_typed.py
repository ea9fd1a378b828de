"""What the generated operations (``_operations.py``) hand to
``Controller._operation``: the ten values a call reads, and the markers of
what a call fills in, each of which makes its C arguments and reads its
value back once the call succeeded."""

from __future__ import annotations

import ctypes
from typing import Any, List, Sequence

from ._values import AXIS_COUNT, int32

#: The transports keep at most 255 characters of a text.
TEXT_SIZE = 256


def ten_values(values: Sequence[int], what: str) -> "ctypes.Array[ctypes.c_int32]":
    """The ten values of a value list (slot i for axis i) as the call reads
    them; not ten, or one not a 32-bit integer, raises."""
    if isinstance(values, (str, bytes)) or not hasattr(values, "__len__"):
        raise TypeError("%s must be a sequence of %d integers, not %s" % (what, AXIS_COUNT, type(values).__name__))
    if len(values) != AXIS_COUNT:
        raise ValueError("%s must hold %d values (slot i for axis i), not %d" % (what, AXIS_COUNT, len(values)))
    slots = (ctypes.c_int32 * AXIS_COUNT)()
    for i, value in enumerate(values):
        slots[i] = int32(value, "%s[%d]" % (what, i))
    return slots


class Filled:
    """One result of a call: its C arguments, then its value."""

    def __init__(self, arguments: List[Any], read: Any) -> None:
        self.arguments = arguments
        self.read = read


class Output:
    """A marker for a result the call fills in."""

    def __init__(self, make: Any) -> None:
        self._make = make

    def make(self) -> Filled:
        return self._make()


def _number(kind: Any, convert: Any) -> Output:
    def make() -> Filled:
        value = kind(0)
        return Filled([ctypes.byref(value)], lambda: convert(value.value))
    return Output(make)


def _array(kind: Any, count: int, convert: Any) -> Output:
    def make() -> Filled:
        values = (kind * count)()
        return Filled([values], lambda: convert(values))
    return Output(make)


def _text() -> Filled:
    buffer, length = ctypes.create_string_buffer(TEXT_SIZE), ctypes.c_int32(0)
    return Filled([buffer, TEXT_SIZE, ctypes.byref(length)],
                  lambda: buffer.raw[: max(0, min(length.value, TEXT_SIZE))].decode("ascii", "replace"))


OUT_I32 = _number(ctypes.c_int32, int)
OUT_U32 = _number(ctypes.c_uint32, int)
OUT_FLAG = _number(ctypes.c_uint32, bool)
OUT_VALUES = _array(ctypes.c_int32, AXIS_COUNT, list)
OUT_STATUS = _array(ctypes.c_uint32, 5, lambda flags: tuple(bool(f) for f in flags))
OUT_TEXT = Output(_text)
