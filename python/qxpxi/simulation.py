"""Running the libraries on the stand-in services: a simulated PXI machine in this process."""

from __future__ import annotations

import copy
import ctypes
import json
import os
import tempfile
import threading
import warnings
from contextlib import contextmanager
from typing import Any, Dict, Iterator, List, Optional

from . import _library

__all__ = ["simulate", "Simulation", "example_machine_file", "standin_directory"]

_SERVICE_FILES = ("libqxpcibrd.so.1", "libqxcntdrv.so.1", "libqxsmbus.so.2", "libqxrelocations.so.0")
_MACHINE_ENV = "QXPXI_SIM_MACHINE"
# The libraries read the SMBIOS identity from this fixed place, which a process cannot
# move for itself alone.
_SMBIOS_DUMP = "/run/qxpxisv/smbios/smbiosdmp"
# The installed example machine, relative to the installed stand-ins (lib/qxpxi/sim).
_INSTALLED_EXAMPLE = os.path.join("..", "..", "..", "share", "qxpxi", "examples", "machines", "example-machine.json")


class _Resident:
    lock = threading.RLock()
    directory: Optional[str] = None
    handles: List[ctypes.CDLL] = []
    active = False


def standin_directory() -> str:
    """Where the stand-in services are: beside the libraries the package loads
    (``lib/qxpxi/sim`` of an installation, ``services/`` of a build tree)."""
    if _Resident.directory:
        return _Resident.directory
    libdir = _library.loaded_from(_library.CHASSIS)
    for candidate in (os.path.join(libdir, "qxpxi", "sim"), os.path.join(libdir, "..", "services")):
        if os.path.isfile(os.path.join(candidate, _SERVICE_FILES[0])):
            return os.path.realpath(candidate)
    raise FileNotFoundError(
        "qxpxi: no stand-in services beside %s (install python3-qxpxi's companion qxpxi-sim, "
        "or build the tree)" % libdir
    )


def example_machine_file(services_dir: Optional[str] = None) -> str:
    """The bundled example machine that the stand-ins serve by default."""
    directory = services_dir or standin_directory()
    installed = os.path.normpath(os.path.join(directory, _INSTALLED_EXAMPLE))
    if os.path.isfile(installed):
        return installed
    # A build tree: the example lives in the source tree the build was configured from.
    cache = os.path.join(directory, "..", "CMakeCache.txt")
    try:
        with open(cache, encoding="utf-8") as stream:
            for line in stream:
                if line.startswith("CMAKE_HOME_DIRECTORY:"):
                    source = line.split("=", 1)[1].strip()
                    path = os.path.join(source, "examples", "machines", "example-machine.json")
                    if os.path.isfile(path):
                        return path
    except OSError:
        pass
    raise FileNotFoundError("qxpxi: the example machine is not installed beside " + directory)


def _resident_path(file_name: str) -> Optional[str]:
    """The file a library of that name already loaded in this process came from."""
    try:
        with open("/proc/self/maps", encoding="utf-8", errors="replace") as maps:
            for line in maps:
                path = line.split(None, 5)[-1].strip() if line.count(" ") >= 5 else ""
                if os.path.basename(path) == file_name:
                    return os.path.realpath(path)
    except OSError:
        pass
    return None


def _make_resident(directory: str) -> None:
    # The libraries bind the services by bare file name at every discovery. A library
    # already loaded under that name is what the loader hands them, so keeping the
    # stand-ins loaded here makes every later binding in this process use them.
    with _Resident.lock:
        if _Resident.directory == directory:
            return
        if _Resident.directory is not None:
            raise RuntimeError(
                "qxpxi: the stand-ins of %s are in use in this process; %s cannot replace them"
                % (_Resident.directory, directory)
            )
        for file_name in _SERVICE_FILES:
            path = os.path.join(directory, file_name)
            resident = _resident_path(file_name)
            if resident is not None and resident != os.path.realpath(path):
                raise RuntimeError(
                    "qxpxi: %s is already loaded from %s; a simulation needs a process in which "
                    "the real services are not held" % (file_name, resident)
                )
        handles = [ctypes.CDLL(os.path.join(directory, f), mode=os.RTLD_NOW | os.RTLD_LOCAL) for f in _SERVICE_FILES]
        _Resident.handles = handles
        _Resident.directory = directory


