#!/usr/bin/python3
"""The safe-motion soak: every face (C, C++, Python, C#, vekctl, Tango) drives veksim
through each of its faults, on TCP and on the simulator's pty as a COM port,
and every move is judged by what the simulator shows through the soak's own
TCP connection right after the face returned. Then three figures. Prints
figures and counts; asserts nothing.

    /usr/bin/python3 bench/motion/soak.py [--build build] [--moves 15] [--jobs 2]
        [--face c,cpp,python,csharp,vekctl,tango] [--mode NAME,...] [--link tcp,serial] [--no-figures] [--out DIR]

A move ends as one of:
  ok           returned normally, every moved axis at rest at its target
  error-safe   returned an error, every moved axis at rest within 0.5 s
  WRONG        returned normally, but an axis short of its target or moving
  LEFT-MOVING  returned an error, and an axis still moving after 0.5 s
  HANG         no return within the move's time-out plus 10 s
A move whose axes are found moving when the next one is about to start (some
command reached the controller after its verdict) turns from ok into WRONG,
from error-safe into LEFT-MOVING. "hits" counts how often a fault that counts
a connection's texts struck the face (replies garbled or dropped, connections
closed), from veksim's log.

Faces are child processes that take one command line at a time (see
drive_cpp.cpp); vekctl runs once per move. Paths come from the environment
(the bench_motion target sets them) or from --build.
"""

import argparse
import collections
import csv
import ctypes
import os
import queue
import re
import select
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass, field
from typing import Callable, Dict, List, Optional, Sequence, Tuple

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
AXES = "XYZTUVRSWK"
#: The COM port number the faces open; each face runs in a process of its
#: own, whose environment names its simulator's pty.
COM = 30
TIMEOUT_MS = 10000
#: A face that has not returned this long after its move's time-out hangs.
HANG_MARGIN_S = 10.0
#: An error's moved axes must be at rest this soon after it returned.
REST_WINDOW_S = 0.5
#: How soon after a face returned a text it wrote has surely been taken: on the
#: pty a text ends when the line has been quiet for the simulator's 3 ms command
#: gap. The look after an error and the one before the next move wait this long.
TAKEN_S = {"tcp": 0.02, "serial": 0.1}
ACK = b"\x06"
NOTIFICATION = re.compile(rb"%000 [0-9A-Fa-f]{8}\r\n")
VERDICTS = ("ok", "error-safe", "WRONG", "LEFT-MOVING", "HANG")
BAD = ("WRONG", "LEFT-MOVING", "HANG")
TICKS = os.sysconf("SC_CLK_TCK")


# ---- the modes ---------------------------------------------------------------------------------------------------


@dataclass
class Mode:
    name: str
    flags: List[str]
    links: Tuple[str, ...] = ("tcp", "serial")
    #: Each moved axis's two targets, taken in turn so that every move moves.
    targets: Dict[str, Tuple[int, int]] = field(default_factory=lambda: {"X": (2000, 0), "Y": (-1500, 0)})
    timeout_ms: int = TIMEOUT_MS
    #: Share of --moves for modes slow by nature.
    share: float = 1.0
    #: Axes whose slip detection the face turns on after opening.
    slip: str = ""
    note: str = ""


INTO_SWITCH = {"X": (3000, -3000), "Y": (3000, -3000)}
MODES = [
    Mode("clean", []),
    Mode("garbage-every 6", ["--garbage-every", "6"]),
    Mode("drop-ack-every 7", ["--drop-ack-every", "7"]),
    Mode("close-after 9", ["--close-after", "9"], links=("tcp",)),
    Mode("split-answers", ["--split-answers"], links=("tcp",)),
    Mode("notify-inside-answers", ["--notify-inside-answers"]),
    Mode("stale-done 20", ["--stale-done", "20"], note="20 copies of each done report: 300 bytes waiting"),
    Mode("stale-done 3, delay 150", ["--stale-done", "3", "--stale-delay", "150"]),
    Mode("lose-done-every 1", ["--lose-done-every", "1"]),
    Mode("limits", ["--limits", "X=-1000,1000"], targets=INTO_SWITCH,
         note="X between switches at +-1000 moves to +-3000: every move ends at a switch, Y must be stopped"),
    Mode("slip", ["--slip-axis", "X"], targets=INTO_SWITCH, slip="X",
         note="X slips whenever it moves, slip detection on: every move ends in a slip, Y must be stopped"),
    Mode("latency 2700", ["--latency", "2700"], links=("tcp",), share=0.1,
         note="every reply 2.7 s late, beyond the 2.5 s reply time-out"),
    # Beside the list, two of the old battery's modes:
    Mode("trip-limit", ["--trip-limit", "X"], targets={"X": (2000, 4000), "Y": (2000, -2000)},
         note="X's positive switch reads tripped: X cannot leave 0, Y must be stopped"),
    Mode("wait time-out", [], targets={"X": (20000, -20000), "Y": (20000, -20000)}, timeout_ms=300,
         note="a 300 ms time-out on 2-4 s moves: the wait must stop both axes"),
]


