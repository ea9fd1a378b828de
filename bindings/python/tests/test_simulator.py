"""The binding and the examples end to end, against the veksim program over
TCP and over its pseudo-terminal. Skipped when VEKSIM does not name it.

One simulator serves the class; each test owns its axes, so the order of the
tests does not matter: X (limit switch at 5000) and Y for limits, U (slips
whenever it moves) and V for slips, T and R for stale flags, W for Ctrl-C,
Z, S and K for threads, X and Y again for the examples."""

import os
import signal
import subprocess
import sys
import threading
import time
import unittest

from vekkestra import Controller, LimitError, SlipError, VekTimeoutError

VEKSIM = os.environ.get("VEKSIM")
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "examples")
LIMIT_X = 5000


def start_simulator(*flags):
    """veksim with ``flags``; returns (process, (host, port), the pty path or None)."""
    sim = subprocess.Popen([VEKSIM, *flags], stdout=subprocess.PIPE, text=True)
    # The first lines name the TCP address and, with --pty, the pty.
    address = sim.stdout.readline().strip().rsplit(" ", 1)[-1].rsplit(":", 1)
    pty = sim.stdout.readline().strip().rsplit(" ", 1)[-1] if "--pty" in flags else None
    return sim, (address[0], int(address[1])), pty


def stop_simulator(sim):
    sim.terminate()
    sim.wait(timeout=10)
    sim.stdout.close()


