"""The Tango face of the soak (soak.py): the VekKestraDS devices, served
without a database in a process of their own (PyTango's
MultiDeviceTestContext, as the server's fast tests do), driven through
DeviceProxy objects by one command line at a time on standard input, one
answer line for each on standard output; the same lines as drive_cpp.cpp:

    open tcp HOST PORT | open serial COM | move TIMEOUT_MS A=N ... | slip A... | close | quit
    -> "ok", or "error CLASS CODE NAME MESSAGE" (the message on one line)

A Tango move starts and returns: `move` is what a client does, the
controller's MoveMultiple and then the wait until no moved VekMotor is
MOVING. It ends "ok" when every one is ON, else an error that names the
states. MoveMultiple has no time-out of its own: a wait that runs out is
the client's, which then sends StopAll. Slip detection is turned on with
WriteRead("AXIS;AXRP"), as a client would: the server has no command for it.
Runs under the system's python3 (python3-tango); PYTHONPATH names tango/
and bindings/python of this tree."""

import os
import sys
import time
from typing import Callable, Dict, List, Optional

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path[:0] = [os.path.join(ROOT, "tango"), os.path.join(ROOT, "bindings", "python")]

import tango  # noqa: E402
from tango import DevState  # noqa: E402
from tango.test_context import MultiDeviceTestContext  # noqa: E402

#: The motors served: the soak moves X and Y.
AXES = "XY"
#: How long the devices have to come up and reach the controller.
START_S = 60.0
#: How long the controller device has to reach ON once served (eight reply waits).
ON_S = 20.0
#: The pace of the client's look at the motors' states.
LOOK_S = 0.01


class Ended(Exception):
    """A moved motor came to rest in a state other than ON."""

    def __init__(self, state: DevState, text: str) -> None:
        super().__init__(text)
        self.state = state


def one_line(text: str) -> str:
    return text.replace("\r", "|").replace("\n", "|")


class Driver:
    def __init__(self) -> None:
        # The answers get standard output to themselves: the server process writes "Ready to accept request" and
        # more to its standard output, which goes to standard error from here on.
        self.answers = os.fdopen(os.dup(1), "w")
        os.dup2(2, 1)
        self.context: Optional[MultiDeviceTestContext] = None
        self.ctl: Optional[tango.DeviceProxy] = None
        self.motors: Dict[str, tango.DeviceProxy] = {}
        self.commands: Dict[str, Callable[[List[str]], None]] = {
            "open": self.open, "move": self.move, "slip": self.slip, "close": self.close,
        }

    def proxy(self, name: str) -> tango.DeviceProxy:
        assert self.context is not None
        proxy = tango.DeviceProxy(self.context.get_device_access("test/vek/" + name))
        proxy.set_timeout_millis(10000)
        return proxy

    def open(self, words: List[str]) -> None:
        from vekkestra_tango.devices import VekController, VekMotor

        self.close([])
        where = {"Host": words[1], "Port": int(words[2])} if words[0] == "tcp" else {"ComPort": int(words[1])}
        motors = [{"name": "test/vek/" + a.lower(), "properties": {"Controller": "test/vek/ctl", "Axis": a}}
                  for a in AXES]
        info = [{"class": VekController, "devices": [{"name": "test/vek/ctl", "properties": where}]},
                {"class": VekMotor, "devices": motors}]
        self.context = MultiDeviceTestContext(info, server_name="VekKestraDS", instance_name="soak", process=True,
                                              timeout=int(START_S))
        self.context.start()
        self.ctl = self.proxy("ctl")
        self.motors = {a: self.proxy(a.lower()) for a in AXES}
        deadline = time.monotonic() + ON_S
        while self.ctl.state() != DevState.ON:
            if time.monotonic() > deadline:
                raise RuntimeError("the controller device is %s: %s" % (self.ctl.state(), self.ctl.status()))
            time.sleep(0.1)

    def close(self, words: List[str]) -> None:
        if self.context is not None:
            self.context.stop()
        self.context, self.ctl, self.motors = None, None, {}

    def move(self, words: List[str]) -> None:
        assert self.ctl is not None
        targets = {word[0]: int(word[2:]) for word in words[1:]}
        self.ctl.MoveMultiple([list(targets.values()), list(targets.keys())])
        moved = [self.motors[a] for a in targets]
        deadline = time.monotonic() + int(words[0]) / 1000.0
        states = [m.state() for m in moved]
        while DevState.MOVING in states:
            if time.monotonic() > deadline:
                self.ctl.StopAll()
                raise TimeoutError("still MOVING after %s ms; StopAll sent" % words[0])
            time.sleep(LOOK_S)
            states = [m.state() for m in moved]
        if any(s != DevState.ON for s in states):
            raise Ended(next(s for s in states if s != DevState.ON), " ".join("%s %s: %s" % (a, s, m.status())
                                        for a, s, m in zip(targets, states, moved) if s != DevState.ON))

    def slip(self, words: List[str]) -> None:
        assert self.ctl is not None
        self.ctl.WriteRead("".join("A%sIS;" % a for a in words[0]) + "AXRP")

    def run(self, line: str) -> bool:
        words = line.split()
        if not words or words[0] == "quit":
            return False
        try:
            self.commands[words[0]](words[1:])
            answer = "ok"
        except tango.DevFailed as error:
            answer = "error DevFailed 0 %s %s" % (error.args[0].reason, one_line(error.args[0].desc))
        except Ended as error:
            answer = "error Ended 0 %s %s" % (error.state, one_line(str(error)))
        except Exception as error:  # the soak counts whatever the client met
            answer = "error %s 0 %s %s" % (type(error).__name__, type(error).__name__, one_line(str(error)))
        self.answers.write(answer + "\n")
        self.answers.flush()
        return True


def main() -> None:
    driver = Driver()
    try:
        for line in sys.stdin:
            if not driver.run(line):
                break
    finally:
        driver.close([])


if __name__ == "__main__":
    main()
