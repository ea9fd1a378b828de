"""The plot module: a picture whose curves and marks are the recorded values,
where a position reset breaks them, recordings that are refused, the command
line and, with VEKCTL naming vekctl, a recording of its demo (two home
searches) drawn end to end. Drawing needs matplotlib; without it those tests
are skipped."""

import importlib.util
import math
import os
import re
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from vekkestra import plot

HAS_MATPLOTLIB = importlib.util.find_spec("matplotlib") is not None
VEKCTL = os.environ.get("VEKCTL")
PACKAGE_ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")

# X moves 0 -> 100 -> 300 and meets its limit in the third row; Y slips in
# the second and reports done in the fourth. The last row repeats the time
# of the one before: it gives no velocity.
RECORDING = """time_s,X_motor,X_encoder,X_done,X_limit,X_slip,Y_motor,Y_encoder,Y_done,Y_limit,Y_slip
0.000,0,0,0,0,0,0,0,0,0,0
0.100,100,98,0,0,0,-50,-40,0,0,1
0.200,300,297,0,1,0,-100,-60,0,0,0
0.250,300,300,1,0,0,-100,-60,1,0,0
0.250,300,300,0,0,0,-100,-60,0,0,0
"""
PNG = b"\x89PNG\r\n\x1a\n"


class PlotTestCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def path(self, name, text=None):
        path = os.path.join(self.folder.name, name)
        if text is not None:
            with open(path, "w") as handle:
                handle.write(text)
        return path

    def read(self, name, mode="r"):
        with open(self.path(name), mode) as handle:
            return handle.read()


def drawn(fig):
    """Every labelled curve or mark of a figure: label -> (x values, y values)."""
    return {line.get_label(): (list(line.get_xdata()), list(line.get_ydata()))
            for axes in fig.axes for line in axes.get_lines()}


def run_plot(*argv):
    return subprocess.run([sys.executable, "-m", "vekkestra.plot"] + list(argv), capture_output=True, text=True,
                          cwd=PACKAGE_ROOT, timeout=120)


class ReadingTest(PlotTestCase):
    def test_what_is_not_a_recording_is_refused_with_the_place(self):
        cases = [
            ("X_motor,X_encoder\n1,2\n", "not a recording"),
            ("time_s,X_motor,X_encoder,X_done,X_slip,X_limit\n", "column 2 starts X_motor, expected"),
            ("time_s\n0.1\n", "not a recording"),
            (RECORDING + "0.3,1,2\n", ":7: 3 values, expected 11"),
            (RECORDING.replace("0.100,100,98", "0.100,1e2,98"), ":3: "),
            (RECORDING.replace("0,1\n0.200", "0,2\n0.200"), ":3: a flag is 0 or 1"),
            ("time_s,X_motor,X_encoder,X_done,X_limit,X_slip,X_reset,X_motor\n", "column 8 starts X_motor"),
            ("time_s,X_motor,X_encoder,X_done,X_limit,X_slip,X_reset\n0,1,1,0,0,0,2\n", ":2: a flag is 0 or 1"),
        ]
        for text, message in cases:
            with self.subTest(message=message):
                with self.assertRaisesRegex(ValueError, re.escape(message)):
                    plot.load(self.path("bad.csv", text))


def steps(*moves, start=0, every=0.02):
    """Times and positions of a recording: each move is a position change per row."""
    position = [start]
    for move in moves:
        position.append(position[-1] + move)
    return [round(i * every, 3) for i in range(len(position))], position


