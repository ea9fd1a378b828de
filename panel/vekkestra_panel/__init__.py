"""The VekKestra operator panel: commissioning and running a controller from
a web browser.

``vekkestra-panel`` (or ``python3 -m vekkestra.panel``) serves one
controller to any number of pages: one thread owns the connection and polls
it through the motion core's tracker (``vekkestra.Controller.poll()``),
every page sees every poll over a WebSocket, and the pages' commands run on
that thread one at a time. docs/panel.md describes the page, the safety
rules, the security and the JSON API.
"""

from .main import main

__all__ = ["main"]
