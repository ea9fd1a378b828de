"""Many pages, one link: what every page is sent, the commands they send,
the jogs they hold, and the list of events.

Everything here runs on the server's event loop; the link's thread hands
its polls and state changes over with ``call_soon_threadsafe``. A page's
command becomes one job for the link's thread and its answer one reply to
that page; what the command did shows on every page through the polls.
"""

from __future__ import annotations

import asyncio
import collections
import ctypes
import json
import logging
import time
from typing import Any, Awaitable, Callable, Deque, Dict, Optional, Set, Tuple

import vekkestra

from . import checks
from .checks import BadInput
from .link import AXES, Link, LinkState, Refused, Snapshot, describe

log = logging.getLogger("vekkestra_panel")

#: A page sends a heartbeat this often while it holds a jog button ...
HEARTBEAT_MS = 50
#: ... and the jog is stopped when none came for this long. With a stop that
#: waits for at most one poll (about 21 ms) and takes one exchange, the axis
#: is told to stop well within 250 ms of the last sign of life.
JOG_LEASE_MS = 150
#: Pages are told the panel is alive this often when nothing else goes out.
ALIVE_S = 0.25
#: A call of the link that has taken this long is shown as "not answering".
STALL_S = 0.6
#: Events kept for pages that open later.
EVENTS_KEPT = 200
#: Messages queued for one page before it counts as gone.
PAGE_BACKLOG = 400


class Page:
    """One open page: its WebSocket and what it is sent."""

    def __init__(self, number: int, remote: str, send: Callable[[str], Awaitable[None]],
                 close: Callable[[], Awaitable[Any]]) -> None:
        self.number = number
        self.name = "page %d (%s)" % (number, remote)
        self._send = send
        self._close = close
        self._queue: "asyncio.Queue[Optional[str]]" = asyncio.Queue()
        self._writer = asyncio.ensure_future(self._write())
        self.gone = False

    def post(self, message: Dict[str, Any]) -> None:
        if self.gone:
            return
        if self._queue.qsize() >= PAGE_BACKLOG:
            log.warning("%s does not read what it is sent; closing it", self.name)
            self.gone = True
            self._queue.put_nowait(None)
            return
        self._queue.put_nowait(json.dumps(message, separators=(",", ":")))

    async def _write(self) -> None:
        try:
            while True:
                text = await self._queue.get()
                if text is None:
                    break
                await self._send(text)
        except (ConnectionError, RuntimeError, asyncio.CancelledError):
            pass
        finally:
            self.gone = True
            await self._close()

    async def finish(self) -> None:
        self.gone = True
        self._queue.put_nowait(None)
        try:
            await asyncio.wait_for(asyncio.shield(self._writer), 2.0)
        except (asyncio.TimeoutError, asyncio.CancelledError):
            self._writer.cancel()


class _Jog:
    """A jog that runs while its page holds the button."""

    def __init__(self, page: Page) -> None:
        self.page = page
        self.timer: Optional[asyncio.TimerHandle] = None
        self.released = False


