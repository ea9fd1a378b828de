"""What the panel's tests start and stop, by PID: veksim, the panel itself
(the installed program's way: its launcher, with the system's python3), a
connection of the test's own to the simulator, and headless Chromium."""

from __future__ import annotations

import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request
from typing import Any, Dict, List, Optional, Tuple

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
LAUNCHER = os.path.join(ROOT, "panel", "vekkestra-panel")
DOC = os.path.join(ROOT, "docs", "panel.md")
VEKSIM = os.environ.get("VEKSIM", "")
SKIP = 77
FIRST_LINE = re.compile(r"^VekKestra panel on (http://[^/]+)/\?token=(\S+)$")


def documented(text: str) -> str:
    """``text`` as docs/panel.md writes it: the tests take their truths from
    the documentation, and fail when it no longer says so."""
    with open(DOC, encoding="utf-8") as doc:
        if text not in doc.read():
            raise AssertionError("docs/panel.md does not say %r" % text)
    return text


def missing_for_server() -> Optional[str]:
    if not VEKSIM or not os.access(VEKSIM, os.X_OK):
        return "veksim is not built (VEKSIM is not set)"
    try:
        import aiohttp  # noqa: F401
    except ImportError:
        return "python3-aiohttp is not installed for %s (scripts/install-deps.sh --panel)" % sys.executable
    return None


def missing_for_browser() -> Optional[str]:
    why = missing_for_server()
    if why:
        return why
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "python3-selenium is not installed (scripts/install-deps.sh --panel)"
    for program in ("chromium", "chromedriver"):
        if not shutil.which(program):
            return "%s is not installed (Debian: chromium, chromium-driver; scripts/install-deps.sh --panel)" % program
    if not os.path.isfile("/usr/share/javascript/dygraphs/dygraph.min.js"):
        return "libjs-dygraphs is not installed (scripts/install-deps.sh --panel)"
    return None


def skip_unless_ready(why: Optional[str]) -> None:
    """Ends the test program with CTest's skip code, saying why."""
    if why:
        print("SKIPPED: %s" % why, flush=True)
        sys.exit(SKIP)


class Simulator:
    """veksim as a child, and the test's own TCP connection to it."""

    def __init__(self, *flags: str, port: int = 0) -> None:
        self.flags = list(flags)
        self.port = port
        self.process: Optional[subprocess.Popen] = None
        self.start()

    def start(self) -> None:
        self.process = subprocess.Popen([VEKSIM, "--port", str(self.port)] + self.flags, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline()
        if "listening on " not in line:
            raise RuntimeError("veksim did not start: %r" % line)
        self.port = int(line.rsplit(":", 1)[1])

    def stop(self) -> None:
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(10)
            self.process.stdout.close()

    def query(self, text: str) -> str:
        """One text on a fresh connection; its answer (veksim sends the ACK
        and the answers in one chunk), without notifications."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=3) as s:
            s.sendall(text.encode("ascii"))
            data = b""
            deadline = time.monotonic() + 3
            while time.monotonic() < deadline:
                data += s.recv(4096)
                clean = re.sub(rb"%000 [0-9A-Fa-f]{8}..", b"", data, flags=re.S)
                if clean[:1] == b"\x06":
                    return clean[1:].decode("ascii").strip()
                if clean[:1] == b"\x15":
                    raise AssertionError("veksim refused %r" % text)
        raise AssertionError("no answer from veksim to %r: %r" % (text, data))

    def axes(self) -> Tuple[Dict[str, bool], Dict[str, int]]:
        """Whether each axis moves, and its motor position, as another
        program sees them."""
        answer = ""
        for _ in range(20):
            answer = self.query("AAEA;AARP")
            fields = answer.split(",")
            if len(fields) == 20:
                return ({a: fields[i][4] == "P" for i, a in enumerate("XYZTUVRSWK")},
                        {a: int(fields[10 + i]) for i, a in enumerate("XYZTUVRSWK")})
            time.sleep(0.05)
        raise AssertionError("unreadable answer %r" % answer)

    def close(self) -> None:
        self.stop()


class Panel:
    """vekkestra-panel as a child on a free port; ``url``, ``token``."""

    def __init__(self, *args: str) -> None:
        env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
        self.process = subprocess.Popen([sys.executable, LAUNCHER, "--listen", "127.0.0.1:0"] + list(args),
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
        line = self.process.stdout.readline().strip()
        match = FIRST_LINE.match(line)
        if not match:
            self.process.kill()
            raise RuntimeError("the panel's first line is %r; stderr: %s" % (line, self.process.stderr.read()))
        self.first_line = line
        self.url, self.token = match.group(1), match.group(2)
        self._log: List[str] = []

    def request(self, method: str, path: str, body: Any = None, headers: Optional[Dict[str, str]] = None,
                token: Optional[str] = "") -> Tuple[int, Dict[str, str], str]:
        """One HTTP request (with the bearer token unless ``token`` is None)."""
        data = None if body is None else (body if isinstance(body, bytes) else json.dumps(body).encode())
        h = {"Content-Type": "application/json"} if body is not None else {}
        if token is not None:
            h["Authorization"] = "Bearer " + (token or self.token)
        h.update(headers or {})
        req = urllib.request.Request(self.url + path, data=data, headers=h, method=method)
        opener = urllib.request.build_opener(_NoRedirect)
        try:
            with opener.open(req, timeout=10) as response:
                return response.status, dict(response.headers), response.read().decode()
        except urllib.error.HTTPError as error:
            return error.code, dict(error.headers), error.read().decode()

    def state(self) -> Dict[str, Any]:
        status, _, text = self.request("GET", "/api/state")
        assert status == 200, (status, text)
        return json.loads(text)

    def wait_link(self, state: str, timeout: float = 10.0) -> None:
        deadline = time.monotonic() + timeout
        while self.state()["link"] != state:
            if time.monotonic() > deadline:
                raise AssertionError("the link is %r, not %r" % (self.state()["link"], state))
            time.sleep(0.05)

    def end(self, sig: int = signal.SIGTERM) -> Tuple[int, str]:
        """Ends the panel with ``sig``; its exit status and standard error."""
        if self.process.poll() is None:
            self.process.send_signal(sig)
        try:
            _, err = self.process.communicate(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            _, err = self.process.communicate()
        return self.process.returncode, err

    def close(self) -> None:
        if self.process.poll() is None:
            self.end()


class _NoRedirect(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args: Any, **kwargs: Any) -> None:
        return None


def wait_until(check: Any, timeout: float, what: str, every: float = 0.05) -> Any:
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("%s did not happen within %.1f s" % (what, timeout))
        time.sleep(every)


def browser() -> Any:
    """Headless Chromium through chromedriver, with a profile of its own."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    profile = tempfile.mkdtemp(prefix="vekkestra-panel-chromium-")
    options = webdriver.ChromeOptions()
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--window-size=1400,1300"):
        options.add_argument(flag)
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    driver.set_script_timeout(20)
    driver.vekkestra_profile = profile
    return driver


def quit_browser(driver: Any) -> None:
    try:
        driver.quit()
    finally:
        shutil.rmtree(driver.vekkestra_profile, ignore_errors=True)
