"""What the package adds to the core, against veksim: the ``with`` block,
``poll()``'s axis states, signals sent to a program that uses the package,
and the examples end to end. Skipped when VEKSIM does not name the
simulator."""

import os
import signal
import subprocess
import sys
import textwrap
import threading
import time
import unittest

import vekkestra
from vekkestra import Controller, LimitError

from .simulator import VEKSIM, Simulator

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "examples")
PACKAGE_ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
#: Y's positive limit switch.
LIMIT_Y = 5000


class Planned(Exception):
    """The error a block is left by."""


@unittest.skipUnless(VEKSIM, "VEKSIM names no simulator program")
class SimulatorTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = Simulator(["--limits", "Y=-1000000,%d" % LIMIT_Y], serial=False)

    @classmethod
    def tearDownClass(cls):
        cls.sim.close()

    def connect(self):
        return Controller.tcp("127.0.0.1", self.sim.port)

    def moving(self, axis):
        return self.sim.axes()[0][axis]


class BlockTest(SimulatorTestCase):
    def test_a_block_left_by_an_error_stops_what_it_set_moving(self):
        with self.assertRaises(Planned), self.assertLogs("vekkestra", "WARNING") as logged:
            with self.connect() as ctl:
                ctl.jog("X", 3000)
                raise Planned()
        self.assertFalse(self.sim.settled("X")[0]["X"], "X still moving")
        self.assertIn("stopping X after leaving the controller's block by Planned", "\n".join(logged.output))
        # Left normally, the block stops nothing: the jog goes on.
        with self.connect() as ctl:
            ctl.jog("Z", 3000)
        time.sleep(0.3)
        self.assertTrue(self.moving("Z"))
        self.sim.send("AZST;")


class PollTest(SimulatorTestCase):
    def test_the_states_of_moving_resting_and_limited_axes(self):
        with self.connect() as ctl:
            start = ctl.motor_position("T")
            ctl.move({"T": start + 30000}, timeout_ms=0)
            time.sleep(0.2)
            ctl.poll()  # the direction is the way it was seen going between two looks
            time.sleep(0.1)
            t, u = ctl.poll()[3:5]
            self.assertEqual((t.axis, t.state, t.ours, t.target, t.direction),
                             ("T", "moving", True, start + 30000, 1))
            self.assertEqual((u.axis, u.state, u.ours, u.target), ("U", "at rest", False, None))
            ctl.stop("T")
            # The stop ends T short of its target.
            with self.assertRaises(vekkestra.MoveInterruptedError):
                ctl.wait("T", 5000)
            with self.assertRaises(LimitError):
                ctl.move({"Y": LIMIT_Y + 4000}, 10000)
            y = ctl.poll()[1]
            self.assertEqual((y.state, y.motor), ("limit", LIMIT_Y))
            self.assertTrue(ctl.polled_word & (1 << 11), "Y's limit flag (bits 10-19) in the word the look read")
            self.assertEqual(len(ctl.poll()), 10)


# A program that uses the package: moves AXIS far and waits ("wait"), or
# jogs it and sleeps ("jog"), with or without a ``with`` block.
CHILD = textwrap.dedent("""
    import signal, sys, time
    signal.signal(signal.SIGINT, signal.default_int_handler)  # as a program started from a terminal has it
    import vekkestra
    port, axis, mode = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    if "own-handler" in mode:
        def own(number, frame):
            print("own handler", flush=True)
            sys.exit(7)
        signal.signal(signal.SIGTERM, own)
    ctl = vekkestra.Controller.tcp("127.0.0.1", port)
    if "opt-out-call" in mode:
        vekkestra.handle_signals(False)
    def run():
        print("started", flush=True)
        if "jog" in mode:
            ctl.jog(axis, 8000)
            time.sleep(60)
        else:
            ctl.move({axis: 2000000})
    if "block" in mode:
        with ctl:
            run()
    else:
        run()
""")


