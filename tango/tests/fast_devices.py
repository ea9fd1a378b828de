"""The devices' own logic, served without a database: properties, what a
Taurus form starts from, calls while the link comes up or goes, and the end
of every motion the server starts. Each case has a simulator, and a server
of its own."""

import threading
import time
import unittest

import tango
import vekkestra
from tango import AttrQuality, DevState

from harness import REPLY_WAIT_S, Devices, Relay, Veksim, reason, wait_for

INIT, ON, MOVING, ALARM, FAULT = DevState.INIT, DevState.ON, DevState.MOVING, DevState.ALARM, DevState.FAULT


class DeviceCase(unittest.TestCase):
    def sim(self, *flags: str) -> Veksim:
        sim = Veksim(*flags).start()
        self.addCleanup(sim.stop)
        return sim

    def devices(self, controllers: dict, motors: dict) -> Devices:
        devices = Devices(controllers, motors).__enter__()
        self.addCleanup(devices.__exit__)
        return devices

    def assert_refused(self, why: str, call: object, *args: object) -> None:
        with self.assertRaises(tango.DevFailed) as refused:
            call(*args)  # type: ignore[operator]
        self.assertEqual(reason(refused.exception), why, refused.exception)


def calls(ctl: tango.DeviceProxy, x: tango.DeviceProxy) -> dict:
    """Every kind of call a client makes, by name."""
    return {"write Position": lambda: x.write_attribute("Position", 100),
            "write Velocity": lambda: x.write_attribute("Velocity", 500), "Stop": x.Stop, "Abort": x.Abort,
            "Home": x.Home, "DefinePosition": lambda: x.DefinePosition(0), "StopAll": ctl.StopAll,
            "AbortAll": ctl.AbortAll, "MoveMultiple": lambda: ctl.MoveMultiple([[100], ["X"]]),
            "WriteRead": lambda: ctl.WriteRead("AXRP")}


class PropertiesTest(DeviceCase):
    def test_bad_properties_fault_that_device_only_and_forms_start_from_what_they_read(self) -> None:
        port = self.sim().port
        with vekkestra.Controller.tcp("127.0.0.1", port) as controller:
            controller.set_motor_position("X", 1234)  # where X stands when the server starts
        tcp = {"Host": "127.0.0.1", "Port": port}
        devices = self.devices(
            controllers={"ctl": tcp, "ctl_second": tcp, "ctl_unset": {}, "ctl_port0": {"Host": "127.0.0.1", "Port": 0},
                         "ctl_port": {"Host": "127.0.0.1", "Port": 70000},
                         "ctl_poll": {"Host": "127.0.0.1", "PollPeriod": 0},
                         "ctl_rest": {"Host": "127.0.0.1", "RestPollPeriod": 10001},
                         "ctl_com": {"ComPort": 40}, "ctl_baud": {"ComPort": 3, "Baud": 1234}},
            motors={"x": {"Axis": "x", "UnitName": "mm"}, "y": {"Axis": "Y"}, "x_again": {"Axis": "X"},
                    "axis_xy": {"Axis": "XY"}, "axis_q": {"Axis": "Q"}, "axis_unset": {},
                    "no_controller": {"Axis": "W", "Controller": "test/vek/none"},
                    "unset_z": {"Axis": "Z", "Controller": "test/vek/ctl_unset"}})
        for name, words in (("ctl_unset", "property Host"), ("ctl_second", "already serves"),
                            ("ctl_port0", "property Port"), ("ctl_port", "property Port"),
                            ("ctl_poll", "property PollPeriod"), ("ctl_rest", "property RestPollPeriod"),
                            ("ctl_com", "property ComPort"), ("ctl_baud", "property Baud")):
            with self.subTest(name):
                device = devices.proxy(name)
                self.assertEqual(device.state(), FAULT)
                self.assertIn(words, device.status())
                self.assert_refused("BadProperty", device.StopAll)
        for name, words in (("axis_xy", "property Axis: 'XY'"), ("axis_q", "property Axis"),
                            ("axis_unset", "property Axis"), ("no_controller", "property Controller"),
                            ("x_again", "already served"), ("unset_z", "test/vek/ctl_unset: property Host")):
            with self.subTest(name):
                motor = devices.proxy(name)
                self.assertEqual(motor.state(), FAULT)
                self.assertIn(words, motor.status())
                with self.assertRaises(tango.DevFailed) as refused:
                    motor.Position = 1
                self.assertIn(reason(refused.exception), ("BadProperty", "NoController"))
        x, y = devices.proxy("x"), devices.proxy("y")
        wait_for(lambda: x.state() == ON and y.state() == ON, 2 * REPLY_WAIT_S, "X and Y at rest")
        for motor, unit in ((x, "mm"), (y, "steps")):
            units = [motor.get_attribute_config(name).unit for name in
                     ("Position", "DialPosition", "EncoderPosition", "Offset", "Velocity", "Base_rate")]
            self.assertEqual(units, [unit] * 4 + [unit + "/s"] * 2)
        # A form's Apply writes the write value: it starts as what the
        # attribute reads, and those of the speeds follow a new scale.
        written = ("Velocity", "Base_rate", "Acceleration", "Deceleration", "Sign", "Step_per_unit", "Offset")
        for step_per_unit, names in ((None, ("Position",) + written), (4, written)):
            if step_per_unit:
                x.Step_per_unit = step_per_unit
            for name in names:
                with self.subTest(name, step_per_unit=step_per_unit):
                    value = x.read_attribute(name)
                    self.assertEqual(value.w_value, value.value)
        self.assertEqual(x.read_attribute("Position").w_value, 1234.0)


