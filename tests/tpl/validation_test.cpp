// Image validation: every code from a deliberately broken image, malformed
// images refused without reading past their end, and the load reports.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

namespace {

// i#v with counts 2: header 8, format 4, count 4, data 10 = 26 bytes.
Bytes IvImage() { return ImageBuilder().Header(0, "i#v").U32(2).U32(1).U32(2).U16(3).Finish(); }

Bytes Poke(Bytes img, size_t at, uint8_t value) {
    img[at] = value;
    return img;
}

struct Case {
    const char *name;
    Bytes image;
    int code;
    bool trailing_ok = false;
    const char *fmt = "i#v";
};

// An image of fmt whose data begins with words: lengths chosen so that
// position + length wraps 32-bit arithmetic, and element counts far beyond
// what the bytes can hold.
Case Forged(uint8_t flags, const char *fmt, std::initializer_list<uint32_t> words, const char *tail) {
    ImageBuilder b;
    b.Header(flags, fmt);
    for (uint32_t w : words) b.U32(w);
    return Case{fmt, b.Raw(tail).Finish(), TPL_ERR_DATA_OVERRUN, true, fmt};
}

TEST(TplValidation, EveryCodeFromABrokenImage) {
    const Bytes good = IvImage();
    const Case cases[] = {
        {"good", good, TPL_VALID},
        {"header only", Bytes(good.begin(), good.begin() + 8), TPL_ERR_TOO_SHORT},
        {"magic", Poke(good, 1, 'X'), TPL_ERR_MAGIC},
        {"flags", Poke(good, 3, 4), TPL_ERR_FLAGS},
        {"format char", Poke(good, 9, 'x'), TPL_ERR_FORMAT_CHAR},
        {"other format", Poke(good, 9, 'u'), TPL_ERR_FORMAT_MISMATCH},
        {"fixed length 9", Poke(good, 12, 9), TPL_ERR_FXLEN_MISMATCH},
        {"trailing byte, length kept", Concat({good, {0}}), TPL_ERR_TOTAL_LENGTH},
        {"stored length past the end", Poke(good, 4, 27), TPL_ERR_TOTAL_LENGTH},
        {"trailing byte, length adjusted", Poke(Concat({good, {0}}), 4, 27), TPL_ERR_SIZE_MISMATCH},
        {"trailing byte allowed", Poke(Concat({good, {0}}), 4, 27), TPL_VALID, true},
        {"trailing allowed, length ignored", Poke(Concat({good, Bytes(5, 0xee)}), 4, 0xff), TPL_VALID, true},
        {"last byte missing", Poke(Bytes(good.begin(), good.end() - 1), 4, 25), TPL_ERR_DATA_OVERRUN},
        // Cut inside the header: nothing may be read past the end.
        {"no format zero", Prefix(12).Raw("i#v#").bytes(), TPL_ERR_FORMAT_UNTERMINATED, true},
        {"fixed lengths cut", Prefix(15).Raw("i#v").U8(0).U16(2).bytes(), TPL_ERR_FXLEN_OVERRUN, true},
        Forged(TPL_IMG_NULLABLE_STRINGS, "s", {0xffffffffu}, "abc"),
        Forged(0, "s", {0xffffffffu}, "abc"),
        Forged(0, "s", {0x80000000u}, "abc"),
        Forged(0, "B", {0xfffffffdu}, "xyz"),
        Forged(0, "A(i)", {0xffffffffu, 1, 2}, ""),
        Forged(0, "A(iA(c))", {1, 5, 0x7fffffffu}, "ab"),  // nested count past its element
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TplHandle t(std::strchr(c.fmt, '#') ? tpl_map(c.fmt, scratch, 2, scratch)
                                            : tpl_map(c.fmt, scratch, scratch));
        ASSERT_NE(t.tn, nullptr);
        EXPECT_EQ(Validate(t.tn, c.image, c.trailing_ok), c.code) << testing::PrintToString(c.image);
    }
}

TEST(TplValidation, LoadRefusalsAreReportedAndChangeNothing) {
    TempDir dir;
    const std::string path = dir.File("img.tpl"), missing = dir.File("none.tpl");
    int32_t ints[3] = {1, 2, -5};
    uint16_t v = 3;
    ASSERT_EQ(tpl_jot(TPL_IO_FILE, path.c_str(), "i#v", ints, 2, &v), 0);
    std::tie(ints[0], ints[1], v) = std::make_tuple(-5, -5, 99);
    const std::string no_file = "Couldn't open file " + missing +
                                ": No such file or directory\ntpl_load failed for file " + missing + "\n";
    struct Case {
        std::string file;  // empty: load the image from memory
        Bytes image;
        std::string report;
        const char *fmt = "i#v";
        int count = 2;
    };
    const Case cases[] = {
        {"", Poke(IvImage(), 9, 'u'), "format signature mismatch\n"},
        {"", Poke(IvImage(), 12, 9), "not a valid tpl file\n"},
        {path, {}, path + ": array lengths mismatch\n", "i#v", 3},
        {path, {}, path + ": format signature mismatch\n", "i#j"},
        {missing, {}, no_file},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.report);
        CapturedReports reports;
        TplHandle t(tpl_map(c.fmt, ints, c.count, &v));
        EXPECT_EQ(c.file.empty() ? LoadBytes(t.tn, c.image) : tpl_load(t.tn, TPL_IO_FILE, c.file.c_str()),
                  -1);
        EXPECT_EQ(reports.Take(), c.report);
        EXPECT_EQ(tpl_unpack(t.tn, 0), -1);
        EXPECT_EQ(std::tie(ints[0], ints[1], ints[2], v), std::make_tuple(-5, -5, -5, 99));
    }
}

}  // namespace
