"""qxpxi: what a PXI / PXI Express machine is made of, from Python.

The package calls the four qxpxi libraries through their C entry points (``ctypes``,
no compiled extension). They are loaded by file name the way a C host loads them:
through the loader's search, or from the directory named by :func:`load` or by the
environment variable ``QXPXI_LIBRARY_DIR``.

- :func:`chassis`, :func:`chassis_count`: PXI Express chassis and their PCI root buses.
- :func:`system_modules`: system modules with attributes, links, peer-to-peer support,
  the decoded chassis EEPROM and SMBus access (:class:`SMBus`, ``smbus2``'s methods).
- :mod:`qxpxi.finders`: the chassis finder and the embedded controller finder.
- :func:`update_cache`: rediscover everything; ``cached=True`` reads without discovery.
- :func:`simulate`: the stand-in services and a simulated machine, for tests; the
  pytest plugin's ``pxi_machine`` fixture.
- A negative status raises a subclass of :class:`QxPxiError` named after the status
  (:mod:`qxpxi.errors`); a positive one is a :class:`QxPxiWarning`.

Thread safety: as the libraries give it. Every call may come from any thread; each
library serialises its calls on its own lock, so calls into one library run one at a
time. The objects returned are snapshots (chassis, finder items) or name a module
whose attributes are read from the library's cache on access; none holds a lock. A
:class:`SMBus` object's open count belongs to one thread. :func:`simulate` changes a
process-wide environment variable: one simulation at a time per process.
"""

from __future__ import annotations

from typing import Optional

from . import errors, finders
from ._library import LibraryNotFound, load
from .chassis import Chassis, chassis, chassis_count, update_chassis_cache
from .errors import QxPxiError, QxPxiWarning
from .simulation import Simulation, example_machine_file, simulate
from .sysmodule import (
    ChassisEeprom,
    SMBus,
    SystemModule,
    system_module_count,
    system_modules,
    update_system_module_cache,
)

__version__ = "1.0.0"

__all__ = [
    "Chassis",
    "ChassisEeprom",
    "LibraryNotFound",
    "QxPxiError",
    "QxPxiWarning",
    "SMBus",
    "Simulation",
    "SystemModule",
    "chassis",
    "chassis_count",
    "errors",
    "example_machine_file",
    "finders",
    "load",
    "simulate",
    "system_module_count",
    "system_modules",
    "update_cache",
    "update_chassis_cache",
    "update_system_module_cache",
]


def update_cache() -> None:
    """Rediscover the chassis and the system modules of every described identity.

    Both libraries are asked even when the first fails; the first failure is raised,
    with the second, if any, in its notes."""
    failures = []
    for update in (update_chassis_cache, update_system_module_cache):
        try:
            update()
        except QxPxiError as error:
            failures.append(error)
    if failures:
        first: Optional[QxPxiError] = failures[0]
        assert first is not None
        for other in failures[1:]:
            if hasattr(first, "add_note"):
                first.add_note("also: %s" % other)
        raise first
