"""A reply that comes after the library gave up on it must never be taken
as the answer to a later call: the Controller opens a TCP connection again,
and drains a serial port before its next call."""

import os
import unittest

from vekkestra import Result, VekTimeoutError

from .peer import ACK, PtyPeer, ScriptedPeer


class LateReplyTest(unittest.TestCase):
    def test_the_call_after_a_time_out_gets_its_own_answer(self):
        # The answer for Y comes after the library has given up on it (2.5 s
        # for a TCP reply, 100 ms of silence for a serial line; the margins
        # hold on a busy machine), with a done notification for Y behind it;
        # X is answered at once, on TCP on a second connection. On serial the
        # late bytes go through the library's filter, so that notification is
        # not lost.
        cases = [
            (ScriptedPeer, Result.VEK_ERROR_ACK_NAK_TIMEOUT, 2.9, ACK + b"222%000 00000002\r\n", ACK + b"111", 0),
            (PtyPeer, Result.VEK_ERROR_SERIAL_READ_TIMEOUT, 0.5, b"222\n%000 00000002\n", b"111\n", 2),
        ]
        for peer_type, timeout, delay, late, prompt, flags in cases:
            if peer_type is PtyPeer and not hasattr(os, "openpty"):
                continue
            with self.subTest(peer_type.__name__):
                peer = peer_type([(b"AYRP;", late, delay)], [(b"AXRP;", prompt)])
                try:
                    with peer.controller() as ctl:
                        with self.assertRaises(VekTimeoutError) as caught:
                            ctl.motor_position("Y")
                        self.assertIs(caught.exception.result, timeout)
                        self.assertEqual(ctl.motor_position("X"), 111)
                        self.assertEqual(ctl.status_word() & 0x2, flags)
                finally:
                    peer.close()
                self.assertEqual(peer.received, [b"AYRP;", b"AXRP;"])
                if peer_type is ScriptedPeer:
                    self.assertEqual(peer.connections, 2)


if __name__ == "__main__":
    unittest.main()