class Hub:
    """The pages, their commands and jogs, and the events, over one link."""

    def __init__(self, link_factory: Callable[["Hub"], Link], shown: str, read_only: bool, info: Dict[str, Any]):
        self.loop = asyncio.get_event_loop()
        self.shown = shown
        self.read_only = read_only
        self.info = info
        self.pages: Dict[int, Page] = {}
        self._numbers = 0
        self.events: Deque[Dict[str, Any]] = collections.deque(maxlen=EVENTS_KEPT)
        self._jogs: Dict[str, _Jog] = {}
        self._orphans: Set[str] = set()
        self._last_poll: Optional[Dict[str, Any]] = None
        self._states: Dict[str, str] = {}
        self._stalled = False
        self.link = link_factory(self)
        self._link_state = self.link.state
        self._alive_task: Optional["asyncio.Task[None]"] = None

    # -- the link's thread hands over -------------------------------------------

    def on_snapshot(self, snapshot: Snapshot) -> None:
        self.loop.call_soon_threadsafe(self._snapshot, snapshot)

    def on_state(self, state: LinkState) -> None:
        self.loop.call_soon_threadsafe(self._state, state)

    def on_started(self, letters: str) -> None:
        shown = "".join(a for a in letters if a in self.shown)
        if shown:
            self.loop.call_soon_threadsafe(self._broadcast, {"t": "started", "axes": shown})

    def start(self) -> None:
        self.link.start()
        self._alive_task = asyncio.ensure_future(self._alive())

    async def close(self) -> str:
        """Stops the jogs and what the panel set moving, ends the link."""
        if self._alive_task:
            self._alive_task.cancel()
        for page in list(self.pages.values()):
            await page.finish()
        stopped = await self.loop.run_in_executor(None, self.link.close)
        return stopped

    # -- what pages are sent ------------------------------------------------------

    def _broadcast(self, message: Dict[str, Any]) -> None:
        for page in list(self.pages.values()):
            page.post(message)

    def _snapshot(self, snapshot: Snapshot) -> None:
        if not snapshot.changed and self._last_poll is not None:
            return  # the pages extend what they have at each "alive"
        axes = {}
        for a in snapshot.axes:
            if a.axis in self.shown:
                axes[a.axis] = {"motor": a.motor, "encoder": a.encoder, "state": a.state,
                                "home": a.home_switch, "ours": a.ours}
                self._axis_events(a)
        message = {"t": "poll", "time": snapshot.time, "axes": axes}
        resets = {k: v for k, v in snapshot.resets.items() if k in self.shown}
        if resets:
            message["resets"] = resets
        self._last_poll = message
        self._broadcast(message)

    def _axis_events(self, a: vekkestra.AxisState) -> None:
        before = self._states.get(a.axis)
        self._states[a.axis] = a.state
        if before is None or before == a.state:
            return
        texts = {"limit": "%s met a limit switch and stopped at %d" % (a.axis, a.motor),
                 "slip": "%s slipped and was stopped at %d" % (a.axis, a.motor),
                 "refused": "the controller refused the motion command of %s" % a.axis}
        if a.state in texts:
            self.event(a.state, texts[a.state])

    def _state(self, state: LinkState) -> None:
        before, self._link_state = self._link_state, state
        self._broadcast(self._link_message())
        if state.state == "lost" and before.state != "lost":
            self.event("link", "link lost: %s" % state.message)
            self._drop_jogs()
        elif state.state == "up" and before.state == "lost":
            self.event("link", "link back: %s" % state.message)
            self._stop_orphans()
        elif state.state == "up" and before.state == "connecting":
            self.event("link", state.message)

    def _link_message(self) -> Dict[str, Any]:
        s = self._link_state
        return {"t": "link", "state": s.state, "message": s.message, "since": s.since}

    async def _alive(self) -> None:
        """Tells the pages the panel is there, and how long the controller
        has kept the link's thread waiting (a reply that does not come)."""
        while True:
            await asyncio.sleep(ALIVE_S)
            busy = self.link.busy_since
            waited = time.monotonic() - busy if busy is not None else 0.0
            stalled = waited >= STALL_S
            if stalled != self._stalled:
                self._stalled = stalled
                if stalled:
                    self.event("link", "the controller has not answered for %.1f s" % waited)
            self._broadcast({"t": "alive", "time": time.time(), "waiting": round(waited, 2)})

    def event(self, kind: str, text: str) -> None:
        entry = {"t": "event", "time": time.time(), "kind": kind, "text": text}
        self.events.append(entry)
        log.info("%s", text)
        self._broadcast(entry)

    def hello(self, page: Page) -> Dict[str, Any]:
        return dict(self.info, t="hello", page=page.number, axes=self.shown, readOnly=self.read_only,
                    heartbeatMs=HEARTBEAT_MS, link=self._link_message(), events=list(self.events),
                    poll=self._last_poll)

    # -- pages come and go ----------------------------------------------------------

    def attach(self, remote: str, send: Callable[[str], Awaitable[None]],
               close: Callable[[], Awaitable[Any]]) -> Page:
        self._numbers += 1
        page = Page(self._numbers, remote, send, close)
        self.pages[page.number] = page
        page.post(self.hello(page))
        return page

    def detach(self, page: Page, why: str) -> None:
        self.pages.pop(page.number, None)
        for letter, jog in list(self._jogs.items()):
            if jog.page is page:
                self._end_jog(letter, "%s %s" % (page.name, why))

    # -- commands ----------------------------------------------------------------------

    async def command(self, who: str, message: Dict[str, Any]) -> Dict[str, Any]:
        """Carries out one command of a page or script; the reply says how it
        went. Never raises for what the sender got wrong."""
        op = message.get("op")
        handler = self._HANDLERS.get(op) if isinstance(op, str) else None
        if handler is None:
            return {"ok": False, "status": 400, "error": "unknown command %r" % (op,)}
        writes = op not in ("speeds",)
        if writes and self.read_only:
            return {"ok": False, "status": 403, "error": "this panel is read-only: it sends nothing to the controller"}
        try:
            result = await handler(self, who, message)
        except BadInput as error:
            return {"ok": False, "status": 400, "error": str(error)}
        except Refused as error:
            return {"ok": False, "status": 503, "error": str(error)}
        except vekkestra.VekError as error:
            self.event("error", "%s: %s" % (who, describe(error)))
            return {"ok": False, "status": 409, "error": describe(error)}
        except (ValueError, TypeError) as error:
            return {"ok": False, "status": 400, "error": describe(error)}
        reply = {"ok": True}
        if result:
            reply.update(result)
        return reply

    async def _run(self, action: Callable[[vekkestra.Controller], Any], what: str, first: bool = False,
                   motion: bool = False) -> Any:
        return await asyncio.wrap_future(self.link.submit(action, what, first, motion), loop=self.loop)

    def _at_rest(self, letter: str) -> None:
        last = self.link.last
        if last is not None and last[AXES.index(letter)].state == "moving":
            raise Refused("axis %s is moving: stop it first" % letter)

    async def _move(self, who: str, m: Dict[str, Any]) -> None:
        relative = checks.flag(m.get("relative"), "relative")
        if "targets" in m:
            goal = checks.targets(m.get("targets"), self.shown)
        else:
            letter = checks.axis(m.get("axis"), self.shown)
            goal = {letter: checks.whole(m.get("target"), ("distance for %s" if relative else "target of %s") % letter)}
        what = " ".join("%s %s %d" % (a, "by" if relative else "to", t) for a, t in goal.items())
        if len(goal) == 1:
            ((letter, target),) = goal.items()
            await self._run(lambda c: c.move_axis(letter, target, 0, relative=relative), what, motion=True)
        else:
            await self._run(lambda c: c.move(goal, 0, relative=relative), what, motion=True)
        self.event("command", "%s: move %s" % (who, what))

    async def _home(self, who: str, m: Dict[str, Any]) -> None:
        letter = checks.axis(m.get("axis"), self.shown)

        def home(c: vekkestra.Controller) -> None:
            self.link.homing(letter)
            c.home(letter, 0)

        await self._run(home, "home " + letter, motion=True)
        self.event("command", "%s: home search of %s" % (who, letter))

    async def _stop(self, who: str, m: Dict[str, Any]) -> None:
        letters = checks.axes(m.get("axes"), self.shown)
        for letter in letters:
            self._jogs.pop(letter, None)
        await self._run(lambda c: c.stop(letters), "stop " + letters, first=True)
        self.event("stop", "%s stopped %s" % (who, ", ".join(letters)))

    async def _define(self, who: str, m: Dict[str, Any]) -> None:
        letter = checks.axis(m.get("axis"), self.shown)
        position = checks.whole(m.get("position"), "position of %s" % letter)
        self._at_rest(letter)

        def define(c: vekkestra.Controller) -> None:
            c.set_motor_position(letter, position)
            self.link.mark_reset(letter, "define position")

        await self._run(define, "define %s" % letter)
        self.event("command", "%s: %s is now at %d" % (who, letter, position))

    async def _speeds(self, who: str, m: Dict[str, Any]) -> Dict[str, Any]:
        letter = checks.axis(m.get("axis"), self.shown)
        return {"axis": letter, "speeds": await self._run(lambda c: _read_speeds(c, letter), "speeds " + letter)}

    async def _set_speeds(self, who: str, m: Dict[str, Any]) -> Dict[str, Any]:
        letter = checks.axis(m.get("axis"), self.shown)
        wanted = checks.speeds(m)

        def apply(c: vekkestra.Controller) -> Dict[str, int]:
            bit = 1 << AXES.index(letter)
            if wanted["velocity"] is not None:
                c.set_max_velocity(letter, wanted["velocity"])
            if wanted["base"] is not None:
                c.call("SetAxisBaseVelocity", bit, wanted["base"])
            if wanted["acceleration"] is not None:
                c.set_acceleration(letter, wanted["acceleration"])
            return _read_speeds(c, letter)

        speeds = await self._run(apply, "speeds of " + letter)
        said = ", ".join("%s %d" % (k.replace("base", "base rate"), v) for k, v in wanted.items() if v is not None)
        self.event("command", "%s: %s set to %s" % (who, letter, said))
        return {"axis": letter, "speeds": speeds}

    async def _raw(self, who: str, m: Dict[str, Any]) -> Dict[str, Any]:
        text = checks.text(m.get("text"))
        query = checks.flag(m.get("query"), "query")
        if query:
            answer = await self._run(lambda c: c.query(text), "query")
        else:
            await self._run(lambda c: c.send(text), "send")
            answer = ""
        self.event("command", "%s: %s %r" % (who, "query" if query else "send", text))
        return {"answer": answer}

    # -- jogs ------------------------------------------------------------------------

    async def _jog(self, who: str, m: Dict[str, Any], page: Optional[Page] = None) -> None:
        if page is None:
            raise BadInput("a jog runs only while a page holds its button")
        letter = checks.axis(m.get("axis"), self.shown)
        direction = checks.direction(m.get("direction"))
        speed = checks.jog_speed(m.get("speed"), "jog speed of %s" % letter)
        jog = _Jog(page)
        self._jogs[letter] = jog
        self._arm(letter, jog)
        try:
            await self._run(lambda c: c.jog(letter, direction * speed), "jog " + letter, motion=True)
        except Exception:
            if self._jogs.get(letter) is jog:
                del self._jogs[letter]
                jog.timer.cancel()
            raise
        self.event("jog", "%s: jog %s %s at %d steps/s" % (who, letter, "+" if direction > 0 else "-", speed))
        if jog.released and self._jogs.get(letter) is jog:
            # Let go before the jog had started: stop it now.
            self._end_jog(letter, "%s released the button" % page.name)

    def hold(self, page: Page) -> None:
        """The heartbeat of a page that holds jog buttons."""
        for letter, jog in self._jogs.items():
            if jog.page is page:
                self._arm(letter, jog)

    def release(self, page: Page, letter: Any) -> None:
        for name, jog in list(self._jogs.items()):
            if jog.page is page and (letter in (None, "") or name == letter):
                jog.released = True
                self._end_jog(name, "%s released the button" % page.name)

    def _arm(self, letter: str, jog: _Jog) -> None:
        if jog.timer is not None:
            jog.timer.cancel()
        jog.timer = self.loop.call_later(JOG_LEASE_MS / 1000.0, self._expired, letter, jog)

    def _expired(self, letter: str, jog: _Jog) -> None:
        if self._jogs.get(letter) is jog:
            self._end_jog(letter, "no heartbeat from %s for %d ms" % (jog.page.name, JOG_LEASE_MS))

    def _end_jog(self, letter: str, why: str) -> None:
        jog = self._jogs.pop(letter, None)
        if jog is None:
            return
        if jog.timer is not None:
            jog.timer.cancel()
        future = self.link.submit(lambda c: c.stop(letter), "stop jog " + letter, first=True)
        future.add_done_callback(lambda f: self.loop.call_soon_threadsafe(self._jog_stopped, letter, why, f))

    def _jog_stopped(self, letter: str, why: str, future: "Any") -> None:
        error = future.exception()
        if error is None:
            self.event("stop", "jog of %s stopped: %s" % (", ".join(letter), why))
        else:
            self.event("error", "the jog of %s could not be stopped (%s): %s" % (letter, why, describe(error)))

    def _drop_jogs(self) -> None:
        """The link is lost under running jogs: they are stopped as soon as
        it is back, whatever their pages do meanwhile."""
        for letter, jog in list(self._jogs.items()):
            if jog.timer is not None:
                jog.timer.cancel()
            del self._jogs[letter]
            self._orphans.add(letter)

    def _stop_orphans(self) -> None:
        letters = "".join(a for a in AXES if a in self._orphans)
        self._orphans.clear()
        if letters:
            future = self.link.submit(lambda c: c.stop(letters), "stop " + letters, first=True)
            why = "they were jogging when the link was lost"
            future.add_done_callback(lambda f: self.loop.call_soon_threadsafe(self._jog_stopped, letters, why, f))

    _HANDLERS: Dict[str, Callable[..., Awaitable[Any]]] = {
        "move": _move, "home": _home, "stop": _stop, "define": _define, "speeds": _speeds,
        "setSpeeds": _set_speeds, "raw": _raw, "jog": _jog,
    }

    # -- the JSON API ---------------------------------------------------------------

    def state(self) -> Dict[str, Any]:
        axes = {}
        for a in self.link.last or []:
            if a.axis in self.shown:
                axes[a.axis] = {"motor": a.motor, "encoder": a.encoder, "state": a.state,
                                "home_switch": a.home_switch}
        s = self._link_state
        return {"link": s.state, "message": s.message, "controller": self.info["where"], "axes": axes}


