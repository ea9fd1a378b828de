"""What the device tests run on: simulators, server instances registered in
the test database, and event collection.

The database itself (MariaDB and DataBaseds) is started by run.py through
scripts/tango-services.sh; TANGO_HOST names it. VEKSIM is the simulator,
VEKKESTRA_LIBRARY the library built with it.
"""

import os
import re
import signal
import socket
import subprocess
import sys
import threading
import time
from typing import Any, Callable, Dict, List, Optional, Tuple

import tango

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SERVER = os.path.join(os.path.dirname(HERE), "VekKestraDS")
SERVER_NAME = "VekKestraDS"
SERVICES = os.path.join(ROOT, "scripts", "tango-services.sh")


def missing_prerequisite() -> str:
    """What this machine lacks to run servers on a test database, or ""."""
    for path in ("/usr/sbin/mariadbd", "/usr/lib/tango/DataBaseds", "/usr/bin/tango_admin"):
        if not os.path.exists(path):
            return "%s is missing (scripts/install-deps.sh --tango)" % path
    for variable in ("VEKSIM", "VEKKESTRA_LIBRARY"):
        if not os.environ.get(variable):
            return "%s is not set" % variable
    return ""


class Database:
    """MariaDB and DataBaseds in ``run_dir``, on a free port, through
    scripts/tango-services.sh; TANGO_HOST and PYTHONPATH are set for every
    process started afterwards."""

    def __init__(self, run_dir: str) -> None:
        self.run_dir = run_dir

    def start(self) -> "Database":
        started = subprocess.run([SERVICES, "start", self.run_dir], env=dict(os.environ, VEK_TANGO_PORT="0"),
                                 stdout=subprocess.PIPE, text=True)
        print(started.stdout, end="")
        if started.returncode != 0:
            self.stop()
            raise RuntimeError("the Tango database did not start; see %s" % self.run_dir)
        host = [line for line in started.stdout.splitlines() if line.startswith("TANGO_HOST=")][-1]
        os.environ["TANGO_HOST"] = host.split("=", 1)[1]
        os.environ["VEK_TANGO_LOGS"] = self.run_dir
        paths = [os.path.join(ROOT, "bindings", "python"), os.path.dirname(HERE), HERE]
        os.environ["PYTHONPATH"] = os.pathsep.join(paths + [os.environ.get("PYTHONPATH", "")])
        return self

    def stop(self) -> None:
        subprocess.run([SERVICES, "stop", self.run_dir])


def free_port() -> int:
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(condition: Callable[[], Any], timeout: float, what: str, step: float = 0.05) -> Any:
    """Polls ``condition`` until it returns something true; AssertionError naming ``what`` after ``timeout``."""
    deadline = time.monotonic() + timeout
    last_error: Optional[BaseException] = None
    while time.monotonic() < deadline:
        try:
            value = condition()
            if value:
                return value
        except tango.DevFailed as error:
            last_error = error
        time.sleep(step)
    raise AssertionError("timed out after %.1f s waiting for %s%s"
                         % (timeout, what, " (last error: %s)" % last_error if last_error else ""))


