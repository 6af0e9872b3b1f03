"""The two finder plug-ins: the chassis finder (``libqx7402``) and the embedded
controller finder (``libqxpxiecf``).

:func:`chassis_finder` and :func:`controller_finder` open a list, read every item's
attributes by name, close the list again and return the items; the items are plain
snapshots. :func:`open_list` keeps a list open for queries by attribute id.
"""

from __future__ import annotations

import ctypes
from contextlib import contextmanager
from typing import Dict, Iterator, List, Optional

from . import _library
from .errors import FeatureUnsupported, InvalidParameter, check  # type: ignore[attr-defined]

__all__ = [
    "FinderItem",
    "OpenList",
    "chassis_finder",
    "controller_finder",
    "controller_idsel_map",
    "open_list",
    "STRING_ATTRIBUTES",
    "INTEGER_ATTRIBUTES",
]

STRING_ATTRIBUTES: Dict[str, int] = {"vendor": 0x00000, "model": 0x00001, "slot_path": 0x1F810}
"""String attribute ids by Python name."""
INTEGER_ATTRIBUTES: Dict[str, int] = {
    "item_class": 0x00000,
    "controller_class": 0x10000,
    "controller_bus": 0x10001,
    "chassis_bus": 0x20000,
}
"""32-bit attribute ids by Python name (a separate id space from the strings)."""
ITEM_CLASS_CONTROLLER = 1
ITEM_CLASS_CHASSIS = 2

# The answer for an attribute the plug-in does not support, and for no IDSEL map.
_UNSUPPORTED_ATTRIBUTE = InvalidParameter.status_code
_NO_IDSEL_MAP = FeatureUnsupported.status_code
_FINDERS = {"chassis": _library.CHASSIS_FINDER, "controller": _library.CONTROLLER_FINDER}


class _Item:
    """An item handle of an open list: live queries by attribute id."""

    def __init__(self, lib: ctypes.CDLL, handle: int) -> None:
        self._lib = lib
        self._handle = handle

    def string_attribute(self, attribute: int) -> Optional[str]:
        """A string attribute by id, None when the plug-in does not support it."""
        value = ctypes.c_char_p()
        status = self._lib.nQXPXIFINDER100_getStringAttribute(self._handle, attribute, ctypes.byref(value))
        if status == _UNSUPPORTED_ATTRIBUTE:
            return None
        check(status, "nQXPXIFINDER100_getStringAttribute")
        return (value.value or b"").decode("utf-8", "backslashreplace")

    def u32_attribute(self, attribute: int) -> Optional[int]:
        """A 32-bit attribute by id, None when the plug-in does not support it."""
        value = ctypes.c_uint32(0)
        status = self._lib.nQXPXIFINDER100_getU32Attribute(self._handle, attribute, ctypes.byref(value))
        if status == _UNSUPPORTED_ATTRIBUTE:
            return None
        check(status, "nQXPXIFINDER100_getU32Attribute")
        return value.value

    def idsel_map(self) -> Optional[bytes]:
        """The controller's 32-entry IDSEL map, None when the plug-in has none."""
        table = ctypes.POINTER(ctypes.c_uint8)()
        status = self._lib.nQXPXIFINDER100_getControllerIDSELMap(self._handle, ctypes.byref(table))
        if status == _NO_IDSEL_MAP:
            return None
        check(status, "nQXPXIFINDER100_getControllerIDSELMap")
        return bytes(table[:32])


class OpenList:
    """An open finder list: ``len()``, indexing and iteration give item handles with
    :meth:`string_attribute`, :meth:`u32_attribute` and :meth:`idsel_map`. They are
    valid only inside the ``with open_list(...)`` block."""

    def __init__(self, lib: ctypes.CDLL, handle: Optional[int], count: int) -> None:
        self._lib = lib
        self._handle = handle
        self._count = count

    def __len__(self) -> int:
        return self._count

    def __getitem__(self, index: int) -> _Item:
        if not 0 <= index < self._count:
            raise IndexError("finder list index out of range")
        item = ctypes.c_void_p()
        check(self._lib.nQXPXIFINDER100_getNthItem(self._handle, index, ctypes.byref(item)), "nQXPXIFINDER100_getNthItem")
        return _Item(self._lib, item.value or 0)

    def __iter__(self) -> Iterator[_Item]:
        for index in range(self._count):
            yield self[index]


