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

    C_TYPES = {
        "uint32_t": ctypes.c_uint32, "int32_t": ctypes.c_int32, "double": ctypes.c_double,
        "const char*": ctypes.c_char_p, "char*": ctypes.c_char_p, "void": None,
        "uint32_t*": ctypes.POINTER(ctypes.c_uint32), "int32_t*": ctypes.POINTER(ctypes.c_int32),
        "const int32_t*": ctypes.POINTER(ctypes.c_int32),
    }

    def header_signatures(self):
        with open(HEADER) as f:
            text = f.read()
        found = {}
        for ret, name, args in re.findall(r"VEK_API\s+(.+?)\s+VEK_CALL\s+(\w+)\((.*?)\);", text):
            types = []
            if args.strip() != "void":
                for arg in args.split(","):
                    kind, _, var = arg.strip().rpartition(" ")
                    if var.startswith("*"):
                        kind += "*"
                    types.append(self.C_TYPES[kind.replace(" *", "*")])
            found[name] = (self.C_TYPES[ret.replace(" *", "*")], types)
        return found

    def test_every_export_matches_the_header(self):
        header = self.header_signatures()
        self.assertEqual(len(header), 145)
        binding = {name: (ret, list(args)) for name, ret, args in all_signatures()}
        self.assertEqual(sorted(binding), sorted(header))
        for name, signature in header.items():
            self.assertEqual(binding[name], signature, name)

    def test_every_export_is_in_the_library(self):
        lib = vekkestra.library()
        for name, _, _ in all_signatures():
            self.assertTrue(hasattr(lib, name), name)


class UtilitiesTest(unittest.TestCase):
    def test_version_text(self):
        self.assertEqual(vekkestra.version(),
                         "VekKestra DLL v1.03.02 - ethernet v1.03.01 - serial v1.03.01")

    def test_logger_writes_banner_marker_and_stop(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "trace.log")
            vekkestra.start_logger(path, 8)
            vekkestra.log_marker("---- marker ----")
            vekkestra.stop_logger()
            with open(path) as f:
                text = f.read()
        self.assertIn("<*> VekKestra DLL Logger <*>", text)
        self.assertIn("\n---- marker ----\n", text)
        self.assertIn("Logger Stop:", text)

    def test_failure_raises_with_the_code_named(self):
        with tempfile.TemporaryDirectory() as d:
            with self.assertRaises(VekError) as caught:
                vekkestra.start_logger(os.path.join(d, "x.log"), 17)
        self.assertEqual(caught.exception.code, 3)
        self.assertIs(caught.exception.result, Result.VEK_ERROR_INVALID_PARAMETER)
        self.assertIn("VEK_ERROR_INVALID_PARAMETER (3)", str(caught.exception))
        with self.assertRaises(VekError) as caught:
            vekkestra.stop_logger()
        self.assertEqual(caught.exception.code, Result.VEK_ERROR_LOG_FILE)

    def test_axis_names(self):
        self.assertEqual(vekkestra.axis_bit("x"), 1)
        self.assertEqual(vekkestra.axis_bit("K"), 512)
        self.assertEqual(vekkestra.axis_mask("XZ"), 5)
        self.assertEqual(vekkestra.axis_mask(["Y", "W"]), 0x102)
        with self.assertRaises(ValueError):
            vekkestra.axis_bit("Q")


class TcpExchangeTest(unittest.TestCase):
    """The binding against a scripted controller on loopback TCP."""

    def run_script(self, script, body):
        peer = ScriptedPeer(script)
        try:
            with Controller.tcp("127.0.0.1", peer.port) as ctl:
                body(ctl)
        finally:
            peer.finish()
        self.assertEqual(peer.mismatches, [])
        self.assertEqual(peer.received, [expected for expected, _ in script])

    def test_commands_and_queries_go_out_as_built(self):
        def body(ctl):
            ctl.send("AXMA100;")
            self.assertEqual(ctl.motor_position("Z"), -42)
            ctl.move({"X": 100, "Z": -5})
            ctl.jog_axis("Y", 2.5)
            ctl.stop("XZ")
            self.assertEqual(ctl.query("#ER"), "BAD TEXT")

        self.run_script([
            (b"AXMA100;", ACK),
            (b"AZRP;", ACK + b"  -42 counts"),
            (b"AAMA100,,-5;;GDID;", ACK),
            (b"AYJF2.500000;", ACK),
            (b"SI1,,1;", ACK),
            (b"#ER", ACK + b"BAD TEXT"),
        ], body)

    def test_positions_read_both_lists(self):
        def body(ctl):
            motor, encoder = ctl.positions()
            self.assertEqual(motor, [10, 20, 30, 0, 0, 0, 0, 0, 0, 0])
            self.assertEqual(encoder, [1, 2, 3, 4, 5, 6, 7, 8, 9, 10])

        self.run_script([
            (b"PP", ACK + b"10,20,30"),
            (b"PE;", ACK + b"1,2,3,4,5,6,7,8,9,10"),
        ], body)

    def test_refusals_raise_with_the_code(self):
        def body(ctl):
            with self.assertRaises(VekError) as caught:
                ctl.send("XX")
            self.assertEqual(caught.exception.result, Result.VEK_ERROR_COMMAND_NAK)
            self.assertIn("VEKnet_SendCommand: VEK_ERROR_COMMAND_NAK (216)", str(caught.exception))
            with self.assertRaises(VekError) as caught:
                ctl.move_axis(3, 100)  # two axis bits at once: refused before sending
            self.assertEqual(caught.exception.code, 2)
            ctl.send("AXMA0;")

        self.run_script([(b"XX", NAK), (b"AXMA0;", ACK)], body)

    def test_connect_failure_names_the_code(self):
        with self.assertRaises(VekError) as caught:
            Controller.tcp("not-an-address", 5001)
        self.assertEqual(caught.exception.code, Result.VEK_ERROR_INVALID_IP_ADDRESS)


if __name__ == "__main__":
    unittest.main()
