// Image validation: every code from a deliberately broken image, and
// malformed images that must be refused without reading past their end.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

Bytes iv_image() {
    ImageBuilder b;
    b.header(0, "i#v").u32(2).u32(1).u32(2).u16(3);
    return b.finish();
}

class TplValidation : public ::testing::Test {
protected:
    int32_t ints[2] = {-5, -5};
    uint16_t v = 99;
    TplHandle t{tpl_map("i#v", ints, 2, &v)};
};

TEST_F(TplValidation, EveryCodeFromABrokenImage) {
    const Bytes good = iv_image();
    EXPECT_EQ(validate(t.tn, good), TPL_VALID);

    EXPECT_EQ(validate(t.tn, Bytes(good.begin(), good.begin() + 8)), TPL_ERR_TOO_SHORT);

    Bytes bad = good;
    bad[1] = 'X';
    EXPECT_EQ(validate(t.tn, bad), TPL_ERR_MAGIC);

    bad = good;
    bad[3] = 4;
    EXPECT_EQ(validate(t.tn, bad), TPL_ERR_FLAGS);

    bad = good;
    bad.push_back(0);  // trailing byte, stored length unchanged
    EXPECT_EQ(validate(t.tn, bad), TPL_ERR_TOTAL_LENGTH);
    bad[4] = static_cast<uint8_t>(bad.size());  // stored length adjusted
    EXPECT_EQ(validate(t.tn, bad), TPL_ERR_SIZE_MISMATCH);
    EXPECT_EQ(validate(t.tn, bad, true), TPL_VALID);

    bad = good;
    bad[9] = 'x';
    EXPECT_EQ(validate(t.tn, bad), TPL_ERR_FORMAT_CHAR);

    bad = good;
    bad[9] = 'u';
    EXPECT_EQ(validate(t.tn, bad), TPL_ERR_FORMAT_MISMATCH);

    bad = good;
    bad[12] = 9;  // fixed length 2 -> 9
    EXPECT_EQ(validate(t.tn, bad), TPL_ERR_FXLEN_MISMATCH);

    bad = good;
    bad.pop_back();
    bad[4] = static_cast<uint8_t>(bad.size());
    EXPECT_EQ(validate(t.tn, bad), TPL_ERR_DATA_OVERRUN);
}

TEST_F(TplValidation, TruncatedHeadersAreRefusedWithinTheImage) {
    // Exact-size heap copies: any read past the end is caught by ASan.
    auto check = [&](const Bytes &img, int expected, bool trailing) {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[img.size()]);
        std::memcpy(exact.get(), img.data(), img.size());
        tpl_root_record *root = tpl_root_of(t.tn);
        root->source = tpl_mapped_file{-1, reinterpret_cast<const char *>(exact.get()), img.size()};
        root->flags = 0;
        EXPECT_EQ(tpl_sanity(t.tn, trailing), expected);
        root->source = tpl_mapped_file{-1, nullptr, 0};
        root->flags = 0;
    };
    // Format string without its zero.
    check(ImageBuilder().raw("tpl").u8(0).u32(12).raw("i#v#").bytes(), TPL_ERR_FORMAT_UNTERMINATED,
          true);
    // Fixed-length section cut short.
    check(ImageBuilder().raw("tpl").u8(0).u32(15).raw("i#v").zero().u16(2).bytes(),
          TPL_ERR_FXLEN_OVERRUN, true);
    // Data cut inside the v.
    check(ImageBuilder().raw("tpl").u8(0).u32(0).raw("i#v").zero().u32(2).u32(1).u32(2).u8(3).bytes(),
          TPL_ERR_DATA_OVERRUN, true);
}

TEST_F(TplValidation, LoadReportsAndLeavesVariablesUntouched) {
    CapturedReports reports;
    Bytes bad = iv_image();
    bad[9] = 'u';
    EXPECT_EQ(load_bytes(t.tn, bad), -1);
    EXPECT_EQ(reports.str(), "format signature mismatch\n");
    reports.clear();
    bad = iv_image();
    bad[12] = 9;
    EXPECT_EQ(load_bytes(t.tn, bad), -1);
    EXPECT_EQ(reports.str(), "not a valid tpl file\n");
    reports.clear();
    EXPECT_EQ(tpl_unpack(t.tn, 0), -1);
    EXPECT_EQ(ints[0], -5);
    EXPECT_EQ(ints[1], -5);
    EXPECT_EQ(v, 99);
}

