"""One server instance on one simulator: motion, events, units, alarms,
commands and bad properties, through the Tango database."""

import os
import subprocess
import sys
import textwrap
import unittest

import tango
from tango import AttrQuality, DevState

from harness import Events, Server, Veksim, reason, state_is, wait_for

MOVING, ON, ALARM, FAULT = DevState.MOVING, DevState.ON, DevState.ALARM, DevState.FAULT

sim = Veksim()  # started with the server in setUpModule
server: Server = None  # type: ignore[assignment]


def setUpModule() -> None:
    global server
    # Z's home switch away from 0, T's limit switches near, U slipping.
    sim.flags = ["--home", "Z=3000", "--limits", "T=-4000,4000", "--slip-axis", "U"]
    sim.start()
    server = Server("motion", {"Host": "127.0.0.1", "Port": sim.port},
                    motors={"x": {"Axis": "X"}, "y": {"Axis": "Y"}, "z": {"Axis": "Z"}, "t": {"Axis": "T"},
                            "u": {"Axis": "U"}, "v": {"Axis": "v"},
                            "no_axis": {"Axis": "Q"}, "no_controller": {"Axis": "W", "Controller": "motion/vek/none"},
                            "x_again": {"Axis": "X"}, "unset_x": {"Axis": "X", "Controller": "motion/vek/ctl_unset"}},
                    extra_controllers={"ctl_second": {"Host": "127.0.0.1", "Port": sim.port}, "ctl_unset": {},
                                       "ctl_port": {"Host": "127.0.0.1", "Port": 70000},
                                       "ctl_poll": {"Host": "127.0.0.1", "PollPeriod": 0},
                                       "ctl_com": {"ComPort": 40}, "ctl_baud": {"ComPort": 3, "Baud": 1234}})
    server.start()


def tearDownModule() -> None:
    server.stop()
    sim.stop()


class MotorCase(unittest.TestCase):
    def setUp(self) -> None:
        self.ctl = server.proxy()
        self.events = Events()
        wait_for(lambda: self.ctl.state() == ON, 10, "the controller to be ON")

    def tearDown(self) -> None:
        self.events.close()

    def motor(self, name: str) -> tango.DeviceProxy:
        proxy = server.proxy(name)
        wait_for(lambda: proxy.state() in (ON, ALARM), 5, "%s at rest" % name)
        return proxy

    def steps(self, letter: str) -> int:
        """The controller's own motor position of one axis."""
        return int(self.ctl.WriteRead("A%sRP" % letter))

    def move_and_wait(self, motor: tango.DeviceProxy, target: float, end: DevState = ON) -> None:
        self.events.subscribe(motor, "State")
        self.events.wait(motor, "State", state_is(motor.state()), 3, "(the first, current state)")
        motor.Position = target
        self.events.wait(motor, "State", state_is(MOVING), 3)
        self.events.wait(motor, "State", state_is(end), 10)


