"""A scripted controller on loopback TCP: it expects every command text byte
for byte and answers with the bytes the script gives."""

import socket
import threading

from vekkestra import Controller

ACK = b"\x06"
NAK = b"\x15"


class ScriptedPeer(threading.Thread):
    """The controller as a TCP server on 127.0.0.1, for one connection.
    ``received`` holds every text that came, expected or not."""

    def __init__(self, script):
        super().__init__(daemon=True)
        self.script, self.received = script, []
        self.server = socket.create_server(("127.0.0.1", 0))
        self.server.settimeout(5.0)
        self.port = self.server.getsockname()[1]
        self.start()

    def controller(self):
        return Controller.tcp("127.0.0.1", self.port)

    def run(self):
        with self.server:
            conn, _ = self.server.accept()
        with conn:
            conn.settimeout(10.0)
            try:
                for expected, reply in self.script:
                    got = b""
                    while len(got) < len(expected) and (piece := conn.recv(len(expected) - len(got))):
                        got += piece
                    self.received.append(got)
                    if got != expected:
                        return
                    conn.sendall(reply)
                # Whatever the client sends beyond the script is received too.
                while extra := conn.recv(256):
                    self.received.append(extra)
            except OSError:
                pass

    def close(self):
        """Waits for the client to have closed its end."""
        self.join(10.0)