class LinkTest(DeviceCase):
    def test_calls_while_connecting_are_refused_at_once(self) -> None:
        # Each answer 1.5 s late: connecting takes three of them, and each
        # still comes within the reply wait.
        sim = self.sim("--latency", "1500")
        devices = self.devices({"ctl": {"Host": "127.0.0.1", "Port": sim.port}}, {"x": {"Axis": "X"}})
        ctl, x = devices.proxy(), devices.proxy("x")
        checked = []
        for name, call in calls(ctl, x).items():
            before = ctl.state()
            with self.assertRaises(tango.DevFailed) as refused:
                call()
            if before == INIT and ctl.state() == INIT:
                self.assertEqual(reason(refused.exception), "Connecting", name)
                checked.append(name)
        self.assertEqual(len(checked), len(calls(ctl, x)), "calls made while INIT")
        self.assertEqual(x.state(), INIT)
        self.assertIsNone(x.read_attribute("Position").value)
        wait_for(lambda: x.state() == ON, 4 * REPLY_WAIT_S, "X on once connected")

    def test_link_loss_fails_the_queued_call_and_reads_give_no_position(self) -> None:
        sim = self.sim()
        relay = Relay(sim.port)
        self.addCleanup(relay.close)
        devices = self.devices({"ctl": {"Host": "127.0.0.1", "Port": relay.port}}, {"x": {"Axis": "X"}})
        ctl, x = devices.proxy(), devices.proxy("x")
        wait_for(lambda: x.state() == ON, 2 * REPLY_WAIT_S, "X on")
        x.DefinePosition(0)
        relay.hold()
        self.assertTrue(relay.held.wait(REPLY_WAIT_S), "a poll waits for its reply")
        outcome: list = []

        def write() -> None:
            try:
                x.Position = 500
                outcome.append("done")
            except tango.DevFailed as error:
                outcome.append(reason(error))

        writer = threading.Thread(target=write)
        writer.start()
        # The write waits in the queue, at most 0.9 s; the cut comes 0.3 s in,
        # well inside the reply wait the poll is in. The server connects
        # again at once, but the write is not to go out on the new link.
        time.sleep(0.3)
        relay.cut(refuse=False)
        writer.join(REPLY_WAIT_S)
        self.assertEqual(outcome, ["LinkLost"])
        wait_for(lambda: x.state() == ON, 2 * REPLY_WAIT_S, "X on again by itself")
        self.assertEqual((x.Position, ctl.WriteRead("AXRP")), (0.0, "0"), "the write that failed moved nothing")
        # Now a link that stays down: every call refused at once, no positions.
        relay.cut(refuse=True)
        wait_for(lambda: ctl.state() == FAULT, 2 * REPLY_WAIT_S, "the controller in FAULT")
        self.assertRegex(ctl.status(), r"^link to 127\.0\.0\.1:%d lost: .*\(\d+\)" % relay.port)
        for name, call in calls(ctl, x).items():
            with self.subTest(name):
                self.assert_refused("LinkLost", call)
        position = x.read_attribute("Position")
        self.assertEqual((position.quality, position.value), (AttrQuality.ATTR_INVALID, None))
        self.assertGreater(x.Velocity, 0, "the speeds as last read")
        relay.reopen()
        wait_for(lambda: x.state() == ON, 3 * REPLY_WAIT_S, "X on when the link is back")


class MotionEndTest(DeviceCase):
    def test_every_motion_ends_as_the_controller_ends_it(self) -> None:
        # Every second done report lost, the others sent again 150 ms late;
        # T's switches near; moves to 777 steps refused by the controller.
        sim = self.sim("--lose-done-every", "2", "--stale-done", "1", "--stale-delay", "150", "--limits",
                       "T=-4000,4000", "--refuse", "777")
        devices = self.devices({"ctl": {"Host": "127.0.0.1", "Port": sim.port}},
                               {"x": {"Axis": "X"}, "t": {"Axis": "T"}})
        ctl, x, t = devices.proxy(), devices.proxy("x"), devices.proxy("t")
        wait_for(lambda: x.state() == ON and t.state() == ON, 2 * REPLY_WAIT_S, "X and T on")
        for target in (3, 0, 2000, 1, 1000, -5, 0):  # moves of a few steps end between two polls
            with self.subTest(target=target):
                x.Position = target
                wait_for(lambda: x.state() == ON, 2 * REPLY_WAIT_S, "X at rest after the move to %d" % target)
                self.assertEqual((x.Position, ctl.WriteRead("AXRP")), (float(target), str(target)))
        self.assert_refused("CommandFailed", x.write_attribute, "Position", 777)
        self.assertEqual(x.state(), ON)
        # T meets its upper switch: the core stops X, which moved with it.
        ctl.MoveMultiple([[100000, 10000], ["X", "T"]])
        wait_for(lambda: t.state() == ALARM, 2 * REPLY_WAIT_S, "T in ALARM")
        wait_for(lambda: x.state() == ON, 2 * REPLY_WAIT_S, "X stopped and at rest")
        self.assertEqual(list(t.Limit_switches), [False, True, False])
        self.assertLess(x.Position, 100000)
        self.assert_refused("AtUpperLimit", t.write_attribute, "Position", 5000)
        t.Position = 0
        wait_for(lambda: t.state() == ON, 2 * REPLY_WAIT_S, "T back from the switch")
