"""Finding and loading the shared library, typing its exports, and the
utilities that need no connection."""

from __future__ import annotations

import ctypes
import ctypes.util
import glob
import os
import sys
from typing import Any, Dict, List, Optional, Tuple, Type, Union

from ._exports import all_signatures
from ._values import INT32_MAX, INT32_MIN, UINT32_MAX, int32, integer
from .errors import LibraryNotFoundError, error_for


def _checked_type(base: Type[Any], low: int, high: int) -> Type[Any]:
    """A ctypes argument type that refuses values outside [low, high]; ctypes
    itself would cut them to the parameter's width without a word."""

    class Checked(base):  # type: ignore[misc, valid-type]
        @classmethod
        def from_param(cls, value: Any) -> Any:
            return base(integer(value, low, high, "a %s argument" % base.__name__))

    Checked.__name__ = "checked_" + base.__name__
    return Checked


_CHECKED_ARGUMENTS = {
    ctypes.c_int32: _checked_type(ctypes.c_int32, INT32_MIN, INT32_MAX),
    ctypes.c_uint32: _checked_type(ctypes.c_uint32, 0, UINT32_MAX),
}
#: The accepted range of each integer parameter type, for checks before a call.
ARGUMENT_RANGES: Dict[Any, Tuple[int, int]] = {ctypes.c_int32: (INT32_MIN, INT32_MAX),
                                               ctypes.c_uint32: (0, UINT32_MAX)}

_library: Optional[ctypes.CDLL] = None
_library_path: Optional[str] = None


def _library_names() -> List[str]:
    if sys.platform == "win32":
        return ["VekKestra.dll"]
    if sys.platform == "darwin":
        return ["libvekkestra.1.dylib", "libvekkestra.dylib"]
    return ["libvekkestra.so.1", "libvekkestra.so"]


def _candidates() -> List[str]:
    """Where to look, in order, after VEKKESTRA_LIBRARY: beside the package,
    then the lib directories of the prefix it is installed under."""
    package = os.path.dirname(os.path.abspath(__file__))
    # <prefix>/share/vekkestra/python/vekkestra: the prefix is four levels up.
    prefix = os.path.normpath(os.path.join(package, "..", "..", "..", ".."))
    # <prefix>/lib is named even when missing, so that the error says where
    # the library was expected; lib64 and lib/<multiarch> where they exist.
    directories = [package, os.path.join(prefix, "lib")]
    for pattern in ("lib?*", os.path.join("lib*", "*-*"), "bin"):
        directories += sorted(d for d in glob.glob(os.path.join(prefix, pattern)) if os.path.isdir(d))
    return [os.path.join(d, name) for d in directories for name in _library_names()]


def _open(path: str) -> ctypes.CDLL:
    # 32-bit Windows builds use the callee-cleans convention.
    if sys.platform == "win32" and ctypes.sizeof(ctypes.c_void_p) == 4:
        return ctypes.WinDLL(path)  # type: ignore[attr-defined, no-any-return]
    return ctypes.CDLL(path)


def _load() -> Tuple[ctypes.CDLL, str]:
    tried: List[str] = []
    path = os.environ.get("VEKKESTRA_LIBRARY")
    if path:
        # An explicit choice is not second-guessed: if it fails, say so.
        try:
            return _open(path), path
        except OSError as error:
            raise LibraryNotFoundError("VEKKESTRA_LIBRARY=%s cannot be loaded: %s" % (path, error)) from error
    for candidate in _candidates():
        if os.path.isfile(candidate):
            try:
                return _open(candidate), candidate
            except OSError as error:
                tried.append("%s (%s)" % (candidate, error))
        else:
            tried.append(candidate)
    for name in _library_names() + [ctypes.util.find_library("vekkestra") or "",
                                     ctypes.util.find_library("VekKestra") or ""]:
        if not name:
            continue
        try:
            return _open(name), name
        except OSError:
            tried.append("%s (system search)" % name)
    raise LibraryNotFoundError(
        "the VekKestra library was not found; set VEKKESTRA_LIBRARY to its path. Tried:\n  " + "\n  ".join(tried))


def library() -> ctypes.CDLL:
    """The loaded library with every export typed; loaded on first use.

    Integer arguments that do not fit their C parameter (``int32_t`` or
    ``uint32_t``) raise ``ctypes.ArgumentError`` instead of being wrapped.
    Raises ``LibraryNotFoundError`` (an ``ImportError``) when no library can
    be loaded, listing the places it tried.
    """
    global _library, _library_path
    if _library is None:
        lib, path = _load()
        for name, restype, argtypes in all_signatures():
            # An export this build lacks stays missing: calling it raises
            # AttributeError instead of guessing its types.
            function = getattr(lib, name, None)
            if function is not None:
                function.restype = restype
                function.argtypes = [_CHECKED_ARGUMENTS.get(t, t) for t in argtypes]
        _library, _library_path = lib, path
    return _library


def library_path() -> str:
    """The path or name the library was loaded from (loading it if needed)."""
    library()
    assert _library_path is not None
    return _library_path


def check(code: int, operation: str) -> None:
    """Raises the error of the right kind when ``code`` is not 0."""
    if code != 0:
        raise error_for(code, operation)


def version() -> str:
    """The library's version text ("VekKestra DLL v1.03.02 - ...")."""
    buffer = ctypes.create_string_buffer(80)
    library().VEK_GetDLLVersion(buffer, len(buffer))
    return buffer.value.decode("ascii", "replace")


def start_logger(path: Union[str, "os.PathLike[str]"], mask: int = 0xA70007) -> None:
    """Starts the library's log file at ``path`` with the category ``mask``
    (a signed 32-bit value; 0xA70007 is every category)."""
    check(library().VEK_StartDllLogger(os.fsencode(path), int32(mask, "mask")), "VEK_StartDllLogger")


def stop_logger() -> None:
    """Stops the library's log file."""
    check(library().VEK_StopDllLogger(), "VEK_StopDllLogger")


def log_marker(text: str) -> None:
    """Writes ``text`` as a line of its own into the running log."""
    check(library().VEK_DllLoggerLineMarker(text.encode()), "VEK_DllLoggerLineMarker")
