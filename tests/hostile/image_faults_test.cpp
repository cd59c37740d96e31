// Damaged files from the instrument: a scan image with each of its bytes
// flipped in turn, and damaged stored-reference and matrix images. A
// damaged image is refused with the step's code or, where the damage lands
// in a measured value, read as that value; it never crashes, never reaches
// the caller on failure, and never spoils the next call.
#include <cstring>

#include "hostile_fixture.h"

namespace hostile {
namespace {

// Offset of the data section of the first tpl image in `image`: the format
// string and one 4-byte count per '#' after the 8-byte preamble.
size_t data_start(const std::vector<uint8_t> &image) {
    size_t pos = 8, counts = 0;
    while (pos < image.size() && image[pos] != 0)
        if (image[pos++] == '#') ++counts;
    return pos + 1 + 4 * counts;
}

TEST_F(HostileDeviceTest, ScanImageWithEveryByteFlippedOnce) {
    CleanScan();
    const std::vector<uint8_t> image = virt::FileImage(0);
    ASSERT_GT(image.size(), 100u);
    const size_t header_end = data_start(image);

    for (size_t offset = 0; offset < image.size(); ++offset) {
        SCOPED_TRACE(testing::Message() << "byte " << offset << " of " << image.size());
        ResetDevice();
        virt::InjectFault(
            {.fault = virt::Fault::CorruptImage, .file_type = 0, .offset = offset, .xor_mask = 0xFF});

        auto result = Marked<scanResults>();
        int32_t rc = velGetScanResults(result.get());
        ASSERT_EQ(virt::PendingFaults(), 0u);
        // Format string, fixed lengths and header version are checked.
        ASSERT_TRUE(rc == VEL_ERR_INTERPRET || offset < 8 || offset >= header_end + 4) << rc;
        ASSERT_TRUE(rc == VEL_OK || rc == VEL_ERR_INTERPRET) << rc;
        if (rc == VEL_OK) {
            ASSERT_GT(result->length, 0);
            ASSERT_LE(result->length, SCAN_MAX_ADC);
        } else {
            ASSERT_TRUE(Untouched(result.get()));
        }
        // The next call works; checked on a sample of offsets to keep the
        // sanitizer build quick.
        ASSERT_TRUE(offset % 97 != 0 || velGetScanResults(result.get()) == VEL_OK);
    }
}

TEST_F(HostileDeviceTest, DamagedReferenceAndMatrixImages) {
    CleanScan();
    std::vector<int32_t> clean(VEL_MAX_WAVELENGTHS);
    ASSERT_EQ(velGetRefIntensityFromDevice(clean.data(), VEL_MAX_WAVELENGTHS), VEL_OK);

    for (uint32_t file_type : {2u, 3u}) {
        const std::vector<uint8_t> image = virt::FileImage(file_type);
        ASSERT_GT(image.size(), 100u);
        const size_t header_end = data_start(image);
        for (size_t offset = 0; offset < image.size(); offset += (offset < header_end ? 1 : 13)) {
            SCOPED_TRACE(testing::Message() << "file " << file_type << " byte " << offset);
            virt::InjectFault({.fault = virt::Fault::CorruptImage,
                               .file_type = file_type,
                               .offset = offset,
                               .xor_mask = 0x5A});

            std::vector<int32_t> out(VEL_MAX_WAVELENGTHS, -7);
            int32_t rc = velGetRefIntensityFromDevice(out.data(), VEL_MAX_WAVELENGTHS);
            ASSERT_EQ(virt::PendingFaults(), 0u);
            ASSERT_TRUE(rc == VEL_ERR_REFERENCE || offset < 8 || offset >= header_end) << rc;
            ASSERT_TRUE(rc == VEL_OK || rc == VEL_ERR_REFERENCE) << rc;
            if (rc != VEL_OK) {
                for (int32_t v : out) ASSERT_EQ(v, -7);
            }
        }
        std::vector<int32_t> again(VEL_MAX_WAVELENGTHS);
        ASSERT_EQ(velGetRefIntensityFromDevice(again.data(), VEL_MAX_WAVELENGTHS), VEL_OK);
        EXPECT_EQ(again, clean);
    }
}

}  // namespace
}  // namespace hostile
