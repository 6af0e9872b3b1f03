"""System modules, their chassis EEPROM and SMBus access (``libQXPXIeSMu``)."""

from __future__ import annotations

import ctypes
import struct
from typing import List, Optional, Sequence, Tuple, Union

from . import _library
from .errors import FeatureUnsupported, QxPxiError, check  # type: ignore[attr-defined]

__all__ = [
    "SystemModule",
    "ChassisEeprom",
    "SMBus",
    "system_modules",
    "system_module_count",
    "update_system_module_cache",
]

_EEPROM_SIZE = 256
_TEXT_SIZE = 256
_NAME_BUFFER = 64 * 1024
# A text attribute that is empty answers this instead of writing "".
_EMPTY_TEXT = -2
_FEATURE_UNSUPPORTED = FeatureUnsupported.status_code

PciAddressLike = Union[Tuple[int, int, int], str]


def system_module_count(vendor: str, model: str, *, cached: bool = False) -> int:
    """How many system modules of (vendor, model) there are.

    ``cached=False`` discovers afresh (replacing what the cache held for that identity);
    ``cached=True`` answers from the cache without discovery.
    """
    lib = _library.library(_library.SYSTEM_MODULES)
    count = ctypes.c_int32(0)
    v, m = _library.text(vendor), _library.text(model)
    if cached:
        check(lib.QXPXI_SystemModule_GetCount_NoCache(v, m, ctypes.byref(count)), "QXPXI_SystemModule_GetCount_NoCache")
    else:
        check(lib.PXISA_SystemModule_GetCount(v, m, ctypes.byref(count)), "PXISA_SystemModule_GetCount")
    return count.value


def system_modules(vendor: str, model: str, *, cached: bool = False) -> List["SystemModule"]:
    """The system modules of (vendor, model), for example ("Quarrix", "PXIe-8881").

    ``cached`` as for :func:`system_module_count`. The modules' attributes are read from
    the library's cache when asked for, so a module whose construction failed (a bad
    chassis EEPROM, say) raises only when its attributes are read.
    """
    count = system_module_count(vendor, model, cached=cached)
    lib = _library.library(_library.SYSTEM_MODULES)
    v, m = _library.text(vendor), _library.text(model)
    modules = []
    for index in range(1, count + 1):
        # The call takes no buffer length and copies the whole texts, which grow with the
        # description's texts: buffers far beyond any name a description of sane size
        # makes (ordinary ones stay below 256 bytes).
        name = ctypes.create_string_buffer(_NAME_BUFFER)
        resources = ctypes.create_string_buffer(_NAME_BUFFER)
        check(lib.PXISA_SystemModule_GetName(v, m, index, name, resources), "PXISA_SystemModule_GetName")
        modules.append(SystemModule(vendor, model, index, name.value.decode(), resources.value.decode()))
    return modules


def update_system_module_cache() -> None:
    """Rediscover the system modules of every described identity and the controller's own."""
    check(_library.library(_library.SYSTEM_MODULES).QXPXI_SystemModule_UpdateCache(), "QXPXI_SystemModule_UpdateCache")


def _pci_address(value: PciAddressLike) -> _library.PciAddress:
    if isinstance(value, str):
        # "bb:dd.f", hexadecimal as lspci writes it
        try:
            bus_text, rest = value.split(":")
            device_text, function_text = rest.split(".")
            bus, device, function = int(bus_text, 16), int(device_text, 16), int(function_text, 16)
        except ValueError:
            raise ValueError("a PCI address is 'bus:device.function' in hexadecimal: %r" % value) from None
    else:
        bus, device, function = value
    if not (0 <= bus <= 255 and 0 <= device <= 31 and 0 <= function <= 7):
        raise ValueError("PCI address out of range (bus 0-255, device 0-31, function 0-7): %r" % (value,))
    return _library.PciAddress(bus, device, function)


