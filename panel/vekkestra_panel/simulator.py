"""veksim as the panel's own controller when it is given none: a child
process on a free loopback port, ended by its PID when the panel ends."""

from __future__ import annotations

import os
import shutil
import subprocess
import sys
from typing import List, Optional


class SimulatorError(RuntimeError):
    pass


def find_veksim() -> str:
    """$VEKSIM; beside the panel's program (both in <prefix>/bin); on PATH."""
    candidates: List[Optional[str]] = [os.environ.get("VEKSIM"),
                                       os.path.join(os.path.dirname(os.path.realpath(sys.argv[0])), "veksim"),
                                       shutil.which("veksim")]
    for path in candidates:
        if path and os.path.isfile(path) and os.access(path, os.X_OK):
            return path
    raise SimulatorError("no controller given (--tcp or --com) and no simulator found to stand in for one: "
                         "install vekkestra-tools (veksim) or name it in VEKSIM")


class Simulator:
    """A veksim child listening on 127.0.0.1 at a port the system picks."""

    def __init__(self, path: str) -> None:
        self.path = path
        self.process = subprocess.Popen([path, "--port", "0"], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL,
                                        text=True)
        self.port = 0
        line = self.process.stdout.readline() if self.process.stdout else ""
        if "listening on " not in line:
            self.stop()
            raise SimulatorError("%s did not start: %s" % (path, line.strip() or "no output"))
        self.port = int(line.rsplit(":", 1)[1])

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process.stdout:
            self.process.stdout.close()