@unittest.skipUnless(VEKSIM, "VEKSIM names no simulator program")
class SimulatorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim, cls.address, cls.pty = start_simulator("--pty", "--limits", "X=-1000000,%d" % LIMIT_X,
                                                        "--slip-axis", "U")

    @classmethod
    def tearDownClass(cls):
        stop_simulator(cls.sim)

    def links(self):
        """(name, opener) of a controller on each link."""
        os.environ["VEKKESTRA_COM4"] = self.pty
        return [("tcp", lambda: Controller.tcp(*self.address)), ("serial", lambda: Controller.serial(4, 38400))]

    def assert_at_rest(self, ctl, axis):
        """The axis stands still once its ramp (0.1 s from full speed) is
        over: two positions 200 ms apart are equal. Returns the position."""
        time.sleep(0.15)
        first = ctl.motor_position(axis)
        time.sleep(0.2)
        self.assertEqual(ctl.motor_position(axis), first, "%s still moves" % axis)
        return first

    def test_a_limit_or_slip_ends_the_wait_at_once_and_stops_the_other_axis(self):
        for name, connect in self.links():
            with self.subTest(name), connect() as ctl:
                ctl.call("EnableAxisSlipDectection", 16)  # U
                ctl.move({"X": 0, "Y": 0}, timeout_ms=10000)
                cases = [
                    # X meets its switch after about 0.55 s; Y, bound for 20000, is stopped.
                    (LimitError, "X", "Y", lambda: ctl.move({"X": 9000, "Y": 20000}, timeout_ms=10000)),
                    (LimitError, "X", None, lambda: ctl.move_axis("X", 9000, timeout_ms=10000)),
                    # U slips at once; V, bound for 20000 steps away, is stopped.
                    (SlipError, "U", "V", lambda: ctl.move_by({"U": 9000, "V": 20000}, timeout_ms=10000)),
                ]
                for kind, axis, other, move in cases:
                    if axis == "X":
                        ctl.move_axis("X", 0, timeout_ms=10000)
                    start_other = ctl.motor_position(other) if other else 0
                    start = time.monotonic()
                    with self.assertRaises(kind) as caught, self.assertLogs("vekkestra", "WARNING") as logged:
                        move()
                    self.assertIn(axis + (" met a limit switch" if kind is LimitError else " slipped"),
                                  "\n".join(logged.output))
                    self.assertLess(time.monotonic() - start, 3.0)  # not the 10 s time-out
                    self.assertEqual(caught.exception.axis, axis)
                    self.assertEqual(caught.exception.position, ctl.motor_position(axis))
                    if kind is LimitError:
                        self.assertEqual(caught.exception.position, LIMIT_X)
                    if other:
                        self.assertLess(self.assert_at_rest(ctl, other) - start_other, 20000)
                    self.assertEqual(ctl.moving, "")
                # A limit search ends at the switch, as asked.
                ctl.move_axis("X", 0, timeout_ms=10000)
                ctl.find_limit("X", velocity=10000, timeout_ms=5000)
                self.assertEqual(ctl.motor_position("X"), LIMIT_X)

    def test_a_done_flag_from_an_earlier_move_does_not_end_the_next(self):
        for name, connect in self.links():
            with self.subTest(name), connect() as ctl:
                t, r = ctl.motor_position("T"), ctl.motor_position("R")
                ctl.move_axis("T", t + 1000, timeout_ms=10000)  # leaves T's done flag set
                # T has the long way, R the short one: the wait must not end with R.
                ctl.move({"T": t + 5000, "R": r + 500}, timeout_ms=10000)
                self.assertEqual((ctl.motor_position("T"), ctl.motor_position("R")), (t + 5000, r + 500))

    def test_a_time_out_stops_the_axes_unless_told_not_to(self):
        for name, connect in self.links():
            with self.subTest(name), connect() as ctl:
                for stop, moving in ((True, ""), (False, "T")):
                    t = ctl.motor_position("T")
                    with self.assertRaises(VekTimeoutError) as caught:
                        ctl.move_axis("T", t + 100000, timeout_ms=300, stop_on_timeout=stop)
                    self.assertEqual(caught.exception.code, 6)
                    self.assertEqual(ctl.moving, moving)
                    if not stop:
                        self.assertNotEqual(ctl.velocity("T"), 0)
                        ctl.stop("T")
                        ctl.wait("T", 5000)
                    self.assert_at_rest(ctl, "T")

    def test_ctrl_c_ends_the_wait_and_stops_the_moved_axis(self):
        previous = signal.signal(signal.SIGINT, signal.default_int_handler)
        try:
            for name, connect in self.links():
                with self.subTest(name), connect() as ctl:
                    target = ctl.motor_position("W") + 200000  # 20 s away
                    sent = []

                    def interrupt(thread=threading.get_ident()):
                        sent.append(time.monotonic())
                        signal.pthread_kill(thread, signal.SIGINT)

                    timer = threading.Timer(0.3, interrupt)
                    timer.start()
                    with self.assertRaises(KeyboardInterrupt):
                        ctl.move_axis("W", target, timeout_ms=20000)
                    # The stop has gone out and been accepted by now. The wait
                    # promises 100 ms (about 20 ms measured); the bound leaves a
                    # loaded machine room and still fails a wait that ignores
                    # the interrupt, which ends 20 s later.
                    self.assertLess(time.monotonic() - sent[0], 1.0)
                    timer.join()
                    self.assertLess(self.assert_at_rest(ctl, "W"), target - 150000)
        finally:
            signal.signal(signal.SIGINT, previous)

    def test_threads_share_one_controller(self):
        with Controller.tcp(*self.address) as ctl:
            positions = {"Z": 1111, "S": -2222, "K": 3333}
            for axis, position in positions.items():
                ctl.set_motor_position(axis, position)
            wrong = []

            def read(axis):
                for _ in range(25):
                    got = ctl.motor_position(axis)
                    if got != positions[axis]:
                        wrong.append((axis, got))

            readers = [threading.Thread(target=read, args=(axis,)) for axis in positions]
            for reader in readers:
                reader.start()
            for reader in readers:
                reader.join(30)
            self.assertEqual(wrong, [])

            # A stop from another thread gets through a wait, which then ends as done.
            outcome = []

            def move():
                try:
                    ctl.move_axis("K", 200000, timeout_ms=20000)
                    outcome.append("done")
                except BaseException as error:
                    outcome.append(error)

            mover = threading.Thread(target=move)
            mover.start()
            time.sleep(0.3)
            ctl.stop("K")
            stopped = time.monotonic()
            mover.join(10)
            self.assertEqual(outcome, ["done"])
            self.assertLess(time.monotonic() - stopped, 1.0)
            self.assertLess(self.assert_at_rest(ctl, "K"), 100000)

    def run_example(self, command):
        done = subprocess.run(command + [self.address[0], str(self.address[1])], capture_output=True, text=True,
                              timeout=60)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertRegex(done.stdout, r"X and Y have arrived\n[\s\S]*\nX +4000 +-?\d+\nY +-2500 +-?\d+\n")

    def test_python_example(self):
        self.run_example([sys.executable, os.path.join(EXAMPLES, "move_xy.py")])

    @unittest.skipUnless(os.environ.get("MOVE_XY"), "MOVE_XY names no C example")
    def test_c_example(self):
        self.run_example([os.environ["MOVE_XY"]])


@unittest.skipUnless(VEKSIM, "VEKSIM names no simulator program")
class LateSimulatorTest(unittest.TestCase):
    def test_a_late_answer_is_never_taken_for_a_later_one(self):
        # Every reply comes 6 s after its command, long past the 2.5 s the
        # library waits: no call may succeed, since any answer it got would
        # be the late one of an earlier call (the position of another axis).
        sim, address, _ = start_simulator("--latency", "6000")
        try:
            with Controller.tcp(*address) as ctl:
                for axis in "YXY":
                    with self.subTest(axis), self.assertRaises(VekTimeoutError):
                        value = ctl.motor_position(axis)
                        self.fail("got %d, an answer to another call" % value)
        finally:
            stop_simulator(sim)


if __name__ == "__main__":
    unittest.main()
