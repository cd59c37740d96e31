// The optical and electronic model of the instrument: a tungsten-halogen
// lamp, a sample, a slit image on the micromirror array that bends across
// rows, an InGaAs-like detector, the programmable-gain amplifier and noise.
//
// Light is counted in ADC counts per unit of amplifier gain at the shortest
// exposure (exposure code 0), so a reading is offset + gain * light + noise.
#ifndef VELSCAN_EMULATOR_PHYSICS_H
#define VELSCAN_EMULATOR_PHYSICS_H

#include <array>
#include <cstdint>
#include <vector>

#include "virtual_control.h"

namespace virt {

inline constexpr int kDmdColumns = 854;
inline constexpr int kDmdRows = 480;
inline constexpr int32_t kAdcFullScale = (1 << 24) - 1;

using Coeffs3 = std::array<double, 3>;

// The true optics of this unit: where each wavelength lands on the array.
struct Optics {
    Coeffs3 pixel_to_nm;  // wavelength(x) = c0 + c1 x + c2 x^2 at the slit-image centre line
    Coeffs3 shift;        // sideways shift of the slit image on row r: s0 + s1 r + s2 r^2 columns
};

// The factory calibration of the virtual unit: the true optics, which is also
// what it reports until the host sends other coefficients.
Optics FactoryOptics();

class NoiseSource {
public:
    explicit NoiseSource(uint64_t seed = kDefaultNoiseSeed) { Seed(seed); }
    void Seed(uint64_t seed);
    double Gaussian();  // standard normal deviate

private:
    uint64_t Next();
    double Uniform();  // in (0, 1)
    uint64_t state_ = 0;
    bool has_spare_ = false;
    double spare_ = 0.0;
};

class Physics {
public:
    explicit Physics(const Optics &optics) : optics_(optics) {}

    double Wavelength(double column) const;
    // Light reaching the detector per nm at a wavelength, for the sample in
    // the window and the lamp state (counts per unit gain, exposure code 0).
    double SpectralFlux(Sample sample, bool lamp_on, double nm) const;
    // Light collected through each DMD column (0..853) when it is lit by a
    // pattern that was bent with the coefficients `bend` (the instrument's
    // stored shift vector): the slit image is integrated over the rows and
    // across the column's width.
    const std::vector<double> &ColumnLight(Sample sample, bool lamp_on, const Coeffs3 &bend);

    // Dark level of the converter at a gain, in counts.
    static double DarkOffset(int gain);
    // One reading: dark offset plus amplified light plus noise, averaged over
    // `repeats` scans, clipped to the 24-bit converter range.
    static int32_t Reading(double light, int gain, double exposure_scale, int repeats, NoiseSource *noise);

private:
    Optics optics_;
    // The last column-light table and what it was computed for.
    std::vector<double> cached_;
    Sample cached_sample_ = Sample::Dark;
    bool cached_lamp_ = false;
    Coeffs3 cached_bend_{};
};

// Wavelengths and relative strengths of the emission-line source.
struct EmissionLine {
    double nm;
    double counts;  // total line flux, counts per unit gain
};
const std::vector<EmissionLine> &EmissionLines();

}  // namespace virt

#endif
