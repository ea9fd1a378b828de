"""vekkestra-panel's command line, and its run from start to a clean end."""

from __future__ import annotations

import argparse
import asyncio
import logging
import re
import secrets
import signal
import sys
from typing import List, Optional, Tuple

DESCRIPTION = ("Serves the operator panel of one VekKestra motion controller to web browsers: positions, states "
               "and a live plot of the axes, jog, move, home and stop buttons, an event list, recordings and an "
               "expert console. Without --tcp or --com it starts the simulator veksim and drives that.")
EPILOG = ("The first line on standard output is the address to open, token included. Ctrl-C or SIGTERM ends the "
          "panel: it stops what it set moving and closes the connection.")
AXES = "XYZTUVRSWK"
TOKEN = re.compile(r"[A-Za-z0-9._~-]{8,128}")


def _version() -> str:
    try:
        from vekkestra import __version__
        return __version__
    except ImportError:
        return "unknown"


def _host_port(text: str, default_port: Optional[int], what: str, low: int) -> Tuple[str, int]:
    host, colon, port_text = text.rpartition(":")
    if not colon:
        host, port_text = text, ""
    if not host:
        raise argparse.ArgumentTypeError("no host before the port in %s %r" % (what, text))
    if not port_text:
        if default_port is None:
            raise argparse.ArgumentTypeError("%s %r has no port (ADDRESS:PORT)" % (what, text))
        return host, default_port
    if not port_text.isdigit() or not low <= int(port_text) <= 65535:
        raise argparse.ArgumentTypeError("the port %r of %s %r is not a number from %d to 65535"
                                         % (port_text, what, text, low))
    return host, int(port_text)


def parser() -> argparse.ArgumentParser:
    p = argparse.ArgumentParser(prog="vekkestra-panel", description=DESCRIPTION, epilog=EPILOG)
    where = p.add_mutually_exclusive_group()
    where.add_argument("--tcp", metavar="HOST[:PORT]", type=lambda t: _host_port(t, 5001, "--tcp", 1),
                       help="a controller on TCP (port 5001 unless given)")
    where.add_argument("--com", metavar="N", type=int, choices=range(1, 33),
                       help="a controller on COM port N (1-32); on Linux the device named by VEKKESTRA_COM<N>, "
                            "else /dev/ttyS<N-1>")
    p.add_argument("--baud", metavar="B", type=int, default=115200, choices=(9600, 19200, 38400, 57600, 115200),
                   help="the serial port's baud rate (default 115200)")
    p.add_argument("--listen", metavar="ADDR:PORT", default=("127.0.0.1", 8765),
                   type=lambda t: _host_port(t, None, "--listen", 0),
                   help="where the panel listens (default 127.0.0.1:8765; port 0 picks a free one). Anything but a "
                        "loopback address lets other computers reach the panel: they still need the token")
    p.add_argument("--token", metavar="TOKEN",
                   help="the token every request needs (8-128 letters, digits, '.', '_', '~', '-'; default a "
                        "random one)")
    p.add_argument("--read-only", action="store_true",
                   help="show the controller, refuse every command (HTTP 403)")
    p.add_argument("--axes", metavar="LETTERS", default=AXES,
                   help="the axes to show and command, e.g. XYZ (default all ten)")
    p.add_argument("--version", action="version", version="vekkestra-panel %s" % _version())
    return p


def parse(argv: Optional[List[str]]) -> argparse.Namespace:
    p = parser()
    options = p.parse_args(argv)
    if options.token is not None and not TOKEN.fullmatch(options.token):
        p.error("--token: 8 to 128 letters, digits, '.', '_', '~' or '-'")
    letters = options.axes.upper().replace(",", "")
    if not letters or any(c not in AXES for c in letters):
        p.error("--axes: %r is not a set of axis letters (%s)" % (options.axes, AXES))
    options.axes = "".join(a for a in AXES if a in letters)
    if options.baud != 115200 and options.com is None:
        p.error("--baud goes with --com")
    return options


def main(argv: Optional[List[str]] = None) -> int:
    options = parse(argv)
    logging.basicConfig(level=logging.INFO, format="vekkestra-panel: %(message)s", stream=sys.stderr)
    try:
        import aiohttp  # noqa: F401
    except ImportError:
        print("vekkestra-panel: needs aiohttp for python3 (Debian: python3-aiohttp)", file=sys.stderr)
        return 1
    try:
        import vekkestra
        versions = {"panel": _version(), "library": vekkestra.version(), "core": vekkestra.core_version()}
    except (ImportError, OSError) as error:
        print("vekkestra-panel: %s" % error, file=sys.stderr)
        return 1
    return asyncio.run(_serve(options, versions))


async def _serve(options: argparse.Namespace, versions: dict) -> int:
    from aiohttp import web

    from .hub import Hub
    from .link import Endpoint, Link
    from .server import Security, make_app
    from .simulator import Simulator, SimulatorError, find_veksim

    loop = asyncio.get_running_loop()
    done = asyncio.Event()
    # In place before the controller opens, so that the motion core's
    # handlers go in front of these and pass the signals on.
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        loop.add_signal_handler(number, done.set)
    simulator = None
    if options.tcp:
        endpoint = Endpoint(host=options.tcp[0], port=options.tcp[1])
    elif options.com:
        endpoint = Endpoint(com=options.com, baud=options.baud)
    else:
        try:
            simulator = Simulator(find_veksim())
        except (SimulatorError, OSError) as error:
            print("vekkestra-panel: %s" % error, file=sys.stderr)
            return 1
        endpoint = Endpoint(host="127.0.0.1", port=simulator.port, simulator=True)
        logging.info("started the simulator %s on 127.0.0.1:%d", simulator.path, simulator.port)
    token = options.token or secrets.token_urlsafe(24)
    info = {"where": str(endpoint), "simulator": simulator is not None, "versions": versions}
    hub = Hub(lambda h: Link(endpoint, h.on_snapshot, h.on_state, h.on_started), options.axes, options.read_only,
              info)
    host, port = options.listen
    security = Security(token, port)
    runner = web.AppRunner(make_app(hub, security), access_log=None, handle_signals=False)
    await runner.setup()
    try:
        site = web.TCPSite(runner, host, port)
        await site.start()
    except OSError as error:
        print("vekkestra-panel: cannot listen on %s:%d: %s" % (host, port, error.strerror or error),
              file=sys.stderr)
        await runner.cleanup()
        if simulator:
            simulator.stop()
        return 1
    port = site._server.sockets[0].getsockname()[1]  # type: ignore[union-attr]
    security.cookie = "vekkestra_panel_%d" % port
    shown = "[%s]" % host if ":" in host else host
    print("VekKestra panel on http://%s:%d/?token=%s" % (shown, port, token), flush=True)
    hub.start()
    await done.wait()
    logging.info("ending")
    stopped = await hub.close()
    if stopped:
        logging.info("stopped %s on the way out", ", ".join(stopped))
    await runner.cleanup()
    if simulator:
        simulator.stop()
    return 0