# ---- the simulator and the soak's own look at it --------------------------------------------------------------


class Sim:
    """veksim as a child, with its log of every text in a file."""

    def __init__(self, program: str, flags: Sequence[str], serial: bool, log_path: str) -> None:
        extra = ["--pty", "--publish-com", str(COM)] if serial else []
        self.log_path = log_path
        self.log = open(log_path, "w")
        self.process = subprocess.Popen([program, "--log"] + list(flags) + extra, stdout=subprocess.PIPE,
                                        stderr=self.log, text=True)
        self.port, self.com_path = 0, ""
        while not self.port or (serial and not self.com_path):
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("veksim %s ended at its start (log %s)" % (" ".join(flags), log_path))
            if "listening on " in line:
                self.port = int(line.rsplit(":", 1)[1])
            elif line.startswith("VEKKESTRA_COM%d=" % COM):
                self.com_path = line.split("=", 1)[1].strip()
        latency = flags[flags.index("--latency") + 1] if "--latency" in flags else "0"
        self.look = Look(self.port, int(latency) / 1000.0)

    def fault_hits(self, flags: Sequence[str]) -> Optional[int]:
        """How many times the fault that counts a connection's texts struck, from the log: replies garbled or
        dropped, connections closed. None for the other faults. The soak's own looks never count: each is its
        connection's only text."""
        every = {"--garbage-every": 0, "--drop-ack-every": 0, "--close-after": 1}
        found = [(flag, int(flags[i + 1])) for i, flag in enumerate(flags) if flag in every]
        if not found:
            return None
        texts: Dict[str, int] = collections.Counter()
        hits = 0
        with open(self.log_path, errors="replace") as log:
            for line in log:
                words = line.split(" ", 4)
                if len(words) < 4 or words[0] != "veksim":
                    continue
                fd = words[3].rstrip(":")
                if words[1] == "accepted":
                    texts[fd] = 0
                elif words[1] == "received":
                    texts[fd] += 1
                    for flag, n in found:
                        hits += texts[fd] == n if every[flag] else texts[fd] % n == 0
        return hits

    def close(self) -> None:
        self.process.terminate()
        try:
            self.process.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.communicate()
        self.log.close()


@dataclass
class Seen:
    moving: Dict[str, bool]
    motor: Dict[str, int]
    sent: float  # when the look's text went out (time.monotonic())


class Look:
    """The soak's own look at the axes: "AAEA;AARP" on a TCP connection of its
    own. Every look opens a new one, so that the faults that count a
    connection's commands (every Nth garbled or dropped, the Nth closing it)
    never reach it: its one text is always its connection's first."""

    ATTEMPTS = 6

    def __init__(self, port: int, latency_s: float) -> None:
        self.port = port
        self.reply_s = 1.0 + latency_s
        self.retries = 0

    def _exchange(self, text: str, parse: Callable[[str], Optional[object]]) -> Optional[Tuple[object, float]]:
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            s.settimeout(0.05)
            sent = time.monotonic()
            s.sendall(text.encode("ascii"))
            data, deadline = b"", sent + self.reply_s
            while time.monotonic() < deadline:
                try:
                    piece = s.recv(65536)
                except socket.timeout:
                    continue
                if not piece:
                    return None
                data += piece
                reply = NOTIFICATION.sub(b"", data)
                if ACK in reply:
                    parsed = parse(reply.split(ACK, 1)[1].decode("ascii", "replace"))
                    if parsed is not None:
                        return parsed, sent
        return None

    def exchange(self, text: str, parse: Callable[[str], Optional[object]]) -> Tuple[object, float]:
        for attempt in range(self.ATTEMPTS):
            got = self._exchange(text, parse)
            if got is not None:
                return got
            self.retries += 1
        raise RuntimeError("veksim gave no usable reply to %r" % text)

    def look(self) -> Seen:
        def parse(rest: str) -> Optional[Tuple[Dict[str, bool], Dict[str, int]]]:
            fields = rest.split(",")
            if len(fields) != 20 or not all(re.fullmatch(r"[A-Z]{5}", f) for f in fields[:10]) or \
                    not all(re.fullmatch(r"-?\d+", f) for f in fields[10:]):
                return None
            return ({a: fields[i][4] == "P" for i, a in enumerate(AXES)},
                    {a: int(fields[10 + i]) for i, a in enumerate(AXES)})

        (moving, motor), sent = self.exchange("AAEA;AARP", parse)  # type: ignore[misc]
        return Seen(moving, motor, sent)

    def look_at(self, when: float) -> Seen:
        time.sleep(max(0.0, when - time.monotonic()))
        return self.look()

    def send(self, text: str) -> None:
        self.exchange(text, lambda rest: True)

    def stop_and_settle(self, axes: str) -> None:
        """Stops the axes (as another program would) and waits for them to rest."""
        self.send("".join("A%sST;" % a for a in axes))
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and any(self.look().moving[a] for a in axes):
            time.sleep(0.05)


# ---- the faces ---------------------------------------------------------------------------------------------------


