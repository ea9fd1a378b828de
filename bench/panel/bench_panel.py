"""Figures of the operator panel, printed (nothing is asserted: the machine
is shared): click -> MOVING shown on the page, the panel's CPU at rest and
with three pages open while two axes move, and updates per second per page.

    cmake --build build --target bench_panel
    VEKSIM=... VEKKESTRA_LIBRARY=... /usr/bin/python3 bench/panel/bench_panel.py [--clicks N] [--window S]

It starts veksim, the panel and headless Chromium itself (panel/tests/harness.py)
and stops them by PID.
"""

import argparse
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "panel", "tests"))

import harness  # noqa: E402
from harness import Panel, Simulator, wait_until  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")

# Clicks "Move X by" and resolves with the milliseconds until the page shows
# X moving (the page notes when it first shows each state).
CLICK = """
const done = arguments[arguments.length - 1];
const button = document.querySelector('[aria-label="Move X by"]');
const t0 = performance.now();
button.click();
(function look() {
  const s = window.panelStats.shown.X;
  if (s && s.state === "moving" && s.at >= t0) done(s.at - t0);
  else if (performance.now() - t0 > 5000) done(-1);
  else setTimeout(look, 1);
})();
"""


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def cpu_percent(pid, seconds):
    start, t0 = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return 100.0 * (cpu_seconds(pid) - start) / (time.monotonic() - t0)


def open_page(driver, panel):
    driver.get("%s/?token=%s" % (panel.url, panel.token))
    wait_until(lambda: driver.execute_script("return document.getElementById('link').textContent") == "link up",
               10, "link up")


def at_rest(panel, axes="XY"):
    wait_until(lambda: all(panel.state()["axes"][a]["state"] != "moving" for a in axes), 30, "axes at rest")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--clicks", type=int, default=30)
    parser.add_argument("--window", type=float, default=10.0, help="seconds of each CPU measurement")
    args = parser.parse_args()
    harness.skip_unless_ready(harness.missing_for_browser())
    sim = Simulator()
    panel = Panel("--tcp", "127.0.0.1:%d" % sim.port)
    driver = harness.browser()
    try:
        panel.wait_link("up")
        pid = panel.process.pid
        time.sleep(2)
        idle_none = cpu_percent(pid, args.window)
        open_page(driver, panel)
        time.sleep(2)
        idle_one = cpu_percent(pid, args.window)

        field = driver.find_element("css selector", '[aria-label="Target of X"]')
        field.clear()
        field.send_keys("1500")
        delays = []
        for _ in range(args.clicks):
            at_rest(panel, "X")
            time.sleep(0.3)  # a few polls at rest: the click lands where a technician's would
            ms = driver.execute_async_script(CLICK)
            if ms >= 0:
                delays.append(ms)
        at_rest(panel, "X")

        windows = [driver.current_window_handle]
        for _ in range(2):
            driver.switch_to.new_window("window")
            open_page(driver, panel)
            windows.append(driver.current_window_handle)
        panel.request("POST", "/api/move", {"targets": {"X": 2000000, "Y": -2000000}})
        wait_until(lambda: panel.state()["axes"]["X"]["state"] == "moving", 5, "X and Y moving")
        time.sleep(1)
        counts = []
        for w in windows:
            driver.switch_to.window(w)
            counts.append(driver.execute_script("return window.panelStats.updates"))
        t0 = time.monotonic()
        moving = cpu_percent(pid, args.window)
        elapsed = time.monotonic() - t0
        rates = []
        for w, before in zip(windows, counts):
            driver.switch_to.window(w)
            rates.append((driver.execute_script("return window.panelStats.updates") - before) / elapsed)
        panel.request("POST", "/api/stop", {})

        delays.sort()
        print("vekkestra-panel figures (veksim on TCP, headless Chromium, %s)" % time.strftime("%Y-%m-%d %H:%M"))
        print("  load average at the end: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))
        print("  click 'Move X by' -> 'moving' shown (%d clicks): p50 %.1f ms, p90 %.1f ms, min %.1f, max %.1f ms"
              % (len(delays), statistics.median(delays), delays[int(0.9 * (len(delays) - 1))], delays[0],
                 delays[-1]))
        print("  panel CPU at rest, no page: %.2f %% of a core" % idle_none)
        print("  panel CPU at rest, one page: %.2f %% of a core" % idle_one)
        print("  panel CPU, three pages, X and Y moving: %.2f %% of a core" % moving)
        print("  updates per second per page while moving: %s" % ", ".join("%.1f" % r for r in rates))
    finally:
        harness.quit_browser(driver)
        panel.close()
        sim.close()


if __name__ == "__main__":
    main()
