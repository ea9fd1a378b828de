"""The Tango devices: VekController (one controller, its link) and VekMotor
(one axis, in user units, with the usual motor attributes).

Device calls never talk to the controller themselves: reads come from the
link's cache, commands and writes are handed to the link's poll thread and
waited for at most a second. Events are pushed on the process's event
thread (publisher.py), from the changes the poll thread reports.
"""

import contextlib
import dataclasses
import functools
import threading
import time
from typing import Any, Callable, Dict, Iterator, List, Optional, Set, Tuple

import tango
from tango import AttrQuality, AttrWriteType, DevState
from tango.server import Device, attribute, command, device_property

from . import units
from .link import ALL_AXES, AXES, AXIS_COUNT, AxisView, Endpoint, Link, LinkView, Refused
from .publisher import publisher

BAUD_RATES = (9600, 19200, 38400, 57600, 115200)

_STATES = {"INIT": DevState.INIT, "ON": DevState.ON, "MOVING": DevState.MOVING, "ALARM": DevState.ALARM,
           "FAULT": DevState.FAULT}
_QUALITY = {"MOVING": AttrQuality.ATTR_CHANGING, "ALARM": AttrQuality.ATTR_ALARM,
            "FAULT": AttrQuality.ATTR_INVALID, "INIT": AttrQuality.ATTR_INVALID}


def _ramp(scale: units.Scale, view: AxisView) -> float:
    return units.ramp_seconds(view.velocity, view.base_rate, view.acceleration)


#: A motor's attributes made of its axis's view: name -> value(scale, view).
_VALUES: Dict[str, Callable[[units.Scale, AxisView], Any]] = {
    "Position": lambda s, v: s.user(v.steps),
    "DialPosition": lambda s, v: s.dial(v.steps),
    "EncoderPosition": lambda s, v: s.user(v.encoder),
    "Limit_switches": lambda s, v: (v.home, v.upper, v.lower),
    "Velocity": lambda s, v: s.speed(v.velocity),
    "Base_rate": lambda s, v: s.speed(v.base_rate),
    "Acceleration": _ramp,
    "Deceleration": _ramp,
}
#: The attributes that carry the axis's state as their quality.
_POSITIONAL = ("Position", "DialPosition", "EncoderPosition")
_SPEEDS = ("Velocity", "Base_rate", "Acceleration", "Deceleration")
#: The attributes in the user unit (UnitName), and in user units per second.
_USER_UNIT = _POSITIONAL + ("Offset",)
_SPEED_UNIT = ("Velocity", "Base_rate")
#: The view fields the speeds are made of.
_SPEED_FIELDS = frozenset(("velocity", "base_rate", "acceleration"))
#: The states in which an axis's view holds what the controller said.
_KNOWN = ("ON", "MOVING", "ALARM")
#: Which of those attributes a change of a view field can change (state: the quality).
_AFFECTED = {"state": _POSITIONAL, "steps": _POSITIONAL[:2], "encoder": _POSITIONAL[2:],
             "home": ("Limit_switches",), "upper": ("Limit_switches",), "lower": ("Limit_switches",),
             "velocity": _SPEEDS, "base_rate": _SPEEDS, "acceleration": _SPEEDS}


@functools.lru_cache(maxsize=None)
def _affected(fields: frozenset) -> Tuple[str, ...]:
    """The attributes to push for the changed view ``fields``, in _VALUES's order."""
    names: Set[str] = set()
    for field in fields:
        names.update(_AFFECTED.get(field, ()))
    return tuple(name for name in _VALUES if name in names)


@contextlib.contextmanager
def _as_devfailed(origin: str) -> Iterator[None]:
    """Turns a refusal or a bad value into the DevFailed a client sees."""
    try:
        yield
    except Refused as refusal:
        tango.Except.throw_exception(refusal.reason, str(refusal), origin)
    except ValueError as error:
        tango.Except.throw_exception("BadValue", str(error), origin)