class Simulation:
    """The machine a :func:`simulate` block runs on.

    ``machine`` is the machine file's content (a dict, see docs/machine-file.md);
    change it, or use :meth:`inject_fault`, and the stand-ins see the change at their
    next session (a changed file is a fresh machine: fault call counts start again).
    """

    def __init__(self, path: str, writable_dir: Optional[str]) -> None:
        self.source = path
        """The machine file the simulation started from."""
        self.path = path
        """The machine file the stand-ins read."""
        self._writable_dir = writable_dir
        self._own_dir: Optional[tempfile.TemporaryDirectory] = None  # type: ignore[type-arg]
        with open(path, encoding="utf-8") as stream:
            self.machine: Dict[str, Any] = json.load(stream)

    def inject_fault(self, function: str, status: int, from_call: int = 1, to_call: Optional[int] = None) -> None:
        """Make the service function ``function`` (for example
        "QxPciBrd_FindBridgesByPciIds") answer ``status`` from its ``from_call``-th call
        on (1: every call), up to its ``to_call``-th (None: no end). Calls are counted
        from this change on."""
        fault: Dict[str, Any] = {"function": function, "status": int(status), "fromCall": int(from_call)}
        if to_call is not None:
            fault["toCall"] = int(to_call)
        self.machine.setdefault("faults", []).append(fault)
        self.write()

    def clear_faults(self) -> None:
        """Remove every injected fault."""
        self.machine.pop("faults", None)
        self.write()

    def write(self) -> None:
        """Write :attr:`machine` for the stand-ins (a copy of the source file, with its
        relative description directories made absolute)."""
        if self._writable_dir is None:
            self._own_dir = tempfile.TemporaryDirectory(prefix="qxpxi-sim-")
            self._writable_dir = self._own_dir.name
        content = copy.deepcopy(self.machine)
        base = os.path.dirname(os.path.abspath(self.source))
        relocations = content.get("relocations")
        if isinstance(relocations, dict):
            for name, value in relocations.items():
                if isinstance(value, str) and not os.path.isabs(value):
                    relocations[name] = os.path.normpath(os.path.join(base, value))
        path = os.path.join(self._writable_dir, "qxpxi-machine.json")
        temporary = path + ".new"
        with open(temporary, "w", encoding="utf-8") as stream:
            json.dump(content, stream, indent=1)
        os.replace(temporary, path)
        self.path = path
        os.environ[_MACHINE_ENV] = path

    def _close(self) -> None:
        if self._own_dir is not None:
            self._own_dir.cleanup()
            self._own_dir = None

    def __repr__(self) -> str:
        faults = len(self.machine.get("faults", []))
        return "<Simulation %s, %d fault(s)>" % (self.path, faults)


@contextmanager
def simulate(
    machine_file: Optional[str] = None, *, services_dir: Optional[str] = None, writable_dir: Optional[str] = None
) -> Iterator[Simulation]:
    """Run the libraries in this process on the stand-in services, which simulate the
    bundled example machine or ``machine_file`` (a JSON machine file)::

        with qxpxi.simulate() as sim:
            print(qxpxi.chassis("Quarrix", "QX PXIe-1092"))

    ``services_dir`` names the stand-ins' directory (default: beside the libraries);
    ``writable_dir`` a directory where :meth:`Simulation.inject_fault` writes the
    changed machine file (default: a temporary directory, removed with the block).

    What can switch within one process: the machine. Blocks may follow each other with
    different machine files, and faults may be injected at any time; the stand-ins
    read the file again at every session.

    What cannot: once a block has begun, the stand-ins stay loaded for the life of the
    process, so later calls, also outside a block, reach the stand-ins and never the
    real services (a block fails at once when the real services are held in this
    process already). Each library reads its description directories once per process,
    at its first discovery: every machine file used in one process must relocate to the
    same directories (the example's, for a copy of the example). The SMBIOS dump is read
    from its fixed place, /run/qxpxisv/smbios/smbiosdmp: on a computer that has one, the
    libraries see this computer's SMBIOS identity beside the simulated machine (a
    RuntimeWarning says so; ``pxi-inventory --simulate`` runs in a private mount
    namespace instead, which a Python process cannot set up for itself alone). The
    libraries' caches keep what the last discovery found, also one made in an earlier
    block: call :func:`qxpxi.update_cache` or discover (``cached=False``) before cached
    reads.

    Blocks do not nest, and one block runs at a time in a process: the machine file is
    named by a process-wide environment variable.
    """
    directory = os.path.realpath(services_dir) if services_dir else standin_directory()
    if not os.path.isfile(os.path.join(directory, _SERVICE_FILES[0])):
        raise FileNotFoundError("qxpxi: no stand-in services in " + directory)
    path = os.path.abspath(machine_file) if machine_file else example_machine_file(directory)
    if not os.path.isfile(path):
        raise FileNotFoundError("qxpxi: machine file %s does not exist" % path)
    with _Resident.lock:
        if _Resident.active:
            raise RuntimeError("qxpxi: simulate() blocks do not nest")
        _make_resident(directory)
        _Resident.active = True
    if os.path.exists(_SMBIOS_DUMP):
        warnings.warn(
            "qxpxi: this computer's SMBIOS dump %s is read by the libraries during the simulation"
            % _SMBIOS_DUMP,
            RuntimeWarning,
            stacklevel=3,
        )
    previous = os.environ.get(_MACHINE_ENV)
    os.environ[_MACHINE_ENV] = path
    simulation: Optional[Simulation] = None
    try:
        simulation = Simulation(path, writable_dir)
        yield simulation
    finally:
        if simulation is not None:
            simulation._close()
        if previous is None:
            os.environ.pop(_MACHINE_ENV, None)
        else:
            os.environ[_MACHINE_ENV] = previous
        with _Resident.lock:
            _Resident.active = False
