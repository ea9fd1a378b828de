#!/usr/bin/env python3
"""A first Python script with VekKestra: connect over TCP, home X and Y, move
them together, jog Z for a moment, and print where every axis stands.

    VEKKESTRA_LIBRARY=build/libvekkestra.so python3 examples/move_xy.py [HOST [PORT]]

Start the simulator first (build/sim/veksim --port 5001) to try it without a
controller. HOST may be a name ("localhost") or an address.
"""

import logging
import os
import sys
import time

# The package lives in bindings/python of this repository.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bindings", "python"))

import vekkestra  # noqa: E402
from vekkestra import Controller, LimitError, SlipError, VekError, VekTimeoutError  # noqa: E402


def main():
    host = sys.argv[1] if len(sys.argv) > 1 else "127.0.0.1"
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 5001
    # What the package does (moves, stops, errors) goes to the "vekkestra"
    # logger; show its warnings.
    logging.basicConfig(level=logging.WARNING, format="%(name)s: %(message)s")
    print(vekkestra.version())
    try:
        # Leaving the block by an exception (Ctrl-C included) stops whatever
        # it set moving; each move waits until its axes are at rest at their
        # targets, ends at once at a limit or a slip, and stops its axes if
        # they have not arrived within the time-out.
        with Controller.tcp(host, port) as ctl:
            print("connected to %s:%d" % (host, port))
            for axis in "XY":
                ctl.find_home(axis, timeout_ms=10000)
            print("X and Y are homed")
            # A coordinated absolute move, waiting until both report done.
            ctl.move({"X": 4000, "Y": -2500}, timeout_ms=10000)
            print("X and Y have arrived")
            # Jog Z for a quarter of a second, then stop it.
            ctl.jog_axis("Z", 3000)
            time.sleep(0.25)
            ctl.stop("Z")
            motor, encoder = ctl.positions()
            print("axis      motor    encoder")
            for letter, m, e in zip(vekkestra.AXES, motor, encoder):
                print("%s    %10d %10d" % (letter, m, e))
    except (LimitError, SlipError) as error:
        # "VEKnet_Move: VEKM_LIMIT (1001): X met a limit switch at 5000; stopped Y"
        print("stopped early: %s (axis %s at %d)" % (error, error.axis, error.position), file=sys.stderr)
        return 1
    except VekTimeoutError as error:
        print("too slow: %s" % error, file=sys.stderr)
        return 1
    except VekError as error:
        # The exception names the result code, e.g. "VEK_ERROR_COMMAND_NAK (216)".
        print("failed: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
