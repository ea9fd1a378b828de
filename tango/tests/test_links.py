"""Links that fail and come back, two controllers in two server instances,
and a controller on a serial line."""

import threading
import time
import unittest

import tango
from tango import DevState

from harness import Events, Server, Veksim, free_port, reason, wait_for

MOVING, ON, FAULT = DevState.MOVING, DevState.ON, DevState.FAULT


class LinkTest(unittest.TestCase):
    def setUp(self) -> None:
        self.events = Events()
        self.addCleanup(self.events.close)

    def sim(self, *flags: str, port: int = 0, com_port: int = 0) -> Veksim:
        sim = Veksim(*flags, port=port, com_port=com_port).start()
        self.addCleanup(sim.stop)
        return sim

    def server(self, instance: str, properties: dict, env: dict = None) -> Server:
        server = Server(instance, properties, motors={"x": {"Axis": "X"}}, env=env).start()
        self.addCleanup(server.stop)
        return server

    def test_late_replies_give_fault_with_the_code_and_a_new_controller_brings_on(self) -> None:
        port = free_port()
        late = self.sim("--latency", "3000", port=port)
        server = self.server("late", {"Host": "127.0.0.1", "Port": port})
        ctl, x = server.proxy(timeout_ms=1500), server.proxy("x", timeout_ms=1500)
        self.events.subscribe(ctl, "State").subscribe(x, "State")
        self.events.wait(ctl, "State", FAULT, 10)
        self.assertEqual(x.state(), FAULT)
        for device in (ctl, x):
            self.assertIn("(214)", device.status())
        # Calls are refused at once, well inside the client's 1.5 s time-out.
        for call in (lambda: x.write_attribute("Position", 5), x.Stop, ctl.StopAll, lambda: ctl.WriteRead("AXRP")):
            with self.assertRaises(tango.DevFailed) as refused:
                call()
            self.assertEqual(reason(refused.exception), "LinkLost")
        self.assertEqual(x.read_attribute("Position").quality, tango.AttrQuality.ATTR_INVALID)
        late.stop()
        self.sim(port=port)
        self.events.wait(ctl, "State", ON, 10)
        self.events.wait(x, "State", ON, 3)
        x.Position = 100
        wait_for(lambda: x.state() == ON and x.Position == 100, 5, "the move after recovery")

    def test_closed_connection_gives_fault_and_the_server_reconnects_by_itself(self) -> None:
        sim = self.sim("--close-after", "12")  # about a second of polling at rest per connection
        ctl = self.server("closing", {"Host": "127.0.0.1", "Port": sim.port}).proxy()
        self.events.subscribe(ctl, "State", "Status")
        for _ in range(2):
            self.events.wait(ctl, "State", ON, 10)
            self.events.wait(ctl, "Status", lambda text: "(212)" in text, 10)
            self.events.wait(ctl, "State", FAULT, 3)
        self.events.wait(ctl, "State", ON, 10)

    def test_calls_never_outlast_a_second_while_replies_go_missing(self) -> None:
        sim = self.sim("--drop-ack-every", "40")  # a 2.5 s reply wait about every second
        server = self.server("dropping", {"Host": "127.0.0.1", "Port": sim.port})
        wait_for(lambda: server.proxy("x").state() == ON, 10, "X on")
        reasons: list = []

        def client() -> None:
            # Three clients on one device: Tango serves their calls one by one.
            x = server.proxy("x", timeout_ms=1500)
            deadline = time.monotonic() + 8
            target = 0
            while time.monotonic() < deadline:
                target = 50 - target
                try:
                    x.Position = target
                    reasons.append("done")
                except tango.DevFailed as error:
                    reasons.append(reason(error))
                time.sleep(0.05)

        clients = [threading.Thread(target=client) for _ in range(3)]
        for thread in clients:
            thread.start()
        for thread in clients:
            thread.join()
        seen = set(reasons)
        # Anything else is the client's own time-out (a CORBA exception).
        self.assertTrue(seen <= {"done", "Busy", "NoAnswer", "LinkLost", "AxisMoving"}, seen)
        self.assertTrue(seen & {"Busy", "NoAnswer", "LinkLost"}, seen)
        self.assertIn("done", seen)

    def test_one_client_follows_two_controllers_in_two_instances(self) -> None:
        a = self.server("pair_a", {"Host": "127.0.0.1", "Port": self.sim().port})
        b = self.server("pair_b", {"Host": "127.0.0.1", "Port": self.sim().port})
        xa, xb = a.proxy("x"), b.proxy("x")
        self.events.subscribe(xa, "State", "Position").subscribe(xb, "State", "Position")
        for motor in (xa, xb):
            self.events.wait(motor, "State", ON, 5)
        xa.Position = 1500
        xb.Position = -700
        for motor, target in ((xa, 1500.0), (xb, -700.0)):
            self.events.wait(motor, "State", MOVING, 3)
            self.events.wait(motor, "State", ON, 10)
            self.assertEqual(self.events.values(motor, "Position")[-1], target)
        self.assertEqual((xa.Position, xb.Position), (1500.0, -700.0))
        # Each instance has its own status word: a move on A sets no flag of B.
        self.events.motion(xa, lambda: xa.write_attribute("Position", 0))
        wait_for(lambda: a.proxy().StatusWord & 1, 3, "X done on A")
        self.assertEqual(b.proxy().StatusWord & 0x3FF, 1, "B's only done flag is its own earlier move")

    def test_controller_on_a_serial_line(self) -> None:
        sim = self.sim("--refuse", "777", com_port=7)  # a move to 777 steps is refused
        server = self.server("serial", {"ComPort": 7, "Baud": 115200}, env={"VEKKESTRA_COM7": sim.pty})
        x = server.proxy("x")
        self.events.subscribe(x, "State", "Position", "Status")
        self.events.wait(x, "State", ON, 10)
        self.events.motion(x, lambda: x.write_attribute("Position", 800))
        self.assertEqual(self.events.values(x, "Position")[-1], 800.0)
        self.assertEqual(server.proxy().WriteRead("AXRP"), "800")
        # A serial line takes the command and reports the refusal after it.
        self.events.motion(x, lambda: x.write_attribute("Position", 777))
        self.events.wait(x, "Status", lambda text: "refused its last motion command" in text, 3)
        self.assertEqual(server.proxy().WriteRead("AXRP"), "800")