class _Registry:
    """The devices of this server process, for motors to find their controller."""

    def __init__(self) -> None:
        self._lock = threading.Lock()
        self._controllers: Dict[str, "VekController"] = {}
        self._motors: Dict[str, Tuple[str, int, "VekMotor"]] = {}

    def add_controller(self, device: "VekController", serving: bool) -> Optional[str]:
        """Registers a controller device; one that is to serve its controller
        is refused (the reason returned) when another one already does."""
        with self._lock:
            self._controllers[device.key] = device
            others = [name for name, other in self._controllers.items() if name != device.key and other.serving]
            if serving and others:
                # The library keeps one status word per transport and process:
                # two controllers in one process would read each other's flags.
                return ("this server instance already serves the controller %s; give %s a server instance "
                        "of its own" % (others[0], device.get_name()))
            device.serving = serving
            return None

    def remove_controller(self, device: "VekController") -> None:
        with self._lock:
            if self._controllers.get(device.key) is device:
                del self._controllers[device.key]

    def controller(self, key: str) -> Optional["VekController"]:
        return self._controllers.get(key)

    def add_motor(self, device: "VekMotor", controller: str, index: int) -> Optional[str]:
        with self._lock:
            for name, (other_controller, other_index, _) in self._motors.items():
                if name != device.key and (other_controller, other_index) == (controller, index):
                    return "property Axis: axis %s of %s is already served by %s" % (AXES[index], controller, name)
            self._motors[device.key] = (controller, index, device)
            return None

    def remove_motor(self, device: "VekMotor") -> None:
        with self._lock:
            if device.key in self._motors and self._motors[device.key][2] is device:
                del self._motors[device.key]

    def motors_of(self, controller: str) -> Dict[int, "VekMotor"]:
        with self._lock:
            return {index: device for c, index, device in self._motors.values() if c == controller}


REGISTRY = _Registry()

#: The mark of a write value among a device's due pushes.
_WRITE_VALUE = object()


class _Pusher:
    """A device's change events: an attribute's value is pushed only when it
    differs from the last one pushed (or when forced), so that each change
    goes out once; and only while some client is subscribed to it, since a
    push costs the server as much whether anyone listens or not. A client
    that subscribes gets the current value from the subscription itself.

    The events are worked out first (``push``), without the device's
    monitor, and then sent together under it (``send``, by the publisher):
    while axes move, most polls find nobody listening to most motors, and
    taking a device's monitor costs more than the rest of its turn."""

    def __init__(self, device: Device) -> None:
        self._device = device
        self._last: Dict[str, Any] = {}
        self._checks: Dict[str, Callable[[], bool]] = {}
        self._due: List[Tuple[str, Any, Any]] = []  # (name, value, quality or _WRITE_VALUE)
        self._written: Dict[str, Any] = {}

    def listened(self, name: str) -> bool:
        """Whether a client is subscribed to ``name``'s change events. The
        last value of one that is not is forgotten: the first push after a
        new subscription goes out even if the value has not changed."""
        check = self._checks.get(name)
        if check is None:
            check = self._checks[name] = self._device.get_device_attr().get_attr_by_name(name).change_event_subscribed
        if check():
            return True
        self._last.pop(name, None)
        return False

    def push(self, name: str, value: Any, quality: Optional[AttrQuality] = None, force: bool = False) -> None:
        """Pushes ``value`` (at the next send()) unless it is the last one
        pushed (or ``force``): State and Status always, any other attribute
        while it is listened."""
        if name in ("State", "Status") or self.listened(name):
            self.push_listened(name, value, quality, force)

    def push_listened(self, name: str, value: Any, quality: Optional[AttrQuality] = None, force: bool = False) -> None:
        """push() of an attribute just found listened."""
        key = (value, quality)
        if not force and self._last.get(name) == key:
            return
        self._last[name] = key
        self._due.append((name, value, quality))

    def write_value(self, name: str, value: Any, first: bool = False) -> None:
        """Makes ``value`` the write value (set point) of ``name`` at the
        next send(), unless it is already (or, ``first``, unless one was
        set before): a client's form then starts from what the attribute
        reads instead of 0."""
        if first and name in self._written:
            return
        if self._written.get(name) != value:
            self._written[name] = value
            self._due.append((name, value, _WRITE_VALUE))

    def due(self) -> bool:
        return bool(self._due)

    def send(self) -> None:
        """Makes the pushes due, in order; under the device's monitor.
        State and Status are set, then pushed without a value: Tango 9.3
        leaks the copy of a State or Status value pushed with the event."""
        due, self._due = self._due, []
        device = self._device
        for name, value, quality in due:
            if name == "State":
                device.set_state(value)
                device.push_change_event("State")
            elif name == "Status":
                device.set_status(value)
                device.push_change_event("Status")
            elif quality is _WRITE_VALUE:
                device.get_device_attr().get_w_attr_by_name(name).set_write_value(value)
            elif quality is None:
                device.push_change_event(name, value)
            else:
                device.push_change_event(name, value, time.time(), quality)


