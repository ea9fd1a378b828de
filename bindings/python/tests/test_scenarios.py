"""The safe-motion scenarios of tests/motion/scenarios.txt, run through the
package against veksim on both links: TCP, and the simulator's
pseudo-terminal published as COM port 25. Every scenario starts its own
simulator with the scenario's flags; the harness looks at the simulator
through a TCP connection of its own. Skipped when VEKSIM names no simulator.

VEK_SCENARIO_LINKS ("tcp", "serial", or both, blank-separated) narrows the
links, so that the two can run as two tests."""

import os
import re
import socket
import threading
import time
import unittest
from dataclasses import dataclass, field
from typing import Callable, Dict, List, Optional, Tuple

from vekkestra import (CancelledError, ClosedError, Controller, LimitError, MoveInterruptedError, SlipError,
                       VekConnectionError, VekError, VekTimeoutError)

from .simulator import AXES, COM, VEKSIM, Simulator

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tests", "motion",
                     "scenarios.txt")
LINKS = os.environ.get("VEK_SCENARIO_LINKS", "tcp serial").split()
DEFAULT_TIMEOUT_MS = 10000
#: Nothing acknowledges a serial command: the simulator takes a text once the
#: line has been quiet for its command gap (3 ms). A check on serial looks
#: this much later, so that what the layer wrote has been taken.
SERIAL_TAKEN_S = 0.1


@dataclass
class Step:
    action: List[str]
    outcome: List[str] = field(default_factory=list)


@dataclass
class Scenario:
    name: str
    flags: List[str] = field(default_factory=list)
    links: List[str] = field(default_factory=lambda: ["tcp", "serial"])
    steps: List[Step] = field(default_factory=list)


def parse(path: str) -> List[Scenario]:
    scenarios: List[Scenario] = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if words[0] == "scenario":
                scenarios.append(Scenario(words[1]))
                continue
            if not scenarios:
                raise ValueError("%s:%d: a line before the first scenario" % (path, number))
            scenario = scenarios[-1]
            if words[0] == "sim":
                scenario.flags = words[1:]
            elif words[0] == "links":
                scenario.links = words[1:]
            elif "->" in words:
                arrow = words.index("->")
                scenario.steps.append(Step(words[:arrow], words[arrow + 1:]))
            else:
                scenario.steps.append(Step(words))
    return scenarios


def letters(text: str) -> str:
    """Axis letters in axis order."""
    return "".join(a for a in AXES if a in text.upper())


class Planned(Exception):
    """The error a guarded scope is left by."""


#: Each outcome kind: the exception class it is, or None for success.
OUTCOMES = {
    "ok": None, "limit": LimitError, "slip": SlipError, "interrupted": MoveInterruptedError,
    "timeout": VekTimeoutError, "cancelled": CancelledError, "refused": VekError, "closed": ClosedError,
    "argument": (ValueError, TypeError), "connection": VekConnectionError,
}
#: Actions that need the controller open.
NEEDS_CONTROLLER = {"move", "move-axis", "home", "find-limit", "jog", "stop", "wait", "slip-detection", "close",
                    "threads", "guard-error", "guard-normal", "cancel"}


