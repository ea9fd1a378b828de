"""Finding and loading the shared libraries (the C library, and the motion
core beside it) and typing the C library's exports."""

from __future__ import annotations

import ctypes
import ctypes.util
import glob
import os
import sys
from typing import Any, List, Optional, Tuple, Type

from ._exports import all_signatures
from ._values import INT32_MAX, INT32_MIN, UINT32_MAX, integer
from .errors import LibraryNotFoundError


def _checked_type(base: Type[Any], low: int, high: int) -> Type[Any]:
    """A ctypes argument type that refuses values outside [low, high]; ctypes
    itself would cut them to the parameter's width without a word."""

    class Checked(base):  # type: ignore[misc, valid-type]
        @classmethod
        def from_param(cls, value: Any) -> Any:
            return base(integer(value, low, high, "a %s argument" % base.__name__))

    Checked.__name__ = "checked_" + base.__name__
    return Checked


#: The argument types every typed function takes instead of the plain ones.
CHECKED_ARGUMENTS = {
    ctypes.c_int32: _checked_type(ctypes.c_int32, INT32_MIN, INT32_MAX),
    ctypes.c_uint32: _checked_type(ctypes.c_uint32, 0, UINT32_MAX),
}


def _names(stem: str, dll: str) -> List[str]:
    if sys.platform == "win32":
        return [dll]
    if sys.platform == "darwin":
        return ["lib%s.1.dylib" % stem, "lib%s.dylib" % stem]
    return ["lib%s.so.1" % stem, "lib%s.so" % stem]


def _prefix_directories() -> List[str]:
    """Beside the package, then the lib directories of the prefix it is
    installed under (<prefix>/share/vekkestra/python/vekkestra)."""
    package = os.path.dirname(os.path.abspath(__file__))
    prefix = os.path.normpath(os.path.join(package, "..", "..", "..", ".."))
    # <prefix>/lib is named even when missing, so that the error says where
    # the library was expected; lib64 and lib/<multiarch> where they exist.
    directories = [package, os.path.join(prefix, "lib")]
    for pattern in ("lib?*", os.path.join("lib*", "*-*"), "bin"):
        directories += sorted(d for d in glob.glob(os.path.join(prefix, pattern)) if os.path.isdir(d))
    return directories


def _open(path: str) -> ctypes.CDLL:
    # 32-bit Windows builds use the callee-cleans convention.
    if sys.platform == "win32" and ctypes.sizeof(ctypes.c_void_p) == 4:
        return ctypes.WinDLL(path)  # type: ignore[attr-defined, no-any-return]
    return ctypes.CDLL(path)


def load(what: str, variable: str, stem: str, dll: str, first: List[str]) -> Tuple[ctypes.CDLL, str]:
    """Loads a library: the path in the environment variable ``variable``
    (and only there, when it is set); else from the directories ``first``,
    then those of the install prefix; else the system's search."""
    path = os.environ.get(variable)
    if path:
        # An explicit choice is not second-guessed: if it fails, say so.
        try:
            return _open(path), path
        except OSError as error:
            raise LibraryNotFoundError("%s=%s cannot be loaded: %s" % (variable, path, error)) from error
    tried: List[str] = []
    names = _names(stem, dll)
    for candidate in [os.path.join(d, n) for d in first + _prefix_directories() for n in names]:
        if not os.path.isfile(candidate):
            tried.append(candidate)
            continue
        try:
            return _open(candidate), candidate
        except OSError as error:
            tried.append("%s (%s)" % (candidate, error))
    for name in names + [ctypes.util.find_library(stem) or "", ctypes.util.find_library(dll[:-4]) or ""]:
        if not name:
            continue
        try:
            return _open(name), name
        except OSError:
            tried.append("%s (system search)" % name)
    raise LibraryNotFoundError("%s was not found; set %s to its path. Tried:\n  %s"
                               % (what, variable, "\n  ".join(dict.fromkeys(tried))))


def type_functions(lib: ctypes.CDLL, signatures: Any) -> None:
    """Gives each function of ``(name, result, argument types)`` its types.
    A function this build lacks stays missing: calling it raises
    AttributeError instead of guessing its types."""
    for name, restype, argtypes in signatures:
        function = getattr(lib, name, None)
        if function is not None:
            function.restype = restype
            function.argtypes = [CHECKED_ARGUMENTS.get(t, t) for t in argtypes]


_library: Optional[ctypes.CDLL] = None
_library_path: Optional[str] = None


def library() -> ctypes.CDLL:
    """The loaded C library with every export typed; loaded on first use.

    Integer arguments that do not fit their C parameter (``int32_t`` or
    ``uint32_t``) raise ``ctypes.ArgumentError`` instead of being wrapped.
    Raises ``LibraryNotFoundError`` (an ``ImportError``) when no library can
    be loaded, listing the places it tried.
    """
    global _library, _library_path
    if _library is None:
        lib, path = load("the VekKestra library", "VEKKESTRA_LIBRARY", "vekkestra", "VekKestra.dll", [])
        type_functions(lib, all_signatures())
        _library, _library_path = lib, path
    return _library


def library_path() -> str:
    """The path or name the C library was loaded from (loading it if needed)."""
    library()
    assert _library_path is not None
    return _library_path


def library_directories() -> List[str]:
    """Where the motion core is looked for first: beside the C library, and
    in the motion/ folder beside it (where a build tree keeps it)."""
    path = library_path()
    if not os.path.dirname(path):
        return []  # found by the system's search: so is the core
    folder = os.path.dirname(os.path.abspath(path))
    return [folder, os.path.join(folder, "motion")]


__all__ = ["library", "library_path", "library_directories", "load", "type_functions", "CHECKED_ARGUMENTS"]
