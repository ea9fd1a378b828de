"""Conversions between the controller's steps and a motor's user units.

    DialPosition = steps / Step_per_unit
    Position     = Sign * DialPosition + Offset

Speeds are units/s (steps/s divided by |Step_per_unit|); Acceleration and
Deceleration are the seconds the ramp takes from Base_rate to Velocity,
which the controller keeps as one acceleration in steps/s^2.
"""

import math
from dataclasses import dataclass

INT32_MIN = -(2 ** 31)
INT32_MAX = 2 ** 31 - 1


def _finite(value: float, what: str) -> float:
    value = float(value)
    if not math.isfinite(value):
        raise ValueError("%s must be a finite number, not %r" % (what, value))
    return value


def whole_steps(value: float, what: str) -> int:
    """``value`` rounded to a signed 32-bit step count, or ValueError."""
    steps = round(_finite(value, what))
    if not INT32_MIN <= steps <= INT32_MAX:
        raise ValueError("%s is %d steps, outside the controller's range [%d, %d]"
                         % (what, steps, INT32_MIN, INT32_MAX))
    return steps


@dataclass(frozen=True)
class Scale:
    """One motor's user-unit settings."""

    step_per_unit: float = 1.0
    sign: int = 1
    offset: float = 0.0

    def __post_init__(self) -> None:
        if _finite(self.step_per_unit, "Step_per_unit") == 0.0:
            raise ValueError("Step_per_unit must not be 0")
        if self.sign not in (1, -1):
            raise ValueError("Sign must be 1 or -1, not %r" % (self.sign,))
        _finite(self.offset, "Offset")

    def dial(self, steps: float) -> float:
        return steps / self.step_per_unit

    def user(self, steps: float) -> float:
        return self.sign * self.dial(steps) + self.offset

    def steps_for(self, position: float) -> int:
        """The step target for a user position."""
        dial = (_finite(position, "the position") - self.offset) * self.sign
        return whole_steps(dial * self.step_per_unit, "the position %g" % position)

    def speed(self, steps_per_second: float) -> float:
        return steps_per_second / abs(self.step_per_unit)

    def speed_steps(self, units_per_second: float, what: str) -> int:
        return whole_steps(_finite(units_per_second, what) * abs(self.step_per_unit), what)


def ramp_seconds(velocity: int, base_rate: int, acceleration: int) -> float:
    """Seconds from the base rate to the velocity (all in steps)."""
    if acceleration <= 0:
        return 0.0
    return max(velocity - base_rate, 0) / acceleration


def acceleration_for(seconds: float, velocity: int, base_rate: int) -> int:
    """The acceleration (steps/s^2) that ramps from base rate to velocity in ``seconds``."""
    seconds = _finite(seconds, "the ramp time")
    if seconds <= 0:
        raise ValueError("the ramp time must be above 0 s, not %g" % seconds)
    if velocity <= base_rate:
        raise ValueError("Velocity is not above Base_rate, so there is no ramp to time")
    steps = round((velocity - base_rate) / seconds)
    if steps < 1:
        raise ValueError("a ramp of %g s from Base_rate to Velocity is below 1 step/s^2" % seconds)
    return whole_steps(steps, "the acceleration")
