"""The Python package end to end against the virtual spectrometer."""

import numpy as np
import pytest

import velscan


@pytest.fixture
def device():
    with velscan.open(virtual=True) as opened:
        yield opened


def scan_of(sample):
    with velscan.open(virtual=True, sample=sample) as opened:
        scan = opened.scan()
        return scan, opened.reference(scan)


def near(wavelength, nm):
    return int(np.argmin(np.abs(wavelength - nm)))


# ---- scans of each sample ------------------------------------------------

@pytest.mark.parametrize("sample, lowest_mean, highest_mean", [
    ("white", 50_000, None),
    ("organic", 10_000, None),
    ("emission", None, None),
    ("covered", None, 5_000),
])
def test_scan_of_each_sample(sample, lowest_mean, highest_mean):
    scan, _ = scan_of(sample)
    assert scan.wavelength.dtype == np.float64 and scan.intensity.dtype == np.float64
    assert len(scan) == 228 and scan.intensity.shape == scan.wavelength.shape
    assert np.all(np.diff(scan.wavelength) > 0)
    assert 880 < scan.wavelength[0] < 920 and 1680 < scan.wavelength[-1] < 1720
    assert scan.metadata["serial"].startswith("VS2604")
    if lowest_mean is not None:
        assert scan.intensity.mean() > lowest_mean
    if highest_mean is not None:
        assert scan.intensity.mean() < highest_mean


def test_device_describes_itself(device):
    info = device.info()
    assert info["serial"] == device.serial
    slots = [c["slot"] for c in device.configurations()]
    assert slots == [c["slot"] for c in info["configurations"]] and 0 in slots
    assert device.scan(config=slots[-1], average=2).metadata["config_slot"] == str(slots[-1])
    assert isinstance(velscan.list_devices(), list)


# ---- reflectance and absorbance -----------------------------------------

def test_white_reflectance_is_near_one():
    scan, white = scan_of("white")
    reflectance = scan.reflectance(white)
    assert 0.95 < np.nanmedian(reflectance) < 1.05
    assert np.nanmedian(np.abs(scan.absorbance(white))) < 0.03


def test_organic_water_band_absorbs():
    scan, white = scan_of("organic")
    absorbance = scan.absorbance(white)
    w = scan.wavelength
    assert absorbance[near(w, 1450)] > absorbance[near(w, 1300)] + 0.1


def test_covered_window_gives_masked_points():
    scan, white = scan_of("covered")
    referenced = scan.apply_reference(white)
    masked = int(referenced.metadata["masked_points"])
    assert masked > 0 and np.isnan(referenced.absorbance()).sum() == masked
    scan.absorbance(white)
    assert scan.metadata["masked_points"] == str(masked)


# ---- files ----------------------------------------------------------------

@pytest.mark.parametrize("fmt, name", [("csv", "s.csv"), ("json", "s.json"), ("raw", "s.raw"), (None, "s.json")])
def test_save_read_round_trip(tmp_path, fmt, name):
    scan, white = scan_of("organic")
    for spectrum in (scan, scan.apply_reference(white)) if fmt != "raw" else (scan,):
        path = tmp_path / name
        spectrum.save(path, format=fmt)
        back = velscan.read(path)
        np.testing.assert_allclose(back.wavelength, spectrum.wavelength, rtol=1e-12)
        np.testing.assert_allclose(back.intensity, spectrum.intensity, rtol=1e-12)
        if spectrum.reference is not None:
            np.testing.assert_allclose(back.absorbance(), spectrum.absorbance(), rtol=1e-12)
        assert back.metadata["serial"] == spectrum.metadata["serial"]


def test_jcamp_and_wide_files(tmp_path):
    scan, white = scan_of("white")
    scan.apply_reference(white).save(tmp_path / "s.jdx")
    text = (tmp_path / "s.jdx").read_text()
    assert "##JCAMP-DX=4.24" in text and "##NPOINTS=228" in text and "##XYPOINTS=(XY..XY)" in text
    for _ in range(2):
        scan.save(tmp_path / "series.csv", format="wide")
    lines = (tmp_path / "series.csv").read_text().splitlines()
    assert len(lines) == 3 and lines[0].startswith("time,serial,config")


# ---- errors -----------------------------------------------------------------

def closed_device():
    opened = velscan.open(virtual=True)
    opened.close()
    opened.close()  # a second close from Python does nothing
    return opened


ERROR_CASES = [
    ("unknown sample", lambda d, s, p: velscan.open(virtual=True, sample="purple"), velscan.Error, -402),
    ("closed device", lambda d, s, p: closed_device().scan(), velscan.Error, -421),
    ("unknown format", lambda d, s, p: s.save(p / "x.out", format="xlsx"), velscan.Error, -402),
    ("unwritable path", lambda d, s, p: s.save(p / "no" / "x.csv"), velscan.Error, -405),
    ("missing file", lambda d, s, p: velscan.read(p / "missing.csv"), velscan.Error, -403),
    ("malformed file", lambda d, s, p: (p / "bad.csv").write_text("nonsense\n") and velscan.read(p / "bad.csv"),
     velscan.Error, -403),
    ("unknown slot", lambda d, s, p: d.scan(config=19), velscan.Error, None),
    ("slot not an int", lambda d, s, p: d.scan(config="0"), TypeError, None),
    ("average zero", lambda d, s, p: d.scan(average=0), ValueError, None),
    ("sample not a str", lambda d, s, p: velscan.open(virtual=True, sample=1), TypeError, None),
    ("path not a path", lambda d, s, p: s.save(3.5), TypeError, None),
    ("reference not a spectrum", lambda d, s, p: s.reflectance(np.ones(len(s))), TypeError, None),
    ("reference of another shape", lambda d, s, p: s.reflectance(velscan.read(write_short(p))), ValueError, None),
    ("no reference applied", lambda d, s, p: s.absorbance(), ValueError, None),
    ("device reference of a file", lambda d, s, p: d.reference(velscan.read(write_short(p))), velscan.Error, None),
]


def write_short(folder):
    """A spectrum file with fewer points than a scan."""
    with velscan.open(virtual=True) as opened:
        scan = opened.scan(config=2)
    path = folder / "short.csv"
    scan.save(path)
    return path


@pytest.mark.parametrize("name, call, error, code", ERROR_CASES, ids=[c[0] for c in ERROR_CASES])
def test_errors(device, tmp_path, name, call, error, code):
    scan = device.scan()
    before = sorted(tmp_path.iterdir())
    with pytest.raises(error) as raised:
        call(device, scan, tmp_path)
    if error is velscan.Error:
        assert raised.value.code < 0 and raised.value.text and str(raised.value)
        if code is not None:
            assert raised.value.code == code
    assert not [f for f in tmp_path.iterdir() if f not in before and f.name not in ("bad.csv", "short.csv")]
