"""What the device tests run on: the devices in a server of their own
without a database (the fast tier), or the test database (MariaDB and
DataBaseds, through scripts/tango-services.sh) with server instances
registered in it; simulators, a relay that can hold and cut a connection,
and event collection. VEKSIM is the simulator, VEKKESTRA_LIBRARY the library
built with it."""

import os
import re
import selectors
import signal
import socket
import subprocess
import sys
import threading
import time
from typing import Any, Callable, Dict, List, Optional, Set, Tuple

import tango
from tango import DevState

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SERVER = os.path.join(os.path.dirname(HERE), "VekKestraDS")
SERVICES = os.path.join(ROOT, "scripts", "tango-services.sh")
#: Where the server's package and the vekkestra package are found.
PACKAGES = [os.path.join(ROOT, "bindings", "python"), os.path.dirname(HERE)]

#: The controller's reply wait (the core gives up on a reply after it).
REPLY_WAIT_S = 2.5
#: The longest an event may take: a poll that waits out one reply, and a poll more.
EVENT_WAIT_S = REPLY_WAIT_S + 2.5


def missing_prerequisite(database: bool = True) -> str:
    """What this machine lacks to run the servers (on a test database), or ""."""
    for path in ("/usr/sbin/mariadbd", "/usr/lib/tango/DataBaseds", "/usr/bin/tango_admin") if database else ():
        if not os.path.exists(path):
            return "%s is missing (scripts/install-deps.sh --tango)" % path
    for variable in ("VEKSIM", "VEKKESTRA_LIBRARY"):
        if not os.environ.get(variable):
            return "%s is not set" % variable
    return ""


class Database:
    """The database in ``run_dir``, on a free port; ``start()`` sets
    TANGO_HOST and PYTHONPATH for every process started afterwards."""

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
        os.environ["PYTHONPATH"] = os.pathsep.join(PACKAGES + [HERE, os.environ.get("PYTHONPATH", "")])
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


