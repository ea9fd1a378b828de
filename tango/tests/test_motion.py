"""One server instance on one simulator: motion, events, units, alarms and
commands, through the Tango database."""

import subprocess
import sys
import textwrap
import time
import unittest

import tango
from tango import AttrQuality, DevState

from harness import REPLY_WAIT_S, Events, Server, Veksim, reason, wait_for

MOVING, ON, ALARM = DevState.MOVING, DevState.ON, DevState.ALARM

# Z's home switch away from 0, T's limit switches near, U slipping.
sim = Veksim("--home", "Z=3000", "--limits", "T=-4000,4000", "--slip-axis", "U")
server: Server = None  # type: ignore[assignment]


def setUpModule() -> None:
    global server
    sim.start()
    tcp = {"Host": "127.0.0.1", "Port": sim.port}
    server = Server("motion", tcp, motors={"x": {"Axis": "X"}, "y": {"Axis": "Y"}, "z": {"Axis": "Z"},
                                           "t": {"Axis": "T"}, "u": {"Axis": "U"}, "v": {"Axis": "v"}})
    server.start()


def tearDownModule() -> None:
    server.stop()
    sim.stop()


class MotorCase(unittest.TestCase):
    def setUp(self) -> None:
        self.ctl = server.proxy()
        self.events = Events()
        self.addCleanup(self.events.close)
        wait_for(lambda: self.ctl.state() == ON, 10, "the controller to be ON")

    def motor(self, name: str) -> tango.DeviceProxy:
        proxy = server.proxy(name)
        wait_for(lambda: proxy.state() in (ON, ALARM), 5, "%s at rest" % name)
        return proxy

    def steps(self, letter: str) -> int:
        """The controller's own motor position of one axis. A loaded host can
        keep the poll thread past a call's second (Busy: nothing was sent);
        the query is asked again then, within the reply wait."""
        return int(wait_for(lambda: self.ctl.WriteRead("A%sRP" % letter), REPLY_WAIT_S, "the position of " + letter))

    def move_and_wait(self, motor: tango.DeviceProxy, start: object, end: DevState = ON) -> None:
        """Starts a motion (``start``: a target Position, or a command) and
        waits for its MOVING and ``end`` State events."""
        def go() -> None:
            if callable(start):
                start()
            else:
                motor.Position = start
            # MOVING when the call returns, unless a poll has already seen
            # the end (a slip ends a move within milliseconds; a loaded host
            # can hold this client longer than a poll period).
            self.assertIn(motor.state(), (MOVING, end), "MOVING as soon as the call returns")

        self.events.motion(motor, go, end)

    def assert_refused(self, why: str, call: object, *args: object) -> None:
        with self.assertRaises(tango.DevFailed) as refused:
            call(*args)  # type: ignore[operator]
        self.assertEqual(reason(refused.exception), why)