@contextmanager
def open_list(finder: str) -> Iterator[OpenList]:
    """Open a list of ``finder`` ("chassis" or "controller") for the block; it is closed
    on every way out. An empty answer is an empty list (nothing to close)."""
    try:
        file_name = _FINDERS[finder]
    except KeyError:
        raise ValueError("finder is 'chassis' or 'controller', not %r" % finder) from None
    lib = _library.library(file_name)
    count = ctypes.c_uint32(0)
    handle = ctypes.c_void_p()
    check(lib.nQXPXIFINDER100_openList(ctypes.byref(count), ctypes.byref(handle)), "nQXPXIFINDER100_openList")
    try:
        yield OpenList(lib, handle.value, count.value if handle.value else 0)
    finally:
        if handle.value:
            lib.nQXPXIFINDER100_closeList(handle.value)


class FinderItem:
    """One found item with its attributes by name.

    ``strings`` and ``integers`` hold the attributes the plug-in supports for the item;
    the properties answer None for the others. ``idsel_map`` is the controller's
    32-byte IDSEL map (controller finder), else None.
    """

    __slots__ = ("finder", "strings", "integers", "idsel_map")

    def __init__(self, finder: str, strings: Dict[str, str], integers: Dict[str, int], idsel_map: Optional[bytes]) -> None:
        self.finder = finder
        self.strings = strings
        self.integers = integers
        self.idsel_map = idsel_map

    vendor = property(lambda self: self.strings.get("vendor"), doc="Vendor text.")
    model = property(lambda self: self.strings.get("model"), doc="Model text.")
    slot_path = property(lambda self: self.strings.get("slot_path"), doc="Controller's PCI slot path ('MR0:...').")
    item_class = property(lambda self: self.integers.get("item_class"), doc="1 controller, 2 chassis.")
    controller_class = property(lambda self: self.integers.get("controller_class"), doc="Controller class.")
    controller_bus = property(
        lambda self: self.integers.get("controller_bus"), doc="Secondary bus (0-255) at the controller's slot path."
    )
    chassis_bus = property(lambda self: self.integers.get("chassis_bus"), doc="Secondary bus (0-255) of the chassis bridge.")

    def __repr__(self) -> str:
        shown = ", ".join(
            ["%s=%r" % item for item in self.strings.items()]
            + ["%s=0x%X" % item for item in self.integers.items() if item[0].endswith("bus")]
        )
        return "<FinderItem %s: %s>" % (self.finder, shown)


def _snapshot(finder: str) -> List[FinderItem]:
    items = []
    with open_list(finder) as found:
        for item in found:
            strings = {n: v for n, v in ((n, item.string_attribute(i)) for n, i in STRING_ATTRIBUTES.items()) if v is not None}
            integers = {n: v for n, v in ((n, item.u32_attribute(i)) for n, i in INTEGER_ATTRIBUTES.items()) if v is not None}
            items.append(FinderItem(finder, strings, integers, item.idsel_map()))
    return items


def chassis_finder() -> List[FinderItem]:
    """The QX PXI-7402 chassis on the PCI bus, as the chassis finder finds them."""
    return _snapshot("chassis")


def controller_finder() -> List[FinderItem]:
    """The embedded controller the machine is, as a list of one item (empty when the
    machine is not a supported controller)."""
    return _snapshot("controller")


def controller_idsel_map() -> Optional[bytes]:
    """The embedded controller's IDSEL map (32 bytes), None when the machine is not a
    supported controller."""
    for item in controller_finder():
        return item.idsel_map
    return None
