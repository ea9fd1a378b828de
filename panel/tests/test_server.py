"""The panel's server without a browser: its checks of input, the token, the
origin and read-only, the JSON API, the jog lease over a WebSocket, link
loss and return, and a clean end. A real panel process on a real veksim,
spoken to over HTTP and WebSocket; the axes are looked at through the test's
own connection to the simulator."""

import asyncio
import json
import os
import re
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import harness  # noqa: E402
from harness import Panel, Simulator, documented, wait_until  # noqa: E402

if __name__ == "__main__":
    harness.skip_unless_ready(harness.missing_for_server())

import aiohttp  # noqa: E402

from vekkestra_panel import checks  # noqa: E402


class Checks(unittest.TestCase):
    """Input a page or script may send: refused with a sentence, never passed on."""

    def test_bad_input_is_refused_with_its_reason(self):
        cases = [
            (lambda: checks.axis("Q", "XY"), "not an axis letter"),
            (lambda: checks.axis("Z", "XY"), "not one of this panel's axes"),
            (lambda: checks.axes(7, "XY"), "letters"),
            (lambda: checks.whole("abc", "target of X"), "'abc' is not a whole number"),
            (lambda: checks.whole("", "target of X"), "target of X is missing"),
            (lambda: checks.whole(1.5, "target of X"), "not a whole number"),
            (lambda: checks.whole(float("nan"), "target of X"), "not a whole number"),
            (lambda: checks.whole(2 ** 31, "target of X"), "outside"),
            (lambda: checks.whole(True, "target of X"), "must be a number"),
            (lambda: checks.text(""), "empty"),
            (lambda: checks.text("AXRP;\r\nAYRP"), "printable ASCII"),
            (lambda: checks.text("A" * 128), "at most 127"),
            (lambda: checks.targets({}, "XY"), "give an object"),
            (lambda: checks.targets({"X": 1, "x": 2}, "XY"), "given twice"),
            (lambda: checks.speeds({"velocity": 100, "base": 200}), "must not be above"),
            (lambda: checks.speeds({}), "give a velocity"),
            (lambda: checks.jog_speed(0, "jog speed of X"), "outside"),
            (lambda: checks.direction(2), "1 or -1"),
        ]
        for call, words in cases:
            with self.assertRaises(checks.BadInput) as caught:
                call()
            self.assertIn(words, str(caught.exception))

    def test_good_input_is_read_as_meant(self):
        self.assertEqual(checks.axes("x, z", "XYZ"), "XZ")
        self.assertEqual(checks.axes(None, "XY"), "XY")
        self.assertEqual(checks.whole(" -2147483648 ", "t"), -2 ** 31)
        self.assertEqual(checks.targets({"y": "12", "X": 3.0}, "XY"), {"Y": 12, "X": 3})
        self.assertEqual(checks.speeds({"velocity": "5000", "base": ""}),
                         {"velocity": 5000, "base": None, "acceleration": None})


