"""Status codes as Python exceptions and warnings.

Every code of ``qxpxi/qxstatus.h`` has a class here, named after its symbolic name
without the ``kStatus`` or ``qxapalerr_`` prefix: ``qxapalerr_invalidParameter``
(-52005) is :class:`InvalidParameter`, ``kStatusDbNotFound`` (-313331) is
:class:`DbNotFound`. Negative codes are errors, derived from :class:`QxPxiError`;
positive codes are warnings, derived from :class:`QxPxiWarning` and issued with
:func:`warnings.warn`. A code that the header does not list (an outside service's
own) is a :class:`ServiceError` or a :class:`ServiceWarning`.

The classes, their codes, symbolic names and meanings are read from the header
itself (installed beside this module), so they never drift from the C side.
"""

from __future__ import annotations

import os
import re
import warnings
from typing import Dict, NamedTuple, Optional, Tuple, Type

__all__ = [
    "QxPxiError",
    "QxPxiWarning",
    "ServiceError",
    "ServiceWarning",
    "StatusInfo",
    "STATUS",
    "error_class",
    "status_info",
    "check",
]


class StatusInfo(NamedTuple):
    """One status code: its value, its symbolic name and its one-line meaning."""

    code: int
    name: str
    meaning: str


def _header_path() -> str:
    here = os.path.dirname(os.path.abspath(__file__))
    # Installed: a copy beside this module. In the source tree the same place holds a
    # link to include/qxpxi/qxstatus.h.
    for candidate in (
        os.path.join(here, "qxstatus.h"),
        os.path.join(here, "..", "..", "include", "qxpxi", "qxstatus.h"),
    ):
        if os.path.isfile(candidate):
            return candidate
    raise ImportError("qxpxi: qxstatus.h is missing beside " + here)


def _c_strings(text: str) -> str:
    """The value of one or more adjacent C string literals."""
    parts = re.findall(r'"((?:[^"\\]|\\.)*)"', text)
    return "".join(p.encode("ascii").decode("unicode_escape") for p in parts)


def _read_header(path: str) -> Tuple[Dict[str, int], Dict[int, StatusInfo], Tuple[str, str, str]]:
    with open(path, encoding="ascii") as stream:
        text = stream.read()
    joined = text.replace("\\\n", " ")
    codes: Dict[str, int] = {}
    for suffix, value in re.findall(
        r"#define\s+QXPXI_STATUS_(\w+)\s+\(?\s*(-?\d+)\s*\)?\s*$", joined, re.MULTILINE
    ):
        codes[suffix] = int(value)
    rows: Dict[int, StatusInfo] = {}
    for suffix, name, meaning in re.findall(
        r"\bX\(\s*(\w+)\s*,\s*(\w+)\s*,\s*((?:\"(?:[^\"\\]|\\.)*\"\s*)+)\)", joined
    ):
        code = codes[suffix]
        rows[code] = StatusInfo(code, name, _c_strings(meaning))
    success = re.search(r"\{\s*QXPXI_STATUS_SUCCESS\s*,\s*(\"[^\"]*\")\s*,\s*(\"[^\"]*\")\s*\}", joined)
    unknown = re.search(r"info\s*\?\s*info->name\s*:\s*(\"[^\"]*\")", joined)
    fallback = re.search(r"code\s*<\s*0\s*\?\s*(\"[^\"]*\")\s*:\s*(\"[^\"]*\")", joined)
    if not rows or success is None or unknown is None or fallback is None:
        raise ImportError("qxpxi: cannot read the status table of " + path)
    rows[0] = StatusInfo(0, _c_strings(success.group(1)), _c_strings(success.group(2)))
    return codes, rows, (
        _c_strings(unknown.group(1)),
        _c_strings(fallback.group(1)),
        _c_strings(fallback.group(2)),
    )


_CODES, STATUS, _UNKNOWN = _read_header(_header_path())
"""STATUS maps every code of the header, success included, to its :class:`StatusInfo`."""


