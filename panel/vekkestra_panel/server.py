"""The panel's web server (aiohttp): the page, its files, its WebSocket and
the JSON API, behind one set of checks.

Every request needs the token: in the panel's cookie (HttpOnly,
SameSite=Strict, set by the first load of ``/?token=...``, which then sends
the browser to the same address without it), or as ``Authorization: Bearer
TOKEN`` from a script. A request or WebSocket from another origin is
refused, nothing changes on GET, a read-only panel refuses every write, and
no response carries a traceback.
"""

from __future__ import annotations

import asyncio
import hmac
import json
import logging
import os
from typing import Any, Awaitable, Callable, Dict, Optional

from aiohttp import WSMsgType, web

from .hub import Hub, page_command

log = logging.getLogger("vekkestra_panel")

STATIC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "static")
#: Where Debian's libjs-dygraphs keeps the charting library.
DYGRAPHS = os.environ.get("VEKKESTRA_PANEL_DYGRAPHS", "/usr/share/javascript/dygraphs")
#: The page's own files, and the charting library's two files, by URL.
FILES = {
    "/": (STATIC, "index.html", "text/html"),
    "/static/panel.js": (STATIC, "panel.js", "application/javascript"),
    "/static/panel.css": (STATIC, "panel.css", "text/css"),
    "/static/plot.js": (STATIC, "plot.js", "application/javascript"),
    "/lib/dygraph.min.js": (DYGRAPHS, "dygraph.min.js", "application/javascript"),
    "/lib/dygraph.min.css": (DYGRAPHS, "dygraph.min.css", "text/css"),
}
#: The longest request body the API reads.
BODY_MAX = 16 * 1024
CSP = ("default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data: blob:; connect-src 'self'; "
       "base-uri 'none'; form-action 'none'; frame-ancestors 'none'")
HEADERS = {
    "Content-Security-Policy": CSP,
    "X-Content-Type-Options": "nosniff",
    "Referrer-Policy": "no-referrer",
    "X-Frame-Options": "DENY",
    "Cache-Control": "no-store",
}


class Security:
    """The token and the origin checks."""

    def __init__(self, token: str, port: int) -> None:
        self._token = token.encode("utf-8")
        self.cookie = "vekkestra_panel_%d" % port  # cookies are per host, not per port

    def token_ok(self, offered: Optional[str]) -> bool:
        return offered is not None and hmac.compare_digest(offered.encode("utf-8", "replace"), self._token)

    def offered(self, request: web.Request) -> Optional[str]:
        auth = request.headers.get("Authorization", "")
        if auth[:7].lower() == "bearer ":
            return auth[7:].strip()
        return request.cookies.get(self.cookie)

    @staticmethod
    def foreign(request: web.Request) -> Optional[str]:
        """Why a request comes from another site's page, or None."""
        origin = request.headers.get("Origin")
        own = "%s://%s" % (request.scheme, request.host)
        if origin is not None and origin != own:
            return "requests from %s are refused: only the panel's own page (%s) may talk to it" % (origin, own)
        if request.headers.get("Sec-Fetch-Site") == "cross-site":
            return "requests from another site are refused"
        return None


def _text(status: int, message: str, headers: Optional[Dict[str, str]] = None) -> web.Response:
    return web.Response(status=status, text=message + "\n", content_type="text/plain", headers=headers)


def _json(status: int, value: Dict[str, Any]) -> web.Response:
    return web.json_response(value, status=status)


