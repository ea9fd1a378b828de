#!/usr/bin/python3
"""Runs the device tests against a Tango database of their own.

    tango/tests/run.py [unittest arguments]

Starts MariaDB and DataBaseds with scripts/tango-services.sh in a run
directory of its own (VEK_TANGO_RUN, default a temporary one) on a free
port, runs the tests with TANGO_HOST pointing there, and stops both, also
when interrupted; the logs stay when a test failed. Exits 77 (skipped) when python3-tango or the database
packages are missing. Needs VEKSIM and VEKKESTRA_LIBRARY (CTest sets them).
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SERVICES = os.path.join(ROOT, "scripts", "tango-services.sh")
SKIP = 77


def missing() -> str:
    try:
        import tango  # noqa: F401
    except ImportError:
        return "python3-tango is not installed for %s" % sys.executable
    for path in ("/usr/sbin/mariadbd", "/usr/lib/tango/DataBaseds", "/usr/bin/tango_admin"):
        if not os.path.exists(path):
            return "%s is missing (scripts/install-deps.sh --tango)" % path
    for variable in ("VEKSIM", "VEKKESTRA_LIBRARY"):
        if not os.environ.get(variable):
            return "%s is not set" % variable
    return ""


def main() -> int:
    why = missing()
    if why:
        print("skipped: " + why)
        return SKIP
    run_dir = os.environ.get("VEK_TANGO_RUN") or tempfile.mkdtemp(prefix="vek-tango-")
    os.environ["VEK_TANGO_LOGS"] = run_dir
    os.environ["PYTHONPATH"] = os.pathsep.join(
        [os.path.join(ROOT, "bindings", "python"), os.path.dirname(HERE), HERE, os.environ.get("PYTHONPATH", "")])
    sys.path[:0] = [os.path.join(ROOT, "bindings", "python"), os.path.dirname(HERE), HERE]
    # A SIGTERM (CTest's time-out) ends the run through the finally below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    passed = False
    started = subprocess.run([SERVICES, "start", run_dir], env=dict(os.environ, VEK_TANGO_PORT="0"),
                             stdout=subprocess.PIPE, text=True)
    print(started.stdout, end="")
    try:
        if started.returncode != 0:
            return 1
        host = [line for line in started.stdout.splitlines() if line.startswith("TANGO_HOST=")][-1]
        os.environ["TANGO_HOST"] = host.split("=", 1)[1]
        suite = unittest.defaultTestLoader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)
        if len(sys.argv) > 1:
            suite = unittest.defaultTestLoader.loadTestsFromNames(sys.argv[1:])
        passed = unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful()
        return 0 if passed else 1
    finally:
        subprocess.run([SERVICES, "stop", run_dir])
        if not os.environ.get("VEK_TANGO_RUN"):
            if passed and not os.environ.get("VEK_TANGO_KEEP_LOGS"):
                shutil.rmtree(run_dir, ignore_errors=True)
            else:
                print("the servers' and the database's logs are in " + run_dir)


if __name__ == "__main__":
    sys.exit(main())