@dataclass
class Reply:
    ok: bool
    text: str  # "" or "CLASS CODE NAME MESSAGE"
    hang: bool = False

    @property
    def name(self) -> str:
        words = self.text.split()
        return words[2] if len(words) > 2 else (words[0] if words else "?")


class Paths:
    def __init__(self, build: str) -> None:
        def pick(variable: str, *relative: str) -> str:
            return os.environ.get(variable) or os.path.join(build, *relative)

        self.veksim = pick("VEKSIM", "sim", "veksim")
        self.vekctl = pick("VEKCTL", "tools", "vekctl")
        self.library = pick("VEKKESTRA_LIBRARY", "libvekkestra.so")
        self.motion = pick("VEKKESTRA_MOTION_LIBRARY", "motion", "libvekkestra-motion.so")
        self.drive_c = pick("SOAK_DRIVE_C", "bench", "motion", "soak_drive_c")
        self.drive_cpp = pick("SOAK_DRIVE_CPP", "bench", "motion", "soak_drive_cpp")
        self.drive_dotnet = pick("SOAK_DRIVE_DOTNET", "bench", "motion", "Drive.exe")
        self.mono_path = pick("MONO_PATH", "bindings", "dotnet")


class ChildFace:
    """A face as a child process that answers one line per command."""

    def __init__(self, label: str, argv: List[str], env: Dict[str, str], open_s: float = 30.0,
                 open_tries: int = 5) -> None:
        self.label, self.argv, self.env = label, argv, env
        #: How long opening may take; also how long the child has to end after "quit".
        self.open_s = open_s
        self.open_tries = open_tries
        self.process: Optional[subprocess.Popen] = None
        self.buffer = b""
        self.stderr = None

    def start(self, sim: Sim, link: str, stderr_path: str) -> Reply:
        env = dict(os.environ, **self.env)
        if link == "serial":
            env["VEKKESTRA_COM%d" % COM] = sim.com_path
        self.stderr = open(stderr_path, "a")
        self.process = subprocess.Popen(self.argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.stderr, env=env)
        self.buffer = b""
        opening = "open tcp 127.0.0.1 %d" % sim.port if link == "tcp" else "open serial %d" % COM
        return self.ask(opening, self.open_s)

    @property
    def pid(self) -> int:
        return self.process.pid if self.process else 0

    def ask(self, line: str, limit_s: float) -> Reply:
        assert self.process and self.process.stdin and self.process.stdout
        self.process.stdin.write((line + "\n").encode("ascii"))
        self.process.stdin.flush()
        fd, deadline = self.process.stdout.fileno(), time.monotonic() + limit_s
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return Reply(False, "", hang=True)
            if select.select([fd], [], [], left)[0]:
                piece = os.read(fd, 65536)
                if not piece:
                    return Reply(False, "ChildEnded 0 CHILD_ENDED the face's process ended (status %s)"
                                 % self.process.wait())
                self.buffer += piece
        answer, self.buffer = self.buffer.split(b"\n", 1)
        text = answer.decode("utf-8", "replace")
        return Reply(text == "ok", text[len("error "):] if text.startswith("error ") else "")

    def move(self, targets: Dict[str, int], timeout_ms: int) -> Reply:
        words = " ".join("%s=%d" % item for item in targets.items())
        return self.ask("move %d %s" % (timeout_ms, words), timeout_ms / 1000.0 + HANG_MARGIN_S)

    def slip(self, axes: str) -> Reply:
        return self.ask("slip " + axes, 30.0)

    def stop(self) -> None:
        if self.process is None:
            return
        try:
            if self.process.poll() is None:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.flush()
                self.process.wait(timeout=self.open_s)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()  # by its own PID
            self.process.wait()
        self.process = None
        if self.stderr:
            self.stderr.close()


class VekctlFace:
    """vekctl, one process per move: `vekctl --tcp HOST:PORT move -w -t MS X=...` (or --com)."""

    label = "vekctl"
    NAME = re.compile(r"\b(VEKM?_[A-Z_]+) \((\d+)\)")

    def __init__(self, program: str) -> None:
        self.program = program
        self.address: List[str] = []
        self.env: Dict[str, str] = {}
        self.pid = 0

    def start(self, sim: Sim, link: str, stderr_path: str) -> Reply:
        self.env = dict(os.environ)
        if link == "serial":
            self.env["VEKKESTRA_COM%d" % COM] = sim.com_path
            self.address = ["--com", str(COM)]
        else:
            self.address = ["--tcp", "127.0.0.1:%d" % sim.port]
        return Reply(True, "")

    def run(self, words: List[str], limit_s: float) -> Reply:
        process = subprocess.Popen([self.program] + self.address + words, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, env=self.env, text=True)
        self.pid = process.pid
        try:
            _, err = process.communicate(timeout=limit_s)
        except subprocess.TimeoutExpired:
            process.kill()  # by its own PID
            process.communicate()
            return Reply(False, "", hang=True)
        if process.returncode == 0:
            return Reply(True, "")
        lines = [line for line in err.splitlines() if line.startswith("vekctl")] or err.splitlines()[-1:]
        message = " | ".join(lines)
        found = self.NAME.search(message)
        name, code = (found.group(1), found.group(2)) if found else ("exit-%d" % process.returncode, "0")
        return Reply(False, "exit-%d %s %s %s" % (process.returncode, code, name, message))

    def move(self, targets: Dict[str, int], timeout_ms: int) -> Reply:
        words = ["move", "-w", "-t", str(timeout_ms)] + ["%s=%d" % item for item in targets.items()]
        return self.run(words, timeout_ms / 1000.0 + HANG_MARGIN_S)

    def slip(self, axes: str) -> Reply:
        # vekctl has no slip-detection command: its raw `send` turns it on, as a user would.
        return self.run(["send", "".join("A%sIS;" % a for a in axes)], 30.0)

    def stop(self) -> None:
        pass


