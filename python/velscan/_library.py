"""Finds libvelscan.so, loads it with ctypes and declares the C interface."""

import ctypes
import ctypes.util
import os
from pathlib import Path

_PACKAGE_DIR = Path(__file__).resolve().parent
_LIBRARY_NAME = "libvelscan.so"


def _installed_library():
    """The library installed beside this package by `cmake --install`."""
    try:
        from ._install_location import LIBRARY_RELATIVE_TO_PACKAGE
    except ImportError:
        return None
    return _PACKAGE_DIR / LIBRARY_RELATIVE_TO_PACKAGE


def _checkout_library():
    """The library of a build in the checkout this package sits in."""
    root = _PACKAGE_DIR.parent.parent
    for build in ("build", "build-asan"):
        candidate = root / build / "api" / _LIBRARY_NAME
        if candidate.exists():
            return candidate
    return None


def _candidates():
    """Where to look, in order: VELSCAN_LIBRARY, installed, checkout, system loader."""
    explicit = os.environ.get("VELSCAN_LIBRARY")
    if explicit:
        # Set on purpose: no falling back to another library.
        return [explicit]
    found = [_installed_library(), _checkout_library(), ctypes.util.find_library("velscan"), _LIBRARY_NAME]
    return [str(path) for path in found if path is not None]


def _load():
    errors = []
    for candidate in _candidates():
        try:
            return ctypes.CDLL(candidate)
        except OSError as error:
            errors.append(f"{candidate}: {error}")
    raise ImportError("velscan: libvelscan.so not found (set VELSCAN_LIBRARY to its path, or build the "
                      "checkout with tools/run.sh or cmake): " + "; ".join(errors))


lib = _load()

_c = ctypes
_handle = _c.c_void_p
_out_handle = _c.POINTER(_c.c_void_p)
_text_out = [_c.c_char_p, _c.c_size_t, _c.POINTER(_c.c_size_t)]
LOG_FUNCTION = _c.CFUNCTYPE(None, _c.c_void_p, _c.c_char_p)

_PROTOTYPES = {
    "velscan_version_string": (_c.c_char_p, []),
    "velscan_strerror": (_c.c_char_p, [_c.c_int32]),
    "velscan_last_error_message": (_c.c_char_p, []),
    "velscan_set_log": (_c.c_int32, [LOG_FUNCTION, _c.c_void_p]),
    "velscan_list": (_c.c_int32, _text_out),
    "velscan_open": (_c.c_int32, [_c.c_char_p, _out_handle]),
    "velscan_open_virtual": (_c.c_int32, [_c.c_char_p, _out_handle]),
    "velscan_close": (_c.c_int32, [_handle]),
    "velscan_device_serial": (_c.c_int32, [_handle] + _text_out),
    "velscan_info": (_c.c_int32, [_handle] + _text_out),
    "velscan_configurations": (_c.c_int32, [_handle] + _text_out),
    "velscan_scan": (_c.c_int32, [_handle, _c.c_int32, _c.c_int32, _out_handle]),
    "velscan_reference": (_c.c_int32, [_handle, _handle, _out_handle]),
    "velscan_spectrum_apply_reference": (_c.c_int32, [_handle, _handle, _handle, _out_handle]),
    "velscan_spectrum_points": (_c.c_int32, [_handle, _c.POINTER(_c.c_size_t)]),
    "velscan_spectrum_wavelengths": (_c.c_int32, [_handle, _c.POINTER(_c.c_double), _c.c_size_t]),
    "velscan_spectrum_values": (_c.c_int32, [_handle, _c.c_int32, _c.POINTER(_c.c_double), _c.c_size_t]),
    "velscan_spectrum_metadata": (_c.c_int32, [_handle, _c.c_char_p] + _text_out),
    "velscan_spectrum_metadata_count": (_c.c_int32, [_handle, _c.POINTER(_c.c_size_t)]),
    "velscan_spectrum_metadata_key": (_c.c_int32, [_handle, _c.c_size_t] + _text_out),
    "velscan_spectrum_write": (_c.c_int32, [_handle, _c.c_char_p, _c.c_char_p]),
    "velscan_spectrum_read": (_c.c_int32, [_c.c_char_p, _out_handle]),
    "velscan_spectrum_free": (_c.c_int32, [_handle]),
}

for _name, (_restype, _argtypes) in _PROTOTYPES.items():
    _function = getattr(lib, _name)
    _function.restype = _restype
    _function.argtypes = _argtypes

# Codes of velscan.h the package acts on.
OK = 0
ERR_BAD_HANDLE = -421
ERR_BUFFER_TOO_SMALL = -422
ERR_NOT_AVAILABLE = -423
VALUES = {"intensity": 0, "reference": 1, "reflectance": 2, "absorbance": 3}
