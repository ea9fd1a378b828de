"""The panel in a real browser: headless Chromium driven through Selenium,
the panel on veksim, and the test's own connection to the simulator as the
other program that sets and looks. The controls are found by the accessible
names that docs/panel.md lists; the words on the page are the ones it
documents."""

import http.server
import os
import re
import sys
import tempfile
import threading
import time
import unittest
from typing import Any

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from harness import Panel, Simulator, documented, wait_until  # noqa: E402

if __name__ == "__main__":
    harness.skip_unless_ready(harness.missing_for_browser())

from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

#: How long the page may take to show what the controller does: a poll at
#: rest comes every 100 ms, and the machine is shared.
SHOWN_S = 2.5


class Page:
    """One browser on the panel."""

    def __init__(self, panel: Panel, login: bool = True) -> None:
        self.driver = harness.browser()
        self.panel = panel
        if login:
            self.driver.get("%s/?token=%s" % (panel.url, panel.token))
            wait_until(lambda: self.text("#link") == documented("link up"), 10, "the page's link up")

    def control(self, name: str):
        """The control whose accessible name is ``name`` (docs/panel.md)."""
        documented("`%s`" % re.sub(r"\b[YZTUVRSWK]\b", "X", name))
        element = self.driver.find_element(By.CSS_SELECTOR, '[aria-label="%s"]' % name)
        assert element.accessible_name == name, element.accessible_name
        return element

    def text(self, css: str) -> str:
        elements = self.driver.find_elements(By.CSS_SELECTOR, css)
        return elements[0].text if elements else ""

    def cell(self, axis: str, column: int) -> str:
        return self.text("#row-%s td:nth-of-type(%d)" % (axis, column))

    def state(self, axis: str) -> str:
        return self.text("#row-%s .state" % axis)

    def type_into(self, name: str, text: str) -> None:
        field = self.control(name)
        field.clear()
        field.send_keys(text)

    def events(self) -> str:
        return self.text("#events")

    def close(self) -> None:
        harness.quit_browser(self.driver)


