"""A scripted controller on loopback TCP: it expects each command text byte
for byte and answers with the bytes the script gives."""

import socket
import threading


class ScriptedPeer:
    def __init__(self, script):
        # script: list of (expected command bytes, reply bytes)
        self.script = list(script)
        self.received = []
        self.mismatches = []
        self._server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._server.bind(("127.0.0.1", 0))
        self._server.listen(1)
        self._server.settimeout(5.0)
        self.port = self._server.getsockname()[1]
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    def _receive_exactly(self, conn, count):
        data = b""
        while len(data) < count:
            piece = conn.recv(count - len(data))
            if not piece:
                break
            data += piece
        return data

    def _serve(self):
        try:
            conn, _ = self._server.accept()
        except OSError:
            return
        conn.settimeout(5.0)
        with conn:
            for expected, reply in self.script:
                try:
                    got = self._receive_exactly(conn, len(expected))
                except OSError:
                    break
                self.received.append(got)
                if got != expected:
                    self.mismatches.append((expected, got))
                    break
                conn.sendall(reply)
            # Hold the connection until the client closes it.
            try:
                while conn.recv(256):
                    pass
            except OSError:
                pass

    def finish(self):
        self._thread.join(timeout=10.0)
        self._server.close()