def make_app(hub: Hub, security: Security) -> web.Application:
    @web.middleware
    async def guard(request: web.Request, handler: Callable[[web.Request], Awaitable[web.StreamResponse]]
                    ) -> web.StreamResponse:
        try:
            response = await _checked(request, handler)
        except web.HTTPException as error:
            response = _text(error.status, error.reason)
        except Exception:  # noqa: BLE001 - logged here, never shown to the browser
            log.exception("request %s %s failed", request.method, request.path)
            response = _text(500, "the panel failed to answer this request; its log says why")
        if not response.prepared:
            response.headers.update(HEADERS)
        return response

    async def _checked(request: web.Request, handler: Callable[[web.Request], Awaitable[web.StreamResponse]]
                       ) -> web.StreamResponse:
        why = security.foreign(request)
        if why:
            return _text(403, why)
        query_token = request.query.get("token")
        if query_token is not None and request.method == "GET" and request.path == "/":
            if not security.token_ok(query_token):
                return _text(401, "wrong token: open the address the panel printed when it started")
            # The token goes into the cookie and out of the address bar.
            response = web.Response(status=303, headers={"Location": "/"})
            response.set_cookie(security.cookie, query_token, httponly=True, samesite="Strict", path="/")
            return response
        if not security.token_ok(security.offered(request)):
            return _text(401, "the panel's token is required: open the address the panel printed when it started "
                              "(http://.../?token=...), or send \"Authorization: Bearer TOKEN\"",
                         {"WWW-Authenticate": "Bearer"})
        return await handler(request)

    app = web.Application(middlewares=[guard], client_max_size=BODY_MAX)
    app["hub"] = hub

    async def file(request: web.Request) -> web.StreamResponse:
        folder, name, kind = FILES[request.path]
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            return _text(404, "%s is not installed (%s)" % (name, path))
        return web.FileResponse(path, headers={"Content-Type": kind})

    for route in FILES:
        app.router.add_get(route, file)
    app.router.add_get("/favicon.ico", lambda r: _nothing())
    app.router.add_get("/ws", lambda r: _socket(hub, r))
    app.router.add_get("/api/state", lambda r: _state(hub))
    app.router.add_post("/api/move", lambda r: _api(hub, r, "move"))
    app.router.add_post("/api/stop", lambda r: _api(hub, r, "stop"))
    return app


async def _nothing() -> web.Response:
    return web.Response(status=204)


async def _state(hub: Hub) -> web.Response:
    return _json(200, hub.state())


async def _api(hub: Hub, request: web.Request, op: str) -> web.Response:
    if hub.read_only:
        return _json(403, {"error": "this panel is read-only: it sends nothing to the controller"})
    if request.content_type != "application/json":
        return _json(415, {"error": "send the request as JSON (Content-Type: application/json)"})
    try:
        body = await request.json()
    except (ValueError, UnicodeDecodeError):
        return _json(400, {"error": "the request body is not valid JSON"})
    if not isinstance(body, dict):
        return _json(400, {"error": "the request body must be a JSON object"})
    if op == "move":
        message = {"op": "move", "targets": body.get("targets"), "relative": body.get("relative", False)}
    else:
        message = {"op": "stop", "axes": body.get("axes")}
    reply = await hub.command("API client (%s)" % request.remote, message)
    if reply["ok"]:
        return _json(200, {"ok": True})
    return _json(reply.get("status", 400), {"error": reply["error"]})


async def _socket(hub: Hub, request: web.Request) -> web.StreamResponse:
    ws = web.WebSocketResponse(heartbeat=None, max_msg_size=BODY_MAX)
    await ws.prepare(request)
    page = hub.attach(request.remote or "?", ws.send_str, ws.close)
    why = "closed"
    try:
        async for message in ws:
            if message.type != WSMsgType.TEXT:
                continue
            try:
                data = json.loads(message.data)
            except ValueError:
                page.post({"t": "reply", "id": None, "ok": False, "error": "a message that is not JSON"})
                continue
            job, understood = page_command(hub, page, data)
            if not understood:
                page.post({"t": "reply", "id": None, "ok": False, "error": "a message that is not a command"})
            elif job is not None:
                asyncio.ensure_future(_answer(page, data.get("id"), job))
    except Exception:  # noqa: BLE001
        why = "lost its connection"
        log.exception("%s failed", page.name)
    finally:
        hub.detach(page, why)
        await page.finish()
    return ws


async def _answer(page: Any, ident: Any, job: Awaitable[Dict[str, Any]]) -> None:
    reply = await job
    reply.update(t="reply", id=ident)
    page.post(reply)