class MotionTest(MotorCase):
    def test_move_pushes_state_and_positions_and_a_final_position(self) -> None:
        x = self.motor("x")
        x.DefinePosition(0)
        self.events.subscribe(x, "Position", "Status").subscribe(self.ctl, "MotorPositions")
        self.move_and_wait(x, 5000)  # half a second at the simulator's 10000 steps/s
        positions = self.events.values(x, "Position")
        self.assertEqual(positions[-1], 5000.0, "the last Position event is the end of the motion")
        self.assertEqual(positions, sorted(positions), "positions only grow on the way up")
        self.assertGreater(len([p for p in positions if 0 < p < 5000]), 3, "position events while moving")
        self.assertEqual((x.Position, self.steps("X")), (5000.0, 5000))
        self.assertEqual(self.events.values(self.ctl, "MotorPositions")[-1][0], 5000)
        self.assertEqual(self.events.values(x, "Status")[-1], "Axis X is at rest.")

    def test_write_while_moving_is_refused_and_each_stop_ends_the_motion(self) -> None:
        x, y = self.motor("x"), self.motor("y")
        for device, stop in ((x, "Stop"), (x, "Abort"), (self.ctl, "StopAll"), (self.ctl, "AbortAll")):
            with self.subTest(stop):
                moved = (x,) if device is x else (x, y)
                for motor in moved:
                    motor.DefinePosition(0)
                self.ctl.MoveMultiple([[100000, -100000][:len(moved)], ["X", "Y"][:len(moved)]])  # 10 s
                wait_for(lambda: all(m.state() == MOVING for m in moved), 3, "moving")
                self.assert_refused("AxisMoving", x.write_attribute, "Position", 50)
                device.command_inout(stop)
                wait_for(lambda: all(m.state() == ON for m in moved), 3, "at rest")
                for motor, letter in zip(moved, "XY"):
                    stopped = self.steps(letter)
                    self.assertTrue(0 < abs(stopped) < 100000, stopped)
                    self.assertEqual(motor.Position, stopped)

    def test_move_multiple_moves_axes_together_and_refuses_bad_arguments(self) -> None:
        self.ctl.MoveMultiple([[1500, -1500], ["X", "y"]])
        wait_for(lambda: (self.motor("x"), self.motor("y")), 10, "both at rest")
        self.assertEqual((self.steps("X"), self.steps("Y")), (1500, -1500))
        self.assertEqual(list(self.ctl.MotorPositions[:2]), [1500, -1500])
        for argument in ([[1, 2], ["X"]], [[1], ["Q"]], [[1, 2], ["X", "x"]], [[], []]):
            with self.subTest(argument=argument):
                self.assert_refused("BadValue", self.ctl.MoveMultiple, argument)

    def test_home_searches_the_switch_and_the_dial_reads_zero_there(self) -> None:
        z = self.motor("z")
        z.DefinePosition(0)
        self.assertFalse(z.Limit_switches[0], "not on the home switch, which is 3000 steps away")
        self.events.subscribe(z, "Limit_switches")
        self.move_and_wait(z, z.Home)
        self.assertEqual(list(z.Limit_switches), [True, False, False])
        self.assertEqual(list(self.events.values(z, "Limit_switches")[-1]), [True, False, False])
        self.assertEqual((z.DialPosition, self.steps("Z")), (0.0, 0))
        self.move_and_wait(z, 1000)
        self.assertEqual(list(z.Limit_switches), [False, False, False])

    def test_write_read_answers_queries(self) -> None:
        self.assertRegex(self.ctl.WriteRead("AXRP;AXRE"), r"^-?\d+,-?\d+$")
        for text in ("", "é", "A" * 128):
            with self.subTest(text=text[:5]):
                self.assert_refused("BadValue", self.ctl.WriteRead, text)


class UnitsTest(MotorCase):
    def test_user_units_sign_offset_speeds_ramps_and_define_position(self) -> None:
        y = self.motor("y")
        y.DefinePosition(0)
        y.Step_per_unit, y.Sign, y.Offset = 200, -1, 10
        self.assertAlmostEqual(y.Position, 10.0)  # dial 0
        y.Velocity = 10  # units/s: 2000 steps/s
        y.Base_rate = 0.5  # 100 steps/s
        y.Acceleration = 0.1  # s from 100 to 2000 steps/s: 19000 steps/s^2
        self.assertEqual(self.ctl.WriteRead("AY?VL;AY?VB;AY?AC"), "=2000,=100,=19000")
        self.assertAlmostEqual(y.Deceleration, 0.1)
        y.Deceleration = 0.19  # the controller's one acceleration: 10000 steps/s^2
        self.assertEqual(self.ctl.WriteRead("AY?AC"), "=10000")
        self.assertAlmostEqual(y.Acceleration, 0.19)
        self.move_and_wait(y, 4)  # dial (4 - 10) * -1 = 6 units, 1200 steps
        self.assertEqual(self.steps("Y"), 1200)
        self.assertAlmostEqual(y.DialPosition, 6.0)
        self.assertAlmostEqual(y.Position, 4.0)
        self.assertAlmostEqual(y.EncoderPosition, 4.0)  # encoder ratio 1: counts equal steps
        self.assertAlmostEqual(y.Velocity, 10.0)
        for attribute, value in (("Sign", 0), ("Step_per_unit", 0), ("Velocity", -1), ("Acceleration", 0),
                                 ("Position", 1e12)):
            with self.subTest(attribute=attribute, value=value):
                self.assert_refused("BadValue", y.write_attribute, attribute, value)
        y.DefinePosition(14)  # dial (14 - 10) * -1 = -4 units, -800 steps
        self.assertEqual(self.steps("Y"), -800)
        self.assertAlmostEqual(y.DialPosition, -4.0)
        server.stop()
        server.start()
        y = self.motor("y")
        self.assertEqual((y.Step_per_unit, y.Sign, y.Offset), (200.0, -1, 10.0), "memorized")
        self.assertAlmostEqual(y.Position, 14.0)
        y.Step_per_unit, y.Sign, y.Offset = 1, 1, 0


