"""The Controller's motion rules against scripted controllers, byte for byte:
what a wait does when a notification is lost or a serial command refused, and
which axes a block left early stops."""

import contextlib
import os
import time
import unittest

from vekkestra import VekError

from .peer import ACK, PtyPeer, ScriptedPeer


class WaitTest(unittest.TestCase):
    def run_move(self, peer):
        try:
            with peer.controller() as ctl:
                start = time.monotonic()
                try:
                    ctl.move_axis("X", 1000, timeout_ms=5000)
                finally:
                    self.assertEqual(ctl.moving, "")
                return time.monotonic() - start, ctl.status_word()
        finally:
            peer.close()

    def test_a_lost_done_notification_is_confirmed_with_the_axis_status(self):
        # So many notifications follow the move's reply that the one reporting
        # X done is cut by the library's 256-byte read (7 bytes in the first,
        # 8 in the next) and lost. The wait asks for X's status instead ("EA",
        # its fifth letter P while the axis moves) and ends well within 5 s.
        quiet, done_x = b"%000 00000000\r\n", b"%000 00000001\r\n"
        burst = ACK + b" " * 8 + quiet * 16 + done_x
        self.assertEqual(burst.index(done_x), 249)
        for looks in ([b"DDNNN"], [b"DDNNP", b"DDNNN"]):
            with self.subTest(looks=looks):
                script = [(b"AXMA1000;GDID;", burst)] + [(b"AXEA", ACK + look) for look in looks]
                peer = ScriptedPeer(script)
                elapsed, word = self.run_move(peer)
                self.assertEqual(word & 1, 0)  # the notification was indeed lost
                self.assertEqual(peer.received, [expected for expected, _ in script])
                self.assertLess(elapsed, 2.5)  # one look each 250 ms or so

    @unittest.skipUnless(hasattr(os, "openpty"), "needs a pseudo-terminal")
    def test_a_refused_serial_move_is_an_error_not_an_axis_at_rest(self):
        # Nothing acknowledges a serial command: the controller refuses one
        # only with the command-error notification (bit 24 of its value), and
        # the axis is then found at rest.
        peer = PtyPeer([(b"AXMA1000;GDID;", b"%000 01000000\n"), (b"AXEA", b"DDNNN\n")])
        with self.assertRaises(VekError) as caught:
            self.run_move(peer)
        self.assertEqual(caught.exception.code, 216)
        self.assertEqual(peer.received, [b"AXMA1000;GDID;", b"AXEA"])


class ScopeTest(unittest.TestCase):
    def test_which_axes_a_block_stops(self):
        def controller_block(ctl):
            with ctl:
                ctl.move_axis("X", 1000)
                ctl.jog_axis("Y", 500)
                raise RuntimeError

        def guarded_block(ctl):
            with ctl:
                ctl.jog_axis("Y", 500)  # before the guarded block: goes on
                try:
                    with ctl.guard():
                        ctl.move({"Z": 10, "T": 20})
                        raise RuntimeError
                except RuntimeError:
                    pass

        def blocks_left_normally(ctl):
            with ctl, ctl.guard():
                ctl.jog_axis("Y", 500)

        def axis_already_stopped(ctl):
            with ctl:
                ctl.jog({"X": 100, "Y": 200})
                ctl.stop("Y")  # the application's own stop: not sent again
                raise RuntimeError

        cases = [
            (controller_block, [b"AXMA1000;GDID;", b"AYJG500;", b"SI1,1;"]),
            (guarded_block, [b"AYJG500;", b"AAMA,,10,20;;GDID;", b"SI,,1,1;"]),
            (blocks_left_normally, [b"AYJG500;"]),
            (axis_already_stopped, [b"AAJG100,200;", b"SI,1;", b"SI1;"]),
        ]
        for block, script in cases:
            with self.subTest(block.__name__):
                peer = ScriptedPeer([(command, ACK) for command in script])
                with contextlib.suppress(RuntimeError):
                    block(peer.controller())
                peer.close()
                self.assertEqual(peer.received, script)


if __name__ == "__main__":
    unittest.main()
