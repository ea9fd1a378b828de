"""The binding and the examples end to end, against the veksim program over
TCP and over its pseudo-terminal. Skipped when VEKSIM does not name it."""

import os
import subprocess
import sys
import unittest

from vekkestra import Controller

VEKSIM = os.environ.get("VEKSIM")
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "examples")


@unittest.skipUnless(VEKSIM, "VEKSIM names no simulator program")
class SimulatorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = subprocess.Popen([VEKSIM, "--pty"], stdout=subprocess.PIPE, text=True)
        # The first two lines name the TCP address and the pty.
        cls.address = cls.sim.stdout.readline().strip().rsplit(" ", 1)[-1].rsplit(":", 1)
        cls.pty = cls.sim.stdout.readline().strip().rsplit(" ", 1)[-1]

    @classmethod
    def tearDownClass(cls):
        cls.sim.terminate()
        cls.sim.wait(timeout=10)
        cls.sim.stdout.close()

    def test_serial_port_on_the_pty(self):
        os.environ["VEKKESTRA_COM4"] = self.pty
        with Controller.serial(4, 38400) as ctl:
            ctl.clear_done("U")
            ctl.move_axis("U", 1234, timeout_ms=10000)
            self.assertEqual(ctl.motor_position("U"), 1234)

    def run_example(self, command):
        done = subprocess.run(command + self.address, capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertRegex(done.stdout, r"X and Y have arrived\n[\s\S]*\nX +4000 +-?\d+\nY +-2500 +-?\d+\n")

    def test_python_example(self):
        self.run_example([sys.executable, os.path.join(EXAMPLES, "move_xy.py")])

    @unittest.skipUnless(os.environ.get("MOVE_XY"), "MOVE_XY names no C example")
    def test_c_example(self):
        self.run_example([os.environ["MOVE_XY"]])


if __name__ == "__main__":
    unittest.main()
