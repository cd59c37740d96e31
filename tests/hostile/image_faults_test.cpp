// Scan, stored-reference and matrix images with bytes flipped: refused with
// the step's code or read, never reaching the caller on failure.
#include "hostile_fixture.h"

namespace hostile {
namespace {

// Offset of the data section of the first tpl image in `image`: the format
// string and one 4-byte count per '#' after the 8-byte preamble.
size_t DataStart(const std::vector<uint8_t> &image) {
    size_t pos = 8, counts = 0;
    while (pos < image.size() && image[pos] != 0)
        if (image[pos++] == '#') ++counts;
    return pos + 1 + 4 * counts;
}

TEST_F(HostileDeviceTest, DamagedImagesAreRefusedWithTheStepsCodeOrRead) {
    ASSERT_EQ(velGetScanResults(Marked<scanResults>().get()), VEL_OK);
    std::vector<int32_t> clean(VEL_MAX_WAVELENGTHS);
    ASSERT_EQ(velGetRefIntensityFromDevice(clean.data(), VEL_MAX_WAVELENGTHS), VEL_OK);
    struct Case {
        uint32_t file_type;
        uint8_t xor_mask;
        size_t data_step;        // past the header, one byte in this many is damaged
        size_t checked_in_data;  // leading data bytes that are checked too: a scan's header version
    };
    const Case cases[] = {{0, 0xFF, 1, 4}, {2, 0x5A, 13, 0}, {3, 0x5A, 13, 0}};
    for (const Case &c : cases) {
        const std::vector<uint8_t> image = virt::FileImage(c.file_type);
        ASSERT_GT(image.size(), 100u);
        const size_t checked_end = DataStart(image) + c.checked_in_data;
        const int32_t refused = c.file_type == 0 ? VEL_ERR_INTERPRET : VEL_ERR_REFERENCE;
        for (size_t offset = 0; offset < image.size(); offset += offset < checked_end ? 1 : c.data_step) {
            SCOPED_TRACE(testing::Message()
                         << "file " << c.file_type << " byte " << offset << " of " << image.size());
            virt::InjectFault({.fault = virt::Fault::CorruptImage,
                               .file_type = c.file_type,
                               .offset = offset,
                               .xor_mask = c.xor_mask});
            int32_t rc;
            bool kept;  // a failure left the caller's values alone, a success gave sensible ones
            if (c.file_type == 0) {
                auto result = Marked<scanResults>();
                rc = velGetScanResults(result.get());
                kept = rc == VEL_OK ? result->length > 0 && result->length <= SCAN_MAX_ADC
                                    : Untouched(result.get());
            } else {
                std::vector<int32_t> out(VEL_MAX_WAVELENGTHS, -7);
                rc = velGetRefIntensityFromDevice(out.data(), VEL_MAX_WAVELENGTHS);
                kept = rc == VEL_OK || out == std::vector<int32_t>(VEL_MAX_WAVELENGTHS, -7);
            }
            ASSERT_EQ(virt::PendingFaults(), 0u);
            // Format string and fixed lengths are checked.
            ASSERT_TRUE(rc == refused || offset < 8 || offset >= checked_end) << rc;
            ASSERT_TRUE(rc == VEL_OK || rc == refused) << rc;
            ASSERT_TRUE(kept);
            // The next call works; checked on a sample of offsets to keep the
            // sanitizer build quick.
            ASSERT_TRUE(offset % 97 != 0 || velGetScanResults(Marked<scanResults>().get()) == VEL_OK);
        }
        std::vector<int32_t> again(VEL_MAX_WAVELENGTHS);
        ASSERT_EQ(velGetRefIntensityFromDevice(again.data(), VEL_MAX_WAVELENGTHS), VEL_OK);
        EXPECT_EQ(again, clean);
    }
}

}  // namespace
}  // namespace hostile
