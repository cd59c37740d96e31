// Spectra: their numbers and metadata, reference ratios, files.
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "boundary.h"
#include "formats.h"
#include "objects.h"
#include "velscan.h"

using velscan::Spectrum;
using velscan::Status;
using namespace velscan::capi;

namespace {

// Runs `work` on the live spectrum behind handle.
template <typename Work>
Status WithSpectrum(const velscan_spectrum *handle, Work &&work) {
    if (handle == nullptr) return NullPointer("spectrum");
    std::shared_ptr<const Spectrum> spectrum = Spectra().Find(handle);
    if (!spectrum) return BadHandle("spectrum");
    return work(*spectrum);
}

Status NotAvailable(const std::string &what) {
    return Status::Fail(VELSCAN_ERR_NOT_AVAILABLE, "the spectrum has no " + what);
}

// The values of one kind; null with a failure in `status` when there are none.
const std::vector<double> *ValuesOf(const Spectrum &spectrum, int32_t kind, Status &status) {
    const char *name = nullptr;
    const std::vector<double> *values = nullptr;
    switch (kind) {
        case VELSCAN_VALUES_INTENSITY:
            return &spectrum.intensity;
        case VELSCAN_VALUES_REFERENCE:
            name = "reference";
            values = &spectrum.reference;
            break;
        case VELSCAN_VALUES_REFLECTANCE:
            name = "reflectance";
            values = &spectrum.reflectance;
            break;
        case VELSCAN_VALUES_ABSORBANCE:
            name = "absorbance";
            values = &spectrum.absorbance;
            break;
        default:
            status = Status::Fail(VELSCAN_ERR_ARGUMENT,
                                  "values kind " + std::to_string(kind) + " is not one of 0 to 3");
            return nullptr;
    }
    if (!spectrum.HasReference()) {
        status = NotAvailable(std::string(name) + " values: no reference was applied");
        return nullptr;
    }
    return values;
}

}  // namespace

extern "C" int32_t velscan_spectrum_points(const velscan_spectrum *spectrum, size_t *points) {
    return Guarded([&] {
        if (points == nullptr) return NullPointer("points");
        return WithSpectrum(spectrum, [&](const Spectrum &s) {
            *points = s.Points();
            return Status::Ok();
        });
    });
}

extern "C" int32_t velscan_spectrum_wavelengths(const velscan_spectrum *spectrum, double *out, size_t count) {
    return Guarded([&] {
        return WithSpectrum(spectrum,
                            [&](const Spectrum &s) { return ArrayOut(s.wavelength_nm, out, count); });
    });
}

extern "C" int32_t velscan_spectrum_values(const velscan_spectrum *spectrum, int32_t kind, double *out,
                                           size_t count) {
    return Guarded([&] {
        return WithSpectrum(spectrum, [&](const Spectrum &s) {
            Status status;
            const std::vector<double> *values = ValuesOf(s, kind, status);
            return values != nullptr ? ArrayOut(*values, out, count) : status;
        });
    });
}

extern "C" int32_t velscan_spectrum_metadata(const velscan_spectrum *spectrum, const char *key, char *buffer,
                                             size_t size, size_t *needed) {
    return Guarded([&] {
        if (key == nullptr) return NullPointer("key");
        return WithSpectrum(spectrum, [&](const Spectrum &s) {
            const std::string *value = s.metadata.Find(key);
            if (value == nullptr) return NotAvailable("metadata key \"" + std::string(key) + "\"");
            return TextOut(*value, buffer, size, needed);
        });
    });
}

extern "C" int32_t velscan_spectrum_metadata_count(const velscan_spectrum *spectrum, size_t *count) {
    return Guarded([&] {
        if (count == nullptr) return NullPointer("count");
        return WithSpectrum(spectrum, [&](const Spectrum &s) {
            *count = s.metadata.Entries().size();
            return Status::Ok();
        });
    });
}

extern "C" int32_t velscan_spectrum_metadata_key(const velscan_spectrum *spectrum, size_t index, char *buffer,
                                                 size_t size, size_t *needed) {
    return Guarded([&] {
        return WithSpectrum(spectrum, [&](const Spectrum &s) {
            const auto &entries = s.metadata.Entries();
            if (index >= entries.size())
                return Status::Fail(VELSCAN_ERR_ARGUMENT, "metadata index " + std::to_string(index) +
                                                              " is not below the count " +
                                                              std::to_string(entries.size()));
            return TextOut(entries[index].first, buffer, size, needed);
        });
    });
}

extern "C" int32_t velscan_spectrum_apply_reference(const velscan_spectrum *scan,
                                                    const velscan_spectrum *reference,
                                                    const velscan_spectrum *dark, velscan_spectrum **out) {
    return Guarded([&] {
        if (out == nullptr) return NullPointer("out");
        if (reference == nullptr) return NullPointer("reference");
        std::shared_ptr<const Spectrum> white = Spectra().Find(reference);
        if (!white) return BadHandle("reference");
        std::shared_ptr<const Spectrum> black;
        if (dark != nullptr && !(black = Spectra().Find(dark))) return BadHandle("dark");
        return WithSpectrum(scan, [&](const Spectrum &s) {
            Spectrum result = s;
            Status status = velscan::ApplyReference(result, *white, black.get());
            if (!status) return status;
            HandOut(std::move(result), out);
            return Status::Ok();
        });
    });
}

extern "C" int32_t velscan_spectrum_write(const velscan_spectrum *spectrum, const char *path,
                                          const char *format) {
    return Guarded([&] {
        if (path == nullptr) return NullPointer("path");
        velscan::Format chosen = velscan::FormatFromPath(path);
        if (format != nullptr) {
            Status status = velscan::ParseFormat(format, chosen);
            if (!status) return status;
        }
        return WithSpectrum(spectrum, [&](const Spectrum &s) {
            if (chosen == velscan::Format::Raw && s.raw_image.empty())
                return Status::Fail(VELSCAN_ERR_ARGUMENT,
                                    "the spectrum carries no instrument record to write as raw");
            if (chosen == velscan::Format::Wide) return velscan::AppendWide(s, path);
            return velscan::SaveSpectrum(s, chosen, path);
        });
    });
}

extern "C" int32_t velscan_spectrum_read(const char *path, velscan_spectrum **out) {
    return Guarded([&] {
        if (path == nullptr) return NullPointer("path");
        if (out == nullptr) return NullPointer("out");
        // Bounded so that decoding a raw record stays within the engine's reserve.
        std::error_code error;
        const uintmax_t bytes = std::filesystem::file_size(path, error);
        if (!error && bytes > kMaxInputFileBytes)
            return Status::Fail(VELSCAN_ERR_INPUT_FILE, std::string(path) + ": " + std::to_string(bytes) +
                                                            " bytes, more than a spectrum file can hold (" +
                                                            std::to_string(kMaxInputFileBytes) + ")");
        Spectrum spectrum;
        Status status = velscan::ReadSpectrum(path, spectrum);
        if (!status) return status;
        HandOut(std::move(spectrum), out);
        return Status::Ok();
    });
}

extern "C" int32_t velscan_spectrum_free(velscan_spectrum *spectrum) {
    return Guarded([&] {
        if (spectrum == nullptr) return NullPointer("spectrum");
        return Spectra().Remove(spectrum) ? Status::Ok() : BadHandle("spectrum");
    });
}
