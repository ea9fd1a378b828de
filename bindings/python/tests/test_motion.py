"""The Controller's motion rules against a scripted controller on loopback
TCP, byte for byte: what a wait does when a notification is lost, and which
axes a block left early stops."""

import os
import time
import unittest

from vekkestra import Controller, VekError

from .peer import PtyPeer, ScriptedPeer

ACK = b"\x06"
# A notification that sets no flag, 15 bytes as the controller frames it.
QUIET = b"%000 00000000\r\n"
DONE_X = b"%000 00000001\r\n"


class LostNotificationTest(unittest.TestCase):
    def test_a_wait_confirms_a_missing_done_flag_with_the_axis_status(self):
        # The move's reply chunk is followed by so many notifications that
        # the one reporting X done is cut by the library's 256-byte read and
        # lost. The wait asks the controller for X's status instead ("EA",
        # its fifth letter P while the axis moves, N at rest) and ends well
        # within its 5 s time-out.
        burst = ACK + b" " * 8 + QUIET * 16 + DONE_X
        self.assertEqual(burst.index(DONE_X), 249)  # cut: 7 bytes in the first read, 8 in the next
        cases = [
            ("at rest at the first look", [(b"AXEA", ACK + b"DDNNN")]),
            ("moving, then at rest", [(b"AXEA", ACK + b"DDNNP"), (b"AXEA", ACK + b"DDNNN")]),
        ]
        for name, looks in cases:
            with self.subTest(name):
                script = [(b"AXMA1000;GDID;", burst)] + looks
                peer = ScriptedPeer(script)
                with Controller.tcp("127.0.0.1", peer.port) as ctl:
                    start = time.monotonic()
                    ctl.move_axis("X", 1000, timeout_ms=5000)
                    elapsed = time.monotonic() - start
                    self.assertEqual(ctl.status_word() & 1, 0)  # the notification was indeed lost
                    self.assertEqual(ctl.moving, "")
                peer.close()
                self.assertEqual(peer.received, [expected for expected, _ in script])
                # One look each 250 ms or so; far from the time-out.
                self.assertLess(elapsed, 2.5)


@unittest.skipUnless(hasattr(os, "openpty"), "needs a pseudo-terminal")
class RefusedOnSerialTest(unittest.TestCase):
    def test_a_refused_move_is_an_error_not_an_axis_at_rest(self):
        # Nothing acknowledges a serial command: the controller refuses one
        # only with the command-error notification (bit 24 of its value).
        # The axis is then found at rest, and the move must not count as done.
        peer = PtyPeer([(b"AXMA1000;GDID;", b"%000 01000000\n"), (b"AXEA", b"DDNNN\n")])
        os.environ["VEKKESTRA_COM7"] = peer.path
        try:
            with Controller.serial(7, 38400) as ctl:
                with self.assertRaises(VekError) as caught:
                    ctl.move_axis("X", 1000, timeout_ms=5000)
                self.assertEqual(caught.exception.code, 216)
                self.assertEqual(ctl.moving, "")
        finally:
            peer.close()
        self.assertEqual(peer.received, [b"AXMA1000;GDID;", b"AXEA"])


class ScopeTest(unittest.TestCase):
    """A block left by an exception stops the axes it set moving and are
    still moving; a block left normally stops nothing."""

    def run_block(self, body, script):
        peer = ScriptedPeer([(command, ACK) for command in script])
        try:
            body(Controller.tcp("127.0.0.1", peer.port))
        except RuntimeError:
            pass
        peer.close()
        self.assertEqual(peer.received, script)

    def test_which_axes_a_block_stops(self):
        def controller_block_by_exception(ctl):
            with ctl:
                ctl.move_axis("X", 1000)
                ctl.jog_axis("Y", 500)
                raise RuntimeError

        def controller_block_left_normally(ctl):
            with ctl:
                ctl.jog_axis("Y", 500)

        def guarded_block_by_exception(ctl):
            with ctl:
                ctl.jog_axis("Y", 500)  # before the guarded block: goes on
                try:
                    with ctl.guard():
                        ctl.move({"Z": 10, "T": 20})
                        raise RuntimeError
                except RuntimeError:
                    pass

        def guarded_block_left_normally(ctl):
            with ctl, ctl.guard():
                ctl.jog_axis("Y", 500)

        def axis_already_stopped(ctl):
            with ctl:
                ctl.jog({"X": 100, "Y": 200})
                ctl.stop("Y")  # the application's own stop: not sent again
                raise RuntimeError

        cases = [
            (controller_block_by_exception, [b"AXMA1000;GDID;", b"AYJG500;", b"SI1,1;"]),
            (controller_block_left_normally, [b"AYJG500;"]),
            (guarded_block_by_exception, [b"AYJG500;", b"AAMA,,10,20;;GDID;", b"SI,,1,1;"]),
            (guarded_block_left_normally, [b"AYJG500;"]),
            (axis_already_stopped, [b"AAJG100,200;", b"SI,1;", b"SI1;"]),
        ]
        for body, script in cases:
            with self.subTest(body.__name__):
                self.run_block(body, script)


if __name__ == "__main__":
    unittest.main()
