"""A scripted controller on loopback TCP: it expects each command text byte
for byte and answers with the bytes the script gives."""

import socket
import threading


class ScriptedPeer(threading.Thread):
    def __init__(self, script):
        # script: list of (expected command bytes, reply bytes)
        super().__init__(daemon=True)
        self.script, self.received = script, []
        self.server = socket.create_server(("127.0.0.1", 0))
        self.server.settimeout(5.0)
        self.port = self.server.getsockname()[1]
        self.start()

    def run(self):
        conn, _ = self.server.accept()
        conn.settimeout(5.0)
        with conn, self.server:
            for expected, reply in self.script:
                got = b""
                while len(got) < len(expected) and (piece := conn.recv(len(expected) - len(got))):
                    got += piece
                self.received.append(got)
                if got != expected:
                    break
                conn.sendall(reply)
            while conn.recv(256):  # hold the connection until the client closes it
                pass
