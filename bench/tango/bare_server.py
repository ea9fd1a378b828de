#!/usr/bin/python3
"""The benchmark's reference: a bare Tango device server that pushes
``Position`` change events the way VekKestraDS does (a double, with time and
the ATTR_CHANGING quality, under each device's monitor) and does nothing
else: no controller, no poll, no cache. What it costs is what Tango itself
costs for those events; the benchmark sets VekKestraDS's figure beside it.

    bare_server.py <instance>   (devices registered by bench_tango.py)

BARE_PERIOD_MS: time between rounds (default 21.7, the moving poll's pace);
BARE_AXES: the devices that get a new value each round, by the last letter
of their names (default all).
"""

import os
import threading
import time
from typing import List

import tango
from tango import AttrQuality
from tango.server import Device, attribute, run

_AXES = os.environ.get("BARE_AXES", "").upper()
_pushed: List["BarePosition"] = []  # the devices that get new values
_lock = threading.Lock()


class BarePosition(Device):
    Position = attribute(dtype=float)

    def init_device(self) -> None:
        super().init_device()
        self.set_change_event("Position", True, False)
        self.value = 0.0
        if not _AXES or self.get_name()[-1].upper() in _AXES:
            with _lock:
                _pushed.append(self)

    def read_Position(self) -> float:
        return self.value


def _push_rounds() -> None:
    period = float(os.environ.get("BARE_PERIOD_MS", "21.7")) / 1000.0
    with tango.EnsureOmniThread():
        next_round = time.monotonic()
        while True:
            next_round += period
            time.sleep(max(0.0, next_round - time.monotonic()))
            with _lock:
                devices = list(_pushed)
            for device in devices:
                with tango.AutoTangoMonitor(device):
                    device.value += 1.0
                    device.push_change_event("Position", device.value, time.time(), AttrQuality.ATTR_CHANGING)


if __name__ == "__main__":
    threading.Thread(target=_push_rounds, name="rounds", daemon=True).start()
    run((BarePosition,))
