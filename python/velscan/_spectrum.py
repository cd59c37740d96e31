"""A spectrum held by the C library, with its numbers as numpy arrays."""

import ctypes

import numpy as np

from ._errors import check, encode_path, encode_text, read_text
from ._library import ERR_NOT_AVAILABLE, VALUES, lib

class Spectrum:
    """A measured or loaded spectrum.

    .wavelength and .intensity are float64 arrays (nm, detector counts) of
    the same length; .metadata is a dict of str to str (serial, config_slot,
    start_time, average, gain, temperature_c, masked_points, ...). With a
    reference applied (apply_reference), .reference holds the white
    reference's counts and reflectance() / absorbance() without arguments
    return the stored ratios; otherwise .reference is None.
    """

    def __init__(self, handle):
        # Made by Device.scan, Device.reference, read and apply_reference only.
        self._handle = handle
        points = ctypes.c_size_t(0)
        check(lib.velscan_spectrum_points(handle, ctypes.byref(points)))
        self._points = points.value
        self.wavelength = self._array(lambda out: lib.velscan_spectrum_wavelengths(handle, out, self._points))
        self.intensity = self._values("intensity")
        self.reference = self._values("reference")
        self._reflectance = self._values("reflectance")
        self._absorbance = self._values("absorbance")
        self.metadata = self._read_metadata()

    def _array(self, fill):
        array = np.empty(self._points, dtype=np.float64)
        check(fill(array.ctypes.data_as(ctypes.POINTER(ctypes.c_double))))
        return array

    def _values(self, kind):
        """The values of one kind, or None when the spectrum has none."""
        array = np.empty(self._points, dtype=np.float64)
        code = lib.velscan_spectrum_values(self._handle, VALUES[kind],
                                           array.ctypes.data_as(ctypes.POINTER(ctypes.c_double)), self._points)
        if code == ERR_NOT_AVAILABLE:
            return None
        check(code)
        return array

    def _read_metadata(self):
        count = ctypes.c_size_t(0)
        check(lib.velscan_spectrum_metadata_count(self._handle, ctypes.byref(count)))
        metadata = {}
        for index in range(count.value):
            key = read_text(lib.velscan_spectrum_metadata_key, self._handle, index)
            metadata[key] = read_text(lib.velscan_spectrum_metadata, self._handle, key.encode("utf-8"))
        return metadata

    def __len__(self):
        return self._points

    def __repr__(self):
        span = f"{self.wavelength[0]:.1f}-{self.wavelength[-1]:.1f} nm" if self._points else "empty"
        return f"<velscan.Spectrum {self._points} points, {span}>"

    def __del__(self):
        handle, self._handle = getattr(self, "_handle", None), None
        if handle is not None and lib is not None:
            lib.velscan_spectrum_free(handle)

    def apply_reference(self, reference, dark=None):
        """A new Spectrum with reflectance R = (S - D) / (W - D) and absorbance
        A = -log10 R against a white `reference` (and a `dark` scan, else D = 0).
        Points where W - D is not above 1% of its largest value, or (for A)
        where R <= 0, are nan and counted in metadata["masked_points"]."""
        for value, what in ((reference, "reference"), (dark, "dark")):
            if value is None and what == "dark":
                continue
            if not isinstance(value, Spectrum):
                raise TypeError(f"{what} must be a velscan.Spectrum, not {type(value).__name__}")
            if len(value) != len(self):
                raise ValueError(f"{what} has {len(value)} points, the spectrum {len(self)}")
        out = ctypes.c_void_p()
        check(lib.velscan_spectrum_apply_reference(self._handle, reference._handle,
                                                   dark._handle if dark is not None else None, ctypes.byref(out)))
        return Spectrum(out)

    def _ratio(self, stored, name, reference, dark):
        if reference is None:
            if dark is not None:
                raise ValueError("a dark scan needs a reference")
            if stored is None:
                raise ValueError(f"no reference applied: pass one, e.g. spectrum.{name}(white)")
            return stored
        referenced = self.apply_reference(reference, dark)
        self.metadata["masked_points"] = referenced.metadata.get("masked_points", "0")
        return getattr(referenced, "_" + name)

    def reflectance(self, reference=None, dark=None):
        """Reflectance against `reference` (and `dark`) as a float64 array, nan
        where masked; the masked count goes into self.metadata["masked_points"].
        Without arguments: the reflectance of an applied reference."""
        return self._ratio(self._reflectance, "reflectance", reference, dark)

    def absorbance(self, reference=None, dark=None):
        """Absorbance -log10 R, as reflectance()."""
        return self._ratio(self._absorbance, "absorbance", reference, dark)

    def save(self, path, format=None):
        """Writes the spectrum: format "csv", "json", "jcamp", "raw" or "wide"
        (appends one row), or None to choose by the file name's ending (CSV
        when none matches). The file appears whole or not at all."""
        check(lib.velscan_spectrum_write(self._handle, encode_path(path),
                                         encode_text(format, "format", allow_none=True)))

    def plot(self, ax=None):
        """Draws the spectrum with matplotlib (absorbance when a reference is
        applied, else intensity) into `ax` or a new figure; returns the axes."""
        try:
            import matplotlib.pyplot as plt
        except ImportError as error:
            raise ImportError("Spectrum.plot needs matplotlib (Debian: python3-matplotlib)") from error
        if ax is None:
            _, ax = plt.subplots()
        values, label = (self._absorbance, "absorbance") if self._absorbance is not None else \
            (self.intensity, "intensity (counts)")
        ax.plot(self.wavelength, values, label=self.metadata.get("serial", "spectrum"))
        ax.set_xlabel("wavelength (nm)")
        ax.set_ylabel(label)
        return ax

def read(path):
    """Reads a spectrum saved by velscan (CSV, JSON or a raw instrument record)."""
    out = ctypes.c_void_p()
    check(lib.velscan_spectrum_read(encode_path(path), ctypes.byref(out)))
    return Spectrum(out)

