"""Draws a recording of axes over time, as ``vekctl record`` and
``vekctl demo --plot`` write it: for each axis its motor and encoder position
and its velocity against time, with a mark where the controller reported the
axis done, at a limit switch or slipped, and a vertical mark where its
position was reset (a home search ended, a position was set): the curves
break there, and no velocity is drawn across the reset.

    python3 -m vekkestra.plot run.csv -o run.png        # or run.svg

The recording is CSV with a ``time_s`` column (seconds) and, per axis, the
columns ``<axis>_motor``, ``<axis>_encoder`` (steps) and ``<axis>_done``,
``<axis>_limit``, ``<axis>_slip`` (1 in the row at which that report came),
optionally followed by ``<axis>_reset`` (1 in the first row after the
position was reset).

Where a reset happened: the ``<axis>_reset`` column says so when the
recording has it. Without it, a step of the motor position between two rows
is a reset when the axis cannot have travelled it in that time (``resets``):

- the axis's speed is the fastest that two neighbouring steps in the same
  direction agree on (the slower of the two), so that a jump never vouches
  for itself; an axis that never moves shows a speed of 0;
- a step covering more than twice that speed in its time is a reset (the
  factor leaves room for rows whose times came late on a loaded machine);
- so is one that turns back on the step before it faster than that speed:
  turning back takes a stop, and the axis cannot then outrun its own speed;
- and one between two rows of the same time.

A reset smaller than what the axis travels in one row's time looks like
motion and is drawn as such; a recording with the reset column has no such
blind spot.

Drawing needs matplotlib (Debian: ``python3-matplotlib``); reading a
recording (``load``) and the velocities (``velocity``) need nothing beyond
the standard library, nor does the rest of the package.
"""

from __future__ import annotations

import argparse
import csv
import os
import sys
from dataclasses import dataclass, field
from typing import TYPE_CHECKING, Dict, List, Optional, Sequence, Tuple

if TYPE_CHECKING:  # pragma: no cover
    from matplotlib.figure import Figure

__all__ = ["AxisTrace", "Recording", "load", "velocity", "resets", "segments", "curves", "figure", "save", "main"]

_FLAGS = ("done", "limit", "slip")
_COLUMNS = ("motor", "encoder") + _FLAGS
#: The optional column that says where the position was reset.
_RESET = "reset"
#: A step is a reset when it covers more than this many times the axis's speed.
_SPEED_MARGIN = 2.0
# How each report is marked on the position curve: marker, colour, size.
_MARKS = {"done": ("o", "tab:green", 5), "limit": ("v", "tab:red", 9), "slip": ("X", "tab:orange", 9)}
_FORMATS = (".png", ".svg")


@dataclass
class AxisTrace:
    """One axis of a recording, a value per row. ``reset`` is None when the
    recording has no reset column for the axis."""

    letter: str
    motor: List[int] = field(default_factory=list)
    encoder: List[int] = field(default_factory=list)
    done: List[bool] = field(default_factory=list)
    limit: List[bool] = field(default_factory=list)
    slip: List[bool] = field(default_factory=list)
    reset: Optional[List[bool]] = None

    def reports(self, flag: str) -> List[int]:
        """The rows at which the report ``flag`` ("done", "limit", "slip") came."""
        return [row for row, seen in enumerate(getattr(self, flag)) if seen]


@dataclass
class Recording:
    """The times of the rows (seconds) and the axes, in the file's order."""

    time: List[float]
    axes: Dict[str, AxisTrace]


def _axes_of(header: Sequence[str], path: str) -> List[Tuple[str, bool]]:
    """Each axis's letter and whether it has a reset column, in the header's order."""
    if len(header) < 1 + len(_COLUMNS) or header[0] != "time_s":
        raise ValueError("%s: not a recording (the header is time_s, then AXIS_motor, AXIS_encoder, AXIS_done, "
                         "AXIS_limit, AXIS_slip and optionally AXIS_reset for each axis)" % path)
    axes: List[Tuple[str, bool]] = []
    start = 1
    while start < len(header):
        letter = header[start].split("_", 1)[0]
        expected = ["%s_%s" % (letter, column) for column in _COLUMNS]
        if list(header[start:start + len(_COLUMNS)]) != expected or letter in [a for a, _ in axes]:
            raise ValueError("%s: column %d starts %s, expected %s" % (path, start + 1, header[start], ", ".join(expected)))
        start += len(_COLUMNS)
        has_reset = start < len(header) and header[start] == "%s_%s" % (letter, _RESET)
        start += has_reset
        axes.append((letter, has_reset))
    return axes