class ResetTest(PlotTestCase):
    """Where the picture breaks its curves: the rows that come right after a
    reset of the position, and what is drawn between them."""

    def test_jumps_the_axis_cannot_have_travelled_are_resets_and_motion_is_not(self):
        cruise = [200] * 5  # 10000 steps/s at a row every 20 ms
        cases = [
            # A home search: out to the switch at -1500, then the counters read 0.
            ("home ending", steps(-100, -300, -500, -500, -100, +1500, 0, 0), [6]),
            # The same, with the home value further on: the jump goes on the way it went.
            ("home ending ahead", steps(100, 300, 500, 500, 100, 5000, 0), [6]),
            # A position set while nothing else ever moved.
            ("position set at rest", steps(0, 0, 250, 0, 0), [3]),
            # Set at rest after a move, further than the axis goes in a row's time at its speed.
            ("position set after a move", steps(*cruise, 0, 0, -900, 0), [8]),
            # Turning back faster than the axis ever went the other way.
            ("turning back at once", steps(*cruise, -300, -300), [6]),
            # Two rows with the same time and different positions.
            ("no time between", ([0.0, 0.02, 0.02], [0, 0, 5]), [2]),
            # Motion, however it speeds up, slows down or turns back.
            ("a ramped move", steps(2, 10, 50, 150, 200, 200, 150, 50, 10, 2), []),
            ("a jog turned back", steps(*cruise, 100, 20, -2, -20, -100, -200, -200), []),
            ("a row that came late", steps(*cruise, 380, *cruise), []),
            ("standing still", steps(0, 0, 0), []),
        ]
        for name, (time, position), rows in cases:
            with self.subTest(name):
                self.assertEqual(plot.resets(time, position), rows)

    def test_the_reset_column_says_where_and_no_jump_is_guessed(self):
        time, position = steps(-100, -300, -500, -500, -100, +1500, 0)
        marked = [False] * len(time)
        marked[3] = True  # the recorder knew of a reset the motion hides
        self.assertEqual(plot.resets(time, position, marked), [3])
        self.assertEqual(plot.resets(time, position, [False] * len(time)), [])

    def test_the_curves_break_at_a_reset_and_no_velocity_crosses_it(self):
        text = ("time_s,X_motor,X_encoder,X_done,X_limit,X_slip,Y_motor,Y_encoder,Y_done,Y_limit,Y_slip,Y_reset\n"
                "0.00,0,0,0,0,0,10,10,0,0,0,0\n"
                "0.02,-200,-200,0,0,0,10,10,0,0,0,0\n"
                "0.04,-400,-400,0,0,0,10,10,0,0,0,0\n"
                "0.06,0,0,1,0,0,0,0,0,0,0,1\n"
                "0.08,0,0,0,0,0,0,0,0,0,0,0\n")
        recording = plot.load(self.path("home.csv", text))
        self.assertIsNone(recording.axes["X"].reset)
        self.assertEqual(recording.axes["Y"].reset, [False, False, False, True, False])
        self.assertEqual(plot.segments(recording.time, [3]), [(0, 3), (3, 5)])
        x = plot.curves(recording, "X")
        self.assertEqual(x["reset"], ([0.05], [0]))
        nan = float("nan")
        self.assertEqual(repr(x["motor"]), repr(([0.0, 0.02, 0.04, nan, 0.06, 0.08], [0, -200, -400, nan, 0, 0])))
        self.assertEqual(repr(x["encoder"][1]), repr([0, -200, -400, nan, 0, 0]))
        # -10000 steps/s out, nothing back: the jump of +400 in 20 ms is in no velocity.
        at, value = x["velocity"]
        self.assertTrue(math.isnan(at[2]) and math.isnan(value[2]))
        for got, want in zip(at[:2] + at[3:] + value[:2] + value[3:], [0.01, 0.03, 0.07, -10000, -10000, 0]):
            self.assertAlmostEqual(got, want)
        y = plot.curves(recording, "Y")
        self.assertEqual(y["reset"], ([0.05], [0]))
        self.assertEqual(repr(y["velocity"][1]), repr([0.0, 0.0, nan, 0.0]))