class SignalTest(SimulatorTestCase):
    def run_child(self, axis, mode, number, **env):
        child = subprocess.Popen([sys.executable, "-c", CHILD, str(self.sim.port), axis, mode],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                 env=dict(os.environ, PYTHONPATH=PACKAGE_ROOT, **env))
        self.addCleanup(child.kill)
        timer = threading.Timer(20, child.kill)  # a child that never starts fails the test, not the suite
        timer.start()
        self.assertEqual(child.stdout.readline(), "started\n", child.stderr.read() if child.poll() else "")
        timer.cancel()
        deadline = time.monotonic() + 5
        while not self.moving(axis) and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertTrue(self.moving(axis), "%s never moved" % axis)
        child.send_signal(number)
        sent = time.monotonic()
        # About 20 ms to notice the signal, the stop's reply within its 2.5 s, the ramp.
        while self.moving(axis) and time.monotonic() - sent < 3.0:
            time.sleep(0.02)
        still = self.moving(axis)
        if still and child.poll() is None:
            child.kill()  # it would go on for a minute
        out, err = child.communicate(timeout=20)
        return still, time.monotonic() - sent, child.returncode, out, err

    def test_a_signal_stops_what_the_program_set_moving_and_ends_it(self):
        cases = [
            # Ctrl-C: the wait stops its axis; the KeyboardInterrupt ends the program.
            ("X", "wait", signal.SIGINT, (-signal.SIGINT, 128 + signal.SIGINT)),
            ("Y", "jog block", signal.SIGINT, (-signal.SIGINT, 128 + signal.SIGINT)),
            ("Z", "wait", signal.SIGTERM, (128 + signal.SIGTERM,)),
            ("T", "jog", signal.SIGTERM, (128 + signal.SIGTERM,)),
            ("U", "wait", signal.SIGHUP, (128 + signal.SIGHUP,)),
            ("V", "jog", signal.SIGHUP, (128 + signal.SIGHUP,)),
            # The program's own SIGTERM handler is left to it; the wait still stops.
            ("R", "wait own-handler", signal.SIGTERM, (7,)),
        ]
        for axis, mode, number, statuses in cases:
            with self.subTest(signal=signal.Signals(number).name, mode=mode):
                still, elapsed, status, out, err = self.run_child(axis, mode, number)
                self.assertFalse(still, "%s still moving %.2f s after the signal" % (axis, elapsed))
                self.assertIn(status, statuses, err)
                self.assertEqual("own handler" in out, "own-handler" in mode)

    def test_signals_left_to_the_program_end_it_as_their_default_does(self):
        # Without the package's handlers SIGTERM ends the program at once and
        # nothing stops the axis: the price of opting out.
        for axis, mode, env in (("S", "wait", {"VEKKESTRA_SIGNALS": "0"}), ("W", "wait opt-out-call", {})):
            with self.subTest(mode=mode, env=env):
                still, _, status, _, err = self.run_child(axis, mode, signal.SIGTERM, **env)
                self.sim.send("A%sST;" % axis)
                self.assertTrue(still, "%s was stopped" % axis)
                self.assertEqual(status, -signal.SIGTERM, err)


class ExamplesTest(SimulatorTestCase):
    def test_examples(self):
        examples = [[sys.executable, os.path.join(EXAMPLES, "move_xy.py")]]
        if os.environ.get("MOVE_XY"):
            examples.append([os.environ["MOVE_XY"]])
        for command in examples:
            with self.subTest(command[-1]):
                done = subprocess.run(command + ["127.0.0.1", str(self.sim.port)], capture_output=True, text=True,
                                      timeout=60)
                self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
                self.assertRegex(done.stdout, r"X and Y have arrived\n[\s\S]*\nX +4000 +-?\d+\nY +-2500 +-?\d+\n")


if __name__ == "__main__":
    unittest.main()
