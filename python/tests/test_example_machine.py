"""The example machine through the libraries: chassis, system modules, finders."""

import pytest

import qxpxi
from qxpxi import errors

CHASSIS = ("Quarrix", "QX PXIe-1092")
EMBEDDED = ("Quarrix", "PXIe-8881")
REMOTE = ("Quarrix", "PXIe-8398")


def test_chassis_with_their_root_buses(pxi_machine):
    found = qxpxi.chassis(*CHASSIS)
    assert [(c.number, c.root_buses) for c in found] == [(1, (0x04, 0x09)), (2, (0x13, 0x19))]
    assert repr(found[1]) == "<Chassis Quarrix QX PXIe-1092 #2 root buses 0x13 0x19>"
    assert qxpxi.chassis(*CHASSIS, cached=True) == found


def test_cached_reads_answer_what_the_last_discovery_found(pxi_machine):
    qxpxi.update_cache()
    assert qxpxi.chassis_count(*CHASSIS, cached=True) == 2
    assert qxpxi.system_module_count(*REMOTE, cached=True) == 1
    # The hardware changes: cached reads keep the old answer until discovery runs.
    pxi_machine.inject_fault("QxPciBrd_FindBridgesByPciIds", -313003)
    assert qxpxi.chassis_count(*CHASSIS, cached=True) == 2
    with pytest.raises(errors.PciBrdNotFound):
        qxpxi.chassis(*CHASSIS)
    assert qxpxi.chassis(*CHASSIS, cached=True) == []


@pytest.mark.parametrize(
    "identity, attribute, expected",
    [
        (EMBEDDED, "name", "Quarrix PXIe-8881 (QXSMBUS::0::31::3::0)"),
        (EMBEDDED, "resources", ["QXSMBUS::0::31::3::0", "PXI0::0-31.3::INSTR"]),
        (EMBEDDED, "style", "embedded"),
        (EMBEDDED, "max_link_widths", (8, 8, 4, 4, 4, 4)),
        (EMBEDDED, "link_count", 2),
        (EMBEDDED, "link_buses", (3, 8)),
        (EMBEDDED, "description", "PXIe-8881 embedded controller"),
        (EMBEDDED, "slot", ""),
        (REMOTE, "style", "remote"),
        (REMOTE, "link_buses", (0x12, 0x18)),
    ],
)
def test_system_module_attributes(pxi_machine, identity, attribute, expected):
    (module,) = qxpxi.system_modules(*identity)
    assert getattr(module, attribute) == expected


def test_chassis_eeprom_is_decoded(pxi_machine):
    (module,) = qxpxi.system_modules(*EMBEDDED)
    eeprom = module.eeprom
    assert (eeprom.vendor, eeprom.model, eeprom.revision, eeprom.serial_number) == (
        "Quarrix", "QX PXIe-1092", "B", "1092B000117")
    assert eeprom.signature_valid and eeprom.checksum_valid and eeprom.links == 2
    assert len(eeprom.raw) == 256


def test_a_bad_eeprom_fails_that_module_only_when_read(pxi_machine):
    devices = pxi_machine.machine["smbus"]["adapters"][0]["devices"]
    devices["0xA4"]["chassisEeprom"]["checksum"] = 0x1234
    pxi_machine.write()
    (module,) = qxpxi.system_modules(*EMBEDDED)
    assert module.name == "Quarrix PXIe-8881 (QXSMBUS::0::31::3::0)"
    with pytest.raises(errors.EepromChecksumMismatch):
        module.eeprom
    assert "checksum" not in repr(module)  # a repr never raises


def test_peer_to_peer(pxi_machine):
    (embedded,) = qxpxi.system_modules(*EMBEDDED)
    (remote,) = qxpxi.system_modules(*REMOTE)
    assert [embedded.p2p_supported(s, t) for s, t in [("02:00.0", "02:01.0"), ((2, 1, 0), (2, 0, 0)),
                                                        ("02:00.0", "02:00.0")]] == [True, True, False]
    with pytest.raises(errors.FeatureUnsupported):
        remote.p2p_supported((2, 0, 0), (2, 1, 0))
    with pytest.raises(errors.InvalidParameter):
        embedded.p2p_supported((0x77, 0, 0), (2, 1, 0))  # not a port of the module
    with pytest.raises(ValueError):
        embedded.p2p_supported((2, 32, 0), (2, 1, 0))


def test_finders(pxi_machine):
    (chassis,) = qxpxi.finders.chassis_finder()
    assert (chassis.vendor, chassis.model, chassis.item_class, chassis.chassis_bus) == ("Quarrix", "QX PXI-7402", 2, 0x31)
    assert chassis.slot_path is None and chassis.idsel_map is None
    (controller,) = qxpxi.finders.controller_finder()
    assert (controller.vendor, controller.model, controller.item_class) == ("Quarrix", "PXIe-8881", 1)
    assert controller.slot_path == "MR00:08" and controller.controller_bus == 1
    assert controller.chassis_bus is None
    assert len(controller.idsel_map) == 32 and qxpxi.finders.controller_idsel_map() == controller.idsel_map
    # An open list answers by attribute id; the controller finder folds slot path ids.
    with qxpxi.finders.open_list("controller") as items:
        assert items[0].string_attribute(0x1F813) == "MR00:08"
        with pytest.raises(IndexError):
            items[1]


def test_a_machine_that_is_no_controller_has_empty_finder_lists(pxi_machine):
    pxi_machine.inject_fault("QXCNTDRV_openController", -26934)
    pxi_machine.inject_fault("QxPciBrd_FindBridgesByPciIds", -313003)
    assert qxpxi.finders.controller_finder() == []
    with pytest.raises(errors.PciBrdNotFound):
        qxpxi.finders.chassis_finder()


def test_inventory_module(capsys):
    from qxpxi.__main__ import main

    assert main(["--simulate"]) == 0
    out = capsys.readouterr().out
    for line in ("Quarrix QX PXIe-1092: 2 chassis", "  chassis 2: root buses 0x13 0x19",
                 "Quarrix PXIe-8881: 1 system module(s)", "chassis finder: 1 item(s)"):
        assert line in out.splitlines()


def test_calls_from_several_threads_agree(pxi_machine):
    from concurrent.futures import ThreadPoolExecutor

    def work(_):
        found = qxpxi.chassis(*CHASSIS)
        (module,) = qxpxi.system_modules(*REMOTE)
        with module.smbus() as bus:
            byte = bus.read_byte_data(0x52, 5)
        return [c.root_buses for c in found], module.eeprom.serial_number, byte

    with ThreadPoolExecutor(4) as pool:
        answers = list(pool.map(work, range(40)))
    assert all(answer == answers[0] for answer in answers)
    assert answers[0][0] == [(0x04, 0x09), (0x13, 0x19)]