def stop_process(process: Optional[subprocess.Popen], timeout: float) -> None:
    """SIGTERM, then wait for the PID (a Tango server takes a second or more to leave)."""
    if process is not None and process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Veksim:
    """One simulator process on loopback; ``port`` fixed so that a new one can take its place.
    With ``com_port`` it also serves a pty, whose path is then ``pty``."""

    def __init__(self, *flags: str, port: int = 0, com_port: int = 0) -> None:
        self.port = port or free_port()
        self.flags = list(flags) + (["--publish-com", str(com_port)] if com_port else [])
        self.pty = ""
        self.process: Optional[subprocess.Popen] = None

    def start(self) -> "Veksim":
        deadline = time.monotonic() + 10
        while True:
            self.process = subprocess.Popen([os.environ["VEKSIM"], "--port", str(self.port)] + self.flags,
                                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            first = self.process.stdout.readline()
            if "listening on" in first:
                break
            # The port of a simulator just stopped can take a moment to be free.
            self.process.wait()
            if time.monotonic() > deadline:
                raise RuntimeError("veksim did not start: %s" % first)
            time.sleep(0.2)
        for _ in range(3 if "--publish-com" in self.flags else 0):
            match = re.match(r"VEKKESTRA_COM\d+=(\S+)", self.process.stdout.readline())
            if match:
                self.pty = match.group(1)
                break
        # Nobody reads its output from here on: let a thread drain it.
        threading.Thread(target=self.process.stdout.read, daemon=True).start()
        return self

    def stop(self) -> None:
        stop_process(self.process, 5)
        self.process = None


class Devices:
    """VekKestraDS's devices served without a database (PyTango's
    MultiDeviceTestContext, in a process of its own): a VekController
    ``test/vek/<name>`` for each of ``controllers`` (name -> properties) and
    a VekMotor ``test/vek/<name>`` for each of ``motors``, whose Controller
    is ``test/vek/ctl`` unless its properties say otherwise. Devices of a
    class are made in the order given. Events work here too, but the tests
    that need them run on the database, as a facility's clients do."""

    def __init__(self, controllers: Dict[str, Dict[str, Any]], motors: Dict[str, Dict[str, Any]]) -> None:
        from tango.test_context import MultiDeviceTestContext

        from vekkestra_tango.devices import VekController, VekMotor

        def devices(named: Dict[str, Dict[str, Any]], defaults: Dict[str, Any]) -> List[Dict[str, Any]]:
            return [{"name": "test/vek/" + name, "properties": dict(defaults, **properties)}
                    for name, properties in named.items()]

        info = [{"class": VekController, "devices": devices(controllers, {})},
                {"class": VekMotor, "devices": devices(motors, {"Controller": "test/vek/ctl"})}]
        self.context = MultiDeviceTestContext(info, server_name="VekKestraDS", instance_name="test", process=True,
                                              timeout=30)

    def __enter__(self) -> "Devices":
        self.context.start()
        return self

    def __exit__(self, *exc: object) -> None:
        self.context.stop()

    def proxy(self, name: str = "ctl", timeout_ms: int = 3000) -> tango.DeviceProxy:
        proxy = tango.DeviceProxy(self.context.get_device_access("test/vek/" + name))
        proxy.set_timeout_millis(timeout_ms)
        return proxy


class Relay:
    """A TCP relay on loopback between the server and a simulator, which
    can hold what the simulator sends (the server then waits for its reply)
    and cut the connections, and refuse new ones until ``reopen()``."""

    def __init__(self, target_port: int) -> None:
        self.target_port = target_port
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.holding = threading.Event()
        self.held = threading.Event()  # something came from the simulator while holding
        self._refusing = False
        self._pairs: List[Tuple[socket.socket, socket.socket]] = []
        self._lock = threading.Lock()
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self) -> None:
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            with self._lock:
                if self._refusing:
                    client.close()
                    continue
                controller = socket.create_connection(("127.0.0.1", self.target_port))
                self._pairs.append((client, controller))
            threading.Thread(target=self._pump, args=(client, controller), daemon=True).start()

    def _pump(self, client: socket.socket, controller: socket.socket) -> None:
        selector = selectors.DefaultSelector()
        selector.register(client, selectors.EVENT_READ, controller)
        selector.register(controller, selectors.EVENT_READ, client)
        try:
            while True:
                for key, _ in selector.select():
                    data = key.fileobj.recv(4096)  # type: ignore[union-attr]
                    if not data:
                        return
                    while key.fileobj is controller and self.holding.is_set():
                        self.held.set()
                        time.sleep(0.01)
                    key.data.sendall(data)
        except OSError:
            return
        finally:
            selector.close()
            for end in (client, controller):
                end.close()

    def hold(self) -> None:
        self.held.clear()
        self.holding.set()

    def cut(self, refuse: bool) -> None:
        """Closes the connections; with ``refuse``, new ones are closed at once."""
        with self._lock:
            self._refusing = refuse
            pairs, self._pairs = self._pairs, []
        for client, controller in pairs:
            for end in (client, controller):
                try:
                    end.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
        self.holding.clear()

    def reopen(self) -> None:
        with self._lock:
            self._refusing = False

    def close(self) -> None:
        self.cut(refuse=True)
        self.listener.close()


