"""The binding and the examples end to end, against the veksim program over
TCP and over its pseudo-terminal. Skipped when VEKSIM does not name it."""

import ctypes
import os
import subprocess
import sys
import unittest

from vekkestra import Controller, Result, VekError

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


@unittest.skipUnless(VEKSIM, "VEKSIM names no simulator program")
class LateSimulatorTest(unittest.TestCase):
    def test_a_late_answer_is_not_taken_for_the_next_one(self):
        # Every reply comes 3 s after its command, past the 2.5 s the library
        # waits. The late answer to the first query (a maximum velocity) must
        # be drained, not read as the position of X: the second query times
        # out on its own.
        with subprocess.Popen([VEKSIM, "--latency", "3000"], stdout=subprocess.PIPE, text=True) as sim:
            try:
                host, port = sim.stdout.readline().strip().rsplit(" ", 1)[-1].rsplit(":", 1)
                with Controller.tcp(host, int(port)) as ctl:
                    with self.assertRaises(VekError) as caught:
                        ctl.call("GetAxisMaxVelocity", 2, ctypes.byref(ctypes.c_int32()))
                    self.assertIs(caught.exception.result, Result.VEK_ERROR_ACK_NAK_TIMEOUT)
                    with self.assertRaises(VekError) as caught:
                        ctl.motor_position("X")
                    self.assertIs(caught.exception.result, Result.VEK_ERROR_ACK_NAK_TIMEOUT)
            finally:
                sim.terminate()


if __name__ == "__main__":
    unittest.main()
