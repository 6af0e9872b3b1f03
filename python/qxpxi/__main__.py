"""``python3 -m qxpxi [--simulate [MACHINE]]``: a short inventory of this machine.

Lists the chassis of every chassis driver description and the system modules of every
system module description and of the controller itself, then the finder plug-ins'
items. A failed call is shown with its code, symbolic name and meaning, and the listing
goes on. Exit status: 0 every call answered, 1 some call failed, 2 bad usage or no
libraries, 3 no platform services, 4 the output could not be written (as pxi-inventory).
"""

from __future__ import annotations

import argparse
import configparser
import ctypes
import glob
import os
import sys
import warnings
from typing import Callable, List, Optional, Tuple

import qxpxi

_DEFAULT_DIRS = {"libdir": "/usr/lib", "datadir": "/usr/share"}


def _relocated(name: str) -> str:
    """The installation directory ``name`` as the relocation service moves it."""
    try:
        service = ctypes.CDLL("libqxrelocations.so.0")
        get = service.get_relocated_dir
        get.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_size_t]
        get.restype = ctypes.c_int
        buffer = ctypes.create_string_buffer(4096)
        if get(name.encode(), buffer, len(buffer)) > 0:
            return buffer.value.decode()
    except (OSError, AttributeError):
        pass
    return _DEFAULT_DIRS[name]


def _identities(directory: str, section: str) -> List[Tuple[str, str]]:
    found = set()
    for path in sorted(glob.glob(os.path.join(directory, "*.ini"))):
        parser = configparser.ConfigParser(strict=False, interpolation=None, comment_prefixes=(";", "#"))
        parser.optionxform = str  # type: ignore[assignment,method-assign]
        try:
            parser.read(path, encoding="utf-8")
            vendor = parser.get(section, "Vendor").strip('"')
            model = parser.get(section, "Model").strip('"')
        except (configparser.Error, UnicodeDecodeError):
            continue
        found.add((vendor, model))
    return sorted(found)


class _Report:
    def __init__(self) -> None:
        self.failed = False

    def attempt(self, what: str, call: Callable[[], object]) -> Optional[object]:
        try:
            with warnings.catch_warnings(record=True) as caught:
                warnings.simplefilter("always", qxpxi.QxPxiWarning)
                result = call()
            for warning in caught:
                print("  warning: %s" % warning.message)
            return result
        except qxpxi.QxPxiError as error:
            self.failed = True
            print("%s: failed: %s" % (what, error))
            return None


_SERVICES = ("libqxpcibrd.so.1", "libqxcntdrv.so.1", "libqxsmbus.so.2", "libqxrelocations.so.0")


def _missing_services() -> List[str]:
    """The platform services the loader does not find (loaded and let go again)."""
    import _ctypes

    missing = []
    for name in _SERVICES:
        try:
            handle = ctypes.CDLL(name)
        except OSError:
            missing.append(name)
        else:
            _ctypes.dlclose(handle._handle)
    return missing


def _inventory() -> int:
    report = _Report()
    libdir, datadir = _relocated("libdir"), _relocated("datadir")
    for vendor, model in _identities(os.path.join(libdir, "qxpxihw", "pxiechassis"), "Chassis"):
        found = report.attempt("%s %s" % (vendor, model), lambda: qxpxi.chassis(vendor, model))
        if found is not None:
            print("%s %s: %d chassis" % (vendor, model, len(found)))  # type: ignore[arg-type]
            for item in found:  # type: ignore[attr-defined]
                print("  chassis %d: root buses %s" % (item.number, " ".join("0x%02X" % b for b in item.root_buses)))
    identities = _identities(os.path.join(libdir, "qxpxihw", "pxiesysmodules"), "ModuleId")
    controllers = report.attempt("controller finder", qxpxi.finders.controller_finder)
    for item in controllers or []:  # type: ignore[attr-defined]
        if item.vendor and item.model and (item.vendor, item.model) not in identities:
            identities.append((item.vendor, item.model))
    for vendor, model in identities:
        modules = report.attempt("%s %s" % (vendor, model), lambda: qxpxi.system_modules(vendor, model))
        if modules is None:
            continue
        print("%s %s: %d system module(s)" % (vendor, model, len(modules)))  # type: ignore[arg-type]
        for module in modules:  # type: ignore[attr-defined]
            print("  %s, resources %s" % (module.name, ";".join(module.resources)))
            eeprom = report.attempt("  %s EEPROM" % module.name, lambda: module.eeprom)
            if eeprom is not None:
                print("    chassis EEPROM: %r" % eeprom)
    for name, items in (("chassis finder", report.attempt("chassis finder", qxpxi.finders.chassis_finder)),
                        ("controller finder", controllers)):
        if items is not None:
            print("%s: %d item(s)" % (name, len(items)))  # type: ignore[arg-type]
            for item in items:  # type: ignore[attr-defined]
                print("  %r" % item)
    print("description directories: %s, %s" % (libdir, datadir))
    return 1 if report.failed else 0


def main(argv: Optional[List[str]] = None) -> int:
    parser = argparse.ArgumentParser(prog="python3 -m qxpxi", description="A short inventory of this PXI machine.")
    parser.add_argument("--simulate", nargs="?", const="", metavar="MACHINE",
                        help="run on the stand-in services: the example machine, or a machine file")
    args = parser.parse_args(argv)
    try:
        if args.simulate is not None:
            with qxpxi.simulate(args.simulate or None):
                print("simulated machine: %s" % (args.simulate or qxpxi.example_machine_file()))
                return _inventory()
        missing = _missing_services()
        if missing:
            print("no platform services on the loader's path: %s (try --simulate)" % ", ".join(missing),
                  file=sys.stderr)
            return 3
        return _inventory()
    except (qxpxi.LibraryNotFound, FileNotFoundError, RuntimeError) as error:
        print(error, file=sys.stderr)
        return 2
    except BrokenPipeError:
        # The reader went away (| head): no traceback, and no second error at exit.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 4


if __name__ == "__main__":
    sys.exit(main())
