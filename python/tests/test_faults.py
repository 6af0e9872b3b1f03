"""Faults injected through the pxi_machine fixture reach Python as the right classes."""

import os
import warnings

import pytest

import qxpxi
from qxpxi import errors

CHASSIS = ("Quarrix", "QX PXIe-1092")


@pytest.mark.parametrize(
    "function, status, expected",
    [
        ("QxPciBrd_FindBridgesByPciIds", -313003, errors.PciBrdNotFound),
        ("QxPciBrd_OpenSession", -313008, errors.PciBrdNotLoaded),
        ("QxPciBrd_OpenSession", -12345, errors.ServiceError),  # an outside service's own code
    ],
)
def test_a_failing_service_raises_the_status_class(pxi_machine, function, status, expected):
    pxi_machine.inject_fault(function, status)
    with pytest.raises(expected) as caught:
        qxpxi.chassis(*CHASSIS)
    assert caught.value.code == status and caught.value.call == "PXISA_Chassis_GetCount"


def test_a_warning_is_a_warning_and_the_answer_still_comes(pxi_machine):
    pxi_machine.inject_fault("QxPciBrd_FindBridgesByPciIds", 313300)
    with pytest.warns(errors.NoFilesMatched) as caught:
        found = qxpxi.chassis(*CHASSIS)
    assert found == [] and isinstance(caught[0].message, qxpxi.QxPxiWarning)
    with warnings.catch_warnings():
        warnings.simplefilter("error", qxpxi.QxPxiWarning)  # a user may make warnings fatal
        with pytest.raises(errors.NoFilesMatched):
            qxpxi.chassis(*CHASSIS)


def test_a_fault_from_a_later_call_on(pxi_machine):
    pxi_machine.inject_fault("QxPciBrd_OpenSession", -313008, from_call=2, to_call=2)
    assert len(qxpxi.chassis(*CHASSIS)) == 2
    with pytest.raises(errors.PciBrdNotLoaded):
        qxpxi.chassis(*CHASSIS)
    assert len(qxpxi.chassis(*CHASSIS)) == 2


@pytest.mark.parametrize(
    "call, expected",
    [
        (lambda: qxpxi.chassis("Quarrix", "no such chassis"), errors.DbNotFound),
        # no description, and the controller is another identity
        (lambda: qxpxi.system_modules("Nobody", "nothing"), errors.NotFound),
    ],
)
def test_unknown_identities(pxi_machine, call, expected):
    with pytest.raises(expected):
        call()


def test_update_cache_asks_both_libraries_and_raises_the_first_failure(pxi_machine):
    pxi_machine.inject_fault("QxPciBrd_OpenSession", -313008)
    with pytest.raises(errors.PciBrdNotLoaded) as caught:
        qxpxi.update_cache()
    # The system module library failed too, and says so in a note.
    assert any("QXPXI_SystemModule_UpdateCache" in note for note in getattr(caught.value, "__notes__", []))


def test_faults_without_the_fixture_go_to_a_temporary_copy():
    with qxpxi.simulate() as simulation:
        simulation.inject_fault("QxPciBrd_OpenSession", -313008)
        changed = simulation.path
        assert changed != simulation.source
        with pytest.raises(errors.PciBrdNotLoaded):
            qxpxi.chassis(*CHASSIS)
    assert not os.path.exists(changed)
    with qxpxi.simulate():
        assert len(qxpxi.chassis(*CHASSIS)) == 2  # the next block starts from the example


def test_a_machine_file_of_ones_own(tmp_path):
    machine = tmp_path / "empty.json"
    machine.write_text('{"description": "no PXI hardware"}')
    with qxpxi.simulate(str(machine)):
        assert qxpxi.finders.controller_finder() == []
        assert qxpxi.chassis(*CHASSIS) == []
    with pytest.raises(FileNotFoundError):
        with qxpxi.simulate(str(tmp_path / "missing.json")):
            pass


def test_simulations_do_not_nest(pxi_machine):
    with pytest.raises(RuntimeError):
        with qxpxi.simulate():
            pass
