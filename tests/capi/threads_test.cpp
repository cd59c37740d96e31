// Two virtual instruments used from several threads at once through the C
// interface: each thread's scans come from its own instrument, with that
// instrument's sample, and calls on a shared handle take turns safely.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "velscan.h"

namespace {

std::string Serial(velscan_device *device) {
    char serial[16] = {};
    EXPECT_EQ(velscan_device_serial(device, serial, sizeof serial, nullptr), VELSCAN_OK);
    return serial;
}

// Scans `count` times; returns the mean intensity of each scan, NaN for a
// failed one or one that came from another instrument.
std::vector<double> ScanMeans(velscan_device *device, int count, const std::string &serial) {
    std::vector<double> means;
    for (int i = 0; i < count; ++i) {
        velscan_spectrum *scan = nullptr;
        if (velscan_scan(device, 0, 1, &scan) != VELSCAN_OK) {
            means.push_back(NAN);
            continue;
        }
        size_t points = 0;
        velscan_spectrum_points(scan, &points);
        std::vector<double> values(points);
        velscan_spectrum_values(scan, VELSCAN_VALUES_INTENSITY, values.data(), values.size());
        char owner[16] = {};
        velscan_spectrum_metadata(scan, "serial", owner, sizeof owner, nullptr);
        double sum = 0;
        for (double v : values) sum += v;
        means.push_back(owner == serial && points > 0 ? sum / static_cast<double>(points) : NAN);
        velscan_spectrum_free(scan);
    }
    return means;
}

}  // namespace

TEST(CInterfaceThreads, TwoVirtualInstrumentsFromSeveralThreads) {
    velscan_device *white = nullptr;
    velscan_device *covered = nullptr;
    ASSERT_EQ(velscan_open_virtual("white", &white), VELSCAN_OK) << velscan_last_error_message();
    ASSERT_EQ(velscan_open_virtual("covered", &covered), VELSCAN_OK) << velscan_last_error_message();
    const std::string white_serial = Serial(white);
    const std::string covered_serial = Serial(covered);
    EXPECT_NE(white_serial, covered_serial);

    constexpr int kScans = 3;
    std::vector<double> white_a, white_b, dark;
    std::thread first([&] { white_a = ScanMeans(white, kScans, white_serial); });
    std::thread second([&] { white_b = ScanMeans(white, kScans, white_serial); });  // the same handle
    std::thread third([&] { dark = ScanMeans(covered, kScans, covered_serial); });
    first.join();
    second.join();
    third.join();

    for (int i = 0; i < kScans; ++i) {
        // The covered window sees no light; the white standard plenty.
        EXPECT_GT(white_a[i], dark[i] + 10000) << "scan " << i;
        EXPECT_GT(white_b[i], dark[i] + 10000) << "scan " << i;
    }
    EXPECT_EQ(velscan_close(white), VELSCAN_OK);
    EXPECT_EQ(velscan_close(covered), VELSCAN_OK);
}