#: A child that answers "open" and never answers a move.
SILENT_CHILD = """import sys
for line in sys.stdin:
    if line.startswith("quit"):
        break
    if line.startswith("open"):
        print("ok", flush=True)
"""


class CalibrationFace(ChildFace):
    """A face that breaks the promise on purpose, to show that the soak sees it (--face early,left,hang):
    early returns success as soon as the move has started, left returns an error then, hang never returns."""

    def __init__(self, how: str, paths: Paths) -> None:
        argv = [sys.executable, "-c", SILENT_CHILD] if how == "hang" else [paths.drive_cpp]
        super().__init__("calib-" + how, argv, {})
        self.how = how

    def move(self, targets: Dict[str, int], timeout_ms: int) -> Reply:
        if self.how == "hang":
            return super().move(targets, 100)
        if self.how == "left":  # long enough to be moving still when the error has been given 0.5 s
            targets = {a: 10 * t for a, t in targets.items()}
        started = super().move(targets, 0)  # the core starts the move and returns at once
        return started if self.how == "early" else Reply(False, "Calibration 0 CALIBRATION returned while moving")


#: The interpreter that has Debian's python3-tango.
SYSTEM_PYTHON = "/usr/bin/python3"


def missing(paths: Paths, name: str) -> str:
    """Why the face cannot run here, or ""."""
    def no_file(path: str, what: str) -> str:
        return "" if os.path.exists(path) else "%s %s is not built" % (what, path)

    if name in ("c", "cpp"):
        return no_file(getattr(paths, "drive_" + name), "the driver")
    if name == "csharp":
        if not shutil.which("mono"):
            return "mono is not installed (mono-mcs)"
        return no_file(paths.drive_dotnet, "the driver")
    if name == "vekctl":
        return no_file(paths.vekctl, "vekctl")
    if name == "tango":
        probe = subprocess.run([SYSTEM_PYTHON, "-c", "import tango.test_context"], capture_output=True)
        return "" if probe.returncode == 0 else "%s cannot import tango.test_context (python3-tango)" % SYSTEM_PYTHON
    return ""


def make_faces(paths: Paths, chosen: Sequence[str]) -> List[Callable[[], object]]:
    python_env = {"VEKKESTRA_LIBRARY": paths.library, "VEKKESTRA_MOTION_LIBRARY": paths.motion,
                  "PYTHONDONTWRITEBYTECODE": "1"}
    table: Dict[str, Callable[[], object]] = {
        "c": lambda: ChildFace("C", [paths.drive_c], {}),
        "cpp": lambda: ChildFace("C++", [paths.drive_cpp], {}),
        "python": lambda: ChildFace("Python", [sys.executable, os.path.join(HERE, "drive_python.py")], python_env),
        "csharp": lambda: ChildFace("C#", ["mono", paths.drive_dotnet], {"MONO_PATH": paths.mono_path}),
        "vekctl": lambda: VekctlFace(paths.vekctl),
        "early": lambda: CalibrationFace("early", paths),
        "left": lambda: CalibrationFace("left", paths),
        "hang": lambda: CalibrationFace("hang", paths),
        "tango": lambda: ChildFace("Tango", [SYSTEM_PYTHON, os.path.join(HERE, "drive_tango.py")], python_env,
                                   open_s=90.0, open_tries=2),
    }
    unknown = set(chosen) - set(table)
    if unknown:
        raise SystemExit("no face %s (faces: %s)" % (", ".join(sorted(unknown)), ", ".join(table)))
    return [table[name] for name in chosen]


# ---- one face, one mode, one link --------------------------------------------------------------------------------


@dataclass
class Outcome:
    face: str
    mode: str
    link: str
    counts: Dict[str, int] = field(default_factory=lambda: {v: 0 for v in VERDICTS})
    errors: collections.Counter = field(default_factory=collections.Counter)
    seconds: float = 0.0
    note: str = ""
    logs: List[str] = field(default_factory=list)
    look_retries: int = 0
    hits: Optional[int] = None

    @property
    def bad(self) -> int:
        return sum(self.counts[v] for v in BAD)


