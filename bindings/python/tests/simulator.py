"""veksim as a child process of a test, and the test's own TCP connection to
it for looking at the axes the way another program would."""

import os
import re
import socket
import subprocess
import threading
import time
from typing import Callable, Dict, List, Optional, Tuple

VEKSIM = os.environ.get("VEKSIM")
#: The COM port number of the Python tests' pseudo-terminal.
COM = 25
AXES = "XYZTUVRSWK"
#: How long a look for axes at rest waits for them to stand still.
SETTLE_S = 2.0
ACK = b"\x06"
NOTIFICATION = re.compile(rb"%000 [0-9A-Fa-f]{8}..", re.S)


class Simulator:
    """veksim as a child, and the harness's own TCP connection to it."""

    def __init__(self, flags: List[str], serial: bool) -> None:
        extra = ["--pty", "--publish-com", str(COM)] if serial else []
        self.process = subprocess.Popen([VEKSIM] + flags + extra, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True)
        self.port, self.com_path = 0, ""
        while not self.port or (serial and not self.com_path):
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("veksim %s ended: %s" % (" ".join(flags), self.process.stderr.read()))
            if "listening on " in line:
                self.port = int(line.rsplit(":", 1)[1])
            elif line.startswith("VEKKESTRA_COM%d=" % COM):
                self.com_path = line.split("=", 1)[1].strip()
        # A reply held back by --latency comes that much later.
        latency = flags[flags.index("--latency") + 1] if "--latency" in flags else "0"
        self.reply_s = 1.0 + int(latency) / 1000.0
        self.lock = threading.Lock()
        self.socket: Optional[socket.socket] = None

    def close(self) -> None:
        if self.socket:
            self.socket.close()
        self.process.terminate()
        self.process.communicate(timeout=10)

    def _connect(self) -> socket.socket:
        if self.socket is None:
            self.socket = socket.create_connection(("127.0.0.1", self.port), timeout=5)
        return self.socket

    def _exchange_once(self, text: str, answer: Callable[[str], Optional[object]]) -> Optional[object]:
        s = self._connect()
        s.setblocking(False)
        try:
            while s.recv(4096):  # notifications that came meanwhile
                pass
        except BlockingIOError:
            pass
        s.settimeout(0.05)
        s.sendall(text.encode("ascii"))
        data, deadline = b"", time.monotonic() + self.reply_s
        while time.monotonic() < deadline:
            try:
                piece = s.recv(4096)
            except socket.timeout:
                continue
            if not piece:
                break  # closed by the simulator (--close-after)
            data += piece
            reply = NOTIFICATION.sub(b"", data)
            if reply.startswith(ACK):
                parsed = answer(reply[1:].decode("ascii", "replace"))
                if parsed is not None:
                    return parsed
        return None

    def exchange(self, text: str, answer: Callable[[str], Optional[object]]) -> object:
        """Sends ``text`` and returns ``answer(reply text)`` once that is not
        None. A reply that is dropped, garbled or cut off by the simulator's
        faults is asked for again on a new connection."""
        with self.lock:
            for _ in range(6):
                parsed = self._exchange_once(text, answer)
                if parsed is not None:
                    return parsed
                self.socket.close()
                self.socket = None
        raise AssertionError("veksim gave no usable reply to %r" % text)

    def send(self, text: str) -> None:
        self.exchange(text, lambda rest: True if rest == "" else None)

    def axes(self) -> Tuple[Dict[str, bool], Dict[str, int]]:
        """Whether each axis moves (the last letter of its status is P) and
        its motor position."""

        def answer(rest: str) -> Optional[Tuple[Dict[str, bool], Dict[str, int]]]:
            fields = rest.split(",")
            if len(fields) != 20 or not all(re.fullmatch(r"[A-Z]{5}", f) for f in fields[:10]) or \
                    not all(re.fullmatch(r"-?\d+", f) for f in fields[10:]):
                return None
            return ({a: fields[i][4] == "P" for i, a in enumerate(AXES)},
                    {a: int(fields[10 + i]) for i, a in enumerate(AXES)})

        return self.exchange("AAEA;AARP", answer)  # type: ignore[return-value]

    def settled(self, axes: str) -> Tuple[Dict[str, bool], Dict[str, int]]:
        """Looks until the axes stand still, for up to SETTLE_S."""
        deadline = time.monotonic() + SETTLE_S
        while True:
            moving, motor = self.axes()
            if not any(moving[a] for a in axes) or time.monotonic() >= deadline:
                return moving, motor
            time.sleep(0.05)


