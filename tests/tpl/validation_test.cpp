// Image validation: every code from a deliberately broken image, and
// malformed images that must be refused without reading past their end.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

Bytes IvImage() {
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
    const Bytes good = IvImage();
    EXPECT_EQ(Validate(t.tn, good), TPL_VALID);
    EXPECT_EQ(Validate(t.tn, Bytes(good.begin(), good.begin() + 8)), TPL_ERR_TOO_SHORT);
    // One byte changed: magic, flags, format character, fixed length 2 -> 9.
    const struct {
        size_t at;
        uint8_t value;
        int code;
    } pokes[] = {{1, 'X', TPL_ERR_MAGIC},
                 {3, 4, TPL_ERR_FLAGS},
                 {9, 'x', TPL_ERR_FORMAT_CHAR},
                 {9, 'u', TPL_ERR_FORMAT_MISMATCH},
                 {12, 9, TPL_ERR_FXLEN_MISMATCH}};
    for (const auto &p : pokes) {
        Bytes bad = good;
        bad[p.at] = p.value;
        EXPECT_EQ(Validate(t.tn, bad), p.code) << p.at << " = " << int(p.value);
    }

    Bytes bad = good;
    bad.push_back(0);  // trailing byte, stored length unchanged
    EXPECT_EQ(Validate(t.tn, bad), TPL_ERR_TOTAL_LENGTH);
    bad[4] = static_cast<uint8_t>(bad.size());  // stored length adjusted
    EXPECT_EQ(Validate(t.tn, bad), TPL_ERR_SIZE_MISMATCH);
    EXPECT_EQ(Validate(t.tn, bad, true), TPL_VALID);

    bad = good;
    bad.pop_back();
    bad[4] = static_cast<uint8_t>(bad.size());
    EXPECT_EQ(Validate(t.tn, bad), TPL_ERR_DATA_OVERRUN);
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
    check(ImageBuilder().raw("tpl").u8(0).u32(12).raw("i#v#").bytes(), TPL_ERR_FORMAT_UNTERMINATED, true);
    // Fixed-length section cut short.
    check(ImageBuilder().raw("tpl").u8(0).u32(15).raw("i#v").u8(0).u16(2).bytes(), TPL_ERR_FXLEN_OVERRUN,
          true);
    // Data cut inside the v.
    check(ImageBuilder().raw("tpl").u8(0).u32(0).raw("i#v").u8(0).u32(2).u32(1).u32(2).u8(3).bytes(),
          TPL_ERR_DATA_OVERRUN, true);
}

TEST_F(TplValidation, LoadReportsAndLeavesVariablesUntouched) {
    CapturedReports reports;
    Bytes bad = IvImage();
    bad[9] = 'u';
    EXPECT_EQ(LoadBytes(t.tn, bad), -1);
    EXPECT_EQ(reports.str(), "format signature mismatch\n");
    reports.clear();
    bad = IvImage();
    bad[12] = 9;
    EXPECT_EQ(LoadBytes(t.tn, bad), -1);
    EXPECT_EQ(reports.str(), "not a valid tpl file\n");
    reports.clear();
    EXPECT_EQ(tpl_unpack(t.tn, 0), -1);
    EXPECT_EQ(ints[0], -5);
    EXPECT_EQ(ints[1], -5);
    EXPECT_EQ(v, 99);
}

TEST_F(TplValidation, TrailingBytesAllowedIgnoreTheStoredLength) {
    Bytes longer = IvImage();
    longer.resize(longer.size() + 5, 0xee);
    longer[4] = 0xff;
    ASSERT_EQ(LoadBytes(t.tn, longer, TPL_IO_TRAILING_OK), 0);
    ASSERT_EQ(tpl_unpack(t.tn, 0), 1);
    EXPECT_EQ(ints[1], 2);
    EXPECT_EQ(v, 3);
}

// Lengths chosen so that position + length wraps 32-bit arithmetic, and
// element counts far beyond what the bytes can hold: refused at the image
// end instead of wrapping or spinning.
TEST(TplMalformed, HugeLengthsAreRejectedNotWrapped) {
    const struct {
        const char *fmt;
        uint8_t flags;
        std::vector<uint32_t> words;
        const char *tail;
    } cases[] = {
        {"s", TPL_IMG_NULLABLE_STRINGS, {0xffffffffu}, "abc"},
        {"s", 0, {0xffffffffu}, "abc"},
        {"s", 0, {0x80000000u}, "abc"},
        {"B", 0, {0xfffffffdu}, "xyz"},
        {"A(i)", 0, {0xffffffffu, 1, 2}, ""},
        {"A(iA(c))", 0, {1, 5, 0x7fffffffu}, "ab"},  // nested count past its element
    };
    alignas(8) static char base[64];
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fmt);
        TplHandle t(tpl_map(c.fmt, base, base));
        ASSERT_NE(t.tn, nullptr);
        ImageBuilder b;
        b.header(c.flags, c.fmt);
        for (uint32_t w : c.words) b.u32(w);
        EXPECT_EQ(Validate(t.tn, b.raw(c.tail).finish(), true), TPL_ERR_DATA_OVERRUN) << c.words[0];
    }
}

TEST(TplMalformed, FileLoadMessagesNameThePath) {
    TempDir dir;
    const std::string path = dir.file("img.tpl");
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
    const std::string missing = dir.file("none.tpl");
    EXPECT_EQ(tpl_load(fmt.tn, TPL_IO_FILE, missing.c_str()), -1);
    EXPECT_EQ(reports.str(), "Couldn't open file " + missing +
                                 ": No such file or directory\ntpl_load failed for file " + missing + "\n");
}

}  // namespace