def judge(reply: Reply, targets: Dict[str, int], look: Look, returned: float, taken_s: float) -> Tuple[str, Seen]:
    if reply.hang:
        return "HANG", look.look()
    if reply.ok:
        seen = look.look()
        good = all(not seen.moving[a] and seen.motor[a] == t for a, t in targets.items())
        return ("ok" if good else "WRONG"), seen
    # A stop the face wrote on its way out may still be on the line.
    seen = look.look_at(returned + taken_s)
    if any(seen.moving[a] for a in targets):
        seen = look.look_at(returned + REST_WINDOW_S)
    return ("LEFT-MOVING" if any(seen.moving[a] for a in targets) else "error-safe"), seen


def shown(seen: Seen, axes: str) -> str:
    return " ".join("%s=%d%s" % (a, seen.motor[a], "(moving)" if seen.moving[a] else "") for a in axes)


def soak_one(make_face: Callable[[], object], mode: Mode, link: str, moves: int, paths: Paths, out: str,
             rows: "csv.writer", rows_lock: threading.Lock) -> Outcome:
    face = make_face()
    label = face.label  # type: ignore[attr-defined]
    safe = label.replace("+", "p").replace("#", "sharp")  # C++ and C# apart
    stem = os.path.join(out, re.sub(r"[^A-Za-z0-9]+", "_", "%s_%s_%s" % (safe, mode.name, link)).strip("_"))
    outcome = Outcome(label, mode.name, link)
    sim = Sim(paths.veksim, mode.flags, link == "serial", stem + ".veksim.log")
    look = sim.look
    start = returned = time.monotonic()
    previous: Optional[List[object]] = None

    def record(row: List[object]) -> None:
        with rows_lock:
            rows.writerow(row)

    def open_face() -> bool:
        for _ in range(getattr(face, "open_tries", 5)):
            opened = face.start(sim, link, stem + ".face.log")  # type: ignore[attr-defined]
            if opened.ok and mode.slip:
                opened = face.slip(mode.slip)  # type: ignore[attr-defined]
            if opened.ok:
                return True
            outcome.errors["open: " + opened.name] += 1
            face.stop()  # type: ignore[attr-defined]
        return False

    try:
        if not open_face():
            outcome.note = "the face could not be opened (%d tries)" % getattr(face, "open_tries", 5)
            return outcome
        for i in range(moves):
            targets = {a: pair[i % 2] for a, pair in mode.targets.items()}
            before = look.look_at(returned + TAKEN_S[link])
            if previous is not None and any(before.moving[a] for a in targets):
                # Something reached the controller after the previous verdict.
                worse = {"ok": "WRONG", "error-safe": "LEFT-MOVING"}.get(str(previous[5]))
                if worse:
                    outcome.counts[str(previous[5])] -= 1
                    outcome.counts[worse] += 1
                    record(previous[:5] + [worse, "moving before the next move: " + shown(before, "".join(targets))]
                           + previous[6:])
                look.stop_and_settle("".join(targets))
            sent = time.monotonic()
            reply = face.move(targets, mode.timeout_ms)  # type: ignore[attr-defined]
            returned = time.monotonic()
            verdict, seen = judge(reply, targets, look, returned, TAKEN_S[link])
            outcome.counts[verdict] += 1
            if not reply.ok:
                outcome.errors["hang" if reply.hang else reply.name] += 1
            previous = [label, mode.name, link, i + 1, " ".join("%s=%d" % t for t in targets.items()), verdict,
                        shown(seen, "".join(targets)), "%.3f" % (returned - sent), reply.text]
            record(previous)
            if verdict == "HANG":
                face.stop()  # type: ignore[attr-defined]
                look.stop_and_settle("".join(targets))
                if not open_face():
                    outcome.note = "the face could not be opened again after a hang"
                    break
    finally:
        face.stop()  # type: ignore[attr-defined]
        sim.close()
        outcome.hits = sim.fault_hits(mode.flags)
        outcome.seconds = time.monotonic() - start
        outcome.look_retries = look.retries
        outcome.logs = [sim.log_path, stem + ".face.log"]
    return outcome


# ---- the table -------------------------------------------------------------------------------------------------


def short(name: str) -> str:
    return name.replace("VEK_ERROR_", "").replace("VEKM_", "")


def print_table(outcomes: List[Outcome], out=sys.stdout) -> None:
    head = "%-11s %-24s %-6s %5s %5s %10s %5s %11s %4s %5s  %s" % (
        "face", "mode", "link", "moves", "ok", "error-safe", "WRONG", "LEFT-MOVING", "HANG", "hits", "errors seen")
    print(head, file=out)
    print("-" * len(head), file=out)
    for o in outcomes:
        c = o.counts
        errors = ", ".join("%s %d" % (short(n), k) for n, k in o.errors.most_common(3))
        if len(o.errors) > 3:
            errors += ", ..."
        print("%-11s %-24s %-6s %5d %5d %10d %5d %11d %4d %5s  %s%s" % (
            o.face, o.mode, o.link, sum(c.values()), c["ok"], c["error-safe"], c["WRONG"], c["LEFT-MOVING"],
            c["HANG"], "-" if o.hits is None else o.hits, errors, ("  (" + o.note + ")") if o.note else ""), file=out)
    total = sum(o.bad for o in outcomes)
    print("-" * len(head), file=out)
    print("moves %d; WRONG + LEFT-MOVING + HANG = %d; the soak's own looks asked again %d times" % (
        sum(sum(o.counts.values()) for o in outcomes), total, sum(o.look_retries for o in outcomes)), file=out)
    not_run = [o.face for o in outcomes if o.note.startswith("NOT RUN")]
    if not_run:
        print("faces NOT RUN (no moves, not a pass): %s" % ", ".join(not_run), file=out)