class Server(unittest.TestCase):
    """One simulator and one panel for the HTTP and WebSocket cases."""

    @classmethod
    def setUpClass(cls):
        cls.sim = Simulator("--limits", "Z=-1000000,2000")
        cls.panel = Panel("--tcp", "127.0.0.1:%d" % cls.sim.port, "--axes", "XYZ")
        cls.panel.wait_link("up")

    @classmethod
    def tearDownClass(cls):
        cls.panel.close()
        cls.sim.close()

    def setUp(self):
        self.panel.request("POST", "/api/stop", {})
        wait_until(lambda: not any(self.sim.axes()[0].values()), 10, "the axes at rest")

    def test_first_line_cookie_and_headers(self):
        self.assertRegex(self.panel.first_line, documented("VekKestra panel on http://ADDR:PORT/?token=TOKEN")
                         .replace("ADDR:PORT", r"127\.0\.0\.1:\d+").replace("?", r"\?").replace("TOKEN", r"\S+"))
        status, headers, _ = self.panel.request("GET", "/?token=" + self.panel.token, token=None)
        self.assertEqual(status, 303)
        self.assertEqual(headers["Location"], "/")  # the token leaves the address bar
        cookie = headers["Set-Cookie"]
        self.assertIn("HttpOnly", cookie)
        self.assertIn("SameSite=Strict", cookie)
        self.assertIn("=" + self.panel.token, cookie)
        status, headers, page = self.panel.request("GET", "/")
        self.assertEqual(status, 200)
        policy = headers["Content-Security-Policy"]
        self.assertIn("script-src 'self'", policy)
        self.assertNotIn("unsafe-inline", policy)
        # No inline script or style anywhere in the page.
        self.assertNotRegex(page, r"<script(?![^>]*\bsrc=)[^>]*>")
        self.assertNotRegex(page, r"\sstyle=|<style|\son[a-z]+=")

    def test_token_origin_and_methods(self):
        for token, expected in ((None, 401), ("wrong-token-123", 401), ("", 200)):
            status, _, _ = self.panel.request("GET", "/api/state", token=token)
            self.assertEqual(status, expected, token)
        for path in ("/", "/static/panel.js", "/lib/dygraph.min.js", "/ws"):
            self.assertEqual(self.panel.request("GET", path, token=None)[0], 401, path)
        status, _, _ = self.panel.request("GET", "/?token=wrong-token-123", token=None)
        self.assertEqual(status, 401)
        before = self.sim.axes()[1]["X"]
        status, _, text = self.panel.request("POST", "/api/move", {"targets": {"X": before + 50000}},
                                             headers={"Origin": "http://evil.example:8765"})
        self.assertEqual(status, 403)
        self.assertIn("refused", text)
        # GET changes nothing.
        self.assertEqual(self.panel.request("GET", "/api/move")[0], 405)
        time.sleep(0.3)
        moving, motor = self.sim.axes()
        self.assertFalse(moving["X"])
        self.assertEqual(motor["X"], before)

    def test_api_moves_stops_and_says_what_is_wrong(self):
        status, _, text = self.panel.request("POST", "/api/move", {"targets": {"X": 400000}, "relative": False})
        self.assertEqual((status, json.loads(text)), (200, {"ok": True}))
        wait_until(lambda: self.sim.axes()[0]["X"], 5, "X moving")
        wait_until(lambda: self.panel.state()["axes"]["X"]["state"] == documented("moving"), 2, "moving in the state")
        status, _, _ = self.panel.request("POST", "/api/stop", {"axes": "X"})
        self.assertEqual(status, 200)
        wait_until(lambda: not self.sim.axes()[0]["X"], 5, "X stopped")
        state = self.panel.state()
        self.assertEqual(set(state["axes"]), {"X", "Y", "Z"})
        self.assertEqual(set(state["axes"]["X"]), {"motor", "encoder", "state", "home_switch"})
        for body, words in (({"targets": {"Q": 1}}, "not an axis letter"),
                            ({"targets": {"X": "ten"}}, "not a whole number"),
                            ({"targets": {"K": 1}}, "not one of this panel's axes"),
                            ({"targets": {"X": 2 ** 40}}, "outside"),
                            ([1, 2], "JSON object"),
                            (b"{not json", "not valid JSON")):
            status, _, text = self.panel.request("POST", "/api/move", body)
            self.assertEqual(status, 400, body)
            self.assertIn(words, json.loads(text)["error"])
            self.assertNotIn("Traceback", text)
        status, _, text = self.panel.request("POST", "/api/stop", b"axes=X",
                                             headers={"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 415)

    def test_a_limit_is_the_axis_state(self):
        self.assertEqual(self.panel.request("POST", "/api/move", {"targets": {"Z": 9000}})[0], 200)
        wait_until(lambda: self.panel.state()["axes"]["Z"]["state"] == documented("limit"), 10, "Z at its limit")
        self.panel.request("POST", "/api/move", {"targets": {"Z": 0}})
        wait_until(lambda: self.panel.state()["axes"]["Z"]["state"] != "limit", 10, "Z away from its limit")

    def test_jog_runs_only_while_held(self):
        async def run():
            async with aiohttp.ClientSession(headers={"Authorization": "Bearer " + self.panel.token}) as http:
                async with http.ws_connect(self.panel.url.replace("http", "ws") + "/ws") as ws:
                    hello = json.loads((await ws.receive()).data)
                    self.assertEqual(hello["t"], "hello")
                    heartbeat = hello["heartbeatMs"] / 1000.0
                    await ws.send_json({"op": "jog", "id": 1, "axis": "X", "direction": 1, "speed": 3000})
                    held_until = time.monotonic() + 1.0
                    while time.monotonic() < held_until:
                        await ws.send_json({"op": "hold"})
                        await asyncio.sleep(heartbeat)
                    self.assertTrue(self.sim.axes()[0]["X"], "X jogs while the heartbeat comes")
                    # The heartbeat stops: the stop is sent within 250 ms, its reply comes within
                    # the 2.5 s reply wait, then the ramp.
                    silent = time.monotonic()
                    await asyncio.get_running_loop().run_in_executor(
                        None, lambda: wait_until(lambda: not self.sim.axes()[0]["X"], 5, "X stopped"))
                    self.assertLess(time.monotonic() - silent, 0.25 + 2.5 + 0.25)
                    # A jog whose page goes away stops at once.
                    await ws.send_json({"op": "jog", "id": 2, "axis": "Y", "direction": -1, "speed": 3000})
                    await asyncio.sleep(0.05)
                    await ws.send_json({"op": "hold"})
                    await asyncio.get_running_loop().run_in_executor(
                        None, lambda: wait_until(lambda: self.sim.axes()[0]["Y"], 3, "Y jogging"))
            await asyncio.get_running_loop().run_in_executor(
                None, lambda: wait_until(lambda: not self.sim.axes()[0]["Y"], 3, "Y stopped after the page closed"))

        asyncio.run(run())

    def test_commands_over_the_websocket_reply_and_refuse(self):
        async def run():
            async with aiohttp.ClientSession(headers={"Authorization": "Bearer " + self.panel.token}) as http:
                origin = {"Origin": "http://127.0.0.1:1"}
                with self.assertRaises(aiohttp.WSServerHandshakeError) as caught:
                    await http.ws_connect(self.panel.url.replace("http", "ws") + "/ws", headers=origin)
                self.assertEqual(caught.exception.status, 403)
                async with http.ws_connect(self.panel.url.replace("http", "ws") + "/ws") as ws:
                    await ws.receive()
                    replies = {}
                    messages = [{"op": "raw", "text": "AXLP777;", "query": False},
                                {"op": "raw", "text": "AXRP", "query": True},
                                {"op": "move", "axis": "X", "target": "12x"},
                                {"op": "define", "axis": "Y", "position": 321},
                                {"op": "setSpeeds", "axis": "Y", "velocity": 4000, "base": 200, "acceleration": 50000},
                                {"op": "speeds", "axis": "Y"},
                                {"op": "fly"}]
                    for n, m in enumerate(messages):
                        m["id"] = n
                        await ws.send_json(m)
                    while len(replies) < len(messages):
                        m = json.loads((await ws.receive()).data)
                        if m["t"] == "reply":
                            replies[m["id"]] = m
                    self.assertTrue(replies[0]["ok"])
                    self.assertEqual(replies[1]["answer"], "777")
                    self.assertIn("not a whole number", replies[2]["error"])
                    self.assertTrue(replies[3]["ok"])
                    self.assertEqual(replies[4]["speeds"], {"velocity": 4000, "base": 200, "acceleration": 50000})
                    self.assertEqual(replies[5]["speeds"], replies[4]["speeds"])
                    self.assertIn("unknown command", replies[6]["error"])
        asyncio.run(run())
        self.assertEqual(self.sim.axes()[1]["Y"], 321)


class ReadOnly(unittest.TestCase):
    def test_every_write_is_refused(self):
        with_sim = Simulator()
        panel = Panel("--tcp", "127.0.0.1:%d" % with_sim.port, "--read-only")
        try:
            panel.wait_link("up")
            for path, body in (("/api/move", {"targets": {"X": 1000}}), ("/api/stop", {})):
                status, _, text = panel.request("POST", path, body)
                self.assertEqual(status, 403, path)
                self.assertIn(documented("read-only"), text)
            self.assertEqual(panel.state()["link"], "up")

            async def run():
                async with aiohttp.ClientSession(headers={"Authorization": "Bearer " + panel.token}) as http:
                    async with http.ws_connect(panel.url.replace("http", "ws") + "/ws") as ws:
                        await ws.receive()
                        for n, m in enumerate(({"op": "jog", "axis": "X", "direction": 1, "speed": 500},
                                               {"op": "raw", "text": "AXMR500;GD", "query": False})):
                            await ws.send_json(dict(m, id=n))
                            while True:
                                reply = json.loads((await ws.receive()).data)
                                if reply["t"] == "reply":
                                    break
                            self.assertEqual(reply["status"], 403)

            asyncio.run(run())
            time.sleep(0.3)
            self.assertEqual(with_sim.axes()[1]["X"], 0)
        finally:
            panel.close()
            with_sim.close()


class LinkAndEnd(unittest.TestCase):
    def test_link_lost_refuses_writes_and_comes_back(self):
        sim = Simulator()
        panel = Panel("--tcp", "127.0.0.1:%d" % sim.port)
        try:
            panel.wait_link("up")
            sim.stop()
            lost = time.monotonic()
            panel.wait_link(documented("lost"), timeout=5)
            # The next poll (100 ms apart at rest) fails at once on a closed connection; a loaded
            # machine is given the 2.5 s of a reply wait beside it.
            self.assertLess(time.monotonic() - lost, 0.1 + 2.5)
            status, _, text = panel.request("POST", "/api/move", {"targets": {"X": 10}})
            self.assertEqual(status, 503)
            self.assertIn("nothing was sent", text)
            sim.start()
            back = time.monotonic()
            panel.wait_link("up", timeout=10)
            # Tries at most 2 s apart, and the open itself within a 2.5 s reply wait.
            self.assertLess(time.monotonic() - back, 2.0 + 2.5)
        finally:
            panel.close()
            sim.close()

    def test_sigterm_stops_what_the_panel_set_moving(self):
        sim = Simulator()
        panel = Panel("--tcp", "127.0.0.1:%d" % sim.port)
        try:
            panel.wait_link("up")
            self.assertEqual(panel.request("POST", "/api/move", {"targets": {"X": 900000, "Y": -900000}})[0], 200)
            wait_until(lambda: sim.axes()[0]["X"] and sim.axes()[0]["Y"], 5, "X and Y moving")
            code, err = panel.end(signal.SIGTERM)
            self.assertEqual(code, 0, err)
            self.assertIn("stopped X, Y", err)
            wait_until(lambda: not any(sim.axes()[0].values()), 5, "X and Y stopped")
        finally:
            panel.close()
            sim.close()

    def test_a_usage_error_names_the_option(self):
        for args, words in ((["--tcp", ":5001"], "no host"), (["--listen", "127.0.0.1:99999"], "65535"),
                            (["--axes", "XQ"], "axis letters"), (["--token", "short"], "--token"),
                            (["--tcp", "h", "--com", "1"], "not allowed")):
            process = __import__("subprocess").run([sys.executable, harness.LAUNCHER] + args, capture_output=True,
                                                   text=True, timeout=30)
            self.assertEqual(process.returncode, 2, args)
            self.assertIn(words, process.stderr)
            self.assertEqual(process.stdout, "")


if __name__ == "__main__":
    unittest.main(verbosity=2)