def _flag(text: str) -> bool:
    if text not in ("0", "1"):
        raise ValueError("a flag is 0 or 1, not %r" % text)
    return text == "1"


def _read_row(recording: Recording, axes: List[Tuple[str, bool]], row: List[str]) -> None:
    recording.time.append(float(row[0]))
    cell = 1
    for letter, has_reset in axes:
        trace = recording.axes[letter]
        trace.motor.append(int(row[cell]))
        trace.encoder.append(int(row[cell + 1]))
        for flag, text in zip(_FLAGS, row[cell + 2:cell + len(_COLUMNS)]):
            getattr(trace, flag).append(_flag(text))
        cell += len(_COLUMNS)
        if has_reset:
            trace.reset.append(_flag(row[cell]))
            cell += 1


def load(path: str) -> Recording:
    """Reads a recording; ``ValueError`` names the file, line and problem
    when it is not one."""
    with open(path, newline="") as handle:
        rows = csv.reader(handle)
        header = next(rows, [])
        axes = _axes_of(header, path)
        recording = Recording([], {letter: AxisTrace(letter, reset=[] if has_reset else None)
                                   for letter, has_reset in axes})
        for line, row in enumerate(rows, start=2):
            if len(row) != len(header):
                raise ValueError("%s:%d: %d values, expected %d" % (path, line, len(row), len(header)))
            try:
                _read_row(recording, axes, row)
            except ValueError as error:
                raise ValueError("%s:%d: %s" % (path, line, error)) from None
    return recording


def velocity(time: Sequence[float], position: Sequence[int]) -> Tuple[List[float], List[float]]:
    """The velocity between each two rows (steps/s), placed half-way between
    their times; rows with the same time give none."""
    at: List[float] = []
    value: List[float] = []
    for i in range(1, len(time)):
        span = time[i] - time[i - 1]
        if span > 0:
            at.append((time[i] + time[i - 1]) / 2)
            value.append((position[i] - position[i - 1]) / span)
    return at, value


def _speed(time: Sequence[float], position: Sequence[int]) -> float:
    """The fastest speed (steps/s) that two neighbouring steps in the same
    direction agree on: the slower of the two."""
    fastest = 0.0
    for i in range(2, len(time)):
        first, second = position[i - 1] - position[i - 2], position[i] - position[i - 1]
        spans = time[i - 1] - time[i - 2], time[i] - time[i - 1]
        if first * second > 0 and min(spans) > 0:
            fastest = max(fastest, min(abs(first) / spans[0], abs(second) / spans[1]))
    return fastest


def resets(time: Sequence[float], position: Sequence[int], marked: Optional[Sequence[bool]] = None) -> List[int]:
    """The rows that come right after a reset of ``position``: those that
    ``marked`` (the recording's reset column) says, else those whose step
    from the row before the axis cannot have travelled (the module's text
    gives the rule)."""
    if marked is not None:
        return [row for row in range(1, len(marked)) if marked[row]]
    speed = _speed(time, position)
    found = []
    before = 0  # the step before, while it moved
    for row in range(1, len(time)):
        step, span = position[row] - position[row - 1], time[row] - time[row - 1]
        if step == 0:
            before = 0
            continue
        reach = speed * span
        turning_back = before * step < 0
        if span <= 0 or abs(step) > _SPEED_MARGIN * reach or (turning_back and abs(step) > reach):
            found.append(row)
            before = 0  # the position after a reset starts no motion of its own
        else:
            before = step
    return found


def segments(values: Sequence, breaks: Sequence[int]) -> List[Tuple[int, int]]:
    """The rows between the breaks as [first, end) ranges: a break at row r
    ends one segment before r and starts the next at r."""
    edges = [0] + sorted(set(r for r in breaks if 0 < r < len(values))) + [len(values)]
    return [(first, end) for first, end in zip(edges, edges[1:]) if end > first]


def _joined(pieces: Sequence[Tuple[Sequence[float], Sequence[float]]]) -> Tuple[List[float], List[float]]:
    """Pieces of a curve as one line, with a gap (NaN) between them."""
    x: List[float] = []
    y: List[float] = []
    for piece_x, piece_y in pieces:
        if x:
            x.append(float("nan"))
            y.append(float("nan"))
        x.extend(piece_x)
        y.extend(piece_y)
    return x, y


