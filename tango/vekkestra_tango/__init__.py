"""VekKestraDS, the Tango device server of VekKestra controllers.

One server instance serves one controller: a VekController device and up to
ten VekMotor devices, one per axis. See tango/README.md and docs/tango.md.
"""

import logging
import sys
from typing import List, Optional

SERVER_NAME = "VekKestraDS"


def main(args: Optional[List[str]] = None) -> None:
    """Runs the server: ``VekKestraDS <instance> [Tango options]``."""
    from tango.server import run

    from .devices import VekController, VekMotor

    logging.basicConfig(level=logging.INFO, format="%(asctime)s %(name)s %(levelname)s %(message)s")
    # Tango takes the server's name from the first argument.
    run((VekController, VekMotor), args=[SERVER_NAME] + list(sys.argv[1:] if args is None else args))
