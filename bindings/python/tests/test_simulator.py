"""The binding and the examples end to end, against the veksim program over
TCP and over its pseudo-terminal. Skipped when VEKSIM does not name it."""

import os
import subprocess
import sys
import unittest

from vekkestra import Controller, Result, VekError

VEKSIM = os.environ.get("VEKSIM")
HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "..", "examples")


@unittest.skipUnless(VEKSIM, "VEKSIM names no simulator program")
class SimulatorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = subprocess.Popen([VEKSIM, "--pty", "--limits", "Z=-1000,3000"],
                                   stdout=subprocess.PIPE, text=True)
        cls.host = cls.port = cls.pty = None
        for _ in range(2):
            line = cls.sim.stdout.readline().strip()
            if line.startswith("veksim: listening on "):
                cls.host, port = line[len("veksim: listening on "):].rsplit(":", 1)
                cls.port = int(port)
            elif line.startswith("veksim: serial on "):
                cls.pty = line[len("veksim: serial on "):]

    @classmethod
    def tearDownClass(cls):
        cls.sim.terminate()
        cls.sim.wait(timeout=10)
        cls.sim.stdout.close()

    def test_home_move_and_limit_over_tcp(self):
        self.assertIsNotNone(self.port)
        with Controller.tcp(self.host, self.port) as ctl:
            for axis in "XY":
                ctl.clear_done(axis)
                ctl.find_home(axis, timeout_ms=10000)
            ctl.clear_done("XY")
            ctl.move({"X": 4000, "Y": -2500}, timeout_ms=10000)
            motor, _ = ctl.positions()
            self.assertEqual(motor[:3], [4000, -2500, 0])
            self.assertEqual(ctl.motor_position("X"), 4000)
            self.assertEqual(ctl.status_word() & 0x3FF, 0x3)
            # The limit search jogs Z into its switch at 3000 and stops there.
            ctl.find_limit("Z", velocity=20000, timeout_ms=5000)
            self.assertTrue(ctl.status_word() & (1 << 12))

    def test_wait_timeout_is_an_error_naming_the_code(self):
        with Controller.tcp(self.host, self.port) as ctl:
            ctl.clear_done("T")
            with self.assertRaises(VekError) as caught:
                ctl.move_axis("T", 900000, timeout_ms=200)
            self.assertIs(caught.exception.result, Result.VEK_ERROR_WAIT_TIMEOUT)
            self.assertEqual(str(caught.exception), "VEKnet_MoveAxis: VEK_ERROR_WAIT_TIMEOUT (6)")
            ctl.kill("T")

    def test_serial_port_on_the_pty(self):
        self.assertIsNotNone(self.pty)
        os.environ["VEKKESTRA_COM4"] = self.pty
        with Controller.serial(4, 38400) as ctl:
            ctl.clear_done("U")
            ctl.move_axis("U", 1234, timeout_ms=10000)
            self.assertEqual(ctl.motor_position("U"), 1234)
            ctl.set_io_direction(0x00FF)
            ctl.set_output_bit(5, 1)
            self.assertEqual(ctl.io_direction(), 0x00FF)
            self.assertTrue(ctl.io_state() & (1 << 5))

    def run_example(self, command):
        env = dict(os.environ)
        done = subprocess.run(command + [self.host, str(self.port)], env=env, capture_output=True,
                              text=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertIn("X and Y have arrived", done.stdout)
        return done.stdout

    def test_python_example(self):
        out = self.run_example([sys.executable, os.path.join(EXAMPLES, "move_xy.py")])
        self.assertRegex(out, r"\nX +4000 +-?\d+\nY +-2500 +-?\d+\n")

    @unittest.skipUnless(os.environ.get("MOVE_XY"), "MOVE_XY names no C example")
    def test_c_example(self):
        out = self.run_example([os.environ["MOVE_XY"]])
        self.assertRegex(out, r"\nX +4000 +-?\d+\nY +-2500 +-?\d+\n")


if __name__ == "__main__":
    unittest.main()
