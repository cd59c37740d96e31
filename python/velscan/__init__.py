"""velscan: the handheld near-infrared spectrometer from Python.

    import velscan
    with velscan.open(virtual=True) as device:
        scan = device.scan()
        white = device.reference(scan)
        print(scan.wavelength[:5], scan.reflectance(white)[:5])
        scan.save("scan.csv")

A thin ctypes layer over libvelscan.so's C interface (velscan.h): numbers
come back as numpy float64 arrays, failures as velscan.Error.
"""

from ._device import SAMPLES, Device, list_devices, open
from ._errors import Error
from ._library import lib as _lib
from ._spectrum import Spectrum, read

__version__ = _lib.velscan_version_string().decode()

__all__ = ["Device", "Error", "SAMPLES", "Spectrum", "list_devices", "open", "read", "__version__"]
