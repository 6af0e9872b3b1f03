"""SMBus transactions through the stand-ins, with smbus2's method names."""

import pytest

import qxpxi
from qxpxi import errors

EEPROM = 0x52  # the chassis EEPROM, 0xA4 as an 8-bit address
SENSOR = 0x48  # the backplane temperature sensor (0x90); bytes 25, 0, 80, 0, 75


@pytest.fixture
def module(pxi_machine):
    (found,) = qxpxi.system_modules("Quarrix", "PXIe-8881")
    return found


def test_transactions(module):
    with module.smbus() as bus:
        assert bus.read_byte_data(EEPROM, 5) == ord("Q")
        assert bus.read_block_data(EEPROM, 65)[:12] == list(b"QX PXIe-1092")
        assert bus.read_word_data(SENSOR, 1) == 80 << 8  # the low byte first on the bus
        bus.write_byte_data(SENSOR, 7, 0xA5)
        assert bus.read_byte_data(SENSOR, 7) == 0xA5
        bus.write_word_data(SENSOR, 8, 0x1234)
        assert [bus.read_byte_data(SENSOR, 8), bus.read_byte_data(SENSOR, 9)] == [0x34, 0x12]
        bus.write_block_data(SENSOR, 16, [1, 2, 3])
        assert bus.read_block_data(SENSOR, 16)[:4] == [1, 2, 3, 0]
        assert bus.process_call(SENSOR, 20, 0xBEEF) == 0xBEEF
        bus.write_byte(SENSOR, 2)  # sets the register pointer ...
        assert [bus.read_byte(SENSOR), bus.read_byte(SENSOR)] == [80, 0]  # ... read from there on
        bus.write_quick(EEPROM)
        with pytest.raises(errors.ServiceError) as absent:
            bus.write_quick(0x10)
        assert absent.value.code == -52011


def test_the_context_keeps_the_adapter_open(module, tmp_path, monkeypatch):
    log = tmp_path / "calls.log"
    monkeypatch.setenv("QXPXI_SIM_CALL_LOG", str(log))
    bus = module.smbus()
    bus.read_byte_data(SENSOR, 0)
    bus.read_byte_data(SENSOR, 0)
    assert log.read_text().count("QXSMBusOpen ") == 2  # one open per transaction
    log.write_text("")
    with module.smbus() as bus:
        for _ in range(3):
            bus.read_byte_data(SENSOR, 0)
        with bus:  # nested: counted
            bus.read_byte_data(SENSOR, 0)
    calls = log.read_text()
    assert calls.count("QXSMBusOpen ") == 1 and calls.count("QXSMBusClose ") == 1
    bus.close()  # nothing outstanding: no error, no call
    assert log.read_text().count("QXSMBusClose ") == 1


@pytest.mark.parametrize(
    "method, args",
    [
        ("read_byte_data", (0x80, 0)),  # 7-bit addresses only
        ("read_byte_data", (-1, 0)),
        ("read_byte_data", (SENSOR, 256)),
        ("write_byte_data", (SENSOR, 0, 256)),
        ("write_word_data", (SENSOR, 0, 0x10000)),
        ("write_block_data", (SENSOR, 0, [0] * 256)),
        ("write_block_data", (SENSOR, 0, [300])),
    ],
)
def test_arguments_out_of_range_are_refused_before_the_bus(module, method, args):
    with pytest.raises(ValueError):
        getattr(module.smbus(), method)(*args)


@pytest.mark.parametrize("method", ["block_process_call", "read_i2c_block_data", "write_i2c_block_data"])
def test_transactions_the_library_lacks_raise_feature_unsupported(module, method):
    with pytest.raises(errors.FeatureUnsupported):
        getattr(module.smbus(), method)(SENSOR, 0, 1 if method == "read_i2c_block_data" else [1])


def test_service_failures_reach_the_caller_and_the_adapter_is_released(module, pxi_machine, tmp_path, monkeypatch):
    pxi_machine.inject_fault("QXSMBusReadByte", -52011)
    log = tmp_path / "calls.log"
    monkeypatch.setenv("QXPXI_SIM_CALL_LOG", str(log))
    with pytest.raises(errors.ServiceError):
        module.smbus().read_byte_data(SENSOR, 0)
    calls = log.read_text()
    assert calls.count("QXSMBusOpen ") == calls.count("QXSMBusClose ") == 1