TEST_F(TplValidation, TrailingBytesAllowedIgnoreTheStoredLength) {
    Bytes longer = iv_image();
    longer.resize(longer.size() + 5, 0xee);
    longer[4] = 0xff;
    ASSERT_EQ(load_bytes(t.tn, longer, TPL_IO_TRAILING_OK), 0);
    ASSERT_EQ(tpl_unpack(t.tn, 0), 1);
    EXPECT_EQ(ints[1], 2);
    EXPECT_EQ(v, 3);
}

// Lengths chosen so that position + length wraps 32-bit arithmetic.
TEST(TplMalformed, HugeLengthsAreRejectedNotWrapped) {
    char *s = nullptr;
    TplHandle str(tpl_map("s", &s));
    for (uint32_t len : {0xffffffffu, 0xfffffff0u, 0x80000000u}) {
        SCOPED_TRACE(len);
        ImageBuilder nullable;
        nullable.header(TPL_IMG_NULLABLE_STRINGS, "s").u32(len).raw("abc");
        EXPECT_EQ(validate(str.tn, nullable.finish(), true), TPL_ERR_DATA_OVERRUN);
        ImageBuilder legacy;
        legacy.header(0, "s").u32(len).raw("abc");
        EXPECT_EQ(validate(str.tn, legacy.finish(), true), TPL_ERR_DATA_OVERRUN);
    }
    EXPECT_EQ(s, nullptr);

    tpl_binary bin{nullptr, 0};
    TplHandle b(tpl_map("B", &bin));
    ImageBuilder bimg;
    bimg.header(0, "B").u32(0xfffffffdu).raw("xyz");
    EXPECT_EQ(validate(b.tn, bimg.finish(), true), TPL_ERR_DATA_OVERRUN);

    // An element count far beyond what the bytes can hold ends at the
    // image end instead of spinning.
    int32_t i = 0;
    TplHandle a(tpl_map("A(i)", &i));
    ImageBuilder aimg;
    aimg.header(0, "A(i)").u32(0xffffffffu).u32(1).u32(2);
    EXPECT_EQ(validate(a.tn, aimg.finish(), true), TPL_ERR_DATA_OVERRUN);

    // A nested count past the end of its element.
    uint8_t c = 0;
    TplHandle n(tpl_map("A(iA(c))", &i, &c));
    ImageBuilder nimg;
    nimg.header(0, "A(iA(c))").u32(1).u32(5).u32(0x7fffffffu).raw("ab");
    EXPECT_EQ(validate(n.tn, nimg.finish(), true), TPL_ERR_DATA_OVERRUN);
}

TEST(TplMalformed, FileLoadMessagesNameThePath) {
    char dir_template[] = "/tmp/tpl_validation_XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    const std::string path = std::string(dir_template) + "/img.tpl";
    int32_t ints[2] = {1, 2};
    uint16_t v = 3;
    TplHandle w(tpl_map("i#v", ints, 2, &v));
    tpl_pack(w.tn, 0);
    ASSERT_EQ(tpl_dump(w.tn, TPL_IO_FILE, path.c_str()), 0);

    CapturedReports reports;
    int32_t other[3];
    TplHandle lens(tpl_map("i#v", other, 3, &v));
    EXPECT_EQ(tpl_load(lens.tn, TPL_IO_FILE, path.c_str()), -1);
    EXPECT_EQ(reports.str(), path + ": array lengths mismatch\n");
    reports.clear();
    TplHandle fmt(tpl_map("i#j", other, 2, &v));
    EXPECT_EQ(tpl_load(fmt.tn, TPL_IO_FILE, path.c_str()), -1);
    EXPECT_EQ(reports.str(), path + ": format signature mismatch\n");
    reports.clear();
    const std::string missing = std::string(dir_template) + "/none.tpl";
    EXPECT_EQ(tpl_load(fmt.tn, TPL_IO_FILE, missing.c_str()), -1);
    EXPECT_EQ(reports.str(), "Couldn't open file " + missing +
                                 ": No such file or directory\ntpl_load failed for file " +
                                 missing + "\n");
    std::remove(path.c_str());
    rmdir(dir_template);
}

}  // namespace
