"""What the Python layer itself does: its ctypes declarations against the
headers, finding the libraries, the exception of each kind, the arguments it
refuses before anything is sent, and call(). The motion behaviour is the
scenario table's (test_scenarios)."""

import ctypes
import functools
import os
import pickle
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import vekkestra
from vekkestra import (CancelledError, ClosedError, Controller, LimitError, MoveInterruptedError, SlipError,
                       VekArgumentError, VekConnectionError, VekError, VekTimeoutError)
from vekkestra import _core
from vekkestra._exports import OPERATIONS, all_signatures

from .peer import ACK, NAK, ScriptedPeer

INCLUDE = os.path.join(os.path.dirname(__file__), "..", "..", "..", "include")
HEADER = os.environ.get("VEKKESTRA_HEADER", os.path.join(INCLUDE, "vekkestra.h"))
MOTION_HEADER = os.path.join(os.path.dirname(HEADER), "vekkestra_motion.h")
CALLS_HEADER = os.path.join(os.path.dirname(HEADER), "vekkestra_motion_calls.h")

P = ctypes.POINTER
C_TYPES = {
    "uint32_t": ctypes.c_uint32, "int32_t": ctypes.c_int32, "uint64_t": ctypes.c_uint64, "double": ctypes.c_double,
    "const char*": ctypes.c_char_p, "char*": ctypes.c_char_p, "void": None, "uint32_t*": P(ctypes.c_uint32),
    "int32_t*": P(ctypes.c_int32), "const int32_t*": P(ctypes.c_int32), "const double*": P(ctypes.c_double),
    "VekmController*": ctypes.c_void_p, "VekmController**": P(ctypes.c_void_p),
    "VekmError*": P(_core.VekmError), "VekmAxisState*": P(_core.VekmAxisState),
}


def declarations(path, api, call):
    """{name: (result type, [argument types])} of a header's functions."""
    with open(path) as f:
        found = re.findall(r"%s\s+([\w *]+?)\s+%s\s+(\w+)\(([^)]*)\);" % (api, call), f.read())
    return {name: (C_TYPES[ret], [C_TYPES[" ".join(arg.split()).rsplit(" ", 1)[0]] for arg in args.split(",")
                                  if arg.strip() != "void"])
            for ret, name, args in found if "VekmHandleCall" not in args}


def bare(types):
    """Argument types without the range-checking subclasses put in for ctypes."""
    return [t.__mro__[1] if t.__name__.startswith("checked_") else t for t in types]


class DeclarationTest(unittest.TestCase):
    """The signatures must be the headers', or calls corrupt the stack."""

    def assert_typed(self, lib, header):
        for name, (result, arguments) in header.items():
            with self.subTest(name):
                function = getattr(lib, name)
                self.assertEqual((function.restype, bare(function.argtypes)), (result, arguments))

    def test_every_export_and_core_function_is_typed_as_declared(self):
        exports = declarations(HEADER, "VEK_API", "VEK_CALL")
        self.assertEqual(sorted(name for name, _, _ in all_signatures()), sorted(exports))
        self.assert_typed(vekkestra.library(), exports)
        core_functions = declarations(MOTION_HEADER, "VEKM_API", "VEKM_CALL")
        with open(MOTION_HEADER) as f:
            named = set(re.findall(r"VEKM_CALL (vekm_\w+)\(", f.read()))
        # vekm_with_handle takes a C callback: the package has no use for it.
        self.assertEqual(named - set(core_functions), {"vekm_with_handle"})
        calls = declarations(CALLS_HEADER, "VEKM_API", "VEKM_CALL")
        self.assertEqual(sorted(calls), sorted("vekm_call_" + name for name, _ in OPERATIONS
                                               if name not in ("SendCommand", "Query")))
        self.assert_typed(_core.core(), core_functions)
        self.assert_typed(_core.core(), calls)

    def test_structures_are_laid_out_as_declared(self):
        with open(MOTION_HEADER) as f:
            text = f.read()
        for structure in (_core.VekmError, _core.VekmAxisState):
            with self.subTest(structure.__name__):
                body = re.search(r"typedef struct %s \{(.*?)\}" % structure.__name__, text, re.S).group(1)
                fields = re.findall(r"^\s*(\w+) (\w+)(?:\[(\d+)\])?;", body, re.M)
                declared = [(name, ctypes.c_char * int(size) if size else C_TYPES[kind])
                            for kind, name, size in fields]
                self.assertEqual([(n, t if not issubclass(t, ctypes.Array) else (t._type_, t._length_))
                                  for n, t in declared],
                                 [(n, t if not issubclass(t, ctypes.Array) else (t._type_, t._length_))
                                  for n, t in structure._fields_])


