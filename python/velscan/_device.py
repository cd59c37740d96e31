"""An open instrument, real or virtual."""

import ctypes
import json

from ._errors import Error, check, checked_int, encode_text, read_text
from ._library import ERR_BAD_HANDLE, lib
from ._spectrum import Spectrum

SAMPLES = ("white", "organic", "emission", "covered")


class Device:
    """An open spectrometer; use as a context manager or call close().
    Calls may come from several threads; they take turns at the instrument."""

    def __init__(self, handle):
        # Made by velscan.open only.
        self._handle = handle
        self.serial = read_text(lib.velscan_device_serial, handle)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __repr__(self):
        state = "open" if self._handle is not None else "closed"
        return f"<velscan.Device {self.serial} {state}>"

    def __del__(self):
        if getattr(self, "_handle", None) is not None and lib is not None:
            self.close()

    def close(self):
        """Closes the instrument; closing again does nothing."""
        handle, self._handle = self._handle, None
        if handle is not None:
            check(lib.velscan_close(handle))

    def _live(self):
        if self._handle is None:
            # The code the C side gives for a closed handle, without a call.
            raise Error(ERR_BAD_HANDLE, lib.velscan_strerror(ERR_BAD_HANDLE).decode(), "the device is closed")
        return self._handle

    def scan(self, config=0, average=None):
        """Takes one scan with stored configuration `config` (a slot number),
        averaging `average` scans (1 to 65535; None keeps the instrument's
        setting). Blocks for the scan (about 0.3 s per averaged scan)."""
        slot = checked_int(config, "config", 0, 2**31 - 1)
        count = 0 if average is None else checked_int(average, "average", 1, 65535)
        out = ctypes.c_void_p()
        check(lib.velscan_scan(self._live(), slot, count, ctypes.byref(out)))
        return Spectrum(out)

    def reference(self, spectrum):
        """The instrument's stored white reference recomputed for the
        configuration `spectrum` was scanned with."""
        if not isinstance(spectrum, Spectrum):
            raise TypeError(f"spectrum must be a velscan.Spectrum, not {type(spectrum).__name__}")
        out = ctypes.c_void_p()
        check(lib.velscan_reference(self._live(), spectrum._handle, ctypes.byref(out)))
        return Spectrum(out)

    def info(self):
        """Identity, sensors and stored configurations as a dict."""
        return json.loads(read_text(lib.velscan_info, self._live()))

    def configurations(self):
        """The stored configurations: a list of dicts (slot, name, type,
        start_nm, end_nm, points, average, sections)."""
        return json.loads(read_text(lib.velscan_configurations, self._live()))


def open(serial=None, virtual=False, sample="white"):  # noqa: A001 - the package's entry point
    """Opens an instrument: the first found, the one with `serial`, or, with
    virtual=True, a virtual spectrometer with `sample` ("white", "organic",
    "emission" or "covered") in front of it. Returns a Device."""
    if not isinstance(virtual, bool):
        raise TypeError(f"virtual must be a bool, not {type(virtual).__name__}")
    out = ctypes.c_void_p()
    if virtual:
        if serial is not None:
            raise ValueError("a virtual instrument is chosen by sample, not serial")
        check(lib.velscan_open_virtual(encode_text(sample, "sample"), ctypes.byref(out)))
    else:
        check(lib.velscan_open(encode_text(serial, "serial", allow_none=True), ctypes.byref(out)))
    try:
        return Device(out)
    except BaseException:
        lib.velscan_close(out)
        raise


def list_devices():
    """The instruments attached over USB: a list of dicts (index, serial,
    vendor_id, product_id, path); empty when none is found."""
    return json.loads(read_text(lib.velscan_list))