def stop_process(process: subprocess.Popen, timeout: float = 15.0) -> None:
    """SIGTERM, then wait for the PID (a Tango server takes a second or more to leave)."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Veksim:
    """One simulator process on loopback; ``port`` fixed so that a new one can take its place."""

    def __init__(self, *flags: str, port: int = 0, com_port: int = 0) -> None:
        self.port = port or free_port()
        self.flags = list(flags)
        self.com_port = com_port
        self.pty = ""
        self.process: Optional[subprocess.Popen] = None

    def start(self) -> "Veksim":
        command = [os.environ["VEKSIM"], "--port", str(self.port)] + self.flags
        if self.com_port:
            command += ["--publish-com", str(self.com_port)]
        deadline = time.monotonic() + 10
        while True:
            self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            first = self.process.stdout.readline() if self.process.stdout else ""
            if "listening on" in first:
                break
            # The port of a simulator just stopped can take a moment to be free.
            self.process.wait()
            if time.monotonic() > deadline:
                raise RuntimeError("veksim did not start: %s" % first)
            time.sleep(0.2)
        if self.com_port:
            for _ in range(3):
                line = self.process.stdout.readline()
                match = re.match(r"VEKKESTRA_COM\d+=(\S+)", line)
                if match:
                    self.pty = match.group(1)
                    break
        # Nobody reads its output from here on: let a thread drain it.
        threading.Thread(target=self.process.stdout.read, daemon=True).start()
        return self

    def stop(self) -> None:
        if self.process is not None:
            stop_process(self.process, 5)
            self.process = None


class Server:
    """One VekKestraDS instance: a controller device and motors, registered in the database."""

    def __init__(self, instance: str, controller_properties: Dict[str, Any],
                 motors: Dict[str, Dict[str, Any]], extra_controllers: Optional[Dict[str, Dict[str, Any]]] = None,
                 env: Optional[Dict[str, str]] = None) -> None:
        self.instance = instance
        self.controller = "%s/vek/ctl" % instance
        self.motors = {name: "%s/vek/%s" % (instance, name) for name in motors}
        self.env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1", **(env or {}))
        self.process: Optional[subprocess.Popen] = None
        self.log_path = os.path.join(os.environ.get("VEK_TANGO_LOGS", "/tmp"), "server-%s.log" % instance)
        db = tango.Database()
        server = "%s/%s" % (SERVER_NAME, instance)
        if server in db.get_server_list(server):
            db.delete_server(server)
        devices = [self._info(self.controller, "VekController", server)]
        controllers = {self.controller: controller_properties}
        for name, properties in (extra_controllers or {}).items():
            device = "%s/vek/%s" % (instance, name)
            devices.append(self._info(device, "VekController", server))
            controllers[device] = properties
        devices += [self._info(device, "VekMotor", server) for device in self.motors.values()]
        db.add_server(server, devices)
        for device, properties in controllers.items():
            db.put_device_property(device, {k: [str(v)] for k, v in properties.items()})
        for name, properties in motors.items():
            values = {"Controller": self.controller}
            values.update(properties)
            db.put_device_property(self.motors[name], {k: [str(v)] for k, v in values.items()})

    @staticmethod
    def _info(name: str, cls: str, server: str) -> tango.DbDevInfo:
        info = tango.DbDevInfo()
        info.name, info._class, info.server = name, cls, server
        return info

    def start(self) -> "Server":
        log = open(self.log_path, "ab")
        self.process = subprocess.Popen([sys.executable, SERVER, self.instance], stdout=log, stderr=subprocess.STDOUT,
                                        env=self.env)
        log.close()
        proxy = tango.DeviceProxy(self.controller)

        def exported() -> bool:
            if self.process is not None and self.process.poll() is not None:
                raise AssertionError("server %s exited with %s; see %s"
                                     % (self.instance, self.process.returncode, self.log_path))
            proxy.ping()
            return True

        wait_for(exported, 30, "server %s to export its devices" % self.instance, step=0.2)
        return self

    def stop(self) -> None:
        if self.process is not None:
            stop_process(self.process)
            self.process = None

    def proxy(self, motor: Optional[str] = None, timeout_ms: int = 3000) -> tango.DeviceProxy:
        proxy = tango.DeviceProxy(self.motors[motor] if motor else self.controller)
        proxy.set_timeout_millis(timeout_ms)
        return proxy


class Events:
    """Change events of some attributes, kept per (device, attribute) in
    arrival order; each list is read through a cursor of its own, so that
    waiting on one device's events does not skip another's."""

    def __init__(self) -> None:
        self._condition = threading.Condition()
        self._events: Dict[Tuple[str, str], List[Tuple[Any, Any]]] = {}
        self._cursors: Dict[Tuple[str, str], int] = {}
        self._subscriptions: List[Tuple[tango.DeviceProxy, int]] = []

    def _push(self, key: Tuple[str, str], event: tango.EventData) -> None:
        if event.err:
            return  # a subscription's error: the waits report what they missed
        with self._condition:
            self._events.setdefault(key, []).append((event.attr_value.value, event.attr_value.quality))
            self._condition.notify_all()

    def subscribe(self, proxy: tango.DeviceProxy, *attributes: str) -> "Events":
        for attribute in attributes:
            key = (proxy.dev_name().lower(), attribute.lower())
            subscription = proxy.subscribe_event(attribute, tango.EventType.CHANGE_EVENT,
                                                 lambda event, key=key: self._push(key, event))
            self._subscriptions.append((proxy, subscription))
        return self

    def wait(self, device: tango.DeviceProxy, attribute: str, condition: Callable[[Any], bool], timeout: float,
             what: str = "") -> Tuple[Any, Any]:
        """The next event of ``attribute`` on ``device`` whose value meets
        ``condition``, as (value, quality); the events before it are passed."""
        key = (device.dev_name().lower(), attribute.lower())
        deadline = time.monotonic() + timeout
        with self._condition:
            while True:
                events = self._events.get(key, [])
                for n in range(self._cursors.get(key, 0), len(events)):
                    if condition(events[n][0]):
                        self._cursors[key] = n + 1
                        return events[n]
                self._cursors[key] = len(events)
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    raise AssertionError("no %s event of %s %s within %.1f s; its events: %s"
                                         % (attribute, key[0], what, timeout, [e[0] for e in events[-12:]]))
                self._condition.wait(remaining)

    def values(self, device: tango.DeviceProxy, attribute: str) -> List[Any]:
        """The values of all events of one attribute so far."""
        with self._condition:
            return [e[0] for e in self._events.get((device.dev_name().lower(), attribute.lower()), [])]

    def clear(self) -> None:
        with self._condition:
            self._events.clear()
            self._cursors.clear()

    def close(self) -> None:
        for proxy, subscription in self._subscriptions:
            try:
                proxy.unsubscribe_event(subscription)
            except tango.DevFailed:
                pass
        self._subscriptions.clear()
        self.clear()


def state_is(state: tango.DevState) -> Callable[[Any], bool]:
    return lambda value: value == state


def reason(error: tango.DevFailed) -> str:
    return error.args[0].reason