class AlarmTest(MotorCase):
    def test_limit_gives_alarm_until_moved_back(self) -> None:
        t = self.motor("t")
        self.move_and_wait(t, 10000, end=ALARM)  # the upper switch is at 4000
        self.assertEqual(list(t.Limit_switches), [False, True, False])
        self.assertIn("upper limit switch", t.status())
        self.assertEqual(t.read_attribute("Position").quality, AttrQuality.ATTR_ALARM)
        for target in (t.Position + 1, 20000):
            self.assert_refused("AtUpperLimit", t.write_attribute, "Position", target)
        self.assertEqual(t.state(), ALARM)
        self.move_and_wait(t, -1000)
        self.assertEqual(list(t.Limit_switches), [False, False, False])
        self.assertEqual(self.steps("T"), -1000)

    def test_slip_gives_alarm_until_a_new_reference(self) -> None:
        u = self.motor("u")
        self.ctl.WriteRead("AUIS;AURP")  # slip detection on
        self.move_and_wait(u, 5000, end=ALARM)
        self.assertIn("slipped", u.status())
        self.assertLess(self.steps("U"), 5000, "the controller stopped the slipping axis")
        u.DefinePosition(0)
        self.assertEqual(u.state(), ON)
        time.sleep(REPLY_WAIT_S)  # polls at rest, each still seeing the last motion's slip
        self.assertEqual(self.events.values(u, "State")[-1], ON, "the ALARM does not come back by itself")


class ClientsTest(MotorCase):
    # Moves one motor to the target, back and again, each time until its own
    # subscription reports ON; prints "ok" and the final position.
    CLIENT = textwrap.dedent("""
        import os, sys, threading, tango
        motor, target = tango.DeviceProxy(sys.argv[1]), float(sys.argv[2])
        ended = threading.Event()
        def push(event):
            if not event.err and event.attr_value.value == tango.DevState.ON:
                ended.set()
        motor.subscribe_event("State", tango.EventType.CHANGE_EVENT, push)
        for _ in range(3):
            ended.clear()
            motor.Position = target
            assert ended.wait(10), "no ON event"
            assert motor.Position == target, motor.Position
            target = -target
        print("ok", motor.Position, flush=True)
        os._exit(0)  # Tango 9.3's client clean-up at exit can hang
        """)

    def test_three_clients_move_three_axes_at_once(self) -> None:
        names = ("x", "y", "v")
        for name in names:
            self.motor(name).DefinePosition(0)
        clients = [subprocess.Popen([sys.executable, "-c", self.CLIENT, server.motors[name], str(300 * (n + 1))],
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
                   for n, name in enumerate(names)]
        try:
            outputs = [client.communicate(timeout=60)[0] for client in clients]
        finally:
            for client in clients:
                if client.poll() is None:
                    client.kill()
                    client.wait()
        for n, (client, output) in enumerate(zip(clients, outputs)):
            self.assertEqual(client.returncode, 0, output)
            self.assertEqual(output.split()[-2:], ["ok", "%.1f" % (300 * (n + 1))], output)
        self.assertEqual([self.steps(letter) for letter in "XYV"], [300, 600, 900])
