import ctypes
import os
import re
import tempfile
import unittest

import vekkestra
from vekkestra import Controller, Result, VekError
from vekkestra._exports import all_signatures

from .peer import ScriptedPeer

ACK = b"\x06"
NAK = b"\x15"
HEADER = os.environ.get(
    "VEKKESTRA_HEADER",
    os.path.join(os.path.dirname(__file__), "..", "..", "..", "include", "vekkestra.h"))


class ExportTableTest(unittest.TestCase):
    """The binding's signatures must be the header's, or calls corrupt the stack."""

    def test_every_export_matches_the_header_and_the_library(self):
        types = {"uint32_t": ctypes.c_uint32, "int32_t": ctypes.c_int32, "double": ctypes.c_double,
                 "const char*": ctypes.c_char_p, "char*": ctypes.c_char_p, "void": None,
                 "uint32_t*": ctypes.POINTER(ctypes.c_uint32), "int32_t*": ctypes.POINTER(ctypes.c_int32),
                 "const int32_t*": ctypes.POINTER(ctypes.c_int32)}
        with open(HEADER) as f:
            exports = re.findall(r"VEK_API\s+(.+?)\s+VEK_CALL\s+(\w+)\((.*?)\);", f.read())
        self.assertEqual(len(exports), 145)
        # Every parameter is written "type name", pointers as "type* name".
        header = {name: (types[ret], [types[arg.strip().rsplit(" ", 1)[0]] for arg in args.split(",")
                                      if arg.strip() != "void"]) for ret, name, args in exports}
        binding = {name: (ret, list(args)) for name, ret, args in all_signatures()}
        self.assertEqual(sorted(binding), sorted(header))
        lib = vekkestra.library()
        for name, signature in header.items():
            self.assertEqual(binding[name], signature, name)
            self.assertTrue(hasattr(lib, name), name)


class UtilitiesTest(unittest.TestCase):
    def test_logger_takes_path_and_marker_text(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "trace.log")
            vekkestra.start_logger(path, 8)
            vekkestra.log_marker("---- marker ----")
            vekkestra.stop_logger()
            with open(path) as f:
                self.assertIn("\n---- marker ----\n", f.read())

    def test_failure_raises_with_the_code_named(self):
        with tempfile.TemporaryDirectory() as d:
            with self.assertRaises(VekError) as caught:
                vekkestra.start_logger(os.path.join(d, "x.log"), 17)
        self.assertEqual(caught.exception.code, 3)
        self.assertIs(caught.exception.result, Result.VEK_ERROR_INVALID_PARAMETER)
        self.assertEqual(str(caught.exception), "VEK_StartDllLogger: VEK_ERROR_INVALID_PARAMETER (3)")
        self.assertEqual(VekError(4).result, 4)  # a code the enum lacks stays a number
        self.assertEqual(str(VekError(4)), "unknown result (4)")

    def test_axis_names(self):
        self.assertEqual(vekkestra.axis_bit("x"), 1)
        self.assertEqual(vekkestra.axis_mask("XZ"), 5)
        self.assertEqual(vekkestra.axis_mask(["Y", "K"]), 0x202)
        with self.assertRaises(ValueError):
            vekkestra.axis_bit("Q")


class TcpExchangeTest(unittest.TestCase):
    """The binding against a scripted controller on loopback TCP."""

    def run_script(self, script, body):
        peer = ScriptedPeer(script)
        with Controller.tcp("127.0.0.1", peer.port) as ctl:
            body(ctl)
        peer.join(10.0)
        self.assertEqual(peer.received, [expected for expected, _ in script])

    def test_commands_and_queries_go_out_as_built(self):
        def body(ctl):
            self.assertEqual(ctl.motor_position("Z"), -42)
            ctl.move({"X": 100, "Z": -5})
            ctl.jog_axis("Y", 2.5)
            ctl.stop("XZ")
            self.assertEqual(ctl.query("#ER"), "BAD TEXT")
            motor, encoder = ctl.positions()
            self.assertEqual(motor, [10, 20, 30, 0, 0, 0, 0, 0, 0, 0])
            self.assertEqual(encoder, [1, 2, 3, 4, 5, 6, 7, 8, 9, 10])
            with self.assertRaises(VekError) as caught:
                ctl.send("XX")
            self.assertEqual(str(caught.exception), "VEKnet_SendCommand: VEK_ERROR_COMMAND_NAK (216)")
            with self.assertRaises(VekError) as caught:
                ctl.move_axis(3, 100)  # two axis bits at once: refused before sending
            self.assertIs(caught.exception.result, Result.VEK_ERROR_INVALID_AXIS)

        self.run_script([
            (b"AZRP;", ACK + b"  -42 counts"),
            (b"AAMA100,,-5;;GDID;", ACK),
            (b"AYJF2.500000;", ACK),
            (b"SI1,,1;", ACK),
            (b"#ER", ACK + b"BAD TEXT"),
            (b"PP", ACK + b"10,20,30"),
            (b"PE;", ACK + b"1,2,3,4,5,6,7,8,9,10"),
            (b"XX", NAK),
        ], body)


if __name__ == "__main__":
    unittest.main()