class ErrorKindTest(unittest.TestCase):
    # The exception class of each kind the header documents.
    CLASSES = {"OTHER": VekError, "TIMEOUT": VekTimeoutError, "CONNECTION": VekConnectionError,
               "CLOSED": ClosedError, "LIMIT": LimitError, "SLIP": SlipError, "INTERRUPTED": MoveInterruptedError,
               "CANCELLED": CancelledError, "ARGUMENT": VekArgumentError}
    BUILTIN = {"TIMEOUT": TimeoutError, "CONNECTION": ConnectionError, "ARGUMENT": ValueError}

    def documented_codes(self):
        """(kind, code) for every code the header's kind lines name."""
        with open(MOTION_HEADER) as f:
            text = f.read()
        results = {name: int(number) for name, number in re.findall(r"#define (VEKM_\w+)\s+(\d+)u", text)}
        for kind, comment in re.findall(r"#define VEKM_KIND_(\w+)\s+\d+\s*/\*\*<(.*?)\*/", text):
            codes = [int(n) for group in re.findall(r"\(([^)]*)\)", comment) for n in re.findall(r"\d+", group)]
            codes += [results[name] for name in re.findall(r"#(VEKM_\w+)", comment)]
            for code in codes:
                yield kind, code

    def test_each_documented_code_raises_its_kind(self):
        seen = set()
        for kind, code in self.documented_codes():
            with self.subTest(kind=kind, code=code):
                seen.add(kind)
                error = _core.error_of_code(code, "VEKnet_Query")
                self.assertIs(type(error), self.CLASSES[kind])
                self.assertIsInstance(error, self.BUILTIN.get(kind, VekError))
                self.assertEqual(error.name, vekkestra.Result(code).name)
                self.assertTrue(str(error).startswith("VEKnet_Query: %s (%d)" % (error.name, code)), str(error))
                copy = pickle.loads(pickle.dumps(error))
                self.assertEqual((type(copy), str(copy), copy.code, copy.name), (type(error), str(error), code,
                                                                                  error.name))
        self.assertEqual(seen, set(self.CLASSES))

    def test_library_failures_are_named_by_the_core(self):
        with tempfile.TemporaryDirectory() as d, self.assertRaises(VekError) as caught:
            vekkestra.start_logger(os.path.join(d, "x.log"), 17)
        self.assertEqual((caught.exception.code, caught.exception.name), (3, "VEK_ERROR_INVALID_PARAMETER"))
        self.assertIs(caught.exception.result, vekkestra.Result.VEK_ERROR_INVALID_PARAMETER)
        self.assertEqual(vekkestra.result_text(6), "VEK_ERROR_WAIT_TIMEOUT (6)")

    def test_logger_takes_path_and_marker_text(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "trace.log")
            vekkestra.start_logger(path, 8)
            vekkestra.log_marker("---- marker ----")
            vekkestra.stop_logger()
            with open(path) as f:
                self.assertIn("\n---- marker ----\n", f.read())


@unittest.skipIf(sys.platform == "win32", "the POSIX library names and layout")
class LoadingTest(unittest.TestCase):
    def test_libraries_of_the_install_prefix(self):
        # Without the environment variables the package finds the libraries
        # of the prefix it is installed in, or says everywhere it looked;
        # importing it (and drawing with it) needs neither.
        with tempfile.TemporaryDirectory() as prefix:
            env = {k: v for k, v in os.environ.items()
                   if k not in ("VEKKESTRA_LIBRARY", "VEKKESTRA_MOTION_LIBRARY", "PYTHONPATH")}
            env["PYTHONPATH"] = os.path.join(prefix, "share", "vekkestra", "python")
            shutil.copytree(os.path.dirname(os.path.abspath(vekkestra.__file__)),
                            os.path.join(env["PYTHONPATH"], "vekkestra"))
            lib = os.path.join(prefix, "lib")

            def run(code, **extra):
                return subprocess.run([sys.executable, "-c", "import vekkestra, vekkestra.plot; " + code],
                                      cwd=prefix, env=dict(env, **extra), capture_output=True, text=True,
                                      timeout=30)

            missing = run("print(vekkestra.library_path())")
            if missing.returncode == 0:
                self.skipTest("the system search finds a library: " + missing.stdout.strip())
            self.assertIn("LibraryNotFoundError", missing.stderr)
            self.assertIn(os.path.join(lib, "libvekkestra.so.1"), missing.stderr)
            os.mkdir(lib)
            os.symlink(os.path.realpath(vekkestra.library_path()), os.path.join(lib, "libvekkestra.so.1"))
            no_core = run("print(vekkestra.library_path()); print(vekkestra.core_path())")
            self.assertEqual(no_core.stdout.strip(), os.path.join(lib, "libvekkestra.so.1"), no_core.stderr)
            self.assertIn(os.path.join(lib, "libvekkestra-motion.so.1"), no_core.stderr)
            os.symlink(os.path.realpath(vekkestra.core_path()), os.path.join(lib, "libvekkestra-motion.so.1"))
            found = run("print(vekkestra.core_path())")
            self.assertEqual((found.returncode, found.stdout.strip()),
                             (0, os.path.join(lib, "libvekkestra-motion.so.1")), found.stderr)
            named = run("vekkestra.core_path()", VEKKESTRA_MOTION_LIBRARY=os.path.join(prefix, "nothing.so"))
            self.assertIn("VEKKESTRA_MOTION_LIBRARY=%s cannot be loaded" % os.path.join(prefix, "nothing.so"),
                          named.stderr)


