#!/usr/bin/env bash
# Takes the picture of the operator panel in docs/panel.md: veksim (Y's home
# switch at 1200, Z's positive limit switch at 3000), the panel on it, and
# headless Chromium clicking the page as a technician would: Y away and home
# again (its line breaks at the reset), Z into its limit, then X on a long
# move, and the screenshot while X moves.
#
#   scripts/panel-screenshot.sh [build dir, default build] [output, default docs/images/panel.png]
#
# Needs chromium, chromium-driver, python3-selenium, python3-aiohttp and
# libjs-dygraphs (scripts/install-deps.sh --panel). Everything it starts it
# stops, by PID.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
output="${2:-$root/docs/images/panel.png}"
mkdir -p "$(dirname "$output")"

VEKSIM="$build/sim/veksim" VEKKESTRA_LIBRARY="$build/libvekkestra.so" \
VEKKESTRA_MOTION_LIBRARY="$build/motion/libvekkestra-motion.so" PYTHONDONTWRITEBYTECODE=1 \
  /usr/bin/python3 - "$root/panel/tests" "$output" <<'PY'
import sys
import time

sys.path.insert(0, sys.argv[1])
import harness  # noqa: E402
from harness import Panel, Simulator, wait_until  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402

harness.skip_unless_ready(harness.missing_for_browser())
output = sys.argv[2]
sim = Simulator("--home", "Y=1200", "--limits", "Z=-1000000,3000")
panel = Panel("--tcp", "127.0.0.1:%d" % sim.port, "--axes", "XYZT")
driver = harness.browser()
try:
    driver.set_window_size(1280, 1180)
    driver.get("%s/?token=%s" % (panel.url, panel.token))
    wait_until(lambda: driver.find_element(By.ID, "link").text == "link up", 10, "link up")

    def control(name):
        return driver.find_element(By.CSS_SELECTOR, '[aria-label="%s"]' % name)

    def move(axis, target):
        field = control("Target of " + axis)
        field.clear()
        field.send_keys(str(target))
        control("Move " + axis).click()

    def state(axis):
        return driver.find_element(By.CSS_SELECTOR, "#row-%s .state" % axis).text

    control("Plot Z").click()
    move("Y", -4000)
    wait_until(lambda: sim.axes()[1]["Y"] == -4000 and state("Y") != "moving", 20, "Y at -4000")
    control("Home Y").click()
    try:
        wait_until(lambda: sim.axes()[1]["Y"] == 0 and state("Y") != "moving", 30, "Y home")
    except AssertionError:
        print("the page says:", driver.find_element(By.ID, "error").text, file=sys.stderr)
        raise
    move("Z", 9000)
    wait_until(lambda: state("Z") == "limit", 20, "Z at its limit")
    move("X", 60000)
    wait_until(lambda: state("X") == "moving", 5, "X moving")
    time.sleep(2.5)
    driver.save_screenshot(output)
    print("wrote", output)
finally:
    harness.quit_browser(driver)
    panel.close()
    sim.close()
PY
