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


@unittest.skipIf(sys.platform == "win32", "the POSIX library names and layout")
class LoadingTest(unittest.TestCase):
    """Without VEKKESTRA_LIBRARY the package finds the library of the prefix
    it is installed in, or says everywhere it looked."""

    def test_library_of_the_install_prefix(self):
        package = os.path.dirname(os.path.abspath(vekkestra.__file__))
        built = os.path.realpath(vekkestra.library_path())
        with tempfile.TemporaryDirectory() as prefix:
            python_dir = os.path.join(prefix, "share", "vekkestra", "python")
            shutil.copytree(package, os.path.join(python_dir, "vekkestra"))
            env = {k: v for k, v in os.environ.items() if k not in ("VEKKESTRA_LIBRARY", "PYTHONPATH")}
            env["PYTHONPATH"] = python_dir
            script = "import vekkestra; print(vekkestra.library_path())"

            def run():
                return subprocess.run([sys.executable, "-c", script], cwd=prefix, env=env,
                                      capture_output=True, text=True, timeout=30)

            missing = run()
            if missing.returncode == 0:
                self.skipTest("the system search finds a library: " + missing.stdout.strip())
            self.assertIn("LibraryNotFoundError", missing.stderr)
            self.assertIn(os.path.join(prefix, "lib", "libvekkestra.so.1"), missing.stderr)

            os.mkdir(os.path.join(prefix, "lib"))
            os.symlink(built, os.path.join(prefix, "lib", "libvekkestra.so.1"))
            found = run()
            self.assertEqual(found.returncode, 0, found.stderr)
            self.assertEqual(found.stdout.strip(), os.path.join(prefix, "lib", "libvekkestra.so.1"))


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

    def test_error_kinds(self):
        # The kind of each failed result, and the built-in exception it also is.
        kinds = [
            (VekTimeoutError, TimeoutError, (6, 213, 214, 352)),
            (VekConnectionError, ConnectionError, (201, 202, 211, 212, 217, 301, 350, 351)),
            (VekError, None, (2, 3, 5, 7, 50, 101, 215, 216)),
        ]
        for kind, builtin, codes in kinds:
            for code in codes:
                with self.subTest(code=code):
                    error = error_for(code, "VEKnet_Query")
                    self.assertIs(type(error), kind)
                    self.assertEqual(isinstance(error, OSError), builtin is not None)
                    if builtin is not None:
                        self.assertIsInstance(error, builtin)
                    self.assertEqual(error.code, code)
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
    """The binding against a scripted controller on loopback TCP."""

    def run_script(self, script, body):
        peer = ScriptedPeer(script)
        # A host name is resolved: the library itself takes dotted addresses only.
        with Controller.tcp("localhost", peer.port) as ctl:
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
            ctl.move_axis("X", vekkestra.INT32_MIN)
            ctl.set_motor_position(512, vekkestra.INT32_MAX)
            # Refused before anything is sent: a stray byte would spoil the
            # next command the peer expects.
            self.assert_refused(ctl)
            with self.assertRaises(VekError) as caught:
                ctl.send("XX")
            self.assertEqual(str(caught.exception), "VEKnet_SendCommand: VEK_ERROR_COMMAND_NAK (216)")

        self.run_script([
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
        ], body)

    def assert_refused(self, ctl):
        big, small = vekkestra.INT32_MAX + 1, vekkestra.INT32_MIN - 1
        cases = [
            (ValueError, ctl.move_axis, (3, 100)),  # two axis bits
            (ValueError, ctl.move_axis, (1024, 100)),
            (ValueError, ctl.move_axis, ("Q", 100)),
            (ValueError, ctl.move_axis, ("X", big)),
            (ValueError, ctl.move_axis, ("X", small)),
            (TypeError, ctl.move_axis, ("X", 1.5)),
            (TypeError, ctl.move_axis, ("X", "100")),
            (ValueError, ctl.move_axis, ("X", 1, False, False, -1)),  # negative time-out
            (TypeError, ctl.move_axis, ("X", 1, False, False, 0.5)),
            (ValueError, ctl.move_by, ({"X": big},)),
            (ValueError, ctl.move_by, ({"X": 1}, -1)),
            (ValueError, ctl.move, ({},)),  # no axis
            (TypeError, ctl.move, ([("X", 1)],)),
            (ValueError, ctl.find_home, ("Q",)),
            (ValueError, ctl.find_home, ("X", False, False, big)),
            (ValueError, ctl.find_home, ("X", False, False, 0, -5)),
            (ValueError, ctl.find_limit, ("X", False, small)),
            (ValueError, ctl.wait, ("X", 0)),
            (ValueError, ctl.wait, ("XQ",)),
            (ValueError, Controller.tcp, ("localhost", 65536)),
            (TypeError, Controller.tcp, (b"localhost", 5001)),
            (ValueError, Controller.serial, (33,)),
            (ValueError, Controller.serial, (1, 12345)),
            (ValueError, ctl.move, ({"X": big},)),
            (ValueError, ctl.move, ({"X": 1}, 4)),  # move kind
            (ValueError, ctl.move, ({"X": 1, 1: 2},)),  # X twice
            (ValueError, ctl.jog_axis, ("X", float(big))),
            (ValueError, ctl.jog_axis, ("X", float("nan"))),
            (ValueError, ctl.jog, ({"Y": small},)),
            (ValueError, ctl.stop, (1024,)),
            (ValueError, ctl.stop, (-1,)),
            (ValueError, ctl.set_motor_position, ("Y", big)),
            (ValueError, ctl.set_output_bit, (16, 1)),
            (ValueError, ctl.set_output_bit, (0, 2)),
            (ValueError, ctl.set_io_direction, (vekkestra.UINT32_MAX + 1,)),
            # The by-name escape hatch checks against the C parameter types.
            (ValueError, ctl.call, ("SetAxisPID", 1, big)),
            (ValueError, ctl.call, ("SetIOBitsDirection", -1)),
            (TypeError, ctl.call, ("SetAxisMaxVelocity", 1, 2.0)),
        ]
        for error, method, args in cases:
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
        calls = [
            (ctl.motor_position, ("X",)),
            (ctl.move_axis, ("X", 10, False, False, 1000)),
            (ctl.move, ({"X": 1, "Y": 2},)),
            (ctl.jog_axis, ("Y", 100)),
            (ctl.stop, ()),
            (ctl.send, ("AXRP;",)),
            (ctl.status_word, ()),
            (ctl.clear_done, ()),
            (ctl.call, ("SetAxisPID", 1, 0)),
            (Controller("VEKnet_").stop, ()),  # never opened
        ]
        for method, args in calls:
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
            plain_file = os.path.join(d, "not-a-terminal")
            open(plain_file, "w").close()
            cases = [
                ("unknown host name", lambda: Controller.tcp("not.an.ip.invalid", 5001), 201),
                ("nobody listening", lambda: Controller.tcp("127.0.0.1", closed_port), 202),
                ("a file, not a terminal", lambda: Controller.serial(9), 301),
                ("no such device", lambda: Controller.serial(10), 301),
            ]
            os.environ["VEKKESTRA_COM9"] = plain_file
            os.environ["VEKKESTRA_COM10"] = os.path.join(d, "missing")
            for name, open_one, code in cases:
                with self.subTest(name):
                    before = len(os.listdir("/proc/self/fd"))
                    for _ in range(20):
                        with self.assertRaises(VekConnectionError) as caught:
                            open_one()
                        self.assertEqual(caught.exception.code, code)
                    self.assertEqual(len(os.listdir("/proc/self/fd")), before)


if __name__ == "__main__":
    unittest.main()
