"""Loading the four libraries by file name, and their C entry points' types."""

from __future__ import annotations

import ctypes
import os
import threading
from typing import Dict, Optional

from .errors import check

SYSTEM_MODULES = "libQXPXIeSMu.so"
CHASSIS = "libQXPXIeCDu.so"
CHASSIS_FINDER = "libqx7402.so"
CONTROLLER_FINDER = "libqxpxiecf.so"

_i32 = ctypes.c_int32
_u32 = ctypes.c_uint32
_p = ctypes.c_char_p
_pi32 = ctypes.POINTER(ctypes.c_int32)
_pu32 = ctypes.POINTER(ctypes.c_uint32)
_pu8 = ctypes.POINTER(ctypes.c_uint8)
_vp = ctypes.c_void_p


class PciAddress(ctypes.Structure):
    _fields_ = [("bus", ctypes.c_uint32), ("device", ctypes.c_uint32), ("function", ctypes.c_uint32)]


# Entry point name -> (result type, argument types), as the public headers give them.
_PROTOTYPES = {
    SYSTEM_MODULES: {
        "PXISA_SystemModule_GetCount": (_i32, [_p, _p, _pi32]),
        "PXISA_SystemModule_GetName": (_i32, [_p, _p, _i32, _p, _p]),
        "PXISA_SystemModule_GetInformation": (_i32, [_p, _p, _i32, _vp]),
        "PXISA_SystemModule_GetChassisEEPROM": (_i32, [_p, _p, _pu8]),
        "PXISA_SystemModule_SMBusOperation": (
            _i32,
            [_p, _p, _i32, _i32, _i32, _i32, _i32, _pu8, _pi32, _pu8],
        ),
        "QXPXI_SystemModule_UpdateCache": (_i32, []),
        "QXPXI_SystemModule_GetCount_NoCache": (_i32, [_p, _p, _pi32]),
        "QXPXI_SystemModule_GetEmbeddedP2PSupport": (_i32, [_p, _p, PciAddress, PciAddress, _pi32]),
    },
    CHASSIS: {
        "PXISA_Chassis_GetCount": (_i32, [_p, _p, _pu32]),
        "PXISA_Chassis_GetPCIRootBusNumber": (_i32, [_p, _p, _u32, _u32, _pu32]),
        "QXPXI_Chassis_UpdateCache": (_i32, []),
        "QXPXI_Chassis_GetCount_NoCache": (_i32, [_p, _p, _pu32]),
    },
}
_FINDER = {
    "nQXPXIFINDER100_openList": (_i32, [_pu32, ctypes.POINTER(_vp)]),
    "nQXPXIFINDER100_closeList": (None, [_vp]),
    "nQXPXIFINDER100_getNthItem": (_i32, [_vp, _u32, ctypes.POINTER(_vp)]),
    "nQXPXIFINDER100_getStringAttribute": (_i32, [_vp, _u32, ctypes.POINTER(_p)]),
    "nQXPXIFINDER100_getU32Attribute": (_i32, [_vp, _u32, _pu32]),
    "nQXPXIFINDER100_getControllerIDSELMap": (_i32, [_vp, ctypes.POINTER(_pu8)]),
}
_PROTOTYPES[CHASSIS_FINDER] = _FINDER
_PROTOTYPES[CONTROLLER_FINDER] = _FINDER


class LibraryNotFound(OSError):
    """A qxpxi library could not be loaded (missing file, or a missing entry point)."""


class _State:
    lock = threading.Lock()
    directory: Optional[str] = None
    directory_read = False
    loaded: Dict[str, ctypes.CDLL] = {}


_LOADED = _State.loaded


def load(directory: Optional[str] = None) -> None:
    """Name the directory the four libraries are loaded from.

    Without a call, or with ``None``, they are loaded by bare file name through the
    loader's search (``LD_LIBRARY_PATH``, the loader cache, ``/usr/lib``), as a C host
    loads them, unless the environment variable ``QXPXI_LIBRARY_DIR`` names a directory.
    A library stays loaded once a call has used it, for the life of the process, so a
    change of directory affects only the libraries not yet used.
    """
    with _State.lock:
        _State.directory = os.path.abspath(directory) if directory else None
        _State.directory_read = True


def _directory() -> Optional[str]:
    if not _State.directory_read:
        # The only place the package reads its environment.
        named = os.environ.get("QXPXI_LIBRARY_DIR")
        _State.directory = os.path.abspath(named) if named else None
        _State.directory_read = True
    return _State.directory


def library(file_name: str) -> ctypes.CDLL:
    """The loaded library ``file_name`` (one of the four), with its prototypes set."""
    lib = _LOADED.get(file_name)
    if lib is not None:
        return lib
    with _State.lock:
        lib = _State.loaded.get(file_name)
        if lib is not None:
            return lib
        directory = _directory()
        path = os.path.join(directory, file_name) if directory else file_name
        try:
            lib = ctypes.CDLL(path, mode=os.RTLD_NOW | os.RTLD_LOCAL)
        except OSError as error:
            raise LibraryNotFound("qxpxi: cannot load %s: %s" % (path, error)) from None
        for name, (restype, argtypes) in _PROTOTYPES[file_name].items():
            try:
                function = getattr(lib, name)
            except AttributeError:
                raise LibraryNotFound("qxpxi: %s has no entry point %s" % (path, name)) from None
            function.restype = restype
            function.argtypes = argtypes
        _State.loaded[file_name] = lib
        return lib


def loaded_from(file_name: str) -> str:
    """The directory the loader took ``file_name`` from (loading it if need be)."""
    lib = library(file_name)
    info = _DlInfo()
    function = getattr(lib, next(iter(_PROTOTYPES[file_name])))
    address = ctypes.cast(function, ctypes.c_void_p)
    if _dladdr(address, ctypes.byref(info)) == 0 or not info.dli_fname:
        raise LibraryNotFound("qxpxi: cannot tell where %s was loaded from" % file_name)
    return os.path.dirname(os.path.realpath(info.dli_fname.decode()))


class _DlInfo(ctypes.Structure):
    _fields_ = [
        ("dli_fname", ctypes.c_char_p),
        ("dli_fbase", ctypes.c_void_p),
        ("dli_sname", ctypes.c_char_p),
        ("dli_saddr", ctypes.c_void_p),
    ]


_dladdr = ctypes.CDLL(None).dladdr
_dladdr.argtypes = [ctypes.c_void_p, ctypes.POINTER(_DlInfo)]
_dladdr.restype = ctypes.c_int


_TEXTS: Dict[str, bytes] = {}


def text(value: str) -> bytes:
    """A text argument: UTF-8, with no NUL inside (the C side would cut it there).
    The vendor and model names a program asks for are few: they are kept encoded."""
    data = _TEXTS.get(value)
    if data is not None:
        return data
    if not isinstance(value, str):
        raise TypeError("a text argument is a str, not %s" % type(value).__name__)
    data = value.encode("utf-8")
    if b"\0" in data:
        raise ValueError("a text argument may not contain NUL: %r" % value)
    if len(_TEXTS) < 256:
        _TEXTS[value] = data
    return data


__all__ = ["load", "library", "loaded_from", "LibraryNotFound", "PciAddress", "check", "text"]