class Server:
    """One VekKestraDS instance registered in the database: the controller
    device ``<instance>/vek/ctl``, ``extra_controllers`` beside it and the
    ``motors`` (name -> properties) of ctl, as ``<instance>/vek/<name>``."""

    def __init__(self, instance: str, controller_properties: Dict[str, Any], motors: Dict[str, Dict[str, Any]],
                 extra_controllers: Optional[Dict[str, Any]] = None, env: Optional[Dict[str, str]] = None) -> None:
        self.instance = instance
        self.controller = "%s/vek/ctl" % instance
        self.motors = {name: "%s/vek/%s" % (instance, name) for name in motors}
        self.env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1", **(env or {}))
        self.process: Optional[subprocess.Popen] = None
        self.log_path = os.path.join(os.environ.get("VEK_TANGO_LOGS", "/tmp"), "server-%s.log" % instance)
        devices = {self.controller: ("VekController", controller_properties)}
        for name, properties in (extra_controllers or {}).items():
            devices["%s/vek/%s" % (instance, name)] = ("VekController", properties)
        for name, properties in motors.items():
            devices[self.motors[name]] = ("VekMotor", dict({"Controller": self.controller}, **properties))
        db = tango.Database()
        server = "VekKestraDS/" + instance
        if server in db.get_server_list(server):
            db.delete_server(server)
        infos = []
        for device, (cls, properties) in devices.items():
            info = tango.DbDevInfo()
            info.name, info._class, info.server = device, cls, server
            infos.append(info)
        db.add_server(server, infos)
        for device, (_, properties) in devices.items():
            db.put_device_property(device, {k: [str(v)] for k, v in properties.items()})

    def start(self) -> "Server":
        with open(self.log_path, "ab") as log:
            self.process = subprocess.Popen([sys.executable, SERVER, self.instance], stdout=log,
                                            stderr=subprocess.STDOUT, env=self.env)
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
        stop_process(self.process, 15)
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
        self._events: Dict[Tuple[str, str], List[Any]] = {}
        self._cursors: Dict[Tuple[str, str], int] = {}
        self._subscriptions: List[Tuple[tango.DeviceProxy, int]] = []
        self._keys: Set[Tuple[str, str]] = set()

    def _push(self, key: Tuple[str, str], event: tango.EventData) -> None:
        if event.err:
            return  # a subscription's error: the waits report what they missed
        with self._condition:
            self._events.setdefault(key, []).append(event.attr_value.value)
            self._condition.notify_all()

    def subscribe(self, proxy: tango.DeviceProxy, *attributes: str) -> "Events":
        """Subscribes to the attributes not yet followed, and waits until each
        subscription has delivered its first event, the current value."""
        for attribute in attributes:
            key = (proxy.dev_name().lower(), attribute.lower())
            if key in self._keys:
                continue
            self._keys.add(key)
            subscription = proxy.subscribe_event(attribute, tango.EventType.CHANGE_EVENT,
                                                 lambda event, key=key: self._push(key, event))
            self._subscriptions.append((proxy, subscription))
            # A first event may wait behind a poll that waits out the
            # controller's 2.5 s reply wait.
            with self._condition:
                if not self._condition.wait_for(lambda: key in self._events, EVENT_WAIT_S):
                    raise AssertionError("no first %s event of %s within %.1f s" % (attribute, key[0], EVENT_WAIT_S))
        return self

    def motion(self, motor: tango.DeviceProxy, start: Callable[[], Any], end: DevState = DevState.ON) -> None:
        """Runs ``start`` and waits for the motor's MOVING and ``end`` State events."""
        self.subscribe(motor, "State")
        start()
        self.wait(motor, "State", DevState.MOVING, EVENT_WAIT_S)
        self.wait(motor, "State", end, 10)

    def wait(self, device: tango.DeviceProxy, attribute: str, condition: Any, timeout: float, what: str = "") -> Any:
        """The value of the next event of ``attribute`` on ``device`` that
        meets ``condition`` (a function of the value, or the value it is to
        equal); the events before it are passed."""
        if not callable(condition):
            condition = lambda value, state=condition: value == state  # noqa: E731
        key = (device.dev_name().lower(), attribute.lower())
        deadline = time.monotonic() + timeout
        with self._condition:
            while True:
                events = self._events.get(key, [])
                for n in range(self._cursors.get(key, 0), len(events)):
                    if condition(events[n]):
                        self._cursors[key] = n + 1
                        return events[n]
                self._cursors[key] = len(events)
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    raise AssertionError("no %s event of %s %s within %.1f s; its events: %s"
                                         % (attribute, key[0], what, timeout, events[-12:]))
                self._condition.wait(remaining)

    def values(self, device: tango.DeviceProxy, attribute: str) -> List[Any]:
        """The values of all events of one attribute so far."""
        with self._condition:
            return list(self._events.get((device.dev_name().lower(), attribute.lower()), []))

    def close(self) -> None:
        for proxy, subscription in self._subscriptions:
            try:
                proxy.unsubscribe_event(subscription)
            except tango.DevFailed:
                pass
        self._subscriptions.clear()
        self._keys.clear()
        with self._condition:
            self._events.clear()
            self._cursors.clear()


def reason(error: tango.DevFailed) -> str:
    return error.args[0].reason
