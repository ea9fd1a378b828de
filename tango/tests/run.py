#!/usr/bin/python3
"""Runs the device tests against a Tango database of their own.

    tango/tests/run.py [unittest arguments]

Starts MariaDB and DataBaseds with scripts/tango-services.sh in a run
directory of its own (VEK_TANGO_RUN, default a temporary one) on a free
port, runs the tests with TANGO_HOST pointing there, and stops both, also
when interrupted; the logs stay when a test failed. Exits 77 (skipped)
when python3-tango or the database packages are missing. Needs VEKSIM and
VEKKESTRA_LIBRARY (CTest sets them).
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
        suite = unittest.defaultTestLoader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)
        if len(sys.argv) > 1:
            suite = unittest.defaultTestLoader.loadTestsFromNames(sys.argv[1:])
        passed = unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful()
        return 0 if passed else 1
    finally:
        database.stop()
        if not os.environ.get("VEK_TANGO_RUN"):
            if passed and not os.environ.get("VEK_TANGO_KEEP_LOGS"):
                shutil.rmtree(run_dir, ignore_errors=True)
            else:
                print("the servers' and the database's logs are in " + run_dir)


if __name__ == "__main__":
    sys.exit(main())
