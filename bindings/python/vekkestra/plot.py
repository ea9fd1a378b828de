"""Draws a recording of axes over time, as ``vekctl record`` and
``vekctl demo --plot`` write it: for each axis its motor and encoder position
and its velocity against time, with a mark where the controller reported the
axis done, at a limit switch or slipped.

    python3 -m vekkestra.plot run.csv -o run.png        # or run.svg

The recording is CSV with a ``time_s`` column (seconds) and, per axis, the
columns ``<axis>_motor``, ``<axis>_encoder`` (steps) and ``<axis>_done``,
``<axis>_limit``, ``<axis>_slip`` (1 in the row at which that report came).

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

__all__ = ["AxisTrace", "Recording", "load", "velocity", "figure", "save", "main"]

_FLAGS = ("done", "limit", "slip")
_COLUMNS = ("motor", "encoder") + _FLAGS
# How each report is marked on the position curve: marker, colour, size.
_MARKS = {"done": ("o", "tab:green", 5), "limit": ("v", "tab:red", 9), "slip": ("X", "tab:orange", 9)}
_FORMATS = (".png", ".svg")


@dataclass
class AxisTrace:
    """One axis of a recording, a value per row."""

    letter: str
    motor: List[int] = field(default_factory=list)
    encoder: List[int] = field(default_factory=list)
    done: List[bool] = field(default_factory=list)
    limit: List[bool] = field(default_factory=list)
    slip: List[bool] = field(default_factory=list)

    def reports(self, flag: str) -> List[int]:
        """The rows at which the report ``flag`` ("done", "limit", "slip") came."""
        return [row for row, seen in enumerate(getattr(self, flag)) if seen]


@dataclass
class Recording:
    """The times of the rows (seconds) and the axes, in the file's order."""

    time: List[float]
    axes: Dict[str, AxisTrace]


def _axes_of(header: Sequence[str], path: str) -> List[str]:
    if not header or header[0] != "time_s" or (len(header) - 1) % len(_COLUMNS) != 0 or len(header) == 1:
        raise ValueError("%s: not a recording (the header is time_s, then AXIS_motor, AXIS_encoder, AXIS_done, "
                         "AXIS_limit and AXIS_slip for each axis)" % path)
    letters = []
    for start in range(1, len(header), len(_COLUMNS)):
        letter = header[start].split("_", 1)[0]
        expected = ["%s_%s" % (letter, column) for column in _COLUMNS]
        if list(header[start:start + len(_COLUMNS)]) != expected or letter in letters:
            raise ValueError("%s: column %d starts %s, expected %s" % (path, start + 1, header[start], ", ".join(expected)))
        letters.append(letter)
    return letters


def _flag(text: str) -> bool:
    if text not in ("0", "1"):
        raise ValueError("a flag is 0 or 1, not %r" % text)
    return text == "1"


def load(path: str) -> Recording:
    """Reads a recording; ``ValueError`` names the file, line and problem
    when it is not one."""
    with open(path, newline="") as handle:
        rows = csv.reader(handle)
        letters = _axes_of(next(rows, []), path)
        recording = Recording([], {letter: AxisTrace(letter) for letter in letters})
        for line, row in enumerate(rows, start=2):
            if len(row) != 1 + len(_COLUMNS) * len(letters):
                raise ValueError("%s:%d: %d values, expected %d" % (path, line, len(row), 1 + len(_COLUMNS) * len(letters)))
            try:
                recording.time.append(float(row[0]))
                for index, letter in enumerate(letters):
                    cells = row[1 + index * len(_COLUMNS):1 + (index + 1) * len(_COLUMNS)]
                    trace = recording.axes[letter]
                    trace.motor.append(int(cells[0]))
                    trace.encoder.append(int(cells[1]))
                    for flag, cell in zip(_FLAGS, cells[2:]):
                        getattr(trace, flag).append(_flag(cell))
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


def figure(recording: Recording, title: Optional[str] = None) -> "Figure":
    """The picture: positions above, velocities below, one colour per axis.

    Every curve and mark carries a label ("X motor", "X encoder",
    "X velocity", "X limit", ...) so that what was drawn can be found again.
    """
    from matplotlib.figure import Figure  # the optional dependency

    fig = Figure(figsize=(10, 7), constrained_layout=True)
    positions, velocities = fig.subplots(2, 1, sharex=True)
    colours = ["tab:blue", "tab:purple", "tab:brown", "tab:cyan", "tab:olive", "tab:pink", "tab:gray", "black",
               "navy", "teal"]
    for (letter, trace), colour in zip(recording.axes.items(), colours):
        positions.plot(recording.time, trace.motor, color=colour, label="%s motor" % letter)
        positions.plot(recording.time, trace.encoder, color=colour, linestyle="--", linewidth=1,
                       label="%s encoder" % letter)
        at, value = velocity(recording.time, trace.motor)
        velocities.plot(at, value, color=colour, label="%s velocity" % letter)
        for flag, (marker, mark_colour, size) in _MARKS.items():
            rows = trace.reports(flag)
            if rows:
                positions.plot([recording.time[r] for r in rows], [trace.motor[r] for r in rows], linestyle="none",
                               marker=marker, markersize=size, color=mark_colour, markeredgecolor="black",
                               label="%s %s" % (letter, flag))
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