class Browser(unittest.TestCase):
    def held_jog_runs(self, page: Page, sim: Simulator, jog: Any, tries: int = 3) -> bool:
        """Holds the jog button: whether X, seen moving on the page, still
        jogs past twice the 150 ms after which a missing heartbeat stops it.
        A loaded machine may hold the browser's 50 ms heartbeat past that
        lease; the panel then stops X and says so ("no heartbeat"), as it
        must, and the button is pressed again. X stopped for any other
        reason is a failure at once."""
        for _ in range(tries):
            lapsed = page.events().count("no heartbeat")
            ActionChains(page.driver).click_and_hold(jog).perform()
            wait_until(lambda: sim.axes()[0]["X"], 5, "X jogging while the button is held")
            try:
                wait_until(lambda: page.state("X") == "moving", SHOWN_S, "X moving on the page")
                time.sleep(0.3)
                if sim.axes()[0]["X"]:
                    return True
            except AssertionError:
                pass
            if page.events().count("no heartbeat") == lapsed:
                return False
            ActionChains(page.driver).release(jog).perform()
            wait_until(lambda: not sim.axes()[0]["X"], 3, "X at rest after its lease lapsed")
        return False

    def test_the_page_follows_the_controller_and_commands_it(self):
        sim = Simulator("--limits", "Z=-1000000,3000")
        panel = Panel("--tcp", "127.0.0.1:%d" % sim.port)
        page = Page(panel)
        try:
            # The token leaves the address bar after the first load.
            self.assertEqual(page.driver.current_url, panel.url + "/")
            # Positions another connection sets show in the row.
            sim.query("AXLP1234;AYLP-77;")
            wait_until(lambda: page.cell("X", 1) == "1234" and page.cell("Y", 1) == "-77", SHOWN_S,
                       "the positions set by another connection")
            # Bad input: the reason on the page, nothing sent.
            page.type_into("Target of X", "12abc")
            page.control("Move X").click()
            wait_until(lambda: "not a whole number" in page.text("#error"), SHOWN_S, "the error shown")
            self.assertFalse(sim.axes()[0]["X"])
            # Stop all axes stops a far move.
            page.type_into("Target of X", "900000")
            page.control("Move X").click()
            wait_until(lambda: page.state("X") == documented("moving"), SHOWN_S, "X moving on the page")
            self.assertTrue(sim.axes()[0]["X"])
            page.control("Stop all axes").click()
            wait_until(lambda: not sim.axes()[0]["X"], 5, "X stopped by Stop all axes")
            wait_until(lambda: page.state("X") == documented("at rest"), SHOWN_S, "X at rest on the page")
            self.assertIn("stopped", page.events())
            # The Escape key stops them too.
            page.control("Move X").click()
            wait_until(lambda: sim.axes()[0]["X"], 5, "X moving again")
            page.driver.find_element(By.TAG_NAME, "body").send_keys(Keys.ESCAPE)
            wait_until(lambda: not sim.axes()[0]["X"], 5, "X stopped by Escape")
            # Jog X positive moves X while held, and only while held.
            start = sim.axes()[1]["X"]
            jog = page.control("Jog X positive")
            self.assertTrue(self.held_jog_runs(page, sim, jog), "X still jogging while the button is held")
            ActionChains(page.driver).release(jog).perform()
            wait_until(lambda: not sim.axes()[0]["X"], 3, "X stopped when the button was let go")
            self.assertGreater(sim.axes()[1]["X"], start)
            # A limit shows on its row, in words and colour, and in the events.
            page.type_into("Target of Z", "9000")
            page.control("Move Z").click()
            wait_until(lambda: page.state("Z") == documented("limit"), 10, "Z at its limit on the page")
            self.assertEqual(page.driver.find_element(By.CSS_SELECTOR, "#row-Z .state").value_of_css_property(
                "background-color"), "rgba(198, 40, 40, 1)")
            self.assertIn("met a limit switch", page.events())
            # The plot has drawn, with Dygraph's canvas.
            self.assertGreater(page.driver.execute_script("return window.panelStats.plot.redraws"), 0)
            self.assertTrue(page.driver.find_elements(By.CSS_SELECTOR, "#plot canvas"))
        finally:
            page.close()
            panel.close()
            sim.close()

    def test_closing_the_browser_while_holding_a_jog_stops_the_axis(self):
        sim = Simulator()
        panel = Panel("--tcp", "127.0.0.1:%d" % sim.port)
        page = Page(panel)
        try:
            ActionChains(page.driver).click_and_hold(page.control("Jog X positive")).perform()
            wait_until(lambda: sim.axes()[0]["X"], 5, "X jogging")
        finally:
            page.close()  # the button still held
        try:
            wait_until(lambda: not sim.axes()[0]["X"], 3, "X stopped after the browser closed")
        finally:
            panel.close()
            sim.close()

    def test_the_token_a_foreign_page_and_read_only(self):
        sim = Simulator()
        panel = Panel("--tcp", "127.0.0.1:%d" % sim.port)
        read_only = Panel("--tcp", "127.0.0.1:%d" % sim.port, "--read-only")
        foreign = _ForeignSite()
        page = Page(panel, login=False)
        try:
            # No token, no page.
            page.driver.get(panel.url + "/")
            self.assertIn("token is required", page.text("body"))
            self.assertFalse(page.driver.find_elements(By.CSS_SELECTOR, "#stop-all"))
            page.driver.get("%s/?token=%s" % (panel.url, panel.token))
            wait_until(lambda: page.text("#link") == "link up", 10, "the page up")
            # A page of another site, in the same browser (which holds the
            # panel's cookie), cannot open the panel's WebSocket to stop X.
            self.assertEqual(panel.request("POST", "/api/move", {"targets": {"X": 900000}})[0], 200)
            wait_until(lambda: sim.axes()[0]["X"], 5, "X moving")
            page.driver.get(foreign.url)
            outcome = page.driver.execute_async_script("tryPanel(arguments[0], arguments[1])",
                                                       panel.url.replace("http", "ws") + "/ws")
            self.assertEqual(outcome, "refused")
            time.sleep(0.3)
            self.assertTrue(sim.axes()[0]["X"], "X still moving: the foreign page was refused")
            panel.request("POST", "/api/stop", {})
            # A read-only panel shows the controller and refuses commands, saying so.
            page.driver.get("%s/?token=%s" % (read_only.url, read_only.token))
            wait_until(lambda: page.text("#link") == "link up", 10, "the read-only page up")
            self.assertTrue(page.driver.find_element(By.ID, "read-only").is_displayed())
            before = sim.axes()[1]["X"]
            page.type_into("Target of X", str(before + 5000))
            page.control("Move X").click()
            wait_until(lambda: documented("this panel is read-only") in page.text("#error"), SHOWN_S,
                       "the refusal shown")
            time.sleep(0.3)
            self.assertEqual(sim.axes()[1]["X"], before)
        finally:
            page.close()
            foreign.close()
            read_only.close()
            panel.close()
            sim.close()

    def test_the_simulator_killed_and_started_again(self):
        sim = Simulator()
        panel = Panel("--tcp", "127.0.0.1:%d" % sim.port)
        page = Page(panel)
        try:
            page.driver.execute_script("window.notReloaded = true")
            sim.stop()
            wait_until(lambda: page.text("#link") == documented("link lost"), 2.5, "link lost on the page")
            self.assertIn("lost", page.text("#banner"))
            # A command while the link is down: refused, with the reason.
            page.control("Home X").click()
            wait_until(lambda: "nothing was sent" in page.text("#error"), SHOWN_S, "the refusal shown")
            sim.start()
            wait_until(lambda: page.text("#link") == "link up", 6, "link up again on the page")
            self.assertFalse(page.driver.find_element(By.ID, "banner").is_displayed())
            self.assertTrue(page.driver.execute_script("return window.notReloaded === true"), "reloaded")
            events = page.events()
            self.assertIn("link lost", events)
            self.assertIn("link back", events)
        finally:
            page.close()
            panel.close()
            sim.close()


class _ForeignSite:
    """Another site on this host (another port): a page whose script tries
    the panel's WebSocket."""

    def __init__(self) -> None:
        self.folder = tempfile.mkdtemp(prefix="vekkestra-foreign-")
        with open(os.path.join(self.folder, "index.html"), "w") as f:
            f.write('<!DOCTYPE html><html><head><script src="foreign.js"></script></head><body>elsewhere</body>'
                    '</html>')
        with open(os.path.join(self.folder, "foreign.js"), "w") as f:
            f.write("function tryPanel(url, done) {\n"
                    "  let opened = false;\n"
                    "  const ws = new WebSocket(url);\n"
                    "  ws.onopen = () => { opened = true; ws.send(JSON.stringify({op: 'stop', id: 1})); };\n"
                    "  ws.onclose = () => done(opened ? 'opened' : 'refused');\n"
                    "}\n")
        handler = lambda *a, **k: http.server.SimpleHTTPRequestHandler(*a, directory=self.folder, **k)  # noqa: E731
        http.server.SimpleHTTPRequestHandler.log_message = lambda *a: None
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/index.html" % self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self) -> None:
        self.server.shutdown()
        self.server.server_close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
