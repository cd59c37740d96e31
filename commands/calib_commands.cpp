// Wavelength calibration coefficients, carried as a calibration image.
#include <algorithm>
#include <array>

#include "API.h"
#include "catalogue.h"
#include "exchange.h"
#include "velspec_helper.h"

using namespace zor;

namespace {
constexpr size_t kCalibPayload = 144;
}  // namespace

extern "C" int32_t ZOR_SendCalibStruct(const calibCoeffSet *coeffs) {
    alignas(double) std::array<uint8_t, kCalibPayload> image{};
    // An image that could not be encoded is not sent.
    if (coeffs == nullptr || velspec_calib_write_data(coeffs, image.data(), image.size()) != 0) return -1;
    Payload payload{};
    payload[0] = 0;
    std::copy_n(image.begin(), kCalibPayload - 1, payload.begin() + 1);
    return ExchangeWrite(Identifier("ZOR_SendCalibStruct"), payload);
}

extern "C" int32_t ZOR_GetCalibStruct(calibCoeffSet *coeffs) {
    const int32_t result = ExchangeRead(Decoding("ZOR_GetCalibStruct"));
    if (result < 1) return result;
    // Decoded in place in a private copy, so the caller's record is written
    // only with coefficients that decoded. The image states its own size;
    // only the bytes the reply holds are taken, so a cut image is refused.
    alignas(double) std::array<uint8_t, kCalibPayload> image{};
    const size_t held = std::min<size_t>(ReplyLength(), image.size());
    CopyReply(0, image.data(), held);
    if (velspec_calib_read_data(image.data(), held) != 0) return ZOR_ERR_REJECTED;
    std::copy_n(image.begin(), sizeof(calibCoeffSet), reinterpret_cast<uint8_t *>(coeffs));
    return 0;
}