class MotionTest(MotorCase):
    def test_move_pushes_state_and_positions_and_a_final_position(self) -> None:
        x = self.motor("x")
        x.DefinePosition(0)
        start = x.Position
        self.events.subscribe(x, "State", "Position", "Status")
        self.events.subscribe(self.ctl, "MotorPositions")
        self.events.wait(x, "State", state_is(ON), 3)
        x.Position = 5000  # half a second at the simulator's 10000 steps/s
        self.assertEqual(x.state(), MOVING, "MOVING as soon as the write returns")
        self.events.wait(x, "State", state_is(MOVING), 3)
        self.events.wait(x, "State", state_is(ON), 10)
        positions = self.events.values(x, "Position")
        self.assertGreater(len(positions), 5, "position events while moving")
        self.assertEqual(positions[-1], 5000.0, "the last Position event is the end of the motion")
        self.assertEqual(positions, sorted(positions), "positions only grow on the way up")
        self.assertGreater(len([p for p in positions if start < p < 5000]), 3)
        self.assertEqual(x.Position, 5000.0)
        self.assertEqual(self.steps("X"), 5000)
        self.assertEqual(self.events.values(self.ctl, "MotorPositions")[-1][0], 5000)
        self.assertEqual(self.events.values(x, "Status")[-1], "Axis X is at rest.")

    def test_write_while_moving_is_refused_and_stop_and_abort_end_the_motion(self) -> None:
        x = self.motor("x")
        for stop in ("Stop", "Abort"):
            with self.subTest(stop):
                x.DefinePosition(0)
                self.events.clear()
                self.events.subscribe(x, "State")
                self.events.wait(x, "State", state_is(ON), 3)
                x.Position = 100000  # 20 s
                self.events.wait(x, "State", state_is(MOVING), 3)
                with self.assertRaises(tango.DevFailed) as refused:
                    x.Position = 50
                self.assertEqual(reason(refused.exception), "AxisMoving")
                x.command_inout(stop)
                self.events.wait(x, "State", state_is(ON), 3)
                stopped = self.steps("X")
                self.assertTrue(0 < stopped < 100000, stopped)
                self.assertEqual(x.Position, stopped)
                self.events.close()

    def test_stop_all_and_abort_all_end_every_motion(self) -> None:
        x, y = self.motor("x"), self.motor("y")
        for stop in ("StopAll", "AbortAll"):
            with self.subTest(stop):
                self.ctl.MoveMultiple([[self.steps("X") + 100000, self.steps("Y") - 100000], ["X", "y"]])
                wait_for(lambda: x.state() == MOVING and y.state() == MOVING, 3, "both moving")
                self.ctl.command_inout(stop)
                wait_for(lambda: x.state() == ON and y.state() == ON, 3, "both at rest")

    def test_move_multiple_moves_axes_together_and_refuses_bad_arguments(self) -> None:
        self.ctl.MoveMultiple([[1500, -1500], ["X", "Y"]])
        states = wait_for(lambda: (self.motor("x"), self.motor("y")), 10, "both at rest")
        self.assertEqual((self.steps("X"), self.steps("Y")), (1500, -1500))
        self.assertEqual(list(self.ctl.MotorPositions[:2]), [1500, -1500])
        self.assertTrue(states)
        for argument, why in (([[1, 2], ["X"]], "lengths"), ([[1], ["Q"]], "letter"),
                              ([[1, 2], ["X", "x"]], "twice"), ([[], []], "empty")):
            with self.subTest(why):
                with self.assertRaises(tango.DevFailed) as refused:
                    self.ctl.MoveMultiple(argument)
                self.assertEqual(reason(refused.exception), "BadValue")

    def test_home_searches_the_switch_and_the_dial_reads_zero_there(self) -> None:
        z = self.motor("z")
        z.DefinePosition(0)
        self.assertFalse(z.Limit_switches[0], "not on the home switch, which is 3000 steps away")
        self.events.subscribe(z, "State", "Limit_switches")
        self.events.wait(z, "State", state_is(ON), 3)
        z.Home()
        self.events.wait(z, "State", state_is(MOVING), 3)
        self.events.wait(z, "State", state_is(ON), 10)
        self.assertEqual(list(z.Limit_switches), [True, False, False])
        self.assertEqual([list(v) for v in self.events.values(z, "Limit_switches")][-1], [True, False, False])
        self.assertEqual(z.DialPosition, 0.0)
        self.assertEqual(self.steps("Z"), 0)
        z.Position = 1000
        wait_for(lambda: z.state() == ON, 5, "Z at rest")
        self.assertEqual(list(z.Limit_switches), [False, False, False])

    def test_define_position_sets_the_controller_count_from_user_units(self) -> None:
        v = self.motor("v")
        v.Step_per_unit = 100
        v.Offset = 2.5
        v.DefinePosition(12.5)
        self.assertEqual(self.steps("V"), 1000)
        self.assertAlmostEqual(v.DialPosition, 10.0)
        self.assertAlmostEqual(v.Position, 12.5)
        v.Offset = 0
        self.assertAlmostEqual(v.Position, 10.0)

    def test_write_read_answers_queries(self) -> None:
        self.assertRegex(self.ctl.WriteRead("AXRP;AXEA"), r"^-?\d+,[ED][ED][SN][PN][PN]$")
        for text in ("", "é", "A" * 128):
            with self.subTest(text=text[:5]):
                with self.assertRaises(tango.DevFailed) as refused:
                    self.ctl.WriteRead(text)
                self.assertEqual(reason(refused.exception), "BadValue")


