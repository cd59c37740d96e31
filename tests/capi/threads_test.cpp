// Two virtual instruments used from several threads at once through the C
// interface: each thread's scans come from its own instrument, with that
// instrument's sample, and calls on a shared handle take turns safely.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
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

// The mean intensity of each of three scans; NaN for a failed one or one
// that came from another instrument.
std::vector<double> ScanMeans(velscan_device *device, const std::string &serial) {
    std::vector<double> means;
    for (int i = 0; i < 3; ++i) {
        velscan_spectrum *scan = nullptr;
        size_t points = 0;
        std::vector<double> values(512);
        char owner[16] = {};
        const bool ok =
            velscan_scan(device, 0, 1, &scan) == VELSCAN_OK &&
            velscan_spectrum_points(scan, &points) == VELSCAN_OK &&
            velscan_spectrum_values(scan, VELSCAN_VALUES_INTENSITY, values.data(), values.size()) ==
                VELSCAN_OK &&
            velscan_spectrum_metadata(scan, "serial", owner, sizeof owner, nullptr) == VELSCAN_OK &&
            owner == serial && points > 0;
        means.push_back(ok ? std::accumulate(values.begin(), values.begin() + points, 0.0) / points : NAN);
        velscan_spectrum_free(scan);
    }
    return means;
}

}  // namespace

TEST(CInterfaceThreads, TwoVirtualInstrumentsFromSeveralThreads) {
    velscan_device *white = nullptr, *covered = nullptr;
    ASSERT_EQ(velscan_open_virtual("white", &white), VELSCAN_OK) << velscan_last_error_message();
    ASSERT_EQ(velscan_open_virtual("covered", &covered), VELSCAN_OK) << velscan_last_error_message();
    const std::string white_serial = Serial(white), covered_serial = Serial(covered);
    EXPECT_NE(white_serial, covered_serial);

    std::vector<double> white_a, white_b, dark;
    std::thread first([&] { white_a = ScanMeans(white, white_serial); });
    std::thread second([&] { white_b = ScanMeans(white, white_serial); });  // the same handle
    std::thread third([&] { dark = ScanMeans(covered, covered_serial); });
    first.join();
    second.join();
    third.join();
    for (int i = 0; i < 3; ++i) {
        // The covered window sees no light; the white standard plenty.
        EXPECT_GT(white_a[i], dark[i] + 10000) << "scan " << i;
        EXPECT_GT(white_b[i], dark[i] + 10000) << "scan " << i;
    }
    EXPECT_EQ(velscan_close(white), VELSCAN_OK);
    EXPECT_EQ(velscan_close(covered), VELSCAN_OK);
}
