#!/usr/bin/env bash
# Takes the Taurus panel screenshot of docs/tango.md: a private Tango
# database (scripts/tango-services.sh), veksim, a VekKestraDS instance
# registered with tango_admin as the documentation shows, and `taurus form`'s
# panel on the motors, drawn under Xvfb while axis X moves.
#
#   scripts/tango-screenshot.sh [build dir, default build] [output, default docs/images/tango-taurus-form.png]
#
# Needs xvfb, python3-taurus, python3-tango and the database packages
# (scripts/install-deps.sh --tango). Everything it starts it stops, by PID.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
output="${2:-$root/docs/images/tango-taurus-form.png}"
run="$build/tango-screenshot"
python=/usr/bin/python3
sim_pid="" server_pid=""

cleanup() {
  for pid in $server_pid $sim_pid; do
    kill -TERM "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  done
  "$root/scripts/tango-services.sh" stop "$run" >/dev/null
}
trap cleanup EXIT

mkdir -p "$run" "$(dirname "$output")"
eval "$(VEK_TANGO_PORT=0 "$root/scripts/tango-services.sh" start "$run" | sed -n 's/^TANGO_HOST=/export TANGO_HOST=/p')"
echo "TANGO_HOST=$TANGO_HOST"

"$build/sim/veksim" --port 0 >"$run/veksim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do grep -q "listening on" "$run/veksim.log" && break; sleep 0.1; done
port="$(sed -n 's/.*listening on [0-9.]*:\([0-9]*\).*/\1/p' "$run/veksim.log")"

# Registration as on a facility's database (docs/tango.md).
tango_admin --delete-server VekKestraDS/lab1 --with-properties >/dev/null 2>&1 || true
tango_admin --add-server VekKestraDS/lab1 VekController lab/vek/ctl1
tango_admin --add-server VekKestraDS/lab1 VekMotor lab/vek/x,lab/vek/y
tango_admin --add-property lab/vek/ctl1 Host 127.0.0.1
tango_admin --add-property lab/vek/ctl1 Port "$port"
for axis in x y; do
  tango_admin --add-property "lab/vek/$axis" Controller lab/vek/ctl1
  tango_admin --add-property "lab/vek/$axis" Axis "${axis^^}"
  tango_admin --add-property "lab/vek/$axis" UnitName mm
done

VEKKESTRA_LIBRARY="$build/libvekkestra.so" PYTHONDONTWRITEBYTECODE=1 \
  "$python" "$root/tango/VekKestraDS" lab1 >"$run/server.log" 2>&1 &
server_pid=$!
tango_admin --ping-device lab/vek/ctl1 20 >/dev/null

# The panel of docs/tango.md's `taurus form` line, drawn off-screen and
# saved while X is on its way, after a move typed into the form as a user
# does: the write fields then show what the axes read, or the target typed. (Taurus 5.0 fails to colour Status labels,
# of any device: the State LED carries the state, the Status its tooltip.)
xvfb-run -a -s "-screen 0 1280x1024x24" "$python" - "$output" <<'EOF'
import sys
import tango
from taurus.external.qt import Qt
from taurus.qt.qtgui.application import TaurusApplication
from taurus.qt.qtgui.panel import TaurusForm

output = sys.argv[1]
app = TaurusApplication(cmd_line_parser=None, app_name="vekkestra-panel")
x, y = tango.DeviceProxy("lab/vek/x"), tango.DeviceProxy("lab/vek/y")
x.Step_per_unit = 100  # user units: mm at 100 steps/mm
y.Step_per_unit = 100
y.Position = 12.5
form = TaurusForm()
form.setWindowTitle("VekKestra axes")
attributes = ("State", "Position", "DialPosition", "Velocity", "Acceleration", "Limit_switches")
form.setModel(["lab/vek/%s/%s" % (axis, name) for axis in ("x", "y") for name in attributes])
for item in form.getItems():
    item.setLabelConfig("{dev.name} {attr.label}")  # the device in each row's label
form.resize(760, 560)
form.show()


def start_move() -> None:
    # 600 mm typed into X's Position field and applied: 60000 steps, six
    # seconds at the simulator's 10000 steps/s.
    field = [item for item in form.getItems() if item.getModel().lower().endswith("lab/vek/x/position")][0]
    field.writeWidget().setValue(600.0)
    form.apply()


def save() -> None:
    if not form.grab().save(output):
        sys.exit("cannot write " + output)
    print("saved " + output)
    app.quit()


Qt.QTimer.singleShot(2500, start_move)
Qt.QTimer.singleShot(4000, save)
app.exec_()
EOF
