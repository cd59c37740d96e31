// Calibration coefficients travel as a calibration image.
#include <cstring>

#include "command_fixture.h"
#include "velspec_helper.h"

using velscan_test::Bytes;

namespace {

const calibCoeffSet kCoeffs = {{0.5, -1.25, 3e-6}, {1650.0, -0.92, 1.1e-4}};

Bytes encode(const calibCoeffSet &coeffs) {
    alignas(double) uint8_t image[144] = {};
    EXPECT_EQ(velspec_calib_write_data(&coeffs, image, sizeof image), 0);
    return Bytes(image, image + sizeof image);
}

bool sameCoeffs(const calibCoeffSet &a, const calibCoeffSet &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(Commands, CalibrationImageGoesOutAfterAZeroByte) {
    hid.queueAck(0);
    ASSERT_EQ(ZOR_SendCalibStruct(&kCoeffs), 0);
    const Bytes payload = onlyPayload();
    ASSERT_EQ(payload.size(), 144u);
    EXPECT_EQ(payload[0], 0);
    alignas(double) uint8_t image[144] = {};
    std::memcpy(image, payload.data() + 1, 143);
    ASSERT_EQ(velspec_calib_read_data(image, sizeof image), 0);
    calibCoeffSet decoded;
    std::memcpy(&decoded, image, sizeof decoded);
    EXPECT_TRUE(sameCoeffs(decoded, kCoeffs));
    EXPECT_EQ(ZOR_SendCalibStruct(nullptr), -1);
}

TEST_F(Commands, CalibrationImageIsDecodedOrRefusedWithoutChange) {
    hid.queueReply(encode(kCoeffs));
    calibCoeffSet coeffs = {};
    ASSERT_EQ(ZOR_GetCalibStruct(&coeffs), 0);
    EXPECT_TRUE(sameCoeffs(coeffs, kCoeffs));

    Bytes image = encode(kCoeffs);
    image[0] ^= 0xFF;  // spoil the image's magic
    hid.queueReply(image);
    coeffs.pixel_to_wavelength_coeffs[0] = 42;
    const calibCoeffSet before = coeffs;
    EXPECT_EQ(ZOR_GetCalibStruct(&coeffs), ZOR_ERR_REJECTED);
    EXPECT_TRUE(sameCoeffs(coeffs, before));

    hid.queueTimeout();
    EXPECT_EQ(ZOR_GetCalibStruct(&coeffs), ZOR_ERR_TIMEOUT);
    EXPECT_TRUE(sameCoeffs(coeffs, before));
}

}  // namespace