class ChassisEeprom:
    """The decoded 256-byte chassis identification EEPROM a system module read.

    Texts end at their first NUL or at the end of their field; bytes outside printable
    ASCII are shown as ``\\xNN``.
    """

    __slots__ = ("raw",)

    def __init__(self, raw: bytes) -> None:
        if len(raw) != _EEPROM_SIZE:
            raise ValueError("a chassis EEPROM image has 256 bytes, not %d" % len(raw))
        self.raw = bytes(raw)
        """The whole image, 256 bytes."""

    def _field(self, offset: int, size: int) -> str:
        out = []
        for byte in self.raw[offset : offset + size]:
            if byte == 0:
                break
            out.append(chr(byte) if 0x20 <= byte < 0x7F and byte != 0x5C else "\\x%02X" % byte)
        return "".join(out)

    @property
    def signature_valid(self) -> bool:
        """True when the image starts with the signature 5A 31 00."""
        return self.raw[0:3] == b"\x5a\x31\x00"

    @property
    def vendor(self) -> str:
        """The chassis vendor (offset 5, up to 27 characters)."""
        return self._field(5, 27)

    @property
    def model(self) -> str:
        """The chassis model (offset 65, up to 40 characters)."""
        return self._field(65, 40)

    @property
    def revision(self) -> str:
        """The revision character (offset 105)."""
        return self._field(105, 1)

    @property
    def serial_number(self) -> str:
        """The serial number (offset 106, up to 13 characters)."""
        return self._field(106, 13)

    @property
    def link_configuration(self) -> int:
        """The link configuration byte (offset 124): 0 two links, 1 four."""
        return self.raw[124]

    @property
    def links(self) -> Optional[int]:
        """2 or 4 links, or None for a link configuration byte of another value."""
        return {0: 2, 1: 4}.get(self.raw[124])

    @property
    def checksum_stored(self) -> int:
        """The checksum stored little-endian at offset 121 (0 to 0xFFFF)."""
        return self.raw[121] | self.raw[122] << 8

    @property
    def checksum_computed(self) -> int:
        """The 16-bit sum of every byte but 121 and 122."""
        return (sum(self.raw) - self.raw[121] - self.raw[122]) & 0xFFFF

    @property
    def checksum_valid(self) -> bool:
        return self.checksum_stored == self.checksum_computed

    def __repr__(self) -> str:
        return "<ChassisEeprom %s %s serial %s, %s links, checksum %s>" % (
            self.vendor,
            self.model,
            self.serial_number,
            self.links if self.links is not None else "?",
            "valid" if self.checksum_valid else "INVALID",
        )