class UnitsTest(MotorCase):
    def test_user_units_sign_offset_speeds_and_ramps_survive_a_restart(self) -> None:
        y = self.motor("y")
        y.DefinePosition(0)
        y.Step_per_unit = 200
        y.Sign = -1
        y.Offset = 10
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
                with self.assertRaises(tango.DevFailed) as refused:
                    y.write_attribute(attribute, value)
                self.assertEqual(reason(refused.exception), "BadValue")
        server.stop()
        server.start()
        y = self.motor("y")
        self.assertEqual((y.Step_per_unit, y.Sign, y.Offset), (200.0, -1, 10.0), "memorized")
        self.assertAlmostEqual(y.Position, 4.0)
        y.Step_per_unit, y.Sign, y.Offset = 1, 1, 0


class AlarmTest(MotorCase):
    def test_limit_gives_alarm_until_moved_back(self) -> None:
        t = self.motor("t")
        self.move_and_wait(t, 10000, end=ALARM)  # the upper switch is at 4000
        self.assertEqual(list(t.Limit_switches), [False, True, False])
        self.assertIn("upper limit switch", t.status())
        self.assertEqual(t.read_attribute("Position").quality, AttrQuality.ATTR_ALARM)
        for target in (t.Position + 1, 20000):
            with self.assertRaises(tango.DevFailed) as refused:
                t.Position = target
            self.assertEqual(reason(refused.exception), "AtUpperLimit")
        self.assertEqual(t.state(), ALARM)
        self.events.close()
        self.move_and_wait(t, -1000)
        self.assertEqual(list(t.Limit_switches), [False, False, False])
        self.assertEqual(self.steps("T"), -1000)

    def test_slip_gives_alarm_until_a_new_reference(self) -> None:
        u = self.motor("u")
        self.assertEqual(self.ctl.WriteRead("AUIS;AUEA")[1], "E", "slip detection on")
        self.move_and_wait(u, 5000, end=ALARM)
        self.assertIn("slipped", u.status())
        self.assertLess(self.steps("U"), 5000, "the controller stopped the slipping axis")
        u.DefinePosition(0)
        self.assertEqual(u.state(), ON)
        self.assertEqual(self.ctl.StatusWord & (1 << 24), 0, "slip flag of U cleared")


class PropertiesTest(MotorCase):
    def test_bad_properties_fault_that_device_only(self) -> None:
        for name, words in (("no_axis", "property Axis"), ("no_controller", "property Controller"),
                            ("x_again", "property Axis"), ("unset_x", "controller motion/vek/ctl_unset: property Host")):
            with self.subTest(name):
                motor = server.proxy(name)
                self.assertEqual(motor.state(), FAULT)
                self.assertIn(words, motor.status())
                with self.assertRaises(tango.DevFailed) as refused:
                    motor.Position = 1
                self.assertIn(reason(refused.exception), ("BadProperty", "NoController"))
        for name, words in (("ctl_unset", "property Host"), ("ctl_second", "already serves"),
                            ("ctl_port", "property Port"), ("ctl_poll", "property PollPeriod"),
                            ("ctl_com", "property ComPort"), ("ctl_baud", "property Baud")):
            with self.subTest(name):
                device = tango.DeviceProxy("motion/vek/%s" % name)
                self.assertEqual(device.state(), FAULT)
                self.assertIn(words, device.status())
        self.assertEqual(self.ctl.state(), ON)
        self.assertEqual(self.motor("x").state(), ON)


class ClientsTest(MotorCase):
    CLIENT = textwrap.dedent("""
        import os, sys, time, tango
        motor = tango.DeviceProxy(sys.argv[1])
        ends = []
        def push(event):
            if not event.err and event.attr_value.value == tango.DevState.ON:
                ends.append(time.monotonic())
        subscription = motor.subscribe_event("State", tango.EventType.CHANGE_EVENT, push)
        target = float(sys.argv[2])
        for _ in range(3):
            ends.clear()
            motor.Position = target
            deadline = time.monotonic() + 10
            while not ends and time.monotonic() < deadline:
                time.sleep(0.01)
            assert ends, "no ON event"
            assert motor.Position == target, motor.Position
            target = -target
        motor.unsubscribe_event(subscription)
        print("ok", motor.Position, flush=True)
        os._exit(0)  # Tango 9.3's client clean-up at exit can hang
        """)

    def test_three_clients_move_three_axes_at_once(self) -> None:
        names = ("x", "y", "v")
        for name in names:
            self.motor(name).DefinePosition(0)
        clients = [subprocess.Popen([sys.executable, "-c", self.CLIENT, server.motors[name], str(300 * (n + 1))],
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, env=os.environ)
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


if __name__ == "__main__":
    unittest.main()
