"""PXI Express chassis and their PCI root buses (``libQXPXIeCDu``)."""

from __future__ import annotations

import ctypes
from typing import List, Tuple

from . import _library
from .errors import InvalidParameter, check  # type: ignore[attr-defined]

__all__ = ["Chassis", "chassis", "chassis_count", "update_chassis_cache"]

_text = _library.text

# The library's answer for a root bus position or chassis number beyond the last.
_INVALID_PARAMETER = InvalidParameter.status_code


class Chassis:
    """One chassis of a (vendor, model) identity, as the last discovery found it.

    A snapshot: it does not change when the library's cache does.
    """

    __slots__ = ("vendor", "model", "number", "root_buses")

    def __init__(self, vendor: str, model: str, number: int, root_buses: Tuple[int, ...]) -> None:
        self.vendor = vendor
        """The chassis driver description's vendor, for example "Quarrix"."""
        self.model = model
        """The model, for example "QX PXIe-1092"."""
        self.number = number
        """The chassis number, from 1, in the order the library found them."""
        self.root_buses = root_buses
        """The PCI root bus numbers (0 to 255) of the chassis, by root bus position
        from 1; the first is the bus of the chassis's first segment."""

    def __repr__(self) -> str:
        buses = " ".join("0x%02X" % bus for bus in self.root_buses)
        return "<Chassis %s %s #%d root buses %s>" % (self.vendor, self.model, self.number, buses or "none")

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Chassis):
            return NotImplemented
        return (self.vendor, self.model, self.number, self.root_buses) == (
            other.vendor,
            other.model,
            other.number,
            other.root_buses,
        )

    def __hash__(self) -> int:
        return hash((self.vendor, self.model, self.number, self.root_buses))


def chassis_count(vendor: str, model: str, *, cached: bool = False) -> int:
    """How many chassis of (vendor, model) there are.

    ``cached=False`` (the default) searches the PCI bus afresh and refreshes the
    library's cache of that identity; ``cached=True`` answers from the cache without
    any discovery: 0 for an identity no discovery in this process has found.
    Raises :class:`qxpxi.QxPxiError`, for example ``qxpxi.errors.DbNotFound`` for an
    identity no chassis driver description names.
    """
    lib = _library.library(_library.CHASSIS)
    count = ctypes.c_uint32(0)
    # The cached read is the one a program repeats: kept short.
    if cached:
        status = lib.QXPXI_Chassis_GetCount_NoCache(_text(vendor), _text(model), count)
        if status:
            check(status, "QXPXI_Chassis_GetCount_NoCache")
    else:
        check(lib.PXISA_Chassis_GetCount(_text(vendor), _text(model), count), "PXISA_Chassis_GetCount")
    return count.value


def chassis(vendor: str, model: str, *, cached: bool = False) -> List[Chassis]:
    """The chassis of (vendor, model), each with its root buses.

    ``cached`` as for :func:`chassis_count`: by default the PCI bus is searched afresh;
    with ``cached=True`` the answer is what the last discovery left.
    """
    count = chassis_count(vendor, model, cached=cached)
    lib = _library.library(_library.CHASSIS)
    get_bus = lib.PXISA_Chassis_GetPCIRootBusNumber
    v, m = _library.text(vendor), _library.text(model)
    found = []
    bus = ctypes.c_uint32(0)
    for number in range(1, count + 1):
        buses = []
        position = 1
        while True:
            status = get_bus(v, m, position, number, ctypes.byref(bus))
            if status == _INVALID_PARAMETER and buses:
                break  # past the last root bus position
            check(status, "PXISA_Chassis_GetPCIRootBusNumber")
            buses.append(bus.value)
            position += 1
        found.append(Chassis(vendor, model, number, tuple(buses)))
    return found


def update_chassis_cache() -> None:
    """Rediscover the chassis of every identity the descriptions name."""
    check(_library.library(_library.CHASSIS).QXPXI_Chassis_UpdateCache(), "QXPXI_Chassis_UpdateCache")