class SystemModule:
    """One system module of a (vendor, model) identity: the embedded controller or a
    remote module that controls a chassis over a cabled PCI Express link.

    ``name`` and ``resources`` come from discovery; every other property is read from
    the library's cache when asked for and raises :class:`qxpxi.QxPxiError` when the
    library answers an error (for example the module's construction failed).
    """

    __slots__ = ("vendor", "model", "index", "name", "resource_list")

    def __init__(self, vendor: str, model: str, index: int, name: str, resource_list: str) -> None:
        self.vendor = vendor
        self.model = model
        self.index = index
        """Position from 1, in the order of discovery."""
        self.name = name
        """The module name, for example "Quarrix PXIe-8881 (QXSMBUS::0::31::3::0)"."""
        self.resource_list = resource_list
        """The resources as the library gives them: separated by ";"."""

    @property
    def resources(self) -> List[str]:
        """The resource names: the SMBus adapter's and the PXI instrument resources."""
        return [r for r in self.resource_list.split(";") if r]

    def _args(self) -> Tuple[bytes, bytes]:
        return _library.text(self.name), _library.text(self.resource_list)

    def _int(self, attribute: int) -> int:
        value = ctypes.c_int32(0)
        lib = _library.library(_library.SYSTEM_MODULES)
        check(
            lib.PXISA_SystemModule_GetInformation(*self._args(), attribute, ctypes.byref(value)),
            "PXISA_SystemModule_GetInformation",
        )
        return value.value

    def _text(self, attribute: int) -> str:
        buffer = ctypes.create_string_buffer(_TEXT_SIZE)
        lib = _library.library(_library.SYSTEM_MODULES)
        status = lib.PXISA_SystemModule_GetInformation(*self._args(), attribute, buffer)
        if status == _EMPTY_TEXT:
            return ""
        check(status, "PXISA_SystemModule_GetInformation")
        return buffer.value.decode("utf-8", "backslashreplace")

    def information(self, attribute_id: int) -> Union[int, str]:
        """One attribute by its C id (PXISA_SYSTEMMODULE_ATTR_*): ids 200 and above are
        texts, the others 32-bit integers."""
        return self._text(attribute_id) if attribute_id >= 200 else self._int(attribute_id)

    @property
    def max_link_widths(self) -> Tuple[int, ...]:
        """Six maximum link widths (lanes): 0-1 for a two-link chassis, 2-5 for links
        1 to 4 of a four-link chassis."""
        return tuple(self._int(i) for i in range(6))

    @property
    def link_count(self) -> int:
        """2 or 4, from the chassis EEPROM."""
        return self._int(100)

    def _per_link(self, first: int) -> Tuple[int, ...]:
        values = []
        for link in range(self.link_count):
            values.append(self._int(first + link))
        return tuple(values)

    @property
    def link_buses(self) -> Tuple[int, ...]:
        """The PCI bus (0 to 255) behind each link, one per link."""
        return self._per_link(101)

    @property
    def link_values(self) -> Tuple[int, ...]:
        """The link value of each link."""
        return self._per_link(105)

    @property
    def style(self) -> str:
        """"embedded" or "remote"."""
        return "remote" if self._int(109) == 1 else "embedded"

    @property
    def description(self) -> str:
        """A description of the module ("" when the library has none)."""
        return self._text(200)

    @property
    def slot(self) -> str:
        """The controller's slot, if known, else ""."""
        return self._text(201)

    @property
    def eeprom(self) -> ChassisEeprom:
        """The chassis EEPROM image the module read, decoded."""
        buffer = (ctypes.c_uint8 * _EEPROM_SIZE)()
        lib = _library.library(_library.SYSTEM_MODULES)
        check(lib.PXISA_SystemModule_GetChassisEEPROM(*self._args(), buffer), "PXISA_SystemModule_GetChassisEEPROM")
        return ChassisEeprom(bytes(buffer))

    def p2p_supported(self, source: PciAddressLike, target: PciAddressLike) -> bool:
        """Whether the (embedded) module routes peer-to-peer traffic from the source
        port to the target port. Addresses are (bus, device, function) or "bb:dd.f".
        A remote module raises ``qxpxi.errors.FeatureUnsupported``."""
        supported = ctypes.c_int32(0)
        lib = _library.library(_library.SYSTEM_MODULES)
        check(
            lib.QXPXI_SystemModule_GetEmbeddedP2PSupport(
                *self._args(), _pci_address(source), _pci_address(target), ctypes.byref(supported)
            ),
            "QXPXI_SystemModule_GetEmbeddedP2PSupport",
        )
        return supported.value != 0

    def smbus(self, pec: bool = False) -> "SMBus":
        """The module's SMBus adapter, with ``smbus2``'s methods. As a context manager
        it keeps the adapter open for the block; without one, every transaction opens
        and closes the adapter itself."""
        return SMBus(self, pec=pec)

    def __repr__(self) -> str:
        return "<SystemModule %r resources %s>" % (self.name, ";".join(self.resources))

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, SystemModule):
            return NotImplemented
        return (self.name, self.resource_list) == (other.name, other.resource_list)

    def __hash__(self) -> int:
        return hash((self.name, self.resource_list))


# Operation codes of PXISA_SystemModule_SMBusOperation.
_QUICK, _SEND_BYTE, _RECEIVE_BYTE, _WRITE_BYTE, _READ_BYTE = 0, 1, 2, 3, 4
_WRITE_WORD, _READ_WORD, _PROCESS_CALL, _WRITE_BLOCK, _READ_BLOCK = 5, 6, 7, 8, 9
_OPEN, _CLOSE = 10, 11