class VekController(Device):
    """One VekKestra controller, reached over TCP (Host, Port) or a serial
    port (ComPort, Baud); one per server instance."""

    Host = device_property(dtype=str, default_value="", doc="controller's host name or IPv4 address")
    Port = device_property(dtype=int, default_value=5001, doc="controller's TCP port")
    ComPort = device_property(dtype=int, default_value=0, doc="serial port number, when Host is empty")
    Baud = device_property(dtype=int, default_value=115200, doc="serial baud rate")
    PollPeriod = device_property(dtype=int, default_value=20, doc="poll period while an axis moves, ms")
    RestPollPeriod = device_property(dtype=int, default_value=100,
                                     doc="poll period while every axis is at rest, ms (never below PollPeriod)")

    MotorPositions = attribute(dtype=(tango.DevLong,), max_dim_x=AXIS_COUNT, unit="steps",
                               doc="motor positions of the axes X, Y, Z, T, U, V, R, S, W, K")
    EncoderPositions = attribute(dtype=(tango.DevLong,), max_dim_x=AXIS_COUNT, unit="steps",
                                 doc="encoder positions of the axes, in encoder counts")
    StatusWord = attribute(dtype=tango.DevULong,
                           doc="library status word as the last poll read it: done bits 0-9, limit 10-19, "
                               "slip 20-29, command error 30")

    def init_device(self) -> None:
        super().init_device()
        self.key = self.get_name().lower()
        self.link: Optional[Link] = None
        self.serving = False
        self.alive = True
        self.pusher = _Pusher(self)
        for name in ("State", "Status", "MotorPositions", "EncoderPositions", "StatusWord"):
            self.set_change_event(name, True, False)
        endpoint, fault = self._endpoint()
        self.fault = REGISTRY.add_controller(self, serving=fault is None) or fault
        if self.fault or endpoint is None:
            self.set_state(DevState.FAULT)
            self.set_status(self.fault)
            return
        self.link = Link(self.get_name(), endpoint, self.PollPeriod / 1000.0, self._on_change,
                         rest_period_s=self.RestPollPeriod / 1000.0)
        self.link.start()

    def delete_device(self) -> None:
        self.alive = False
        if self.link is not None:
            self.link.close()
        REGISTRY.remove_controller(self)
        for motor in REGISTRY.motors_of(self.key).values():
            publisher().post(motor, motor.refresh)

    def _endpoint(self) -> Tuple[Optional[Endpoint], Optional[str]]:
        """The controller's address from the properties, or the fault that names the bad one."""
        for name in ("PollPeriod", "RestPollPeriod"):
            if not 1 <= getattr(self, name) <= 10000:
                return None, "property %s: %d ms is outside 1-10000 ms" % (name, getattr(self, name))
        host = self.Host.strip()
        if host:
            if not 1 <= self.Port <= 65535:
                return None, "property Port: %d is not a TCP port" % self.Port
            return Endpoint(host=host, port=self.Port), None
        if self.ComPort == 0:
            return None, "property Host is not set (nor ComPort): set Host (and Port) or ComPort (and Baud)"
        if not 1 <= self.ComPort <= 32:
            return None, "property ComPort: %d is not a port number 1-32" % self.ComPort
        if self.Baud not in BAUD_RATES:
            return None, "property Baud: %d is not one of %s" % (self.Baud, ", ".join(map(str, BAUD_RATES)))
        return Endpoint(com_port=self.ComPort, baud=self.Baud), None

    # -- events (poll thread, then event thread) ------------------------------------

    def _on_change(self, view: Optional[LinkView], updates: List[Tuple[int, AxisView, frozenset, bool]]) -> None:
        tasks = []
        if view is not None:
            tasks.append((self, lambda: self._push(view)))
        if updates:
            motors = REGISTRY.motors_of(self.key)
            for index, axis, fields, ended in updates:
                motor = motors.get(index)
                if motor is not None:
                    tasks.append((motor, functools.partial(motor.push_axis, axis, ended, fields)))
        publisher().post_all(tasks)

    def _push(self, view: LinkView) -> None:
        self.pusher.push("MotorPositions", view.motor)
        self.pusher.push("EncoderPositions", view.encoder)
        self.pusher.push("StatusWord", view.word)
        self.pusher.push("State", _STATES[view.state])
        self.pusher.push("Status", view.status)

    # -- reads ---------------------------------------------------------------------

    def _view(self) -> LinkView:
        if self.link is None:
            tango.Except.throw_exception("BadProperty", self.fault or "not running", "VekController")
        return self.link.view()

    def dev_state(self) -> DevState:
        if self.link is None:
            return DevState.FAULT
        return _STATES[self.link.view().state]

    def dev_status(self) -> str:
        if self.link is None:
            return self.fault or ""
        return self.link.view().status

    def read_MotorPositions(self) -> Tuple[int, ...]:
        return self._view().motor

    def read_EncoderPositions(self) -> Tuple[int, ...]:
        return self._view().encoder

    def read_StatusWord(self) -> int:
        return self._view().word

    # -- commands ------------------------------------------------------------------

    def running_link(self, origin: str) -> Link:
        if self.link is None:
            tango.Except.throw_exception("BadProperty", self.fault or "not running", origin)
        return self.link

    @command(doc_in="stops every axis with its deceleration ramp")
    def StopAll(self) -> None:
        with _as_devfailed("VekController.StopAll"):
            self.running_link("VekController.StopAll").stop(ALL_AXES)

    @command(doc_in="stops every axis at once, without a ramp")
    def AbortAll(self) -> None:
        with _as_devfailed("VekController.AbortAll"):
            self.running_link("VekController.AbortAll").kill(ALL_AXES)

    @command(dtype_in=tango.DevVarLongStringArray,
             doc_in="([step targets], [axis letters]): one synchronised move of those axes")
    def MoveMultiple(self, argin: Tuple[List[int], List[str]]) -> None:
        origin = "VekController.MoveMultiple"
        steps, letters = [int(v) for v in argin[0]], list(argin[1])  # the targets come as a numpy array
        if len(steps) != len(letters) or not steps:
            tango.Except.throw_exception("BadValue", "give as many step targets as axis letters (%d and %d)"
                                         % (len(steps), len(letters)), origin)
        targets: Dict[int, int] = {}
        for value, letter in zip(steps, letters):
            index = AXES.find(letter.strip().upper())
            if len(letter.strip()) != 1 or index < 0:
                tango.Except.throw_exception("BadValue", "%r is not an axis letter (%s)" % (letter, ", ".join(AXES)),
                                             origin)
            if index in targets:
                tango.Except.throw_exception("BadValue", "axis %s is given twice" % AXES[index], origin)
            targets[index] = int(value)
        with _as_devfailed(origin):
            self.running_link(origin).move(targets)

    @command(dtype_in=str, dtype_out=str,
             doc_in="a controller text holding at least one query, e.g. AXRP;AXEA",
             doc_out="the controller's answer")
    def WriteRead(self, text: str) -> str:
        origin = "VekController.WriteRead"
        try:
            encoded = text.encode("ascii")
        except UnicodeEncodeError:
            encoded = b""
        if not encoded or len(encoded) > 127:
            tango.Except.throw_exception("BadValue", "the text must be 1 to 127 ASCII characters", origin)
        with _as_devfailed(origin):
            return self.running_link(origin).write_read(text)


