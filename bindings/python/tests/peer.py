"""Scripted controllers: one on loopback TCP, one behind a pseudo-terminal.
Each expects every command text byte for byte and answers with the bytes the
script gives, optionally after a delay (a controller that answers late)."""

import os
import select
import socket
import threading

from vekkestra import Controller

ACK = b"\x06"


def _play(script, receive, send, received):
    # script: list of (expected command bytes, reply bytes[, delay in seconds])
    for expected, reply, *delay in script:
        got = b""
        while len(got) < len(expected) and (piece := receive(len(expected) - len(got))):
            got += piece
        received.append(got)
        if got != expected:
            return
        if delay:
            threading.Event().wait(delay[0])
        send(reply)


class ScriptedPeer(threading.Thread):
    """The controller as a TCP server on 127.0.0.1. Each script plays on one
    connection, in the order they are accepted (a client that opens its
    connection again gets the next one); ``received`` holds what came on all
    of them, ``connections`` how many were accepted."""

    def __init__(self, *scripts):
        super().__init__(daemon=True)
        self.scripts, self.received, self.connections = scripts, [], 0
        self.server = socket.create_server(("127.0.0.1", 0))
        self.server.settimeout(5.0)
        self.port = self.server.getsockname()[1]
        self.start()

    def controller(self):
        return Controller.tcp("127.0.0.1", self.port)

    def run(self):
        with self.server:
            for script in self.scripts:
                conn, _ = self.server.accept()
                self.connections += 1
                conn.settimeout(10.0)
                with conn:
                    try:
                        _play(script, conn.recv, conn.sendall, self.received)
                        # Whatever the client sends beyond the script is received too.
                        while extra := conn.recv(256):
                            self.received.append(extra)
                    except OSError:  # the client closed first: a late reply has nowhere to go
                        pass

    def close(self):
        """Waits for the client to have closed its end."""
        self.join(10.0)


class PtyPeer(threading.Thread):
    """The controller on the master side of a pseudo-terminal, which the
    library opens as COM7. ``close()`` ends it."""

    def __init__(self, *scripts):
        super().__init__(daemon=True)
        self.script, self.received = [step for script in scripts for step in script], []
        self.master, self.slave = os.openpty()
        self.stopping = threading.Event()
        self.start()

    def controller(self):
        os.environ["VEKKESTRA_COM7"] = os.ttyname(self.slave)
        return Controller.serial(7, 38400)

    def receive(self, size):
        while not self.stopping.is_set():
            if select.select([self.master], [], [], 0.05)[0]:
                return os.read(self.master, size)
        return b""

    def run(self):
        _play(self.script, self.receive, lambda data: os.write(self.master, data), self.received)
        self.stopping.wait(10.0)

    def close(self):
        self.stopping.set()
        self.join(5.0)
        os.close(self.master)
        os.close(self.slave)