def curves(recording: Recording, letter: str) -> Dict[str, Tuple[List[float], List[float]]]:
    """What the picture draws of one axis: "motor", "encoder" and "velocity"
    as (x, y) with a NaN gap at each reset, and "reset" the times of the
    resets (half-way between the two rows) with the position after each."""
    trace, time = recording.axes[letter], recording.time
    rows = resets(time, trace.motor, trace.reset)
    parts = segments(time, rows)
    drawn = {}
    for name in ("motor", "encoder"):
        values = getattr(trace, name)
        drawn[name] = _joined([(time[first:end], values[first:end]) for first, end in parts])
    drawn["velocity"] = _joined([velocity(time[first:end], trace.motor[first:end]) for first, end in parts])
    drawn["reset"] = ([(time[r - 1] + time[r]) / 2 for r in rows], [trace.motor[r] for r in rows])
    return drawn


def _mark_resets(positions, velocities, letter: str, colour: str, times: Sequence[float]) -> None:
    """A dotted vertical line through both plots at each reset, named in the
    legend once and written beside the line at the top of the positions."""
    for index, at in enumerate(times):
        for plot in (positions, velocities):
            plot.axvline(at, color=colour, linestyle=":", linewidth=1.5,
                         label="%s reset" % letter if index == 0 and plot is positions else "_nolegend_")
        positions.annotate("%s reset" % letter, xy=(at, 1), xycoords=("data", "axes fraction"), xytext=(2, -2),
                           textcoords="offset points", rotation=90, va="top", fontsize="small", color=colour)


def figure(recording: Recording, title: Optional[str] = None) -> "Figure":
    """The picture: positions above, velocities below, one colour per axis.

    Every curve and mark carries a label ("X motor", "X encoder",
    "X velocity", "X limit", "X reset", ...) so that what was drawn can be
    found again; ``curves`` gives what is drawn of each axis.
    """
    from matplotlib.figure import Figure  # the optional dependency

    fig = Figure(figsize=(10, 7), constrained_layout=True)
    positions, velocities = fig.subplots(2, 1, sharex=True)
    colours = ["tab:blue", "tab:purple", "tab:brown", "tab:cyan", "tab:olive", "tab:pink", "tab:gray", "black",
               "navy", "teal"]
    for (letter, trace), colour in zip(recording.axes.items(), colours):
        drawn = curves(recording, letter)
        positions.plot(*drawn["motor"], color=colour, label="%s motor" % letter)
        positions.plot(*drawn["encoder"], color=colour, linestyle="--", linewidth=1, label="%s encoder" % letter)
        velocities.plot(*drawn["velocity"], color=colour, label="%s velocity" % letter)
        for flag, (marker, mark_colour, size) in _MARKS.items():
            rows = trace.reports(flag)
            if rows:
                positions.plot([recording.time[r] for r in rows], [trace.motor[r] for r in rows], linestyle="none",
                               marker=marker, markersize=size, color=mark_colour, markeredgecolor="black",
                               label="%s %s" % (letter, flag))
        _mark_resets(positions, velocities, letter, colour, drawn["reset"][0])
    positions.set_ylabel("position (steps)")
    velocities.set_ylabel("velocity (steps/s)")
    velocities.set_xlabel("time (s)")
    for plot in (positions, velocities):
        plot.grid(True, alpha=0.3)
        plot.legend(loc="best", fontsize="small")
    fig.suptitle(title or "axes over time")
    return fig


def save(recording: Recording, picture: str, title: Optional[str] = None) -> None:
    """Draws the recording into ``picture``, a .png or .svg file."""
    if os.path.splitext(picture)[1].lower() not in _FORMATS:
        raise ValueError("%s: the picture is a .png or .svg file" % picture)
    figure(recording, title).savefig(picture)


def main(argv: Optional[Sequence[str]] = None) -> int:
    parser = argparse.ArgumentParser(prog="python3 -m vekkestra.plot",
                                     description="Draw a recording made by vekctl record or vekctl demo --plot.")
    parser.add_argument("recording", help="the CSV file")
    parser.add_argument("-o", "--output", required=True, help="the picture to write: FILE.png or FILE.svg")
    parser.add_argument("--title", help="the picture's title (default: the recording's file name)")
    args = parser.parse_args(argv)
    if os.path.splitext(args.output)[1].lower() not in _FORMATS:
        parser.error("the picture is a .png or .svg file, not %s" % args.output)
    try:
        recording = load(args.recording)
        save(recording, args.output, args.title or os.path.basename(args.recording))
    except ImportError:
        print("vekkestra.plot: drawing needs matplotlib (Debian: python3-matplotlib)", file=sys.stderr)
        return 1
    except (OSError, ValueError) as error:
        print("vekkestra.plot: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
