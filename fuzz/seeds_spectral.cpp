// Seeds of the spectral target: scan images of every type, configuration
// and calibration images, and the virtual spectrometer's stored reference
// and matrix.
#include <string>

#include "seeds.h"
#include "spectral_records.h"
#include "velspec_helper.h"
#include "velspec_records.h"
#include "velspec_scan.h"
#include "virtual_control.h"

namespace fuzz {

void spectral_seeds() {
    std::vector<Bytes> scans = scan_images();
    for (size_t n = 0; n < scans.size(); ++n)
        write_seed("spectral", "interpret" + std::to_string(n), concat({0}, scans[n]));

    virt::Reset();
    Bytes ref = virt::FileImage(2);
    Bytes matrix = virt::FileImage(3);
    write_seed("spectral", "interpret_reference", concat({0}, ref));
    for (uint8_t which = 0; which < scans.size(); ++which) {
        Bytes seed = {3, which, static_cast<uint8_t>(ref.size() & 0xFF),
                      static_cast<uint8_t>(ref.size() >> 8)};
        write_seed("spectral", "reference" + std::to_string(which), concat(concat(seed, ref), matrix));
    }

    scanCfg single = {};
    single.scan_type = 0;
    single.wavelength_start_nm = 900;
    single.wavelength_end_nm = 1700;
    single.width_px = 6;
    single.num_patterns = 228;
    single.num_repeats = 6;
    Bytes image(VELSPEC_IMG_SIZE_SCAN_CFG);
    if (velspec_scan_write_configuration(&single, image.data(), image.size()) == 0)
        write_seed("spectral", "config_single", concat({1}, image));

    slewScanCfg slew = {};
    slew.scan_type = 2;
    slew.num_repeats = 1;
    slew.num_sections = 2;
    slew.sections[0] = {0, 6, 950, 1300, 100, 0};
    slew.sections[1] = {1, 8, 1300, 1650, 80, 3};
    image.assign(VELSPEC_IMG_SIZE_SLEW_CFG, 0);
    if (velspec_scan_write_configuration(&slew, image.data(), image.size()) == 0)
        write_seed("spectral", "config_slew", concat({1}, image));

    calibCoeffSet coeffs = {{0.5, 0.001, 0.0}, {1720.0, -0.97, 0.00002}};
    image.assign(VELSPEC_IMG_SIZE_CALIB_COEFFS, 0);
    if (velspec_calib_write_data(&coeffs, image.data(), image.size()) == 0)
        write_seed("spectral", "calib", concat({2}, image));
}

}  // namespace fuzz
