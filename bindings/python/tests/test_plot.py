"""The plot module: a picture whose curves and marks are the recorded values,
recordings that are refused, the command line and, with VEKCTL naming vekctl,
a recording of its demo drawn end to end. Drawing needs matplotlib; without
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
        ]
        for text, message in cases:
            with self.subTest(message=message):
                with self.assertRaisesRegex(ValueError, re.escape(message)):
                    plot.load(self.path("bad.csv", text))


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
        # Velocities half-way between the rows.
        at, value = lines["X velocity"]
        self.assertEqual(len(at), 3)
        for got, want in zip(at + value, [0.05, 0.15, 0.225, 1000.0, 2000.0, 0.0]):
            self.assertAlmostEqual(got, want)

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


if __name__ == "__main__":
    unittest.main()
