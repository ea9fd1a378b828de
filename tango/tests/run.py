#!/usr/bin/python3
"""Runs the device tests against a Tango database of their own.

    tango/tests/run.py [unittest arguments]

The database runs in VEK_TANGO_RUN (default a temporary directory, removed
after a run that passed unless VEK_TANGO_KEEP_LOGS is set) and is stopped
also when interrupted. Exits 77 (skipped) when python3-tango or the database
packages are missing. Needs VEKSIM and VEKKESTRA_LIBRARY (CTest sets them).
"""

import os
import shutil
import signal
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77


def main() -> int:
    try:
        import harness
    except ImportError as error:
        print("skipped: python3-tango is not installed for %s (%s)" % (sys.executable, error))
        return SKIP
    why = harness.missing_prerequisite()
    if why:
        print("skipped: " + why)
        return SKIP
    run_dir = os.environ.get("VEK_TANGO_RUN") or tempfile.mkdtemp(prefix="vek-tango-")
    # A SIGTERM (CTest's time-out) ends the run through the finally below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    database = harness.Database(run_dir)
    passed = False
    try:
        database.start()
        loader = unittest.defaultTestLoader
        suite = loader.loadTestsFromNames(sys.argv[1:]) if sys.argv[1:] else loader.discover(HERE, top_level_dir=HERE)
        passed = unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful()
        return 0 if passed else 1
    finally:
        database.stop()
        if passed and not os.environ.get("VEK_TANGO_RUN") and not os.environ.get("VEK_TANGO_KEEP_LOGS"):
            shutil.rmtree(run_dir, ignore_errors=True)
        else:
            print("the servers' and the database's logs are in " + run_dir)


if __name__ == "__main__":
    sys.exit(main())
