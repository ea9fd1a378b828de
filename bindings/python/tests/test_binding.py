import ctypes
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import unittest

import vekkestra
from vekkestra import (ClosedError, Controller, LimitError, Result, SlipError, VekConnectionError, VekError,
                       VekTimeoutError)
from vekkestra._exports import all_signatures
from vekkestra.errors import error_for

from .peer import ACK, ScriptedPeer

NAK = b"\x15"
HEADER = os.environ.get("VEKKESTRA_HEADER",
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


@unittest.skipIf(sys.platform == "win32", "the POSIX library names and layout")
class LoadingTest(unittest.TestCase):
    def test_library_of_the_install_prefix(self):
        # Without VEKKESTRA_LIBRARY the package finds the library of the
        # prefix it is installed in, or says everywhere it looked.
        with tempfile.TemporaryDirectory() as prefix:
            env = {k: v for k, v in os.environ.items() if k not in ("VEKKESTRA_LIBRARY", "PYTHONPATH")}
            env["PYTHONPATH"] = os.path.join(prefix, "share", "vekkestra", "python")
            shutil.copytree(os.path.dirname(os.path.abspath(vekkestra.__file__)),
                            os.path.join(env["PYTHONPATH"], "vekkestra"))
            library = os.path.join(prefix, "lib", "libvekkestra.so.1")

            def run():
                return subprocess.run([sys.executable, "-c", "import vekkestra; print(vekkestra.library_path())"],
                                      cwd=prefix, env=env, capture_output=True, text=True, timeout=30)

            missing = run()
            if missing.returncode == 0:
                self.skipTest("the system search finds a library: " + missing.stdout.strip())
            self.assertIn("LibraryNotFoundError", missing.stderr)
            self.assertIn(library, missing.stderr)
            os.mkdir(os.path.dirname(library))
            os.symlink(os.path.realpath(vekkestra.library_path()), library)
            found = run()
            self.assertEqual((found.returncode, found.stdout.strip()), (0, library), found.stderr)


class UtilitiesTest(unittest.TestCase):
    def test_logger_takes_path_and_marker_text(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "trace.log")
            vekkestra.start_logger(path, 8)
            vekkestra.log_marker("---- marker ----")
            vekkestra.stop_logger()
            with open(path) as f:
                self.assertIn("\n---- marker ----\n", f.read())

    def test_failures_raise_their_kind_named_with_the_code(self):
        with tempfile.TemporaryDirectory() as d, self.assertRaises(VekError) as caught:
            vekkestra.start_logger(os.path.join(d, "x.log"), 17)
        self.assertIs(caught.exception.result, Result.VEK_ERROR_INVALID_PARAMETER)
        self.assertEqual(str(caught.exception), "VEK_StartDllLogger: VEK_ERROR_INVALID_PARAMETER (3)")
        self.assertEqual(VekError(4).result, 4)  # a code the enum lacks stays a number
        self.assertEqual(str(VekError(4)), "unknown result (4)")
        kinds = [
            (VekTimeoutError, TimeoutError, (6, 213, 214, 352)),
            (VekConnectionError, ConnectionError, (201, 202, 211, 212, 217, 301, 350, 351)),
            (VekError, Exception, (2, 3, 5, 7, 50, 101, 215, 216)),
        ]
        for kind, builtin, codes in kinds:
            for code in codes:
                with self.subTest(code=code):
                    error = error_for(code, "VEKnet_Query")
                    self.assertIs(type(error), kind)
                    self.assertIsInstance(error, builtin)
                    self.assertEqual(isinstance(error, OSError), builtin is not Exception)
                    self.assertEqual(str(error), "VEKnet_Query: %s (%d)" % (Result(code).name, code))
        limit = LimitError("X", 5000, "VEKnet_Move")
        self.assertIsInstance(limit, VekError)
        self.assertEqual((limit.axis, limit.position, limit.code), ("X", 5000, 0))
        self.assertEqual(str(limit), "VEKnet_Move: axis X met a limit switch, stopped at 5000")
        self.assertEqual(str(SlipError("Z", -3, "VEKser_MoveAxis")), "VEKser_MoveAxis: axis Z slipped, stopped at -3")
        self.assertIsInstance(ClosedError("VEKnet_Query"), VekError)

    def test_axis_names(self):
        self.assertEqual(vekkestra.axis_bit("x"), 1)
        self.assertEqual(vekkestra.axis_mask("XZ"), 5)
        self.assertEqual(vekkestra.axis_mask(["Y", "K"]), 0x202)
        self.assertEqual(vekkestra.axis_mask("X,W"), 0x101)
        for bad in ("Q", "XY", 0, 3, 1024, -1):
            with self.subTest(bad=bad), self.assertRaises(ValueError):
                vekkestra.axis_bit(bad)


class TcpExchangeTest(unittest.TestCase):
    def test_commands_and_queries_go_out_as_built(self):
        script = [
            (b"AZRP;", ACK + b"  -42 counts"),
            (b"AAMA100,,-5;;GDID;", ACK),
            (b"AYJF2.500000;", ACK),
            (b"SI1,,1;", ACK),
            (b"#ER", ACK + b"BAD TEXT"),
            (b"PP", ACK + b"10,20,30"),
            (b"PE;", ACK + b"1,2,3,4,5,6,7,8,9,10"),
            (b"AXMA-2147483648;GDID;", ACK),
            (b"AKLP2147483647;", ACK),
            (b"XX", NAK),
        ]
        peer = ScriptedPeer(script)
        # A host name is resolved: the library itself takes dotted addresses only.
        with Controller.tcp("localhost", peer.port) as ctl:
            self.assertEqual(ctl.motor_position("Z"), -42)
            ctl.move({"X": 100, "Z": -5})
            ctl.jog_axis("Y", 2.5)
            ctl.stop("XZ")
            self.assertEqual(ctl.query("#ER"), "BAD TEXT")
            self.assertEqual(ctl.positions(), ([10, 20, 30, 0, 0, 0, 0, 0, 0, 0], [1, 2, 3, 4, 5, 6, 7, 8, 9, 10]))
            ctl.move_axis("X", vekkestra.INT32_MIN)
            ctl.set_motor_position(512, vekkestra.INT32_MAX)
            # Refused before anything is sent: a stray byte would spoil the
            # next command the peer expects.
            self.assert_refused(ctl)
            with self.assertRaises(VekError) as caught:
                ctl.send("XX")
            self.assertEqual(str(caught.exception), "VEKnet_SendCommand: VEK_ERROR_COMMAND_NAK (216)")
        peer.close()
        self.assertEqual(peer.received, [expected for expected, _ in script])

    def assert_refused(self, ctl):
        big, small = vekkestra.INT32_MAX + 1, vekkestra.INT32_MIN - 1
        cases = [
            (ValueError, ctl.move_axis, [("Q", 100), ("X", big), ("X", 1, False, False, -1)]),  # axis, value, time-out
            (TypeError, ctl.move_axis, [("X", 1.5)]),
            (ValueError, ctl.move, [({},), ({"X": 1}, 4), ({"X": 1, 1: 2},)]),  # no axis, move kind, X twice
            (TypeError, ctl.move, [([("X", 1)],)]),
            (ValueError, ctl.move_by, [({"X": big},)]),
            (ValueError, ctl.find_home, [("X", False, False, big), ("X", False, False, 0, -5)]),
            (ValueError, ctl.find_limit, [("X", False, small)]),
            (ValueError, ctl.wait, [("X", 0), ("XQ",)]),
            (ValueError, ctl.jog_axis, [("X", float(big)), ("X", float("nan"))]),
            (ValueError, ctl.stop, [(1024,), (-1,)]),
            (ValueError, ctl.set_motor_position, [("Y", big)]),
            (ValueError, ctl.set_output_bit, [(16, 1), (0, 2)]),
            (ValueError, ctl.set_io_direction, [(vekkestra.UINT32_MAX + 1,)]),
            # The by-name escape hatch checks against the C parameter types.
            (ValueError, ctl.call, [("SetAxisPID", 1, big), ("SetIOBitsDirection", -1)]),
            (ValueError, Controller.tcp, [("localhost", 65536)]),
            (TypeError, Controller.tcp, [(b"localhost", 5001)]),
            (ValueError, Controller.serial, [(33,), (1, 12345)]),
        ]
        for error, method, calls in cases:
            for args in calls:
                with self.subTest(method=method.__name__, args=args), self.assertRaises(error):
                    method(*args)
        # The raw library refuses what its parameters cannot hold, too.
        with self.assertRaises(ctypes.ArgumentError):
            vekkestra.library().VEKnet_SetAxisMaxVelocity(ctypes.byref(ctl.handle), 1, big)


class ConnectionTest(unittest.TestCase):
    def test_a_closed_controller_refuses_every_call_and_sends_nothing(self):
        peer = ScriptedPeer([(b"AXRP;", ACK + b"5")])
        ctl = Controller.tcp("127.0.0.1", peer.port)
        self.assertEqual(ctl.motor_position("X"), 5)
        ctl.close()
        ctl.close()  # twice is fine
        self.assertFalse(ctl.is_open)
        calls = [(ctl.motor_position, "X"), (ctl.move_axis, "X", 10, False, False, 1000), (ctl.jog_axis, "Y", 100),
                 (ctl.stop,), (ctl.send, "AXRP;"), (ctl.status_word,), (ctl.call, "SetAxisPID", 1, 0),
                 (Controller("VEKnet_").stop,)]  # the last one never opened
        for method, *args in calls:
            with self.subTest(method=method.__name__), self.assertRaises(ClosedError):
                method(*args)
        peer.close()
        self.assertEqual(peer.received, [b"AXRP;"])

    @unittest.skipUnless(os.path.isdir("/proc/self/fd"), "counts descriptors in /proc/self/fd")
    def test_a_failed_open_leaves_nothing_open(self):
        refusing = socket.create_server(("127.0.0.1", 0))
        closed_port = refusing.getsockname()[1]
        refusing.close()
        with tempfile.TemporaryDirectory() as d:
            os.environ["VEKKESTRA_COM9"] = os.path.join(d, "not-a-terminal")
            open(os.environ["VEKKESTRA_COM9"], "w").close()
            os.environ["VEKKESTRA_COM10"] = os.path.join(d, "missing")
            cases = [(Controller.tcp, ("not.an.ip.invalid", 5001), 201),  # unknown host name
                     (Controller.tcp, ("127.0.0.1", closed_port), 202),  # nobody listening
                     (Controller.serial, (9,), 301), (Controller.serial, (10,), 301)]  # a plain file, no file
            for open_one, args, code in cases:
                with self.subTest(args=args):
                    before = len(os.listdir("/proc/self/fd"))
                    for _ in range(20):
                        with self.assertRaises(VekConnectionError) as caught:
                            open_one(*args)
                        self.assertEqual(caught.exception.code, code)
                    self.assertEqual(len(os.listdir("/proc/self/fd")), before)


if __name__ == "__main__":
    unittest.main()
