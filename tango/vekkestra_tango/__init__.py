"""VekKestraDS, the Tango device server of VekKestra controllers.

One server instance serves one controller: a VekController device and up to
ten VekMotor devices, one per axis. See tango/README.md and docs/tango.md.
"""

import logging
import sys
from typing import List, Optional

SERVER_NAME = "VekKestraDS"


def describe() -> str:
    """What ``VekKestraDS --version`` prints: the versions and where the
    server package, the vekkestra package and the library were found."""
    import os

    import vekkestra

    return "\n".join(("%s %s" % (SERVER_NAME, vekkestra.__version__),
                      "  server package: %s" % os.path.dirname(os.path.abspath(__file__)),
                      "  vekkestra package: %s" % os.path.dirname(os.path.abspath(vekkestra.__file__)),
                      "  library: %s (%s)" % (vekkestra.library_path(), vekkestra.version())))


def main(args: Optional[List[str]] = None) -> None:
    """Runs the server: ``VekKestraDS <instance> [Tango options]``."""
    arguments = list(sys.argv[1:] if args is None else args)
    if arguments[:1] == ["--version"]:
        print(describe())
        return
    from tango.server import run

    from .devices import VekController, VekMotor

    logging.basicConfig(level=logging.INFO, format="%(asctime)s %(name)s %(levelname)s %(message)s")
    # Tango takes the server's name from the first argument.
    run((VekController, VekMotor), args=[SERVER_NAME] + arguments)