def _check_range(what: str, value: int, top: int) -> int:
    if not isinstance(value, int) or not 0 <= value <= top:
        raise ValueError("%s must be 0 to 0x%X, not %r" % (what, top, value))
    return value


class SMBus:
    """SMBus transactions on a system module's adapter, with the method names and
    argument order of ``smbus2.SMBus``.

    Addresses are 7-bit (0 to 0x7F), as with ``smbus2``; registers and bytes 0 to 255,
    words 0 to 0xFFFF, blocks up to 255 bytes. ``pec`` asks for packet error checking.
    ``force`` arguments are accepted for compatibility and have no effect: the library
    takes no per-address lock. The library has no block process call and no I2C block
    transfers; those methods raise ``qxpxi.errors.FeatureUnsupported``.

    Thread safety: each transaction is one library call; an adapter kept open by
    :meth:`open` is counted by the library, so nested and concurrent opens and closes of
    the same adapter balance. One ``SMBus`` object's own open count is not locked: use it
    from one thread, or one object per thread.
    """

    def __init__(self, module: SystemModule, pec: bool = False) -> None:
        self.module = module
        self.pec = pec
        """Packet error checking for the following transactions."""
        self._opened = 0

    def open(self) -> None:
        """Open the adapter and keep it open until :meth:`close`."""
        self._call(_OPEN, 0, 0, "open")
        self._opened += 1

    def close(self) -> None:
        """Undo this object's :meth:`open`; nothing when it has none outstanding."""
        if self._opened:
            self._opened -= 1
            self._call(_CLOSE, 0, 0, "close")

    def __enter__(self) -> "SMBus":
        self.open()
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def _call(
        self,
        operation: int,
        address: int,
        command: int,
        what: str,
        write: bytes = b"",
        read_size: int = 0,
    ) -> Tuple[bytes, int]:
        lib = _library.library(_library.SYSTEM_MODULES)
        write_buffer = (ctypes.c_uint8 * max(len(write), 1)).from_buffer_copy(write.ljust(1, b"\0"))
        read_buffer = (ctypes.c_uint8 * max(read_size, 1))()
        read_count = ctypes.c_int32(0)
        status = lib.PXISA_SystemModule_SMBusOperation(
            *self.module._args(),
            operation,
            address,
            command,
            1 if self.pec else 0,
            len(write),
            write_buffer,
            ctypes.byref(read_count),
            read_buffer,
        )
        check(status, "PXISA_SystemModule_SMBusOperation (%s)" % what)
        return bytes(read_buffer)[:read_size], read_count.value

    @staticmethod
    def _address(i2c_addr: int, read: bool) -> int:
        return _check_range("i2c_addr", i2c_addr, 0x7F) << 1 | (1 if read else 0)

    def write_quick(self, i2c_addr: int, force: Optional[bool] = None) -> None:
        """Quick command, write direction: checks that a device answers."""
        self._call(_QUICK, self._address(i2c_addr, False), 0, "write_quick")

    def read_byte(self, i2c_addr: int, force: Optional[bool] = None) -> int:
        """Receive byte: one byte from the device's current register."""
        data, _ = self._call(_RECEIVE_BYTE, self._address(i2c_addr, True), 0, "read_byte", read_size=1)
        return data[0]

    def write_byte(self, i2c_addr: int, value: int, force: Optional[bool] = None) -> None:
        """Send byte: one byte, for example a register number."""
        data = bytes([_check_range("value", value, 0xFF)])
        self._call(_SEND_BYTE, self._address(i2c_addr, False), 0, "write_byte", write=data)

    def read_byte_data(self, i2c_addr: int, register: int, force: Optional[bool] = None) -> int:
        """Read byte: the byte of ``register``."""
        command = _check_range("register", register, 0xFF)
        data, _ = self._call(_READ_BYTE, self._address(i2c_addr, True), command, "read_byte_data", read_size=1)
        return data[0]

    def write_byte_data(self, i2c_addr: int, register: int, value: int, force: Optional[bool] = None) -> None:
        """Write byte: ``value`` (0 to 255) to ``register``."""
        command = _check_range("register", register, 0xFF)
        data = bytes([_check_range("value", value, 0xFF)])
        self._call(_WRITE_BYTE, self._address(i2c_addr, False), command, "write_byte_data", write=data)

    def read_word_data(self, i2c_addr: int, register: int, force: Optional[bool] = None) -> int:
        """Read word: the 16-bit word of ``register`` (the low byte first on the bus)."""
        command = _check_range("register", register, 0xFF)
        data, _ = self._call(_READ_WORD, self._address(i2c_addr, True), command, "read_word_data", read_size=2)
        return struct.unpack("=H", data)[0]

    def write_word_data(self, i2c_addr: int, register: int, value: int, force: Optional[bool] = None) -> None:
        """Write word: ``value`` (0 to 0xFFFF) to ``register``."""
        command = _check_range("register", register, 0xFF)
        data = struct.pack("=H", _check_range("value", value, 0xFFFF))
        self._call(_WRITE_WORD, self._address(i2c_addr, False), command, "write_word_data", write=data)

    def process_call(self, i2c_addr: int, register: int, value: int, force: Optional[bool] = None) -> int:
        """Process call: writes the word ``value`` to ``register`` and returns the
        device's word in answer."""
        command = _check_range("register", register, 0xFF)
        data = struct.pack("=H", _check_range("value", value, 0xFFFF))
        answer, _ = self._call(
            _PROCESS_CALL, self._address(i2c_addr, False), command, "process_call", write=data, read_size=2
        )
        return struct.unpack("=H", answer)[0]

    def read_block_data(self, i2c_addr: int, register: int, force: Optional[bool] = None) -> List[int]:
        """Block read: the bytes the device answers for ``register`` (0 to 255 of them)."""
        command = _check_range("register", register, 0xFF)
        data, count = self._call(_READ_BLOCK, self._address(i2c_addr, True), command, "read_block_data", read_size=255)
        return list(data[: max(0, min(count, 255))])

    def write_block_data(
        self, i2c_addr: int, register: int, data: Sequence[int], force: Optional[bool] = None
    ) -> None:
        """Block write: ``data`` (0 to 255 bytes) to ``register``."""
        command = _check_range("register", register, 0xFF)
        if len(data) > 255:
            raise ValueError("an SMBus block holds at most 255 bytes, not %d" % len(data))
        payload = bytes(_check_range("data byte", b, 0xFF) for b in data)
        self._call(_WRITE_BLOCK, self._address(i2c_addr, False), command, "write_block_data", write=payload)

    def _unsupported(self, what: str) -> QxPxiError:
        return FeatureUnsupported(_FEATURE_UNSUPPORTED, "SMBus." + what + " (the library has no such operation)")

    def block_process_call(
        self, i2c_addr: int, register: int, data: Sequence[int], force: Optional[bool] = None
    ) -> List[int]:
        """Not offered by the library: raises ``qxpxi.errors.FeatureUnsupported``.
        (A block write followed by a block read is not the same transaction.)"""
        raise self._unsupported("block_process_call")

    def read_i2c_block_data(
        self, i2c_addr: int, register: int, length: int, force: Optional[bool] = None
    ) -> List[int]:
        """Not offered by the library: raises ``qxpxi.errors.FeatureUnsupported``."""
        raise self._unsupported("read_i2c_block_data")

    def write_i2c_block_data(
        self, i2c_addr: int, register: int, data: Sequence[int], force: Optional[bool] = None
    ) -> None:
        """Not offered by the library: raises ``qxpxi.errors.FeatureUnsupported``."""
        raise self._unsupported("write_i2c_block_data")

    def __repr__(self) -> str:
        return "<SMBus of %r%s%s>" % (self.module.name, ", open" if self._opened else "", ", PEC" if self.pec else "")