class ArgumentTest(unittest.TestCase):
    def test_bad_arguments_raise_and_send_nothing(self):
        big, small = vekkestra.INT32_MAX + 1, vekkestra.INT32_MIN - 1
        peer = ScriptedPeer([])
        ctl = peer.controller()
        cases = [
            (ValueError, ctl.move_axis, [("Q", 100), ("X", big), ("X", 1, -1)]),  # axis, target, time-out
            (TypeError, ctl.move_axis, [("X", 1.5), ("X", 1, 2.0)]),
            (ValueError, ctl.move, [({},), ({"X": 1, 1: 2},), ({"X": small},)]),  # no axis, X twice
            (TypeError, ctl.move, [([("X", 1)],), ({"X": "1"},)]),
            (ValueError, ctl.move_by, [({"X": big},)]),
            (ValueError, ctl.home, [("X", -5)]),
            (ValueError, functools.partial(ctl.home, value=big), [("K",)]),
            (ValueError, ctl.find_limit, [("X", 0), ("X", small)]),
            (ValueError, ctl.wait, [("XQ",), (None, -1)]),
            (ValueError, ctl.jog, [("X", float("nan")), ({"X": 1.5, "Y": 2},), ("X", 1e300)]),
            (TypeError, ctl.jog, [("X",), ("X", "fast"), ({"X": 1}, 5)]),
            (ValueError, ctl.stop, [(1024,), (-1,)]),
            (ValueError, ctl.enable_slip_detection, [("X", -1), (0,)]),
            (ValueError, ctl.set_motor_position, [("Y", big)]),
            (ValueError, ctl.set_output_bit, [(16, 1)]),
            (ValueError, ctl.set_io_direction, [(vekkestra.UINT32_MAX + 1,)]),
            # The by-name calls check against the operation's C parameter types.
            (ValueError, ctl.call, [("SetAxisPID", 1, big), ("SetIOBitsDirection", -1), ("NoSuchThing", 1),
                                    ("Query", b"AXRP", None, 0)]),
            (TypeError, ctl.call, [("SetAxisPID", 1), ("GetAxisMotorPosition", 1, 5), ("SetAxisPID", 1, 1.0)]),
            (ValueError, Controller.tcp, [("localhost", 65536), ("localhost", 0)]),
            (TypeError, Controller.tcp, [(b"localhost", 5001)]),
            (ValueError, Controller.serial, [(33,), (1, 12345)]),
        ]
        for error, method, calls in cases:
            for args in calls:
                with self.subTest(method=getattr(method, "__name__", "home"), args=args), self.assertRaises(error):
                    method(*args)
        # The raw library refuses what its parameters cannot hold, too.
        with self.assertRaises(ctypes.ArgumentError):
            vekkestra.library().VEKnet_SetAxisMaxVelocity(ctypes.byref(ctypes.c_uint32(0)), 1, big)
        ctl.close()
        peer.close()
        self.assertEqual(peer.received, [])


class ExchangeTest(unittest.TestCase):
    def test_calls_go_out_as_built_and_a_closed_controller_sends_nothing(self):
        script = [(b"AZRP;", ACK + b"  -42 counts"), (b"AKLP2147483647;", ACK), (b"#ER", ACK + b"BAD TEXT"),
                  (b"PP", ACK + b"10,20,30"), (b"PE;", ACK + b"1,2,3,4,5,6,7,8,9,10"), (b"XX", NAK),
                  (b"AYHN", ACK)]
        peer = ScriptedPeer(script)
        with peer.controller() as ctl:
            value = ctypes.c_int32(0)
            ctl.call("GetAxisMotorPosition", 4, ctypes.byref(value))
            self.assertEqual(value.value, -42)
            ctl.set_motor_position("K", vekkestra.INT32_MAX)
            self.assertEqual(ctl.query("#ER"), "BAD TEXT")
            self.assertEqual(ctl.positions(), ([10, 20, 30, 0, 0, 0, 0, 0, 0, 0], [1, 2, 3, 4, 5, 6, 7, 8, 9, 10]))
            with self.assertRaises(VekError) as caught:
                ctl.send("XX")
            self.assertEqual(caught.exception.name, "VEK_ERROR_COMMAND_NAK")
            self.assertIn("VEK_ERROR_COMMAND_NAK (216)", str(caught.exception))
            ctl.call("SetAxisPID", 2, 1)
        self.assertFalse(ctl.is_open)
        for method, *args in [(ctl.motor_position, "X"), (ctl.move_axis, "X", 10), (ctl.jog, "Y", 100),
                              (ctl.stop,), (ctl.send, "AXRP;"), (ctl.status_word,), (ctl.poll,),
                              (ctl.call, "SetAxisPID", 1, 0)]:
            with self.subTest(method=method.__name__), self.assertRaises(ClosedError):
                method(*args)
        ctl.close()  # twice is fine
        peer.close()
        self.assertEqual(peer.received, [expected for expected, _ in script])


if __name__ == "__main__":
    unittest.main()
