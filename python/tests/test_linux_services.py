"""A recorded real machine through the Linux services: a chassis driver description
naming bridges of the recording finds them, as on that machine."""

import json
import re

import pytest

from conftest import SOURCE_DIR, build_dir, run_python

TOPOLOGY = SOURCE_DIR / "tests" / "data" / "realworld" / "topologies" / "28intel64-2p2g7c-CoDgroups.v1tov2.xml"

PROGRAM = '''
import json, qxpxi
found = qxpxi.chassis("Recorded", "Bridge")
print(json.dumps({"chassis": sorted(c.root_buses for c in found),
                  "controllers": len(qxpxi.finders.controller_finder()),
                  "7402": len(qxpxi.finders.chassis_finder())}))
'''


def recorded_bridges(vendor, subsystem):
    """The secondary buses of the recording's domain-0 PCI-to-PCI bridges with these
    subsystem ids."""
    text = TOPOLOGY.read_text()
    bridges = re.findall(
        r'bridge_type="1-1"[^>]*bridge_pci="0000:\[([0-9a-f]{2})-[0-9a-f]{2}\]" pci_busid="0000:[^"]*" '
        r'pci_type="[0-9a-f]{4} \[[0-9a-f:]+\] \[([0-9a-f]{4}):([0-9a-f]{4})\]', text)
    return sorted(int(bus, 16) for bus, v, s in bridges if (v, s) == (vendor.lower(), subsystem.lower()))


def test_recorded_machine(tmp_path):
    services = build_dir() / "services-linux"
    if not (services / "libqxpcibrd.so.1").exists():
        pytest.skip("the Linux services are not built")
    vendor, subsystem = "8086", "0000"  # the root ports of the recorded machine
    expected = recorded_bridges(vendor, subsystem)
    assert len(expected) == 3
    prefix = tmp_path / "prefix"
    chassis_dir = prefix / "lib" / "qxpxihw" / "pxiechassis"
    chassis_dir.mkdir(parents=True)
    (chassis_dir / "recorded.ini").write_text(
        "[Chassis]\nVendor=Recorded\nModel=Bridge\n\n[RootBusBridges]\nBridge1SubsystemID=%s:%s\n" % (vendor, subsystem))
    empty = tmp_path / "empty"
    empty.mkdir()
    # A process of its own: this one holds the stand-ins.
    result = run_python(["-c", PROGRAM], env={
        "LD_LIBRARY_PATH": str(services),
        "QXPXI_LIBRARY_DIR": str(build_dir() / "lib"),
        "HWLOC_XMLFILE": str(TOPOLOGY),
        "QXPXI_INSTALL_PREFIX": str(prefix),
        "QXPXI_SYSFS_ROOT": str(empty),  # no SMBus adapters, whatever this machine has
        "QXPXI_DEV_ROOT": str(empty),
        "QXPXI_SIM_MACHINE": None,
    })
    assert result.returncode == 0, result.stderr
    assert json.loads(result.stdout) == {"chassis": [[bus] for bus in expected], "controllers": 0, "7402": 0}
