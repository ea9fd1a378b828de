"""A reply that comes after the library gave up on it must never be taken
as the answer to a later call: the Controller opens a TCP connection again,
and drains a serial port before its next call."""

import os
import unittest

from vekkestra import Controller, Result, VekTimeoutError

from .peer import PtyPeer, ScriptedPeer

ACK = b"\x06"


def tcp(*scripts):
    peer = ScriptedPeer(*scripts)
    return peer, Controller.tcp("127.0.0.1", peer.port)


def serial(*scripts):
    peer = PtyPeer([step for script in scripts for step in script])
    os.environ["VEKKESTRA_COM7"] = peer.path
    try:
        return peer, Controller.serial(7, 38400)
    except BaseException:
        peer.close()
        raise


class LateReplyTest(unittest.TestCase):
    def test_the_call_after_a_time_out_gets_its_own_answer(self):
        # The controller answers the query for Y after the library has given
        # up on it (2.5 s for a TCP reply, 100 ms of silence for a serial
        # line), with a done notification for Y behind it, then answers X at
        # once. The margins keep the first call a time-out on a busy machine.
        # On TCP the answer to X comes on a second connection; on serial the
        # late bytes go through the library's filter, so the notification
        # behind the late answer is not lost.
        cases = [
            ("tcp", tcp, Result.VEK_ERROR_ACK_NAK_TIMEOUT, 2.9, ACK + b"222%000 00000002\r\n", ACK + b"111", 0),
            ("serial", serial, Result.VEK_ERROR_SERIAL_READ_TIMEOUT, 0.5, b"222\n%000 00000002\n", b"111\n", 2),
        ]
        for name, connect, timeout, delay, late, prompt, flags in cases:
            if name == "serial" and not hasattr(os, "openpty"):
                continue
            with self.subTest(name):
                peer, ctl = connect([(b"AYRP;", late, delay)], [(b"AXRP;", prompt)])
                try:
                    with self.assertRaises(VekTimeoutError) as caught:
                        ctl.motor_position("Y")
                    self.assertIs(caught.exception.result, timeout)
                    self.assertEqual(ctl.motor_position("X"), 111)
                    self.assertEqual(ctl.status_word() & 0x2, flags)
                finally:
                    ctl.close()
                    peer.close()
                self.assertEqual(peer.received, [b"AYRP;", b"AXRP;"])
                if name == "tcp":
                    self.assertEqual(peer.connections, 2)


if __name__ == "__main__":
    unittest.main()
