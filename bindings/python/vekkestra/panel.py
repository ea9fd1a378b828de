"""``python3 -m vekkestra.panel``: runs the operator panel (vekkestra-panel),
which is a package of its own (``vekkestra_panel``, Debian: vekkestra-panel).

It is looked for where Python finds packages, then where it is installed
beside this package: ``<prefix>/share/vekkestra/panel`` (this package in
``<prefix>/share/vekkestra/python`` or, on Debian, ``/usr/share/vekkestra/
panel``), and in the source tree (``panel/`` beside ``bindings/python``).
"""

import importlib.util
import os
import sys

_HERE = os.path.dirname(os.path.realpath(__file__))
_PLACES = ("../../panel", "../../../panel", "/usr/share/vekkestra/panel")


def _find() -> None:
    if importlib.util.find_spec("vekkestra_panel") is not None:
        return
    for place in _PLACES:
        directory = os.path.normpath(os.path.join(_HERE, place))
        if os.path.isdir(os.path.join(directory, "vekkestra_panel")):
            sys.path.insert(0, directory)
            return
    raise SystemExit("vekkestra.panel: the panel (vekkestra_panel) is not installed; Debian: vekkestra-panel")


def main() -> int:
    _find()
    from vekkestra_panel import main as run

    return int(run() or 0)


if __name__ == "__main__":
    sys.exit(main())
