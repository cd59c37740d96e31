#include "scan_record.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>
#include <vector>

#include "error_table.h"
#include "guard.h"
#include "instrument_internal.h"
#include "number_text.h"
#include "velspec_scan.h"

namespace velscan {

namespace {

std::string CoefficientsText(const double (&values)[CALIB_COEFFS_LEN]) {
    std::string text;
    for (size_t i = 0; i < CALIB_COEFFS_LEN; ++i) {
        if (i > 0) {
            text += ' ';
        }
        AppendNumber(text, values[i]);
    }
    return text;
}

}  // namespace

// Fixed-size text fields are not always zero-terminated.
std::string FieldString(const char *field, size_t size) {
    size_t length = 0;
    while (length < size && field[length] != '\0') {
        ++length;
    }
    std::string text(field, length);
    for (char &c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return text;
}

std::string RecordKindName(const slewScanCfg &cfg) {
    switch (velspec_scan_slew_get_cfg_type(&cfg)) {
        case SCAN_TYPE_COLUMN:
            return "column";
        case SCAN_TYPE_HADAMARD:
            return "hadamard";
        default:
            return "multi";
    }
}

void FillPoints(const scanResults &record, Spectrum &out) {
    const size_t n = static_cast<size_t>(std::clamp(record.length, 0, SCAN_MAX_ADC));
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return record.wavelength[a] < record.wavelength[b]; });
    out.wavelength_nm.resize(n);
    out.intensity.resize(n);
    for (size_t i = 0; i < n; ++i) {
        out.wavelength_nm[i] = record.wavelength[order[i]];
        out.intensity[i] = record.intensity[order[i]];
    }
    out.reference.clear();
    out.reflectance.clear();
    out.absorbance.clear();
}

void AddRecordMetadata(const scanResults &record, Metadata &out) {
    out.Set("serial", FieldString(record.serial_number, sizeof record.serial_number));
    out.Set("config_slot", std::to_string(record.cfg.config_index));
    out.Set("config_name", FieldString(record.cfg.config_name, sizeof record.cfg.config_name));
    out.Set("config_type", RecordKindName(record.cfg));
    out.Set("scan_name", FieldString(record.scan_name, sizeof record.scan_name));
    // The instrument's own clock: year in two digits, month, day, weekday,
    // hour, minute, second; its time zone is whatever it was set to.
    const uint8_t *t = record.scan_time;
    char clock[40];
    std::snprintf(clock, sizeof clock, "20%02u-%02u-%02uT%02u:%02u:%02u", t[0] % 100u, t[1] % 100u,
                  t[2] % 100u, t[4] % 100u, t[5] % 100u, t[6] % 100u);
    out.Set("instrument_time", clock);
    out.Set("average", std::to_string(record.cfg.num_repeats));
    out.Set("gain", std::to_string(record.pga_gain));
    out.Set("temperature_c", NumberText(record.system_temp_hundredths / 100.0));
    out.Set("humidity_percent", NumberText(record.humidity_hundredths / 100.0));
    out.Set("pixel_to_wavelength_coeffs",
            CoefficientsText(record.calibration_coeffs.pixel_to_wavelength_coeffs));
    out.Set("shift_vector_coeffs", CoefficientsText(record.calibration_coeffs.shift_vector_coeffs));
}

Status InterpretImage(const uint8_t *image, size_t size, scanResults &record) {
    if (image == nullptr || size == 0) {
        return Status::Fail(kErrInputFile, "the scan record image is empty");
    }
    int32_t status = VELSPEC_OK;
    {
        std::lock_guard<std::mutex> hold(Shared().mutex);
        status = velspec_scan_interpret(image, size, &record);
    }
    if (status != VELSPEC_OK) {
        return Status::Fail(kErrInputFile, "the scan record image could not be interpreted (code " +
                                               std::to_string(status) + ": " +
                                               ErrorText(status, ErrorDomain::Spectral) + ")");
    }
    if (record.length <= 0 || record.length > SCAN_MAX_ADC) {
        return Status::Fail(kErrInputFile, "the scan record holds no points");
    }
    return Status::Ok();
}

Status SpectrumFromImage(const uint8_t *image, size_t size, Spectrum &out) {
    return Guarded([&] {
        auto record = std::make_unique<scanResults>();
        Status status = InterpretImage(image, size, *record);
        if (!status) {
            return status;
        }
        Spectrum spectrum;
        FillPoints(*record, spectrum);
        spectrum.metadata.Set("program", "velscan " VELSCAN_VERSION);
        AddRecordMetadata(*record, spectrum.metadata);
        spectrum.raw_image.assign(image, image + size);
        out = std::move(spectrum);
        return Status::Ok();
    });
}

}  // namespace velscan
