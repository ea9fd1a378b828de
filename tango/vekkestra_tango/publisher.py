"""The one thread of the process that pushes Tango events.

Pushing an event takes the device's serialization monitor. A client call
holds that monitor while it waits (up to a second) for the poll thread, so a
poll thread that pushed by itself could wait for a call that waits for it.
The poll thread therefore only queues the pushes; this thread makes them,
in the order they were queued: it works out a task's events without the
device's monitor (a device's ``pusher`` keeps them; the task holds the
device object, which outlives the device's deletion), and takes the monitor
only when there is something to send.
"""

import logging
import queue
import threading
from typing import Any, Callable, List, Optional, Tuple

import tango

log = logging.getLogger("vekkestra_tango")

_Task = Tuple[Any, Callable[[], None]]


class Publisher:
    def __init__(self) -> None:
        self._tasks: "queue.SimpleQueue[Optional[List[_Task]]]" = queue.SimpleQueue()
        self._thread = threading.Thread(target=self._run, name="events", daemon=True)
        self._thread.start()

    def post(self, device: Any, push: Callable[[], None]) -> None:
        """Runs ``push()`` on the event thread, then sends the events it
        left in ``device.pusher`` under the device's monitor; unless the
        device has been deleted by then (``device.alive`` false)."""
        self._tasks.put([(device, push)])

    def post_all(self, tasks: List[_Task]) -> None:
        """Several posts at once: one wake-up of the event thread for a whole poll."""
        if tasks:
            self._tasks.put(tasks)

    def _run(self) -> None:
        with tango.EnsureOmniThread():
            while True:
                tasks = self._tasks.get()
                if tasks is None:
                    return
                for device, push in tasks:
                    try:
                        if not getattr(device, "alive", False):
                            continue
                        push()
                        if device.pusher.due():
                            with tango.AutoTangoMonitor(device):
                                if device.alive:
                                    device.pusher.send()
                    except Exception:  # noqa: BLE001 - one failed push must not end the others
                        log.exception("pushing an event failed")


_publisher: Optional[Publisher] = None
_lock = threading.Lock()


def publisher() -> Publisher:
    """The process's publisher, started on first use."""
    global _publisher
    with _lock:
        if _publisher is None:
            _publisher = Publisher()
        return _publisher