class Run:
    """One scenario on one link."""

    def __init__(self, test: unittest.TestCase, scenario: Scenario, link: str) -> None:
        self.test, self.scenario, self.link = test, scenario, link
        self.sim = Simulator(scenario.flags, link == "serial")
        test.addCleanup(self.sim.close)
        if link == "serial":
            os.environ["VEKKESTRA_COM%d" % COM] = self.sim.com_path
        self.ctl: Optional[Controller] = None
        self.later: List[Tuple[float, List[str]]] = []
        self.background_errors: List[BaseException] = []

    def controller(self) -> Controller:
        if self.ctl is None:
            if self.link == "tcp":
                self.ctl = Controller.tcp("127.0.0.1", self.sim.port)
            else:
                self.ctl = Controller.serial(COM)
            self.test.addCleanup(self.ctl.close)
        return self.ctl

    # -- the steps ---------------------------------------------------------------

    def run(self) -> None:
        for number, step in enumerate(self.scenario.steps, 1):
            try:
                self.step(step)
            except Exception as error:
                line = " ".join(step.action + (["->"] + step.outcome if step.outcome else []))
                raise AssertionError("%s on %s, step %d (%s): %s: %s" % (
                    self.scenario.name, self.link, number, line, type(error).__name__, error)) from error

    def step(self, step: Step) -> None:
        words = step.action
        if words[0] == "check":
            self.check(words[1:])
            return
        if words[0] == "later":
            if words[2] in NEEDS_CONTROLLER:
                self.controller()
            self.later.append((int(words[1]) / 1000.0, words[2:]))
            return
        count = 1
        if words[0] == "repeat":
            count, words = int(words[1]), words[2:]
        if words[0] in NEEDS_CONTROLLER:
            self.controller()
        for _ in range(count):
            self.outcome(words, step.outcome)

    def outcome(self, words: List[str], outcome: List[str]) -> None:
        """Runs one action (with the "later" ones beside it) and checks what
        it ended in; an action without an outcome must end well."""
        timers = [threading.Timer(delay, self.background, (action,)) for delay, action in self.later]
        self.later = []
        error: Optional[BaseException] = None
        start = time.monotonic()
        for timer in timers:
            timer.start()
        try:
            self.act(words)
        except Exception as caught:  # the outcome says which are expected
            error = caught
        elapsed_ms = (time.monotonic() - start) * 1000.0
        for timer in timers:
            timer.join()
        self.test.assertEqual(self.background_errors, [], "an action run later failed")
        if not outcome:
            if error is not None:
                raise error
            return
        self.judge(words, outcome, error, elapsed_ms)

    def background(self, words: List[str]) -> None:
        try:
            self.act(words)
        except BaseException as error:
            self.background_errors.append(error)

    def act(self, words: List[str]) -> None:
        name, args = words[0], words[1:]
        actions: Dict[str, Callable[[List[str]], None]] = {
            "move": self.move, "move-axis": self.move_axis, "home": self.home, "find-limit": self.find_limit,
            "jog": lambda a: self.jog(self.ctl, a), "stop": lambda a: self.ctl.stop(letters("".join(a)) or 0x3FF),
            "wait": self.wait, "slip-detection": lambda a: self.ctl.enable_slip_detection("".join(a)),
            "close": lambda a: self.ctl.close(), "raw": lambda a: self.sim.send(" ".join(a)),
            "cancel": lambda a: self.ctl.cancel(), "sleep": lambda a: time.sleep(int(a[0]) / 1000.0),
            "open-refused": self.open_refused, "open-missing-com": self.open_missing_com,
            "threads": self.threads, "guard-error": self.guard_error, "guard-normal": self.guard_normal,
        }
        if name not in actions:
            self.test.fail("the harness knows no action %r" % name)
        actions[name](args)

    @staticmethod
    def split(args: List[str]) -> Tuple[Dict[str, int], int, List[str]]:
        """AXIS=N words, the time-out, and the other words."""
        values, timeout_ms, rest = {}, DEFAULT_TIMEOUT_MS, []
        for word in args:
            if word.startswith("timeout="):
                timeout_ms = int(word[len("timeout="):])
            elif re.fullmatch(r"[A-Za-z]=-?[\d.]+", word):
                values[word[0].upper()] = float(word[2:]) if "." in word else int(word[2:])
            else:
                rest.append(word)
        return values, timeout_ms, rest

    def move(self, args: List[str]) -> None:
        targets, timeout_ms, rest = self.split(args)
        unknown = set(rest) - {"keep-moving", "relative"}
        self.test.assertFalse(unknown, "move takes no %s" % unknown)
        keep = "keep-moving" in rest
        if "relative" in rest:
            self.ctl.move_by(targets, timeout_ms, keep_moving=keep)
        else:
            self.ctl.move(targets, timeout_ms, keep_moving=keep)

    def move_axis(self, args: List[str]) -> None:
        _, timeout_ms, rest = self.split(args)
        self.ctl.move_axis(rest[0], int(rest[1]), timeout_ms)

    def home(self, args: List[str]) -> None:
        _, timeout_ms, rest = self.split(args)
        self.ctl.home(rest[0], timeout_ms)

    def find_limit(self, args: List[str]) -> None:
        _, timeout_ms, rest = self.split(args)
        self.ctl.find_limit(rest[0], int(rest[1]), timeout_ms)

    def jog(self, ctl: Controller, args: List[str]) -> None:
        velocities, _, _ = self.split(args)
        if len(velocities) == 1:
            ctl.jog(*next(iter(velocities.items())))
        else:
            ctl.jog(velocities)

    def wait(self, args: List[str]) -> None:
        _, timeout_ms, rest = self.split(args)
        self.ctl.wait(letters("".join(rest)) or None, timeout_ms)

    def open_refused(self, args: List[str]) -> None:
        with socket.create_server(("127.0.0.1", 0)) as server:
            port = server.getsockname()[1]
        Controller.tcp("127.0.0.1", port)

    def open_missing_com(self, args: List[str]) -> None:
        os.environ["VEKKESTRA_COM31"] = "/nonexistent/vekkestra-com31"
        Controller.serial(31)

    def threads(self, args: List[str]) -> None:
        rounds, failures = int(args[0]), []

        def shuttle(axis: str, far: int) -> None:
            try:
                for i in range(rounds):
                    self.ctl.move({axis: far if i % 2 == 0 else 0}, DEFAULT_TIMEOUT_MS)
            except BaseException as error:
                failures.append(error)

        workers = [threading.Thread(target=shuttle, args=axis) for axis in (("X", 1000), ("Y", 2000))]
        for worker in workers:
            worker.start()
        for worker in workers:
            worker.join()
        if failures:
            raise failures[0]

    def guard_error(self, args: List[str]) -> None:
        self.test.assertEqual(args[0], "jog")
        with self.test.assertRaises(Planned):
            with self.ctl.guard():
                self.jog(self.ctl, args[1:])
                raise Planned()

    def guard_normal(self, args: List[str]) -> None:
        self.test.assertEqual(args[0], "jog")
        with self.ctl.guard():
            self.jog(self.ctl, args[1:])

    # -- judging -----------------------------------------------------------------

    def judge(self, words: List[str], outcome: List[str], error: Optional[BaseException], elapsed_ms: float) -> None:
        kind, rest = outcome[0], outcome[1:]
        if kind == "safe":
            self.judge_safe(words, error)
        else:
            self.test.assertIn(kind, OUTCOMES, "an outcome the harness does not know")
            expected = OUTCOMES[kind]
            if expected is None:
                self.test.assertIsNone(error, "expected %s" % kind)
            else:
                self.test.assertIsInstance(error, expected, "expected %s, got %r" % (kind, error))
            if kind == "refused":
                self.test.assertEqual(error.name, "VEK_ERROR_COMMAND_NAK", error)
            if kind in ("limit", "slip", "interrupted"):
                self.test.assertEqual(error.axis, rest.pop(0), error)
        for extra in rest:
            name, value = extra.split("=", 1)
            if name == "at":
                self.test.assertEqual(error.position, int(value), error)
            elif name == "stopped":
                self.test.assertEqual(letters(error.stopped), letters(value), error)
            elif name == "within":
                self.test.assertLess(elapsed_ms, int(value), "the action took %.0f ms" % elapsed_ms)
            else:
                self.test.fail("an outcome detail the harness does not know: %s" % extra)

    def judge_safe(self, words: List[str], error: Optional[BaseException]) -> None:
        """Ends well with every moved axis at rest at its target, or fails
        (by an error of the package) with every moved axis at rest."""
        self.test.assertEqual(words[0], "move", "safe is an outcome of moves")
        targets, _, rest = self.split(words[1:])
        if error is not None and not isinstance(error, VekError):
            raise error
        moving, motor = self.sim.settled("".join(targets))
        self.test.assertEqual([a for a in targets if moving[a]], [], "moved axes still moving after %r" % error)
        if error is None and "relative" not in rest:
            self.test.assertEqual({a: motor[a] for a in targets}, targets)

    def check(self, words: List[str]) -> None:
        rest, moving_axes, compare = "", "", []
        while words:
            word = words.pop(0)
            if word == "rest":
                rest = words.pop(0)
            elif word == "moving":
                moving_axes = words.pop(0)
            elif re.fullmatch(r"[A-Za-z][=<>]-?\d+", word):
                compare.append(word)
            else:
                self.test.fail("a check the harness does not know: %s" % word)
        if self.link == "serial":
            time.sleep(SERIAL_TAKEN_S)
        moving, motor = self.sim.settled(rest)
        for axis in rest:
            self.test.assertFalse(moving[axis], "%s still moving" % axis)
        for axis in moving_axes:
            self.test.assertTrue(moving[axis], "%s not moving" % axis)
        for word in compare:
            axis, relation, value = word[0].upper(), word[1], int(word[2:])
            holds = {"=": motor[axis] == value, "<": motor[axis] < value, ">": motor[axis] > value}[relation]
            self.test.assertTrue(holds, "%s is %d, not %s" % (axis, motor[axis], word))


@unittest.skipUnless(VEKSIM, "VEKSIM names no simulator program")
class ScenarioTest(unittest.TestCase):
    """One test per scenario and link, named test_<scenario>_<link>."""


def _add_tests() -> None:
    for scenario in parse(TABLE):
        for link in scenario.links:
            if link not in LINKS:
                continue

            def test(self: unittest.TestCase, scenario: Scenario = scenario, link: str = link) -> None:
                Run(self, scenario, link).run()

            test.__doc__ = "%s on %s" % (scenario.name, link)
            setattr(ScenarioTest, "test_%s_%s" % (scenario.name, link), test)


_add_tests()


if __name__ == "__main__":
    unittest.main()
