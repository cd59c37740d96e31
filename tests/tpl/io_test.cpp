// Writing and reading whole images: caller buffers, size only, files and
// descriptors (with the gather tests), the one-call dump, and peeking.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

namespace {

struct Sample {
    int32_t id;
    double gain;
    char *name;
};

TEST(TplIo, SinksHoldTheSameImageAndRefuseBadCalls) {
    TempDir dir;
    const std::string path = dir.File("jot.tpl");
    Sample s{-3, 2.5, const_cast<char *>("ref")};
    TplHandle t(tpl_map("S(ifs)", &s));
    tpl_pack(t.tn, 0);
    const Bytes image = DumpBytes(t.tn);
    size_t size = 0;
    ASSERT_EQ(tpl_dump(t.tn, TPL_IO_SIZE_ONLY, &size), 0);
    EXPECT_EQ(size, image.size());
    Bytes buffer(size + 1, 0xaa);
    CapturedReports reports;
    EXPECT_EQ(tpl_dump(t.tn, TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER, buffer.data(), size - 1), -1);
    EXPECT_EQ(reports.Take(), "tpl_dump: buffer too small, need " + std::to_string(size) + " bytes\n");
    EXPECT_EQ(buffer, Bytes(size + 1, 0xaa));
    ASSERT_EQ(tpl_dump(t.tn, TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER, buffer.data(), size), 0);
    EXPECT_EQ(buffer.back(), 0xaa);  // bytes after the image untouched
    buffer.pop_back();
    ASSERT_EQ(tpl_jot(TPL_IO_FILE, path.c_str(), "S(ifs)", &s), 0);
    void *addr = nullptr;
    ASSERT_EQ(tpl_jot(TPL_IO_MEMORY, &addr, &size, "S(ifs)", &s), 0);
    for (const Bytes &got : {buffer, BytesAt(addr, size)}) EXPECT_EQ(got, image);
    EXPECT_EQ(Own(tpl_peek(TPL_IO_FILE, path.c_str())), "S(ifs)");

    // From the file and from an adopted buffer (ASan reports a leak if
    // tpl_free does not release it).
    for (bool from_file : {true, false}) {
        Sample out{};
        TplHandle r(tpl_map("S(ifs)", &out));
        ASSERT_EQ(from_file ? tpl_load(r.tn, TPL_IO_FILE, path.c_str())
                            : tpl_load(r.tn, TPL_IO_MEMORY | TPL_IO_ADOPT_BUFFER, addr, size),
                  0);
        ASSERT_EQ(tpl_unpack(r.tn, 0), 1);
        EXPECT_EQ(std::tie(out.id, out.gain), std::make_tuple(-3, 2.5));
        EXPECT_EQ(Own(out.name), "ref");
    }

    EXPECT_EQ(tpl_dump(t.tn, 0), -1);
    EXPECT_EQ(reports.Take(), "unsupported tpl_dump mode 0\n");
    EXPECT_EQ(tpl_load(t.tn, 0), -1);
    EXPECT_EQ(reports.Take(), "unsupported tpl_load mode 0\n");
    EXPECT_EQ(tpl_jot(TPL_IO_MEMORY, &addr, &size, "S(", &s), -1);
    EXPECT_EQ(reports.Take(), "failed to parse S(\n");
}

TEST(TplPeek, FormatDataFixedLengthsAndRefusals) {
    ImageBuilder b;  // the record {2, "cfg"} and the counts {1, 2, 3}
    b.Header(TPL_IMG_NULLABLE_STRINGS, "S(cs)i#").U32(3).U8(2).U32(4).Raw("cfg").U32(1).U32(2).U32(3);
    const Bytes image = b.Finish();
    EXPECT_EQ(Own(tpl_peek(TPL_IO_MEMORY, image.data(), image.size())), "S(cs)i#");
    uint8_t first = 0;
    char *label = nullptr;
    EXPECT_EQ(Own(tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK, image.data(), image.size(), "cs", &first, &label)),
              "S(cs)i#");
    EXPECT_EQ(first, 2);
    EXPECT_EQ(Own(label), "cfg");
    uint32_t n = 99;
    uint32_t *lens = nullptr;
    EXPECT_EQ(Own(tpl_peek(TPL_IO_MEMORY | TPL_FXLENS, image.data(), image.size(), &n, &lens)), "S(cs)i#");
    EXPECT_EQ(std::vector<uint32_t>(lens, lens + n), std::vector<uint32_t>{3});
    free(lens);

    CapturedReports reports;
    first = 0x55;
    const Bytes not_tpl = Concat({{'x'}, Bytes(image.begin() + 1, image.end())});
    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY, image.data(), size_t{8}), nullptr);
    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY, not_tpl.data(), not_tpl.size()), nullptr);
    EXPECT_EQ(reports.Take(), "");  // silent
    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK, image.data(), image.size(), "i", &first), nullptr);
    EXPECT_EQ(reports.Take(), "TPL_DATAPEEK format mismatches tpl iamge\n");
    // The string's length points past the end: nothing is stored at all.
    const Bytes cut(image.begin(), image.end() - 14);
    label = reinterpret_cast<char *>(0x1);
    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK, cut.data(), cut.size(), "cs", &first, &label), nullptr);
    EXPECT_EQ(reports.Take(), "tpl_peek: tpl has insufficient length\n");
    EXPECT_EQ(first, 0x55);
    EXPECT_EQ(label, reinterpret_cast<char *>(0x1));
    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK | TPL_FXLENS, image.data(), image.size()), nullptr);
    EXPECT_EQ(reports.Take(), "TPL_FXLENS and TPL_DATAPEEK mutually exclusive\n");
}

}  // namespace