class VekMotor(Device):
    """One axis of a VekController of this server instance, in user units:
    Position = Sign * DialPosition + Offset, DialPosition = steps / Step_per_unit."""

    Controller = device_property(dtype=str, default_value="", doc="device name of the VekController")
    Axis = device_property(dtype=str, default_value="", doc="axis letter: X, Y, Z, T, U, V, R, S, W or K")
    UnitName = device_property(dtype=str, default_value="steps",
                               doc="the user unit's name, the unit of Position and (per second) of the speeds")

    Position = attribute(dtype=float, access=AttrWriteType.READ_WRITE, format="%.6g",
                         doc="user position; writing it starts a move")
    DialPosition = attribute(dtype=float, format="%.6g", doc="steps / Step_per_unit")
    Offset = attribute(dtype=float, access=AttrWriteType.READ_WRITE, memorized=True, hw_memorized=True,
                       format="%.6g", doc="Position - Sign * DialPosition")
    Sign = attribute(dtype=tango.DevShort, access=AttrWriteType.READ_WRITE, memorized=True, hw_memorized=True,
                     doc="1 or -1")
    Step_per_unit = attribute(dtype=float, access=AttrWriteType.READ_WRITE, memorized=True, hw_memorized=True,
                              format="%.6g", doc="motor steps per user unit")
    Velocity = attribute(dtype=float, access=AttrWriteType.READ_WRITE, format="%.6g", doc="units/s")
    Base_rate = attribute(dtype=float, access=AttrWriteType.READ_WRITE, format="%.6g", doc="units/s")
    Acceleration = attribute(dtype=float, access=AttrWriteType.READ_WRITE, unit="s", format="%.6g",
                             doc="seconds from Base_rate to Velocity")
    Deceleration = attribute(dtype=float, access=AttrWriteType.READ_WRITE, unit="s", format="%.6g",
                             doc="seconds from Velocity to Base_rate (the controller's one acceleration)")
    EncoderPosition = attribute(dtype=float, format="%.6g", doc="encoder counts in user units")
    Limit_switches = attribute(dtype=(bool,), max_dim_x=3, doc="[home, upper, lower]")

    _EVENTS = ("State", "Status", "Position", "DialPosition", "EncoderPosition", "Limit_switches", "Offset", "Sign",
               "Step_per_unit", "Velocity", "Base_rate", "Acceleration", "Deceleration")

    def init_device(self) -> None:
        super().init_device()
        self.key = self.get_name().lower()
        self.alive = True
        self.scale = units.Scale()
        self.pusher = _Pusher(self)
        for name in self._EVENTS:
            self.set_change_event(name, True, False)
        self._show_units()
        self.controller_key = self.Controller.strip().lower()
        self.index = AXES.find(self.Axis.strip().upper())
        self.fault = self._property_fault()
        if self.fault is None:
            self.fault = REGISTRY.add_motor(self, self.controller_key, self.index)
        if self.fault is not None:
            self.set_state(DevState.FAULT)
            self.set_status(self.fault)

    def delete_device(self) -> None:
        self.alive = False
        REGISTRY.remove_motor(self)

    def _show_units(self) -> None:
        """The units of the attributes, from UnitName; the write values of
        the scale's attributes, its own (a client's form starts from them)."""
        unit = self.UnitName.strip() or "steps"
        attributes = self.get_device_attr()
        for names, shown in ((_USER_UNIT, unit), (_SPEED_UNIT, unit + "/s")):
            for name in names:
                attribute = attributes.get_attr_by_name(name)
                properties = attribute.get_properties()
                properties.unit = shown
                attribute.set_properties(properties)
        for name, value in (("Offset", self.scale.offset), ("Sign", self.scale.sign),
                            ("Step_per_unit", self.scale.step_per_unit)):
            attributes.get_w_attr_by_name(name).set_write_value(value)

    def _property_fault(self) -> Optional[str]:
        if len(self.Axis.strip()) != 1 or self.index < 0:
            return "property Axis: %r is not an axis letter (%s)" % (self.Axis, ", ".join(AXES))
        if not self.controller_key:
            return "property Controller is not set: name the VekController device of this server instance"
        if REGISTRY.controller(self.controller_key) is None:
            return "property Controller: no VekController %r runs in this server instance" % self.Controller
        return None

    # -- the axis as clients see it --------------------------------------------------

    def _axis(self) -> Tuple[str, str, Optional[AxisView]]:
        """(state, status, the axis's view or None)."""
        if self.fault is not None:
            return "FAULT", self.fault, None
        controller = REGISTRY.controller(self.controller_key)
        if controller is None or controller.link is None:
            why = controller.fault if controller is not None else "it is not running"
            return "FAULT", "controller %s: %s" % (self.Controller, why), None
        view = controller.link.axis(self.index)
        return view.state, view.status, view

    def _link(self, origin: str) -> Link:
        state, status, view = self._axis()
        if view is None:
            tango.Except.throw_exception("BadProperty" if self.fault else "NoController", status, origin)
        controller = REGISTRY.controller(self.controller_key)
        assert controller is not None and controller.link is not None
        return controller.link

    def _read(self, name: str) -> Any:
        state, status, view = self._axis()
        if view is None:
            tango.Except.throw_exception("NoValue", status, "VekMotor.read_" + name)
        value = _VALUES[name](self.scale, view)
        if name in _POSITIONAL:
            return value, time.time(), _QUALITY.get(state, AttrQuality.ATTR_VALID)
        return value

    def push_axis(self, view: Optional[AxisView], ended: bool = False, fields: Optional[frozenset] = None) -> None:
        """Pushes what changed (event thread, under this device's monitor):
        the attributes made of the view ``fields`` that changed, or all of
        them (``fields`` None); a motion that ended pushes its positions once
        more."""
        if view is None:
            state, status, view = self._axis()
        else:
            state, status = view.state, view.status
        p = self.pusher
        every = fields is None
        if state == "MOVING" and (every or "state" in fields):  # a motion's start: the state first
            p.push("State", _STATES[state])
        if view is not None:
            quality = _QUALITY.get(state, AttrQuality.ATTR_VALID)
            scale = self.scale
            for name in _VALUES if every or ended else _affected(fields):
                if not p.listened(name):
                    continue  # the value is not even worked out
                if name in _POSITIONAL:
                    p.push_listened(name, _VALUES[name](scale, view), quality, force=ended)
                else:
                    p.push_listened(name, _VALUES[name](scale, view))
            if state in _KNOWN:
                if every or not _SPEED_FIELDS.isdisjoint(fields):
                    # The set points of the speeds follow what the controller has.
                    for name in _SPEEDS:
                        p.write_value(name, _VALUES[name](scale, view))
                # Position's is the target last written: where the axis was first seen, until one is.
                p.write_value("Position", scale.user(view.steps), first=True)
        if every:
            p.push("Offset", self.scale.offset)
            p.push("Sign", self.scale.sign)
            p.push("Step_per_unit", self.scale.step_per_unit)
        if every or "state" in fields:
            p.push("State", _STATES[state])
        if every or "status" in fields:
            p.push("Status", status)

    def refresh(self) -> None:
        self.push_axis(None)

    def dev_state(self) -> DevState:
        return _STATES[self._axis()[0]]

    def dev_status(self) -> str:
        return self._axis()[1]

    # -- attributes --------------------------------------------------------------

    def read_Position(self) -> Any:
        return self._read("Position")

    def write_Position(self, value: float) -> None:
        origin = "VekMotor.write_Position"
        with _as_devfailed(origin):
            self._link(origin).move({self.index: self.scale.steps_for(value)})

    def read_DialPosition(self) -> Any:
        return self._read("DialPosition")

    def read_EncoderPosition(self) -> Any:
        return self._read("EncoderPosition")

    def read_Limit_switches(self) -> Any:
        return self._read("Limit_switches")

    def _rescale(self, origin: str, **change: Any) -> None:
        with _as_devfailed(origin):
            self.scale = dataclasses.replace(self.scale, **change)
        # The speeds' set points in the new scale at once (this call holds
        # the device's monitor), for the client that reads them next.
        view = self._axis()[2]
        if view is not None and view.state in _KNOWN:
            attributes = self.get_device_attr()
            for name in _SPEEDS:
                attributes.get_w_attr_by_name(name).set_write_value(_VALUES[name](self.scale, view))
        publisher().post(self, self.refresh)

    def read_Offset(self) -> float:
        return self.scale.offset

    def write_Offset(self, value: float) -> None:
        self._rescale("VekMotor.write_Offset", offset=value)

    def read_Sign(self) -> int:
        return self.scale.sign

    def write_Sign(self, value: int) -> None:
        self._rescale("VekMotor.write_Sign", sign=int(value))

    def read_Step_per_unit(self) -> float:
        return self.scale.step_per_unit

    def write_Step_per_unit(self, value: float) -> None:
        self._rescale("VekMotor.write_Step_per_unit", step_per_unit=value)

    def read_Velocity(self) -> Any:
        return self._read("Velocity")

    def write_Velocity(self, value: float) -> None:
        origin = "VekMotor.write_Velocity"
        with _as_devfailed(origin):
            self._link(origin).set_speed(self.index, velocity=self.scale.speed_steps(value, "Velocity"))

    def read_Base_rate(self) -> Any:
        return self._read("Base_rate")

    def write_Base_rate(self, value: float) -> None:
        origin = "VekMotor.write_Base_rate"
        with _as_devfailed(origin):
            self._link(origin).set_speed(self.index, base_rate=self.scale.speed_steps(value, "Base_rate"))

    def _write_ramp(self, value: float, origin: str) -> None:
        with _as_devfailed(origin):
            link = self._link(origin)
            view = link.axis(self.index)
            link.set_speed(self.index, acceleration=units.acceleration_for(value, view.velocity, view.base_rate))

    def read_Acceleration(self) -> Any:
        return self._read("Acceleration")

    def write_Acceleration(self, value: float) -> None:
        self._write_ramp(value, "VekMotor.write_Acceleration")

    def read_Deceleration(self) -> Any:
        return self._read("Deceleration")

    def write_Deceleration(self, value: float) -> None:
        self._write_ramp(value, "VekMotor.write_Deceleration")

    # -- commands -----------------------------------------------------------------

    @command(doc_in="stops the axis with its deceleration ramp")
    def Stop(self) -> None:
        with _as_devfailed("VekMotor.Stop"):
            self._link("VekMotor.Stop").stop(1 << self.index)

    @command(doc_in="stops the axis at once, without a ramp")
    def Abort(self) -> None:
        with _as_devfailed("VekMotor.Abort"):
            self._link("VekMotor.Abort").kill(1 << self.index)

    @command(doc_in="searches the home switch; the dial reads 0 there")
    def Home(self) -> None:
        with _as_devfailed("VekMotor.Home"):
            self._link("VekMotor.Home").home(self.index)

    @command(dtype_in=float, doc_in="the user position the axis is at now (sets the controller's step count)")
    def DefinePosition(self, position: float) -> None:
        with _as_devfailed("VekMotor.DefinePosition"):
            self._link("VekMotor.DefinePosition").define(self.index, self.scale.steps_for(position))
