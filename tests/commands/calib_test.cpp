// Calibration coefficients go out after a zero byte as a calibration image; a
// reply image with a damaged magic is refused and changes nothing.
#include <cstring>

#include "command_fixture.h"
#include "velspec_helper.h"

namespace {

TEST_F(Commands, CalibrationImageRoundTripsAndADamagedOneIsRefused) {
    const calibCoeffSet sent = {{0.5, -1.25, 3e-6}, {1650.0, -0.92, 1.1e-4}};
    hid.queueAck(0);
    ASSERT_EQ(ZOR_SendCalibStruct(&sent), 0);
    velscan_test::Bytes image = OnlyPayload();
    ASSERT_EQ(image.size(), 144u);
    EXPECT_EQ(image[0], 0);
    image.erase(image.begin());
    hid.queueReply(image);
    calibCoeffSet coeffs = {};
    ASSERT_EQ(ZOR_GetCalibStruct(&coeffs), 0);
    EXPECT_EQ(std::memcmp(&coeffs, &sent, sizeof coeffs), 0);

    image[0] ^= 0xFF;
    hid.queueReply(image);
    coeffs.pixel_to_wavelength_coeffs[0] = 42;
    EXPECT_EQ(ZOR_GetCalibStruct(&coeffs), ZOR_ERR_REJECTED);
    EXPECT_EQ(coeffs.pixel_to_wavelength_coeffs[0], 42);
    EXPECT_EQ(ZOR_SendCalibStruct(nullptr), -1);
}

}  // namespace
