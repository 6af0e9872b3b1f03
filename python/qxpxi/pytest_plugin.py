"""pytest plugin (entry point ``pytest11``): the ``pxi_machine`` fixture.

A test that takes ``pxi_machine`` runs on the stand-in services with the bundled
example machine, or with the machine file named by ``@pytest.mark.pxi_machine(path)``::

    def test_two_chassis(pxi_machine):
        assert len(qxpxi.chassis("Quarrix", "QX PXIe-1092")) == 2

    def test_no_bridges(pxi_machine):
        pxi_machine.inject_fault("QxPciBrd_FindBridgesByPciIds", -313003)
        with pytest.raises(qxpxi.errors.PciBrdNotFound):
            qxpxi.chassis("Quarrix", "QX PXIe-1092")

The fixture yields a :class:`qxpxi.Simulation`; faults and changes go to a copy of
the machine file in the test's temporary directory. See :func:`qxpxi.simulate` for
what can and cannot change within one test process.
"""

from __future__ import annotations

from typing import Any, Iterator

import pytest

from .simulation import Simulation, simulate


def pytest_configure(config: Any) -> None:
    config.addinivalue_line(
        "markers", "pxi_machine(path): the machine file the pxi_machine fixture simulates"
    )


@pytest.fixture
def pxi_machine(request: Any, tmp_path: Any) -> Iterator[Simulation]:
    """A simulated PXI machine for the test (the example machine by default)."""
    marker = request.node.get_closest_marker("pxi_machine")
    machine_file = marker.args[0] if marker is not None and marker.args else None
    with simulate(machine_file, writable_dir=str(tmp_path)) as simulation:
        yield simulation
