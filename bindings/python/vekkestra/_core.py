"""The motion core (libvekkestra-motion, VekKestraMotion.dll) as ctypes sees
it: its structures, the signatures of its functions (vekm_call_<Name> made
from the operation rows of _exports.py), loading it beside the C library,
turning a filled VekmError into the exception of its kind, and the utilities
of the C library that need no connection."""

from __future__ import annotations

import ctypes
import enum
import os
from typing import Any, Iterator, Optional, Sequence, Tuple, Union

from . import errors
from ._exports import OPERATIONS
from ._library import library, library_directories, load, type_functions
from ._values import AXES, AXIS_COUNT, int32, letters
from .errors import VekError

# What the header documents for the callers of the core.
#: Time-out of a wait when the caller gives none, in milliseconds.
DEFAULT_TIMEOUT_MS = 60000
RELATIVE = 0x01
KEEP_MOVING = 0x02
IN_POSITION = 0x04
HOME_EDGE = 0x08
HOME_RESET = 0x10
#: vekm_poll() states, by their numbers.
STATE_TEXTS = ("at rest", "moving", "limit", "slip", "refused")
AXIS_HOME_SWITCH = 0x01
AXIS_PID = 0x02
AXIS_SLIP_DETECTION = 0x04
AXIS_OURS = 0x08
AXIS_ENDED = 0x10
AXIS_SHORT = 0x20
AXIS_HAS_TARGET = 0x40


class VekmError(ctypes.Structure):
    """What went wrong, as every core function fills it."""

    _fields_ = [
        ("code", ctypes.c_uint32),
        ("kind", ctypes.c_int32),
        ("axis", ctypes.c_int32),
        ("axis_index", ctypes.c_int32),
        ("position", ctypes.c_int32),
        ("position_read", ctypes.c_int32),
        ("signal", ctypes.c_int32),
        ("stopped", ctypes.c_int32),
        ("operation", ctypes.c_char * 64),
        ("name", ctypes.c_char * 40),
        ("detail", ctypes.c_char * 256),
        ("hint", ctypes.c_char * 256),
        ("message", ctypes.c_char * 640),
    ]


class VekmAxisState(ctypes.Structure):
    """One axis as vekm_poll() saw it."""

    _fields_ = [
        ("state", ctypes.c_int32),
        ("flags", ctypes.c_int32),
        ("motor", ctypes.c_int32),
        ("encoder", ctypes.c_int32),
        ("target", ctypes.c_int32),
        ("direction", ctypes.c_int32),
    ]


U32, I32, U64, F64 = ctypes.c_uint32, ctypes.c_int32, ctypes.c_uint64, ctypes.c_double
TEXT = ctypes.c_char_p
CTL = ctypes.c_void_p  # VekmController*, opaque
PCTL = ctypes.POINTER(ctypes.c_void_p)
PERR = ctypes.POINTER(VekmError)
PU32 = ctypes.POINTER(ctypes.c_uint32)
PI32 = ctypes.POINTER(ctypes.c_int32)
PF64 = ctypes.POINTER(ctypes.c_double)
PSTATE = ctypes.POINTER(VekmAxisState)

_FUNCTIONS = (
    ("vekm_version", TEXT, ()),
    ("vekm_result_name", TEXT, (U32,)),
    ("vekm_result_kind", I32, (U32,)),
    ("vekm_result_text", TEXT, (U32,)),
    ("vekm_kind_name", TEXT, (I32,)),
    ("vekm_result_count", I32, ()),
    ("vekm_result_at", U32, (I32,)),
    ("vekm_open_tcp", U32, (TEXT, I32, PCTL, PERR)),
    ("vekm_open_serial", U32, (I32, I32, PCTL, PERR)),
    ("vekm_close", None, (CTL,)),
    ("vekm_free", None, (CTL,)),
    ("vekm_is_open", I32, (CTL,)),
    ("vekm_is_serial", I32, (CTL,)),
    ("vekm_describe", None, (CTL, TEXT, I32)),
    ("vekm_move", U32, (CTL, I32, PI32, I32, I32, PERR)),
    ("vekm_move_axis", U32, (CTL, I32, I32, I32, I32, PERR)),
    ("vekm_home", U32, (CTL, I32, I32, I32, I32, PERR)),
    ("vekm_find_limit", U32, (CTL, I32, I32, I32, I32, PERR)),
    ("vekm_jog", U32, (CTL, I32, PF64, PERR)),
    ("vekm_stop", U32, (CTL, I32, PERR)),
    ("vekm_kill", U32, (CTL, I32, PERR)),
    ("vekm_wait", U32, (CTL, I32, I32, I32, PERR)),
    ("vekm_moving", I32, (CTL,)),
    ("vekm_mark", U64, (CTL,)),
    ("vekm_moving_since", I32, (CTL, U64, I32)),
    ("vekm_cancel", None, (CTL,)),
    ("vekm_interrupt", None, (I32,)),
    ("vekm_interrupt_count", U32, ()),
    ("vekm_catch_signals", U32, ()),
    ("vekm_poll", U32, (CTL, PSTATE, PU32, PERR)),
    ("vekm_status_word", U32, (CTL, PU32, PERR)),
    ("vekm_positions", U32, (CTL, PI32, PI32, PERR)),
    ("vekm_enable_slip_detection", U32, (CTL, I32, I32, PERR)),
    ("vekm_send", U32, (CTL, TEXT, PERR)),
    ("vekm_query", U32, (CTL, TEXT, TEXT, I32, PERR)),
)