@unittest.skipUnless(HAS_MATPLOTLIB, "matplotlib is not installed")
class DrawingTest(PlotTestCase):
    def test_the_curves_and_marks_are_the_recorded_values(self):
        lines = drawn(plot.figure(plot.load(self.path("run.csv", RECORDING))))
        time = [0.0, 0.1, 0.2, 0.25, 0.25]
        self.assertEqual(lines["X motor"], (time, [0, 100, 300, 300, 300]))
        self.assertEqual(lines["X encoder"], (time, [0, 98, 297, 300, 300]))
        self.assertEqual(lines["Y motor"], (time, [0, -50, -100, -100, -100]))
        self.assertEqual(lines["Y encoder"], (time, [0, -40, -60, -60, -60]))
        # Marks sit on the motor curve at the row of their report.
        self.assertEqual(lines["X limit"], ([0.2], [300]))
        self.assertEqual(lines["X done"], ([0.25], [300]))
        self.assertEqual(lines["Y slip"], ([0.1], [-50]))
        self.assertEqual(lines["Y done"], ([0.25], [-100]))
        self.assertNotIn("X slip", lines)
        self.assertNotIn("Y limit", lines)
        self.assertNotIn("X reset", lines)
        # Velocities half-way between the rows.
        at, value = lines["X velocity"]
        self.assertEqual(len(at), 3)
        for got, want in zip(at + value, [0.05, 0.15, 0.225, 1000.0, 2000.0, 0.0]):
            self.assertAlmostEqual(got, want)

    def test_a_reset_is_a_vertical_mark_on_both_plots(self):
        text = RECORDING.replace("0.250,300,300,1", "0.250,-40,-40,1")  # X's position set at rest
        fig = plot.figure(plot.load(self.path("run.csv", text)))
        marks = [(axes.get_ylabel(), line.get_label(), list(line.get_xdata()))
                 for axes in fig.axes for line in axes.get_lines() if list(line.get_xdata()) == [0.225, 0.225]]
        self.assertEqual(marks, [("position (steps)", "X reset", [0.225, 0.225]),
                                 ("velocity (steps/s)", "_nolegend_", [0.225, 0.225])])
        self.assertIn("X reset", [text.get_text() for text in fig.axes[0].texts])

    def test_the_command_line_writes_png_and_svg_or_says_what_is_wrong(self):
        csv = self.path("run.csv", RECORDING)
        self.assertEqual(plot.main([csv, "-o", self.path("run.png")]), 0)
        self.assertEqual(self.read("run.png", "rb")[:8], PNG)
        self.assertEqual(plot.main([csv, "-o", self.path("run.svg"), "--title", "two axes"]), 0)
        svg = self.read("run.svg")
        self.assertEqual(ElementTree.fromstring(svg.encode()).tag, "{http://www.w3.org/2000/svg}svg")
        # matplotlib keeps every text of the picture as a comment beside its outline.
        for label in ("two axes", "X motor", "Y slip", "X limit", "velocity (steps/s)"):
            self.assertIn("<!-- %s -->" % label, svg)
        cases = [(self.path("missing.csv"), "a.png", 1, r"^vekkestra\.plot: .*missing\.csv"),
                 (self.path("bad.csv", "time_s\n"), "a.png", 1, r"^vekkestra\.plot: .*not a recording"),
                 (csv, "a.jpg", 2, r"a \.png or \.svg file")]
        for recording, picture, status, message in cases:
            with self.subTest(picture=picture, message=message):
                done = run_plot(recording, "-o", self.path(picture))
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertRegex(done.stderr, message)
                self.assertFalse(os.path.exists(self.path(picture)))


@unittest.skipUnless(HAS_MATPLOTLIB and VEKCTL, "needs matplotlib and VEKCTL naming vekctl")
class DemoPlotTest(PlotTestCase):
    def test_the_demo_draws_what_it_recorded(self):
        picture = self.path("demo.png")
        done = subprocess.run([VEKCTL, "demo", "--plot", picture], capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertIn("plot: %s (recorded in %s)" % (picture, self.path("demo.csv")), done.stderr)
        self.assertEqual(self.read("demo.png", "rb")[:8], PNG)
        recording = plot.load(self.path("demo.csv"))
        x, y = recording.axes["X"], recording.axes["Y"]
        # The demo's table: X ends at 8000 and Y at -5000, each done once per step.
        self.assertEqual((x.motor[-1], y.motor[-1]), (8000, -5000))
        self.assertEqual((len(x.reports("done")), len(y.reports("done"))), (2, 2))
        # Each home search ends on its switch (vekctl's simulator: X's at -1500, Y's at 1200) and the position
        # reads 0 from the next row on: one reset each, at the row of its done, and no other.
        for trace, switch in ((x, -1500), (y, 1200)):
            with self.subTest(trace.letter):
                rows = plot.resets(recording.time, trace.motor, trace.reset)
                self.assertEqual(rows, trace.reports("done")[:1])
                self.assertEqual(trace.motor[rows[0]], 0)
                self.assertLess(abs(trace.motor[rows[0] - 1] - switch), abs(switch) / 2)


if __name__ == "__main__":
    unittest.main()