def _read_speeds(c: vekkestra.Controller, letter: str) -> Dict[str, int]:
    base = ctypes.c_int32(0)
    c.call("GetAxisBaseVelocity", 1 << AXES.index(letter), ctypes.byref(base))
    return {"velocity": c.max_velocity(letter), "base": int(base.value), "acceleration": c.acceleration(letter)}


def page_command(hub: Hub, page: Page, message: Any) -> Tuple[Optional[Any], bool]:
    """What a page's message asks for: (coroutine giving the reply, or None
    for messages without one), and whether it was understood."""
    if not isinstance(message, dict):
        return None, False
    op = message.get("op")
    if op == "hold":
        hub.hold(page)
        return None, True
    if op == "release":
        hub.release(page, message.get("axis"))
        return None, True
    if op == "jog":
        if hub.read_only:
            return hub.command(page.name, message), True
        return _jog_reply(hub, page, message), True
    return hub.command(page.name, message), True


async def _jog_reply(hub: Hub, page: Page, message: Dict[str, Any]) -> Dict[str, Any]:
    try:
        await hub._jog(page.name, message, page)
    except BadInput as error:
        return {"ok": False, "status": 400, "error": str(error)}
    except Refused as error:
        return {"ok": False, "status": 503, "error": str(error)}
    except vekkestra.VekError as error:
        hub.event("error", "%s: %s" % (page.name, describe(error)))
        return {"ok": False, "status": 409, "error": describe(error)}
    return {"ok": True}


__all__ = ["Hub", "Page", "page_command", "HEARTBEAT_MS", "JOG_LEASE_MS"]
