#!/usr/bin/python3
"""Runs the device tests.

    tango/tests/run.py [--fast] [unittest names]

--fast: the devices' own logic (fast_*.py), served without a database.
Otherwise the tests through a Tango database of their own (test_*.py): it
runs in VEK_TANGO_RUN (default a temporary directory, removed after a run
that passed unless VEK_TANGO_KEEP_LOGS is set) and is stopped also when
interrupted. Exits 77 (skipped) when python3-tango or the database packages
are missing. Needs VEKSIM and VEKKESTRA_LIBRARY (CTest sets them).
"""

import os
import shutil
import signal
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77


def run(names: list, pattern: str) -> bool:
    loader = unittest.defaultTestLoader
    suite = loader.loadTestsFromNames(names) if names else loader.discover(HERE, pattern, top_level_dir=HERE)
    return unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful()


def main() -> int:
    arguments = sys.argv[1:]
    fast = arguments[:1] == ["--fast"]
    names = arguments[1:] if fast else arguments
    try:
        import harness
    except ImportError as error:
        print("skipped: python3-tango is not installed for %s (%s)" % (sys.executable, error))
        return SKIP
    why = harness.missing_prerequisite(database=not fast)
    if why:
        print("skipped: " + why)
        return SKIP
    # A SIGTERM (CTest's time-out) ends the run through the finally clauses.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    if fast:
        sys.path[:0] = harness.PACKAGES
        return 0 if run(names, "fast_*.py") else 1
    run_dir = os.environ.get("VEK_TANGO_RUN") or tempfile.mkdtemp(prefix="vek-tango-")
    database = harness.Database(run_dir)
    passed = False
    try:
        database.start()
        passed = run(names, "test_*.py")
        return 0 if passed else 1
    finally:
        database.stop()
        if passed and not os.environ.get("VEK_TANGO_RUN") and not os.environ.get("VEK_TANGO_KEEP_LOGS"):
            shutil.rmtree(run_dir, ignore_errors=True)
        else:
            print("the servers' and the database's logs are in " + run_dir)


if __name__ == "__main__":
    sys.exit(main())