def run_soak(args: argparse.Namespace, paths: Paths, out: str) -> List[Outcome]:
    faces = make_faces(paths, args.face)
    modes = [m for m in MODES if not args.mode or m.name in args.mode]
    results: Dict[Tuple[int, int, str], Outcome] = {}
    absent = {i: missing(paths, name) for i, name in enumerate(args.face)}
    for i, why in absent.items():
        if why:  # said in the table, never counted as passing
            results[(i, -1, "-")] = Outcome(args.face[i], "(every mode)", "-", note="NOT RUN: " + why)
    # Every run has a simulator and a face process of its own, so any runs may go side by side: --jobs of them
    # at a time, taken in the order of the modes.
    work: "queue.Queue[Tuple[Tuple[int, int, str], Mode, str, int]]" = queue.Queue()
    for mode_index, mode in enumerate(modes):
        for link in (link for link in mode.links if link in args.link):
            for face_index in (i for i in range(len(faces)) if not absent[i]):
                moves = max(1, int(round(args.moves * mode.share)))
                work.put(((face_index, mode_index, link), mode, link, moves))
    rows_file = open(os.path.join(out, "moves.csv"), "w", newline="")
    rows = csv.writer(rows_file)
    rows.writerow(["face", "mode", "link", "move", "targets", "verdict", "seen", "seconds", "reply"])
    lock = threading.Lock()

    def worker() -> None:
        while True:
            try:
                key, mode, link, moves = work.get_nowait()
            except queue.Empty:
                return
            try:
                o = soak_one(faces[key[0]], mode, link, moves, paths, out, rows, lock)
            except Exception as error:  # the soak's own failure: said in the table, the other runs go on
                o = Outcome(args.face[key[0]], mode.name, link, note="the soak failed: %r" % error)
            with lock:
                results[key] = o
                rows_file.flush()
                print("  %-7s %-24s %-6s %3d ok %3d error-safe %d bad  %.0f s" % (
                    o.face, o.mode, o.link, o.counts["ok"], o.counts["error-safe"], o.bad, o.seconds),
                    file=sys.stderr, flush=True)
            if not o.bad and not args.keep_logs:
                for path in o.logs:
                    if os.path.exists(path):
                        os.remove(path)

    threads = [threading.Thread(target=worker) for _ in range(max(1, args.jobs))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    rows_file.close()
    link_order = {link: i for i, link in enumerate(("tcp", "serial"))}
    return [results[k] for k in sorted(results, key=lambda k: (k[0], k[1], link_order.get(k[2], 9)))]


# ---- the figures ------------------------------------------------------------------------------------------------


def load_average() -> str:
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def cpu_ns(pid: int) -> int:
    """CPU time of every thread of the process, in ns (the first field of each thread's schedstat)."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass  # a thread that ended meanwhile
    return total


def cpu_ticks(pid: int) -> float:
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime, seconds


def figure_query(paths: Paths, loops: int) -> None:
    """(a) ctl.query("AXRP;") against a plain ctypes call of VEKnet_Query on the
    same connection; between them the package's typed library() and a plain
    ctypes call of the core's vekm_query. Wall time per call, and the calling
    thread's CPU per call, which the library's reply waits do not blur."""
    sys.path.insert(0, os.path.join(ROOT, "bindings", "python"))
    os.environ.setdefault("VEKKESTRA_LIBRARY", paths.library)
    os.environ.setdefault("VEKKESTRA_MOTION_LIBRARY", paths.motion)
    import vekkestra
    from vekkestra import _core

    with tempfile.TemporaryDirectory() as logs:
        sim = Sim(paths.veksim, [], False, os.path.join(logs, "veksim.log"))
        try:
            ctl = vekkestra.Controller.tcp("127.0.0.1", sim.port)
            pointer = ctl._pointer  # the package's own; a benchmark's business, not an application's
            handle = lend_handle(_core.core_path(), pointer)
            plain = ctypes.CDLL(vekkestra.library_path())
            plain.VEKnet_Query.restype = ctypes.c_uint32
            plain.VEKnet_Query.argtypes = [ctypes.POINTER(ctypes.c_uint32), ctypes.c_char_p, ctypes.c_char_p,
                                           ctypes.c_int32]
            motion = ctypes.CDLL(_core.core_path())
            motion.vekm_query.restype = ctypes.c_uint32
            motion.vekm_query.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int32,
                                          ctypes.c_void_p]
            typed = vekkestra.library()
            buffer = ctypes.create_string_buffer(256)
            ways = {
                "ctypes VEKnet_Query": lambda: plain.VEKnet_Query(ctypes.byref(handle), b"AXRP;", buffer, 256),
                "library().VEKnet_Query": lambda: typed.VEKnet_Query(ctypes.byref(handle), b"AXRP;", buffer, 256),
                "ctypes vekm_query": lambda: motion.vekm_query(pointer, b"AXRP;", buffer, 256, None),
                "ctl.query": lambda: ctl.query("AXRP;"),
            }
            wall: Dict[str, List[float]] = {name: [] for name in ways}
            cpu: Dict[str, List[float]] = {name: [] for name in ways}
            for _ in range(10):  # interleaved blocks, so that the machine's moods fall on all of them alike
                for name, call in ways.items():
                    for _ in range(loops // 10):
                        begin, begin_cpu = time.perf_counter(), time.thread_time()
                        call()
                        cpu[name].append(time.thread_time() - begin_cpu)
                        wall[name].append(time.perf_counter() - begin)
            answer = ctl.query("AXRP;")
            ctl.close()
        finally:
            sim.close()
    print("(a) query overhead: %d calls of each, interleaved, on one TCP connection to veksim (answer %r):"
          % (loops, answer))
    base_wall = statistics.median(wall["ctypes VEKnet_Query"]) * 1e6
    base_cpu = statistics.mean(cpu["ctypes VEKnet_Query"]) * 1e6
    for name in ways:
        w = sorted(v * 1e6 for v in wall[name])
        c = statistics.mean(cpu[name]) * 1e6
        print("    %-24s wall median %8.1f us (p10 %8.1f, p90 %8.1f) %+7.1f us;  CPU %6.1f us/call %+6.1f us (x%.2f)" % (
            name, statistics.median(w), w[len(w) // 10], w[9 * len(w) // 10], statistics.median(w) - base_wall,
            c, c - base_cpu, c / base_cpu))


def lend_handle(core_path: str, pointer: object) -> ctypes.c_uint32:
    """The connection's handle, lent by the core's vekm_with_handle (the package has no with_handle)."""
    core = ctypes.CDLL(core_path)
    lend_type = ctypes.CFUNCTYPE(ctypes.c_uint32, ctypes.POINTER(ctypes.c_uint32), ctypes.c_void_p)
    core.vekm_with_handle.restype = ctypes.c_uint32
    core.vekm_with_handle.argtypes = [ctypes.c_void_p, ctypes.c_char_p, lend_type, ctypes.c_void_p, ctypes.c_void_p]
    handle = ctypes.c_uint32()

    def lend(h: "ctypes._Pointer[ctypes.c_uint32]", context: object) -> int:
        handle.value = h[0]
        return 0

    code = core.vekm_with_handle(pointer, b"bench", lend_type(lend), None, None)
    if code:
        raise RuntimeError("vekm_with_handle gave %d" % code)
    return handle


def figure_cpu(paths: Paths, faces: Sequence[str], seconds: float) -> None:
    """(b) CPU of each face's process per second of wall time while its move waits."""
    far = int(seconds * 10000)  # veksim's axes cruise at 10000 steps/s
    print("(b) CPU while a move waits: X and Y 0 -> %d (about %.0f s on veksim), TCP; CPU of the face's process per s:"
          % (far, seconds))
    for name in faces:
        if name == "tango":
            print("    %-7s not measured here: a Tango client's process is not the server's (bench_tango measures "
                  "the server)" % name)
            continue
        why = missing(paths, name)
        if why:
            print("    %-7s NOT RUN: %s" % (name, why))
            continue
        with tempfile.TemporaryDirectory() as logs:
            sim = Sim(paths.veksim, [], False, os.path.join(logs, "veksim.log"))
            try:
                if name == "vekctl":
                    cpu, wall, rc = vekctl_cpu(paths, sim, ["move", "-w", "-t", "60000", "X=%d" % far, "Y=%d" % far])
                    fixed, fixed_wall, _ = vekctl_cpu(paths, sim, ["move", "-w", "-t", "60000", "X=%d" % far,
                                                                   "Y=%d" % far])
                    print("    %-7s %6.2f ms CPU per s (rusage user+sys %.3f s over %.2f s, exit %d; the whole process, "
                          "its start included; a move to where the axes already are: %.3f s in %.2f s)"
                          % ("vekctl", 1000 * cpu / wall, cpu, wall, rc, fixed, fixed_wall))
                    continue
                face = make_faces(paths, [name])[0]()
                opened = face.start(sim, "tcp", os.path.join(logs, "face.log"))  # type: ignore[attr-defined]
                if not opened.ok:
                    print("    %-7s could not open: %s" % (name, opened.text))
                    continue
                face.move({"X": 100, "Y": 100}, 10000)  # type: ignore[attr-defined]  # runtime warmed up
                pid = face.pid  # type: ignore[attr-defined]
                ticks0, ns0, wall0 = cpu_ticks(pid), cpu_ns(pid), time.monotonic()
                reply = face.move({"X": far, "Y": far}, 60000)  # type: ignore[attr-defined]
                ticks, ns, wall = cpu_ticks(pid) - ticks0, cpu_ns(pid) - ns0, time.monotonic() - wall0
                face.stop()  # type: ignore[attr-defined]
                print("    %-7s %6.2f ms CPU per s (threads' schedstat: %.1f ms over %.2f s; user+sys %.2f s; %s)" % (
                    face.label, ns / 1e6 / wall, ns / 1e6, wall, ticks,  # type: ignore[attr-defined]
                    "ok" if reply.ok else reply.text))
            finally:
                sim.close()


def vekctl_cpu(paths: Paths, sim: Sim, words: List[str]) -> Tuple[float, float, int]:
    with open(os.devnull, "w") as null:
        begin = time.monotonic()
        process = subprocess.Popen([paths.vekctl, "--tcp", "127.0.0.1:%d" % sim.port] + words, stdout=null,
                                   stderr=null)
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
    return usage.ru_utime + usage.ru_stime, time.monotonic() - begin, process.returncode


def figure_recording(paths: Paths, seconds: float) -> None:
    """(c) rows/s of `vekctl record` asked for 50, and of a Python loop of ctl.poll()."""
    import vekkestra  # figure_query put the package on the path

    print("(c) recording rate on TCP, for %.0f s each, X and Y jogging:" % seconds)
    with tempfile.TemporaryDirectory() as logs:
        sim = Sim(paths.veksim, [], False, os.path.join(logs, "veksim.log"))
        try:
            sim.look.send("AXJG3000;AYJG-3000;")
            csv_path = os.path.join(logs, "record.csv")
            begin = time.monotonic()
            done = subprocess.run([paths.vekctl, "--tcp", "127.0.0.1:%d" % sim.port, "record", "XY", "--rate", "50",
                                   "--for", str(seconds), "-o", csv_path], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.PIPE, text=True)
            wall = time.monotonic() - begin
            with open(csv_path) as f:
                data = [line for line in f.read().splitlines()[1:] if line.strip()]
            print("    vekctl record XY --rate 50: %d rows over --for %.0f s = %.1f rows/s (exit %d, the process took "
                  "%.1f s)" % (len(data), seconds, len(data) / seconds, done.returncode, wall))
            ctl = vekctl_poll_rates(sim.port, seconds, vekkestra)
            for label, count in ctl:
                print("    Python %-33s %d polls = %.1f rows/s" % (label, count, count / seconds))
            sim.look.send("AXST;AYST;")
        finally:
            sim.close()


def vekctl_poll_rates(port: int, seconds: float, vekkestra: object) -> List[Tuple[str, int]]:
    ctl = vekkestra.Controller.tcp("127.0.0.1", port)  # type: ignore[attr-defined]
    results = []
    try:
        count, end = 0, time.monotonic() + seconds
        while time.monotonic() < end:
            ctl.poll()
            count += 1
        results.append(("ctl.poll() as fast as it goes:", count))
        count, start = 0, time.monotonic()
        while time.monotonic() < start + seconds:
            ctl.poll()
            count += 1
            time.sleep(max(0.0, start + count / 50.0 - time.monotonic()))
        results.append(("ctl.poll() paced at 50/s:", count))
    finally:
        ctl.close()
    return results


# ---- main -------------------------------------------------------------------------------------------------------


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--moves", type=int, default=15, help="moves per face, mode and link (latency: a tenth)")
    parser.add_argument("--jobs", type=int, default=2, help="runs side by side")
    parser.add_argument("--face", default="c,cpp,python,csharp,vekctl,tango")
    parser.add_argument("--mode", default="", help="mode names, comma-separated (default all)")
    parser.add_argument("--link", default="tcp,serial")
    parser.add_argument("--no-soak", action="store_true")
    parser.add_argument("--no-figures", action="store_true")
    parser.add_argument("--figure-seconds", type=float, default=10.0, help="length of the long move of (b)")
    parser.add_argument("--out", default="", help="where moves.csv and the logs of bad moves go")
    parser.add_argument("--keep-logs", action="store_true", help="keep every veksim log, not only those of bad runs")
    args = parser.parse_args()
    args.face = [f for f in args.face.split(",") if f]
    args.mode = [m.strip() for m in args.mode.split(",") if m.strip()]
    args.link = args.link.split(",")
    paths = Paths(args.build)
    out = args.out or tempfile.mkdtemp(prefix="vek-soak-")
    os.makedirs(out, exist_ok=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    print("soak: %s; %s; moves.csv and the logs of bad runs in %s" % (time.strftime("%Y-%m-%d %H:%M"),
                                                                        load_average(), out), flush=True)
    if not args.no_soak:
        begin = time.monotonic()
        outcomes = run_soak(args, paths, out)
        print("\n%d minutes; %s" % ((time.monotonic() - begin) / 60, load_average()))
        print_table(outcomes)
        for m in MODES:
            if m.note and (not args.mode or m.name in args.mode):
                print("  %s: %s" % (m.name, m.note))
    if not args.no_figures:
        print("\nfigures; %s" % load_average(), flush=True)
        figure_query(paths, 500)
        figure_cpu(paths, args.face, args.figure_seconds)
        figure_recording(paths, 5.0)
        print("%s" % load_average())


if __name__ == "__main__":
    main()
