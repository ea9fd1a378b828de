"""The plot module: reading a recording, the velocities, and a picture whose
curves and marks are the recorded values. With VEKCTL naming vekctl, also a
recording of its demo drawn end to end. The drawing needs matplotlib; without
it those tests are skipped."""

import importlib.util
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
# the second and reports done in the fourth.
RECORDING = """time_s,X_motor,X_encoder,X_done,X_limit,X_slip,Y_motor,Y_encoder,Y_done,Y_limit,Y_slip
0.000,0,0,0,0,0,0,0,0,0,0
0.100,100,98,0,0,0,-50,-40,0,0,1
0.200,300,297,0,1,0,-100,-60,0,0,0
0.250,300,300,1,0,0,-100,-60,1,0,0
"""


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


class ReadingTest(PlotTestCase):
    def test_a_recording_is_read_column_by_column(self):
        recording = plot.load(self.path("run.csv", RECORDING))
        self.assertEqual(recording.time, [0.0, 0.1, 0.2, 0.25])
        self.assertEqual(list(recording.axes), ["X", "Y"])
        x, y = recording.axes["X"], recording.axes["Y"]
        self.assertEqual(x.motor, [0, 100, 300, 300])
        self.assertEqual(y.encoder, [0, -40, -60, -60])
        self.assertEqual((x.reports("limit"), x.reports("done"), x.reports("slip")), ([2], [3], []))
        self.assertEqual((y.reports("slip"), y.reports("done"), y.reports("limit")), ([1], [3], []))

    def test_velocity_is_the_change_between_rows_half_way_between_them(self):
        at, value = plot.velocity([0.0, 0.1, 0.2, 0.2, 0.25], [0, 100, 300, 300, 300])
        # The two rows with the same time give no velocity.
        expected = [(0.05, 1000.0), (0.15, 2000.0), (0.225, 0.0)]
        self.assertEqual(len(at), len(expected))
        for (t, v), (want_t, want_v) in zip(zip(at, value), expected):
            self.assertAlmostEqual(t, want_t)
            self.assertAlmostEqual(v, want_v)

    def test_what_is_not_a_recording_is_refused_with_the_place(self):
        cases = [
            ("X_motor,X_encoder\n1,2\n", "not a recording"),
            ("time_s,X_motor,X_encoder,X_done,X_slip,X_limit\n", "column 2 starts X_motor, expected"),
            ("time_s\n0.1\n", "not a recording"),
            (RECORDING + "0.3,1,2\n", ":6: 3 values, expected 11"),
            (RECORDING.replace("0.100,100,98", "0.100,1e2,98"), ":3: "),
            (RECORDING.replace("0,1\n0.200", "0,2\n0.200"), ":3: a flag is 0 or 1"),
        ]
        for text, message in cases:
            with self.subTest(message=message):
                with self.assertRaisesRegex(ValueError, re.escape(message)):
                    plot.load(self.path("bad.csv", text))


def drawn(fig):
    """Every labelled curve or mark of a figure: label -> (x values, y values)."""
    lines = {}
    for axes in fig.axes:
        for line in axes.get_lines():
            lines[line.get_label()] = (list(line.get_xdata()), list(line.get_ydata()))
    return lines


def run_plot(*argv):
    return subprocess.run([sys.executable, "-m", "vekkestra.plot"] + list(argv), capture_output=True, text=True,
                          cwd=PACKAGE_ROOT, timeout=120)


@unittest.skipUnless(HAS_MATPLOTLIB, "matplotlib is not installed")
class DrawingTest(PlotTestCase):
    def test_the_curves_and_marks_are_the_recorded_values(self):
        recording = plot.load(self.path("run.csv", RECORDING))
        lines = drawn(plot.figure(recording))
        time = [0.0, 0.1, 0.2, 0.25]
        self.assertEqual(lines["X motor"], (time, [0, 100, 300, 300]))
        self.assertEqual(lines["X encoder"], (time, [0, 98, 297, 300]))
        self.assertEqual(lines["Y motor"], (time, [0, -50, -100, -100]))
        self.assertEqual(lines["Y encoder"], (time, [0, -40, -60, -60]))
        # Marks sit on the motor curve at the row of their report.
        self.assertEqual(lines["X limit"], ([0.2], [300]))
        self.assertEqual(lines["X done"], ([0.25], [300]))
        self.assertEqual(lines["Y slip"], ([0.1], [-50]))
        self.assertEqual(lines["Y done"], ([0.25], [-100]))
        self.assertNotIn("X slip", lines)
        self.assertNotIn("Y limit", lines)
        at, value = lines["X velocity"]
        for got, want in zip(at + value, [0.05, 0.15, 0.225, 1000.0, 2000.0, 0.0]):
            self.assertAlmostEqual(got, want)

    def test_the_command_line_writes_png_and_svg(self):
        csv = self.path("run.csv", RECORDING)
        png, svg = self.path("run.png"), self.path("run.svg")
        self.assertEqual(plot.main([csv, "-o", png]), 0)
        with open(png, "rb") as handle:
            self.assertEqual(handle.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertEqual(plot.main([csv, "-o", svg, "--title", "two axes"]), 0)
        root = ElementTree.parse(svg).getroot()
        self.assertEqual(root.tag, "{http://www.w3.org/2000/svg}svg")
        # matplotlib keeps every text of the picture as a comment beside its outline.
        with open(svg) as handle:
            text = handle.read()
        for label in ("two axes", "X motor", "Y slip", "X limit", "velocity (steps/s)"):
            self.assertIn("<!-- %s -->" % label, text)

    def test_the_command_line_says_what_is_wrong(self):
        missing = self.path("missing.csv")
        bad = self.path("bad.csv", "time_s\n")
        cases = [([missing, "-o", self.path("a.png")], 1), ([bad, "-o", self.path("a.png")], 1)]
        for argv, status in cases:
            with self.subTest(argv=argv):
                done = run_plot(*argv)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertRegex(done.stderr, r"^vekkestra\.plot: .*(missing\.csv|not a recording)")
                self.assertFalse(os.path.exists(self.path("a.png")))
        done = run_plot(bad, "-o", self.path("a.jpg"))
        self.assertEqual(done.returncode, 2)
        self.assertIn("a .png or .svg file", done.stderr)


@unittest.skipUnless(HAS_MATPLOTLIB and VEKCTL, "needs matplotlib and VEKCTL naming vekctl")
class DemoPlotTest(PlotTestCase):
    def test_the_demo_draws_what_it_recorded(self):
        picture = self.path("demo.png")
        done = subprocess.run([VEKCTL, "demo", "--plot", picture], capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertIn("plot: %s (recorded in %s)" % (picture, self.path("demo.csv")), done.stderr)
        with open(picture, "rb") as handle:
            self.assertEqual(handle.read(8), b"\x89PNG\r\n\x1a\n")
        recording = plot.load(self.path("demo.csv"))
        x, y = recording.axes["X"], recording.axes["Y"]
        # The demo's table: X ends at 8000 and Y at -5000, each done once per step.
        self.assertEqual((x.motor[-1], y.motor[-1]), (8000, -5000))
        self.assertEqual((len(x.reports("done")), len(y.reports("done"))), (2, 2))
        lines = drawn(plot.figure(recording))
        self.assertEqual(lines["X motor"], (recording.time, x.motor))
        self.assertEqual(lines["Y encoder"], (recording.time, y.encoder))


if __name__ == "__main__":
    unittest.main()
