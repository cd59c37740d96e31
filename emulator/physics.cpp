#include "physics.h"

#include <algorithm>
#include <cmath>

namespace virt {

namespace {

constexpr double kLampKelvin = 2800.0;
// Scales the lamp so a 6-column band of the white standard peaks near
// 250 000 counts at gain 16: bright enough for a good signal-to-noise ratio,
// and a Hadamard pattern (about half the bands lit) stays below the 24-bit
// full scale at the default gain.
constexpr double kLampCountsPerNm = 3300.0;
constexpr double kWhiteReflectance = 0.99;
// Width (sigma, nm) of an emission line as the instrument sees it: the line
// itself convolved with the slit image.
constexpr double kLineSigmaNm = 2.2;
// Detector noise: read noise (counts) and shot-noise factor (counts^2 per
// count of amplified light).
constexpr double kReadNoise = 120.0;
constexpr double kShotFactor = 0.05;
// Row and sub-column sampling of the slit image.
constexpr int kRowStep = 8;
constexpr int kSubColumns = 4;

double Gauss(double x, double mu, double sigma) {
    double d = (x - mu) / sigma;
    return std::exp(-0.5 * d * d);
}

// Planck's law, relative to its value at the lamp's peak (Wien: ~1035 nm).
double Blackbody(double nm) {
    constexpr double c2 = 1.438776877e7;  // second radiation constant, nm K
    auto planck = [](double l) {
        return 1.0 / (std::pow(l, 5.0) * (std::exp(c2 / (l * kLampKelvin)) - 1.0));
    };
    static const double peak = planck(2.897771955e6 / kLampKelvin);
    return planck(nm) / peak;
}

// InGaAs response behind the instrument's long-pass filter: quantum
// efficiency rising with wavelength, cut on near 900 nm by the filter and
// off near 1700 nm by the band gap.
double DetectorResponse(double nm) {
    double qe = 0.55 + 0.4 * (nm - 900.0) / 800.0;
    double cut_on = 1.0 / (1.0 + std::exp((885.0 - nm) / 10.0));
    double cut_off = 1.0 / (1.0 + std::exp((nm - 1695.0) / 9.0));
    return qe * cut_on * cut_off;
}

// Diffuse reflectance of a moist organic sample: water (1450 nm and a weak
// band near 970 nm), C-H second overtone (1195 nm), C-H combination (1390
// nm) and C-H first overtone (1725 nm, its flank inside the range).
double OrganicReflectance(double nm) {
    double absorbance = 0.55 * Gauss(nm, 1450.0, 45.0) + 0.08 * Gauss(nm, 970.0, 25.0) +
                        0.22 * Gauss(nm, 1195.0, 22.0) + 0.12 * Gauss(nm, 1390.0, 18.0) +
                        0.60 * Gauss(nm, 1725.0, 35.0);
    return 0.82 * std::exp(-absorbance);
}

}  // namespace

Optics FactoryOptics() {
    // 854.92 nm at column 0, about 1.05 nm per column falling to 0.96 at the
    // far end; 900 nm lies just past column 43 (so the first band of a
    // 900 nm scan starts on a whole column) and 1700 nm at column 838.3. The
    // slit image bows by up to 3 columns at the top and bottom rows.
    Optics optics;
    optics.pixel_to_nm = {854.92, 1.05, -5.0e-5};
    optics.shift = {3.0, -0.025, 3.0 / (240.0 * 240.0)};
    return optics;
}

const std::vector<EmissionLine> &EmissionLines() {
    // Near-infrared lines of an argon discharge lamp.
    static const std::vector<EmissionLine> lines = {
        {912.30, 9000.0},  {965.78, 14000.0}, {1047.01, 6000.0}, {1148.81, 5000.0}, {1211.23, 7000.0},
        {1295.67, 8000.0}, {1331.32, 6000.0}, {1371.86, 5000.0}, {1504.65, 4000.0}, {1694.06, 3000.0},
    };
    return lines;
}

void NoiseSource::Seed(uint64_t seed) {
    state_ = seed;
    has_spare_ = false;
}

uint64_t NoiseSource::Next() {  // splitmix64: small, fast, identical everywhere
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double NoiseSource::Uniform() { return (static_cast<double>(Next() >> 11) + 0.5) * 0x1.0p-53; }

double NoiseSource::Gaussian() {  // Box-Muller, both deviates used
    if (has_spare_) {
        has_spare_ = false;
        return spare_;
    }
    double r = std::sqrt(-2.0 * std::log(Uniform()));
    double a = 2.0 * M_PI * Uniform();
    spare_ = r * std::sin(a);
    has_spare_ = true;
    return r * std::cos(a);
}

double Physics::Wavelength(double column) const {
    const Coeffs3 &c = optics_.pixel_to_nm;
    return c[0] + c[1] * column + c[2] * column * column;
}

double Physics::SpectralFlux(Sample sample, bool lamp_on, double nm) const {
    switch (sample) {
        case Sample::WhiteReference:
        case Sample::Organic: {
            if (!lamp_on) return 0.0;
            double reflectance =
                sample == Sample::WhiteReference ? kWhiteReflectance : OrganicReflectance(nm);
            return kLampCountsPerNm * Blackbody(nm) * DetectorResponse(nm) * reflectance;
        }
        case Sample::EmissionLines: {
            // The source shines into the window; the lamp's light is blocked.
            double flux = 0.0;
            for (const EmissionLine &line : EmissionLines())
                flux +=
                    line.counts * Gauss(nm, line.nm, kLineSigmaNm) / (kLineSigmaNm * std::sqrt(2.0 * M_PI));
            return flux * DetectorResponse(nm);
        }
        case Sample::Dark:
            return 0.0;
    }
    return 0.0;
}

const std::vector<double> &Physics::ColumnLight(Sample sample, bool lamp_on, const Coeffs3 &bend) {
    if (!cached_.empty() && cached_sample_ == sample && cached_lamp_ == lamp_on && cached_bend_ == bend)
        return cached_;
    cached_.assign(kDmdColumns, 0.0);
    int row_samples = 0;
    for (int r = kRowStep / 2; r < kDmdRows; r += kRowStep, ++row_samples) {
        const Coeffs3 &s = optics_.shift;
        double true_shift = s[0] + s[1] * r + s[2] * r * r;
        // The pattern line is moved by the stored shift, rounded to whole mirrors.
        double pattern_shift = std::round(bend[0] + bend[1] * r + bend[2] * r * r);
        for (int c = 0; c < kDmdColumns; ++c) {
            double physical = c + pattern_shift;  // mirror lit on this row
            double sum = 0.0;
            for (int k = 0; k < kSubColumns; ++k) {
                double x = physical - 0.5 + (k + 0.5) / kSubColumns - true_shift;
                double nm_per_column = optics_.pixel_to_nm[1] + 2.0 * optics_.pixel_to_nm[2] * x;
                sum += SpectralFlux(sample, lamp_on, Wavelength(x)) * nm_per_column;
            }
            // A mirror outside the array reflects nothing.
            if (physical >= 0 && physical < kDmdColumns) cached_[c] += sum / kSubColumns;
        }
    }
    for (double &v : cached_) v /= row_samples;
    cached_sample_ = sample;
    cached_lamp_ = lamp_on;
    cached_bend_ = bend;
    return cached_;
}

double Physics::DarkOffset(int gain) { return 2000.0 + 150.0 * gain; }

int32_t Physics::Reading(double light, int gain, double exposure_scale, int repeats, NoiseSource *noise) {
    double signal = gain * light * exposure_scale;
    double value = DarkOffset(gain) + signal;
    if (noise != nullptr) {
        double sigma = std::sqrt(kReadNoise * kReadNoise + kShotFactor * signal);
        value += sigma * noise->Gaussian() / std::sqrt(static_cast<double>(std::max(repeats, 1)));
    }
    value = std::clamp(std::round(value), 0.0, static_cast<double>(kAdcFullScale));
    return static_cast<int32_t>(value);
}

}  // namespace virt