def call_signatures() -> Iterator[Tuple[str, Any, Sequence[Any]]]:
    """vekm_call_<Name> of every operation row: the controller, the row's
    own arguments, the error. (SendCommand and Query have none: they are
    vekm_send and vekm_query.)"""
    for name, args in OPERATIONS:
        yield "vekm_call_" + name, U32, (CTL,) + tuple(args) + (PERR,)


_core: Optional[ctypes.CDLL] = None
_core_path: Optional[str] = None


def core() -> ctypes.CDLL:
    """The loaded motion core with every function typed; loaded on first use,
    after the C library, so that it links to the one already in the process.

    Looked for in this order: the path in ``VEKKESTRA_MOTION_LIBRARY`` (and
    only there, when set); beside the C library; the places the C library is
    looked for (beside the package, the lib directories of its prefix, the
    system's search). Raises ``LibraryNotFoundError`` listing them all.
    """
    global _core, _core_path
    if _core is None:
        first = library_directories()  # loads the C library first
        lib, path = load("the VekKestra motion core", "VEKKESTRA_MOTION_LIBRARY", "vekkestra-motion",
                         "VekKestraMotion.dll", first)
        type_functions(lib, _FUNCTIONS)
        type_functions(lib, call_signatures())
        _core, _core_path = lib, path
    return _core


def core_path() -> str:
    """The path or name the motion core was loaded from (loading it if needed)."""
    core()
    assert _core_path is not None
    return _core_path


def _text(value: bytes) -> str:
    return value.decode("utf-8", "replace")


def error_from(error: VekmError) -> VekError:
    """The exception of the kind the core gave, with what it filled in."""
    kind = _text(core().vekm_kind_name(error.kind))
    axis = AXES[error.axis_index] if 0 <= error.axis_index < AXIS_COUNT else None
    return errors.error_class(kind)(
        error.code, _text(error.message), name=_text(error.name), kind=kind, operation=_text(error.operation),
        detail=_text(error.detail), hint=_text(error.hint), axis=axis,
        position=error.position if error.position_read else None, stopped=letters(error.stopped),
        signal=error.signal)


def error_of_code(code: int, operation: str) -> VekError:
    """The exception for a failed result of a C library call that gave no
    VekmError (the log file's functions), named by the core."""
    lib = core()
    kind = _text(lib.vekm_kind_name(lib.vekm_result_kind(code)))
    name = _text(lib.vekm_result_name(code))
    detail = _text(lib.vekm_result_text(code))
    return errors.error_class(kind)(code, "%s: %s (%d): %s" % (operation, name, code, detail), name=name,
                                    kind=kind, operation=operation, detail=detail)


_result_enum: Optional[Any] = None


def result_enum() -> Any:
    """``Result``: the result codes of the core's table, by name."""
    global _result_enum
    if _result_enum is None:
        lib = core()
        rows = [lib.vekm_result_at(i) for i in range(lib.vekm_result_count())]
        _result_enum = enum.IntEnum("Result", [(_text(lib.vekm_result_name(code)), code) for code in rows],
                                    module=__name__.rsplit(".", 1)[0])
        _result_enum.__doc__ = "The result codes of the library and the motion core."
    return _result_enum


def _member(code: int) -> Union[int, Any]:
    try:
        return result_enum()(code)
    except ValueError:
        return code


errors.result_member = _member


def result_text(code: int) -> str:
    """The name and number of a result code: ``'VEK_ERROR_WAIT_TIMEOUT (6)'``
    (``'VEK_ERROR_UNKNOWN (4)'`` for a number nobody defines)."""
    return "%s (%d)" % (_text(core().vekm_result_name(code)), code)


# -- the C library's utilities ---------------------------------------------


def version() -> str:
    """The C library's version text ("VekKestra DLL v1.03.02 - ...")."""
    buffer = ctypes.create_string_buffer(80)
    library().VEK_GetDLLVersion(buffer, len(buffer))
    return buffer.value.decode("ascii", "replace")


def core_version() -> str:
    """The motion core's version, the product version ("1.5.0")."""
    return _text(core().vekm_version())


def _check(code: int, operation: str) -> None:
    if code != 0:
        raise error_of_code(code, operation)


def start_logger(path: Union[str, "os.PathLike[str]"], mask: int = 0xA70007) -> None:
    """Starts the library's log file at ``path`` with the category ``mask``
    (a signed 32-bit value; 0xA70007 is every category)."""
    _check(library().VEK_StartDllLogger(os.fsencode(path), int32(mask, "mask")), "VEK_StartDllLogger")


def stop_logger() -> None:
    """Stops the library's log file."""
    _check(library().VEK_StopDllLogger(), "VEK_StopDllLogger")


def log_marker(text: str) -> None:
    """Writes ``text`` as a line of its own into the running log."""
    _check(library().VEK_DllLoggerLineMarker(text.encode()), "VEK_DllLoggerLineMarker")