def status_info(code: int) -> StatusInfo:
    """The symbolic name and meaning of ``code``, as ``qxpxi_status_name()`` and
    ``qxpxi_status_meaning()`` give them (an unlisted code: "unknown" and a text that
    says it belongs to an outside service)."""
    info = STATUS.get(code)
    if info is not None:
        return info
    return StatusInfo(code, _UNKNOWN[0], _UNKNOWN[1] if code < 0 else _UNKNOWN[2])


class _Status:
    """What errors and warnings of a status share: code, name, meaning and the call."""

    code: int
    """The status code (negative: error, positive: warning)."""
    name: str
    """The symbolic name, for example ``qxapalerr_invalidParameter``."""
    meaning: str
    """The one-line meaning from ``qxpxi/qxstatus.h``."""
    call: Optional[str]
    """The C entry point that answered the code, when known."""

    def _fill(self, code: int, call: Optional[str]) -> str:
        info = status_info(code)
        self.code, self.name, self.meaning, self.call = code, info.name, info.meaning, call
        prefix = call + ": " if call else ""
        return "%s%d %s: %s" % (prefix, code, info.name, info.meaning)


class QxPxiError(_Status, Exception):
    """A negative status code from one of the qxpxi libraries or their services.

    Attributes: :attr:`code`, :attr:`name` (symbolic), :attr:`meaning` and
    :attr:`call` (the entry point). Catch a subclass, for example
    :class:`InvalidParameter`, for one code."""

    def __init__(self, code: int, call: Optional[str] = None) -> None:
        Exception.__init__(self, self._fill(code, call))

    def __reduce__(self):  # type: ignore[no-untyped-def]
        return (error_class(self.code), (self.code, self.call))


class QxPxiWarning(_Status, UserWarning):
    """A positive status code: the call succeeded with a remark."""

    def __init__(self, code: int, call: Optional[str] = None) -> None:
        UserWarning.__init__(self, self._fill(code, call))

    def __reduce__(self):  # type: ignore[no-untyped-def]
        return (error_class(self.code), (self.code, self.call))


class ServiceError(QxPxiError):
    """An error code that qxpxi/qxstatus.h does not list: an outside service's own."""


class ServiceWarning(QxPxiWarning):
    """A warning code that qxpxi/qxstatus.h does not list."""


def _class_name(symbol: str) -> str:
    # kStatusDbNotFound -> DbNotFound, qxapalerr_invalidParameter -> InvalidParameter
    bare = re.sub(r"^(kStatus|qxapalerr_)", "", symbol)
    return bare[:1].upper() + bare[1:]


_BY_CODE: Dict[int, type] = {}
for _code, _info in sorted(STATUS.items()):
    if _code == 0:
        continue
    _base: type = QxPxiError if _code < 0 else QxPxiWarning
    _name = _class_name(_info.name)
    _cls = type(
        _name,
        (_base,),
        {
            "__doc__": "%d %s: %s." % (_code, _info.name, _info.meaning),
            "__module__": __name__,
            "status_code": _code,
        },
    )
    _BY_CODE[_code] = _cls
    globals()[_name] = _cls
    __all__.append(_name)
del _code, _info, _base, _name, _cls


def error_class(code: int) -> type:
    """The class for ``code``: its own class, else ServiceError / ServiceWarning."""
    cls = _BY_CODE.get(code)
    if cls is not None:
        return cls
    return ServiceError if code < 0 else ServiceWarning


def check(code: int, call: str) -> None:
    """Raise the error of a negative ``code``, warn for a positive one."""
    if code < 0:
        raise error_class(code)(code, call)
    if code > 0:
        warnings.warn(error_class(code)(code, call), stacklevel=3)


def __getattr__(name: str) -> Type[QxPxiError]:
    # Tells type checkers that the classes made above exist; at run time they are found
    # before this is asked.
    raise AttributeError("module %r has no attribute %r" % (__name__, name))
